// Previews of photos and videos. The cheapest source that serves is taken first: the picture a
// camera or phone embedded, then a JPEG decoded at a reduced scale, and only then a whole
// decode through FFmpeg (PNG, WebP, TIFF and the rest), which refuses pictures beyond a size.
#include "detailshelper/detailsreaders.h"
#include "detailshelper/previewpicture.h"

#include <exiv2/exiv2.hpp>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace {
// An embedded preview smaller than this is too coarse to stand for the photo.
constexpr int kEmbeddedMinimum = 160;
// A frame darker than this (mean brightness) is taken for a fade-in or a black leader.
constexpr double kBlackBelow = 24;
// Frames decoded per video at most, to reach the wanted moment and step past black ones.
constexpr int kFrameBudget = 900;

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// The frame as RGB, shrunk to the preview's side on the way.
TPicture FromFrame(const AVFrame& frame) {
    TPicture out;
    const int longest = std::max(frame.width, frame.height);
    if (frame.width <= 0 || frame.height <= 0) return out;
    const double scale = longest > kPreviewSide ? double(kPreviewSide) / longest : 1.0;
    out.width = std::max(1, int(std::lround(frame.width * scale)));
    out.height = std::max(1, int(std::lround(frame.height * scale)));
    SwsContext* scaler = sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), out.width,
                                        out.height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
    if (!scaler) return {};
    out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
    uint8_t* target[] = {out.rgb.data()};
    const int stride[] = {out.width * 3};
    sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, target, stride);
    sws_freeContext(scaler);
    return out;
}

// The turn a phone recorded for its video, as the EXIF orientation that undoes it.
int OrientationOf(const AVStream& stream) {
    const auto* matrix = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix) return 1;
    const double turn = -av_display_rotation_get(matrix);
    if (!std::isfinite(turn)) return 1;
    const int quarter = int(std::lround(turn / 90.0)) & 3;
    return quarter == 1 ? 6 : quarter == 2 ? 3 : quarter == 3 ? 8 : 1;
}

// A picture from the first video stream: for a still picture its only frame; for a video the
// first frame that is not black from about a tenth of its length on (later moments when those
// stay black, the brightest seen when all do).
TPicture DecodeWithFFmpeg(const std::string& path, bool video, int& orientation) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return {};
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return {};
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return {};
    AVStream* stream = format->streams[index];
    const AVCodecParameters* par = stream->codecpar;
    if (par->width <= 0 || par->height <= 0 || int64_t(par->width) * par->height > kDecodePixelLimit)
        return {};
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return {};
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), par) < 0) return {};
    decoder->thread_count = 1; // the scan runs a helper per core already
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return {};
    if (video) orientation = OrientationOf(*stream);
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (int(i) != index) format->streams[i]->discard = AVDISCARD_ALL;

    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!frame || !packet) return {};
    const int64_t duration = format->duration > 0 ? format->duration : 0;
    const double base = av_q2d(stream->time_base);
    TPicture brightest;
    double brightestLevel = -1;
    int budget = kFrameBudget;
    for (double at : {0.1, 0.25, 0.4, 0.55, 0.7}) {
        const double wanted = video ? double(duration) / AV_TIME_BASE * at : 0;
        if (video && duration > 0) {
            av_seek_frame(format.get(), -1, int64_t(wanted * AV_TIME_BASE), AVSEEK_FLAG_BACKWARD);
            avcodec_flush_buffers(decoder.get());
        }
        int looked = 0; // frames at or past the wanted moment
        bool ended = false;
        while (budget > 0 && looked < 48 && !ended) {
            int got = avcodec_receive_frame(decoder.get(), frame.get());
            if (got == AVERROR(EAGAIN)) {
                const int read = av_read_frame(format.get(), packet.get());
                if (read < 0) {
                    avcodec_send_packet(decoder.get(), nullptr); // drain what it holds
                } else {
                    if (packet->stream_index == index) avcodec_send_packet(decoder.get(), packet.get());
                    av_packet_unref(packet.get());
                }
                continue;
            }
            if (got < 0) {
                ended = true;
                break;
            }
            --budget;
            const int64_t when = frame->best_effort_timestamp;
            const double seconds = when == AV_NOPTS_VALUE ? wanted : (when - (stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time)) * base;
            if (video && seconds + 0.001 < wanted) continue;
            if (looked++ % 4 != 0) continue; // neighbours look alike: every fourth is weighed
            TPicture picture = FromFrame(*frame);
            if (!video) return picture;
            const double level = MeanBrightness(picture);
            if (level >= kBlackBelow) return picture;
            if (level > brightestLevel) brightestLevel = level, brightest = std::move(picture);
        }
        if (!video || duration == 0 || budget <= 0) break;
    }
    return brightest;
}

bool SameShape(long w1, long h1, long w2, long h2) {
    if (w1 <= 0 || h1 <= 0 || w2 <= 0 || h2 <= 0) return true;
    const double a = double(w1) / double(h1), b = double(w2) / double(h2);
    return std::fabs(a - b) <= 0.03 * b;
}

// The embedded preview fit to stand for the photo: the smallest that reaches the preview's
// side, else the largest that reaches the minimum; of the photo's own shape (a thumbnail with
// bars would show them).
const Exiv2::PreviewProperties* ChooseEmbedded(const Exiv2::PreviewPropertiesList& list, long width, long height) {
    const Exiv2::PreviewProperties* chosen = nullptr;
    for (const auto& p : list) {
        const int longest = int(std::max(p.width_, p.height_));
        if (p.mimeType_ != "image/jpeg" || longest < kEmbeddedMinimum || !SameShape(p.width_, p.height_, width, height))
            continue;
        const int current = chosen ? int(std::max(chosen->width_, chosen->height_)) : 0;
        const bool better = !chosen || (current < kPreviewSide ? longest > current : longest >= kPreviewSide && longest < current);
        if (better) chosen = &p;
    }
    return chosen;
}
} // namespace

std::string MakePhotoPreview(const std::string& path) {
    const int type = Exiv2::ImageFactory::getType(path);
    int orientation = 1;
    TPicture picture;
    if (IsPhotoType(type)) {
        auto image = Exiv2::ImageFactory::open(path);
        if (image.get()) {
            image->readMetadata();
            const Exiv2::ExifData& exif = image->exifData();
            if (const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")); it != exif.end() && it->count() > 0) {
                const long value = it->toLong(0);
                if (value >= 1 && value <= 8) orientation = int(value);
            }
            Exiv2::PreviewManager manager(*image);
            const auto list = manager.getPreviewProperties();
            if (const auto* chosen = ChooseEmbedded(list, image->pixelWidth(), image->pixelHeight())) {
                const Exiv2::PreviewImage embedded = manager.getPreviewImage(*chosen);
                picture = DecodeJpegScaled({reinterpret_cast<const char*>(embedded.pData()), size_t(embedded.size())}, kPreviewSide);
            }
        }
    }
    if (picture.Empty() && type == Exiv2::ImageType::jpeg) picture = DecodeJpegFileScaled(path, kPreviewSide);
    int ignored = 1;
    if (picture.Empty()) picture = DecodeWithFFmpeg(path, false, ignored);
    return EncodePreviewJpeg(Oriented(Shrunk(picture, kPreviewSide), orientation));
}

std::string MakeVideoPreview(const std::string& path) {
    int orientation = 1;
    TPicture picture = DecodeWithFFmpeg(path, true, orientation);
    return EncodePreviewJpeg(Oriented(Shrunk(picture, kPreviewSide), orientation));
}

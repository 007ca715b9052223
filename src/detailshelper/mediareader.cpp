// Video, and music TagLib cannot open, through FFmpeg's libavformat: the container's duration
// and tags, the first video stream's picture size, codec and frame rate.
#include "detailshelper/detailsreaders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <cstdlib>
#include <memory>

namespace {
struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};

std::string Tag(const AVFormatContext& ctx, const AVStream* stream, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(ctx.metadata, key, nullptr, 0);
    if (!e && stream) e = av_dict_get(stream->metadata, key, nullptr, 0); // Ogg keeps them there
    return e && e->value ? Trimmed(e->value) : std::string();
}

// The leading number of "3/12" or "1999-05-01"; 0 when there is none.
long long LeadingNumber(const std::string& text) {
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > 100000000) break;
        n = n * 10 + (c - '0');
    }
    return n;
}
} // namespace

TDetailPairs ReadMediaDetails(const std::string& path, bool music) {
    TDetailPairs pairs;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return pairs;
    std::unique_ptr<AVFormatContext, FormatCloser> ctx(raw);
    const AVMediaType type = music ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    int index = av_find_best_stream(ctx.get(), type, -1, -1, nullptr, 0);
    // The header alone names most of it; the streams are probed only when it does not.
    const auto incomplete = [&] {
        if (ctx->duration == AV_NOPTS_VALUE || index < 0) return true;
        const AVStream* s = ctx->streams[index];
        return !music && (s->codecpar->width <= 0 || s->avg_frame_rate.num <= 0);
    };
    if (incomplete()) {
        if (avformat_find_stream_info(ctx.get(), nullptr) < 0 && ctx->nb_streams == 0) return pairs;
        index = av_find_best_stream(ctx.get(), type, -1, -1, nullptr, 0);
    }
    const AVStream* stream = index >= 0 ? ctx->streams[index] : nullptr;
    if (music) {
        const auto text = [&](const char* key, const char* tag) {
            if (std::string v = Tag(*ctx, stream, tag); !v.empty()) pairs.emplace_back(key, std::move(v));
        };
        text("title", "title");
        text("artist", "artist");
        text("album", "album");
        if (long long track = LeadingNumber(Tag(*ctx, stream, "track")); track > 0)
            pairs.emplace_back("track", DetailNumber(track));
        if (long long year = LeadingNumber(Tag(*ctx, stream, "date")); year > 0)
            pairs.emplace_back("year", DetailNumber(year));
        text("genre", "genre");
    }
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        pairs.emplace_back("duration", DetailNumber(double(ctx->duration) / AV_TIME_BASE, 3));
    if (music) {
        if (ctx->bit_rate > 0) pairs.emplace_back("bitrate", DetailNumber((long long)(ctx->bit_rate / 1000)));
        return pairs;
    }
    if (stream) {
        const AVCodecParameters* par = stream->codecpar;
        if (par->width > 0 && par->height > 0) {
            pairs.emplace_back("width", DetailNumber((long long)par->width));
            pairs.emplace_back("height", DetailNumber((long long)par->height));
        }
        if (const char* codec = avcodec_get_name(par->codec_id); codec && par->codec_id != AV_CODEC_ID_NONE)
            pairs.emplace_back("codec", codec);
        AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        if (rate.num > 0 && rate.den > 0) pairs.emplace_back("framerate", DetailNumber(av_q2d(rate), 3));
    }
    return pairs;
}

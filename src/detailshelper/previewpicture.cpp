#include "detailshelper/previewpicture.h"

#include <cstdio>
#include <csetjmp>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
#include <libswscale/swscale.h>
}
#include <png.h>

namespace {
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JumpOut(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}

// The scale n/8 whose longest side first reaches `side`.
unsigned ScaleFor(unsigned longest, int side) {
    for (unsigned n = 1; n < 8; ++n)
        if (longest * n / 8 >= unsigned(side)) return n;
    return 8;
}

// Decodes from a source set up by `attach`; setjmp-based, so nothing here owns memory that a
// jump would skip past.
template <typename Attach> bool DecodeScaled(Attach attach, int side, TPicture* out) {
    jpeg_decompress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOut;
    error.manager.emit_message = Quiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        out->width = out->height = 0;
        return false;
    }
    jpeg_create_decompress(&info);
    attach(info);
    jpeg_read_header(&info, TRUE);
    if (int64_t(info.image_width) * info.image_height > kDecodePixelLimit * 2) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    info.scale_num = ScaleFor(std::max(info.image_width, info.image_height), side);
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    out->width = int(info.output_width);
    out->height = int(info.output_height);
    out->rgb.resize(size_t(out->width) * size_t(out->height) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->rgb.data() + size_t(info.output_scanline) * size_t(out->width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeAt(const TPicture& picture, int quality, unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOut;
    error.manager.emit_message = Quiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() + size_t(info.next_scanline) * size_t(picture.width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}
} // namespace

TPicture Oriented(TPicture picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.Empty()) return picture;
    const int w = picture.width, h = picture.height;
    const bool swap = orientation >= 5;
    TPicture out;
    out.width = swap ? h : w;
    out.height = swap ? w : h;
    out.rgb.resize(picture.rgb.size());
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            }
            const uint8_t* from = &picture.rgb[(size_t(sy) * size_t(w) + size_t(sx)) * 3];
            uint8_t* to = &out.rgb[(size_t(y) * size_t(out.width) + size_t(x)) * 3];
            to[0] = from[0], to[1] = from[1], to[2] = from[2];
        }
    return out;
}

TPicture Shrunk(const TPicture& picture, int side) {
    const int longest = std::max(picture.width, picture.height);
    if (picture.Empty() || longest <= side) return picture;
    TPicture out;
    out.width = std::max(1, int((int64_t(picture.width) * side + longest / 2) / longest));
    out.height = std::max(1, int((int64_t(picture.height) * side + longest / 2) / longest));
    SwsContext* scaler = sws_getContext(picture.width, picture.height, AV_PIX_FMT_RGB24, out.width,
                                        out.height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
    if (!scaler) return {};
    out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
    const uint8_t* source[] = {picture.rgb.data()};
    const int sourceStride[] = {picture.width * 3};
    uint8_t* target[] = {out.rgb.data()};
    const int targetStride[] = {out.width * 3};
    sws_scale(scaler, source, sourceStride, 0, picture.height, target, targetStride);
    sws_freeContext(scaler);
    return out;
}

double MeanBrightness(const TPicture& picture) {
    if (picture.Empty()) return 0;
    const size_t pixels = size_t(picture.width) * size_t(picture.height);
    const size_t step = std::max<size_t>(1, pixels / 4096);
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < pixels; i += step, ++count) {
        const uint8_t* p = &picture.rgb[i * 3];
        sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
    return sum / double(count);
}

TPicture DecodeJpegScaled(std::string_view bytes, int side) {
    TPicture out;
    if (bytes.size() < 4) return out;
    DecodeScaled([&](jpeg_decompress_struct& info) {
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    }, side, &out);
    return out;
}

TPicture DecodeJpegFileScaled(const std::string& path, int side) {
    TPicture out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    DecodeScaled([&](jpeg_decompress_struct& info) { jpeg_stdio_src(&info, file); }, side, &out);
    std::fclose(file);
    return out;
}

std::string EncodePreviewJpeg(const TPicture& picture) {
    if (picture.Empty() || picture.rgb.size() != size_t(picture.width) * size_t(picture.height) * 3)
        return {};
    std::string best;
    for (int quality = 80; quality >= 30; quality -= 10) {
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        const bool ok = EncodeAt(picture, quality, &buffer, &size);
        if (ok && buffer) best.assign(reinterpret_cast<const char*>(buffer), size);
        std::free(buffer);
        if (!ok || best.size() <= kPreviewBudget) break;
    }
    return best;
}

std::string EncodePng(const TPicture& picture) {
    if (picture.Empty()) return {};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr) || size == 0)
        return {};
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr)) return {};
    bytes.resize(size);
    return bytes;
}

// Pictures on their way to a preview, inside the details helper: decoded at a reduced scale
// where the format allows it, turned the way the camera was held, shrunk and encoded as JPEG.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// 8-bit RGB, rows top to bottom without padding.
struct TPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// The longest side of a preview; smaller pictures keep their size.
constexpr int kPreviewSide = 256;
// Every preview aims at this many bytes or fewer, so that the average stays there.
constexpr size_t kPreviewBudget = 12 * 1024;
// The largest picture decoded whole (pixels), where no reduced-scale decoding serves.
constexpr int64_t kDecodePixelLimit = int64_t(64) << 20;

// The EXIF orientation (1 to 8) applied: the picture as it is meant to be seen.
TPicture Oriented(TPicture picture, int orientation);
// Shrunk so that its longest side is at most `side`, by averaging (no enlargement).
TPicture Shrunk(const TPicture& picture, int side);
// The mean brightness, 0 to 255, from a sample of the pixels.
double MeanBrightness(const TPicture& picture);

// A JPEG decoded at the smallest of libjpeg's reduced scales whose longest side still reaches
// `side`; empty for bytes that are no JPEG it reads, or beyond the pixel limit.
TPicture DecodeJpegScaled(std::string_view bytes, int side);
TPicture DecodeJpegFileScaled(const std::string& path, int side);
// JPEG bytes at the highest quality from 80 down that fits the budget; empty when it fails.
std::string EncodePreviewJpeg(const TPicture& picture);

// PNG bytes of the picture; empty when it fails.
std::string EncodePng(const TPicture& picture);

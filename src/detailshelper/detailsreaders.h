// The readers inside the details helper: Exiv2 for photos, TagLib for music, FFmpeg's
// libavformat for video and for music TagLib cannot open. Each answers the keys it found, with
// numbers in plain decimal text and texts in UTF-8; nothing found is no pairs.
#pragma once

#include "catalogue/entrydetails.h"
#include "details/contenttype.h"

#include <string>

// Once per process, before the first file: quiets the libraries' own messages.
void InitDetailsReaders();
// Looks at the first bytes when `kind` is Unknown. Never throws.
TDetailPairs ReadFileDetails(ContentKind kind, const std::string& path);

TDetailPairs ReadPhotoDetails(const std::string& path);
TDetailPairs ReadMusicDetails(const std::string& path);
// `music`: the audio stream's tags, duration and bitrate; otherwise the video stream's picture.
TDetailPairs ReadMediaDetails(const std::string& path, bool music);

// The photo formats given to Exiv2 (an Exiv2::ImageType).
bool IsPhotoType(int exiv2Type);

// A preview of a photo or video (previewpicture.h): JPEG bytes, or empty when none can be made.
// Looks at the first bytes when `kind` is Unknown. Never throws.
std::string MakePreview(ContentKind kind, const std::string& path);
std::string MakePhotoPreview(const std::string& path);
std::string MakeVideoPreview(const std::string& path);

// Shared by the readers: numbers in the form the catalogue keeps.
std::string DetailNumber(double value, int decimals);
std::string DetailNumber(long long value);
// "2019:06:05 14:03:02" (EXIF) becomes "2019-06-05T14:03:02"; other texts stay as they are.
std::string TakenText(std::string text);
// Without the spaces and NULs that fixed-width tag fields are padded with.
std::string Trimmed(std::string text);

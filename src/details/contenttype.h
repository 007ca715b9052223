// Which files have details to read, and which reader reads them: by the name's extension, and
// for a name without one by the file's first bytes.
#pragma once

#include <cstdint>
#include <string_view>

enum class ContentKind : uint8_t { Unknown = 0, Photo = 1, Music = 2, Video = 3 };

// By the extension (letter case ignored); Unknown for none or one not listed.
ContentKind KindByExtension(std::string_view name);
// Whether the name has an extension at all ("IMG_4711" has none, ".profile" neither).
bool HasExtension(std::string_view name);
// By the signature at the start of a file: `head` is its first bytes (32 are enough).
ContentKind KindByFirstBytes(std::string_view head);
// The files a scan asks the helper about: a listed extension, or none (the helper then looks at
// the first bytes). Others are never opened, so a medium without such files costs nothing.
inline bool MayHaveDetails(std::string_view name) {
    return KindByExtension(name) != ContentKind::Unknown || !HasExtension(name);
}

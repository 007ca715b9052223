// The archive kinds the scan recognises, by file name alone.
#pragma once

#include <string_view>

enum class ArchiveType { None, Zip, Rar, SevenZip, Tar, Iso, Cab, Lzh, Cpio, Xar };

// By extension only, letter case ignored, as the entry fill decides kind 3: "x.Zip" is ZIP,
// "x.TAR.GZ" and "x.tgz" are tar, "x.zipx" and "x.gz" nothing.
ArchiveType ArchiveTypeOf(std::string_view name);

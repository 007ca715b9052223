// The archives libarchive lists beside ZIP's own reader and the RAR binding (7z, tar in every
// compression, ISO 9660 images, cab, lzh, cpio, xar), and the archives found inside any
// archive, read from the outer archive's data as it is unpacked: no temporary file on disk.
//
// Everything read comes from untrusted files: a damaged or cut archive keeps the members read
// before the trouble, and memory stays bounded (the inner archives held in memory share one
// budget of kInMemoryLimit).
#pragma once

#include "scan/archivenesting.h"
#include "scan/archivetypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TZipDirReader;

// Archives are listed to this depth; the archive on the medium is the first. An archive
// deeper down stays an entry of kind archive without members.
constexpr int kArchiveDepth = 4;
// Inner archives whose directory must be sought (ZIP by its central directory, 7z by its
// header at the end) are held in memory up to this many bytes at once, over all levels.
constexpr int64_t kInMemoryLimit = int64_t(256) << 20;

// What every level of one archive's listing shares.
struct ArchiveListing {
    const ScanControl* control = nullptr; // consulted before every member and every block read
    bool rar = false; // RAR archives found inside are listed (there is RAR support)
    // Told the path of each inner archive as its reading begins ("outer.tar.gz/in/x.zip").
    std::function<void(const std::string& path)> onArchive;
    int unnamed = 0; // members left out because their path names nothing
    int64_t memoryLeft = kInMemoryLimit;
    // When set, runs a libarchive pass that lists under `roots` out of harm's way (the scan
    // uses ListIsolated); else the pass runs here.
    std::function<void(const std::vector<CFile*>& roots,
                       const std::function<void(ArchiveListing&)>& list)>
        isolate;
};

// Whether the type is one libarchive lists for the scan (ZIP and RAR have readers of their own).
bool ListedByLibarchive(ArchiveType type);

// Lists the archive in the plain file `fd` (taken over and closed) under `entry`, its inner
// archives included. `path` names it for onArchive.
void ListArchiveFile(int fd, ArchiveType type, const std::string& path, CFile* entry,
                     ArchiveListing& listing);

// Lists the members of a ZIP or RAR archive that are archives themselves (`inner`, as their
// listing collected them) from a pass of libarchive over the archive in `fd` (taken over and
// closed). `depth` is the archive's own.
void ListInnerArchives(int fd, ArchiveType type, const std::string& path, const InnerArchives& inner,
                       int depth, ArchiveListing& listing);

// Lists the ZIP archive in `fd` (taken over and closed) with `reader`, set up by the caller,
// then its inner archives. `depth` is the archive's own.
void ListZipFile(TZipDirReader& reader, int fd, const std::string& path, CFile* entry, int depth,
                 ArchiveListing& listing);

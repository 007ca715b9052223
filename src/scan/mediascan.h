// The medium scan: walks a folder tree into a medium, and lists the members of the ZIP and RAR
// archives it meets as sub-trees of their entries. No window code here; the scan window
// drives it through ScanControl and OnFolderEntered.
#pragma once

#include "scan/ZipDirReader.h"
#include "scan/archivenesting.h"
#include "scan/archivetypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>
#include <sys/types.h>

class CFile;
class CMedium;
class TContentStream;

// Fills a new entry from a bare name by the rules of CFile::SetFrom (refusal of "", "." and "..",
// folder or file by the directory bit, archive by an archive extension (ArchiveTypeOf), the
// medium's counts).
// SetFrom cuts its argument at the last '\' or ':', which would split a Linux name holding
// those characters; this takes the name whole.
bool FillFromName(CFile& entry, std::string_view name, uint32_t attributes, int32_t category,
                  int64_t size, double date);

// The order in which the walk catalogues a folder's items: the bytes compared after folding
// ASCII a-z to A-Z ("B" before "c", "_" after both), names that differ only in letter case by
// their raw bytes ("README" before "ReadMe" before "readme"). Other bytes, UTF-8 included, count
// as their unsigned values, so the order never depends on the locale.
bool NameOrderLess(std::string_view a, std::string_view b);


// The opener the RAR binding registers at start-up; none means no RAR support, and RAR
// archives are then catalogued without members.
void SetRarOpener(RarOpener opener);
const RarOpener& RegisteredRarOpener();

// Tells the ZIP reader on which drive the file system with device `device` lies (`path` is an
// archive on it); the platform layer registers it at start-up. None: every archive lies on a
// fixed drive mounted at "/".
using ZipDriveQuery = std::function<ZipDrive(dev_t device, const std::string& path)>;
void SetZipDriveQuery(ZipDriveQuery query);
const ZipDriveQuery& RegisteredZipDriveQuery();

class TMediaScan {
public:
    explicit TMediaScan(CMedium& medium);

    // "Examine compressed archives": ZIP and every format libarchive lists (7z, tar, ISO, cab,
    // lzh, cpio, xar), with the archives inside them to kArchiveDepth.
    bool ExamineZip = false;
    bool ExamineRar = false; // RAR too (there is RAR support)
    // The libarchive passes (every format but ZIP and RAR, and the archives inside ZIP and RAR
    // archives) run in a child process of their own (ListIsolated). Off: in this process.
    bool IsolateArchives = true;
    RarOpener OpenRar; // starts as the registered opener
    ZipDriveQuery ZipDriveOf; // starts as the registered query
    // Consulted before every entry, of the walk and of the archive listings, and once more after
    // each folder is announced.
    ScanControl Control;
    // Told the path of each folder as the walk enters it, after the folder was counted.
    std::function<void(const std::string& path)> OnFolderEntered;
    // Told the path of each archive as its listing begins: the archive on the medium, then
    // each one inside it ("/m/src.tar.gz/lib/x.zip").
    std::function<void(const std::string& path)> OnArchiveEntered;
    // The folders the walk could not open or list to the end (permissions, I/O errors), by
    // path: they are catalogued, empty or with what was read of them.
    std::vector<std::string> UnreadFolders;
    // When set, the content block is written and compressed into it as the walk goes (a scan
    // of an empty medium's top only); the caller ends it after the walk.
    TContentStream* Content = nullptr;
    // Archive members left out because their path names nothing (empty, "." or "..").
    int UnnamedMembers = 0;

    // Appends everything below the folder `path` to `parent` (the medium's top when null):
    // depth first, a folder's contents before its later siblings, each folder's items in name
    // order (NameOrderLess), as the drives the catalogues were first made of list them; Linux
    // file systems list them in hash order. Archive members keep their archive's order. A folder
    // that cannot be read stays empty. Symbolic links are catalogued as files of size 0, never
    // followed; a folder on another file system than `path`'s is catalogued empty, not entered.
    void ScanFolder(const std::string& path, CFile* parent);

    // Folder descriptors held open at once below the start folder. Deeper folders are closed
    // (their listing stays in memory) and opened again on the way back up.
    static constexpr size_t kOpenFolderLimit = 32;

private:
    CMedium& medium_;
};

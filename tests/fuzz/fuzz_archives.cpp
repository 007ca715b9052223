// The archives libarchive lists, from arbitrary bytes, through our read callbacks and the
// nesting of archives inside archives, in this process. The first byte picks the archive's name (and so the
// readers tried); the rest is the file. Whatever the bytes claim, the listing ends, leaves a
// well-formed tree with counts that match it, and gives back all memory it held for inner
// archives. Hangs and runaway memory are caught by the fuzzer's own time and memory limits.
#include "fuzz/fuzzsupport.h"
#include "scan/ZipDirReader.h"
#include "scan/archivelisting.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// ZIP and RAR files are listed by their own readers, then searched for inner archives. Not
// cab: libarchive 3.6.2's cab reader follows damaged data blocks into a null pointer, which
// the scan survives by reading archives in a child process (ArchiveDamage tests it); here,
// in one process for the coverage, it would only find that fault again and again.
constexpr const char* kNames[] = {"in.tar.gz", "in.7z",  "in.iso", "in.lzh",
                                  "in.cpio",   "in.xar", "in.zip", "in.rar"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const char* name = kNames[data[0] % (sizeof kNames / sizeof *kNames)];
    const std::string file = fuzz::Scratch().File(name);
    fuzz::WriteBytes(file, data + 1, size - 1);

    CMedienListe catalogue;
    CMedium medium(&catalogue);
    CFile* archive = CFile::Create(&medium, nullptr);
    archive->SetName("input"); // the archive's own entry, named as the walk names it
    medium.AddEntry(archive);
    ScanControl control;
    ArchiveListing listing;
    listing.control = &control;
    listing.rar = true;
    const ArchiveType type = ArchiveTypeOf(name);
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    if (type == ArchiveType::Zip) {
        TZipDirReader reader;
        ListZipFile(reader, fd, file, archive, 1, listing);
    } else if (type == ArchiveType::Rar) {
        // The pass that finds inner archives reads the RAR file itself; the RAR binding's own
        // listing has a target of its own.
        InnerArchives inner{{"x.tar", archive}, {"y.zip", archive}};
        ListInnerArchives(fd, type, file, inner, 1, listing);
    } else {
        ListArchiveFile(fd, type, file, archive, listing);
    }

    const size_t entries = fuzz::CheckedTreeSize(medium);
    FUZZ_CHECK(medium.FileCount + medium.FolderCount == int64_t(entries - 1));
    FUZZ_CHECK(medium.TotalSize >= 0);
    FUZZ_CHECK(listing.memoryLeft == kInMemoryLimit);
    return 0;
}

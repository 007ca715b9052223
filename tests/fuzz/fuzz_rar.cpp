// RAR archives from arbitrary bytes, listed through the libarchive binding as the scan lists
// them: the input is the archive file itself. Whatever the headers claim, the listing ends,
// leaves a well-formed tree, places no more members than the file has room for headers, and
// takes memory in proportion to the file plus the reader's fixed buffers.
#include "fuzz/allocations.h"
#include "fuzz/fuzzsupport.h"
#include "scan/rarlibrary.h"

namespace {

// A RAR 5 file header takes at least this many bytes (CRC, size, type, flags, file flags,
// unpacked size, attributes, compression, host, name length and a one-byte name).
constexpr size_t kSmallestHeader = 14;
// libarchive's read buffer and decompression window (64 MiB at most for RAR 5), whatever the
// file holds.
constexpr size_t kFixedBytes = size_t(80) << 20;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::InstallAllocationCounter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = fuzz::Scratch().File("input.rar");
    fuzz::WriteBytes(file, data, size);

    CMedienListe catalogue;
    CMedium medium(&catalogue);
    CFile* archive = CFile::Create(&medium, nullptr);
    archive->SetName("input"); // the archive's own entry, named as the walk names it
    medium.AddEntry(archive);
    const size_t allocated = fuzz::AllocatedBy([&] {
        if (auto rar = OpenRarArchive(file)) ListRarLevel(*rar, archive, {});
    });

    const size_t entries = fuzz::CheckedTreeSize(medium);
    FUZZ_CHECK(entries - 1 <= size / kSmallestHeader);
    FUZZ_CHECK(medium.FileCount + medium.FolderCount == int64_t(entries - 1));
    FUZZ_CHECK(medium.TotalSize >= 0);
    FUZZ_CHECK(allocated <= 64 * size + kFixedBytes);
    return 0;
}

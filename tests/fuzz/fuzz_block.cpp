// Content blocks from arbitrary bytes. The input is read twice: as a decompressed block handed
// straight to the record reader, and as compressed data for DecompressCount, whose output (when
// there is some) goes to the record reader as well.
#include "fuzz/allocations.h"
#include "fuzz/fuzzsupport.h"

#include <cstring>

namespace {

constexpr int64_t kSmallestRecord = 32; // seven Ints and an empty name


void ReadBlock(const char* data, size_t size) {
    TMemoryStream stream;
    stream.Write(data, size);
    stream.Seek(0);
    CMedium medium(nullptr);
    bool ok = false;
    const size_t allocated = fuzz::AllocatedBy([&] { ok = medium.ReadContentRecords(stream); });
    // A read may take a few times the size of its block (entries are larger in memory than on
    // the stream, the arena grows in doubling blocks of up to 1 MiB), never an amount that grows
    // faster than the block.
    FUZZ_CHECK(allocated <= 64 * size + (size_t(4) << 20));
    if (!ok) {
        FUZZ_CHECK(medium.EntryCount() == 0);
        return;
    }
    const size_t entries = fuzz::CheckedTreeSize(medium);
    FUZZ_CHECK(entries * kSmallestRecord + 4 <= size);

    // What was read must come back unchanged through one more write and read.
    TMemoryStream first;
    FUZZ_CHECK(medium.WriteContentRecords(first));
    first.Seek(0);
    CMedium again(nullptr);
    FUZZ_CHECK(again.ReadContentRecords(first));
    FUZZ_CHECK(fuzz::CheckedTreeSize(again) == entries);
    TMemoryStream second;
    FUZZ_CHECK(again.WriteContentRecords(second));
    FUZZ_CHECK(first.ToString() == second.ToString());
}

void Decompress(const uint8_t* data, size_t size) {
    // The count comes from the last byte (bzip2 ignores what follows its stream): 1 byte to 1 MiB.
    const int64_t count = size ? int64_t(1) << (data[size - 1] % 21) : 0;
    TMemoryStream file;
    file.Write(data, size);
    file.Seek(0);
    TMemoryStream out;
    const bool ok = DecompressCount(file, out, count);
    FUZZ_CHECK(out.Size() <= count);
    if (!ok || count == 0) return;
    FUZZ_CHECK(out.Size() == count);

    // bzip2's checksums follow the data they cover: what DecompressCount accepts (exactly
    // `count` bytes), a decompression of the whole stream must accept as well, unless that is too large to be worth it here.
    constexpr size_t kLimit = size_t(4) << 20;
    file.Seek(0);
    TMemoryStream all;
    all.SetLimit(kLimit);
    if (DecompressAll(file, all, true)) {
        FUZZ_CHECK(all.Size() >= count && std::memcmp(all.Data(), out.Data(), size_t(count)) == 0);
    } else {
        FUZZ_CHECK(static_cast<size_t>(all.Size()) + 256 > kLimit);
    }
    ReadBlock(out.Data(), static_cast<size_t>(out.Size()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetZoneBias(0);
    fuzz::InstallAllocationCounter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadBlock(reinterpret_cast<const char*>(data), size);
    Decompress(data, size);
    return 0;
}

// ZIP central directories from arbitrary bytes: the input is the archive file itself. Whatever
// the bytes claim, the read ends, records at most an error, keeps only members whose headers were
// really present, and takes memory in proportion to the file rather than to its counts.
#include "fuzz/allocations.h"
#include "fuzz/fuzzsupport.h"
#include "scan/ZipDirReader.h"

namespace {

constexpr size_t kSmallestHeader = 46;
// The end record's search window and the read buffer, both taken whatever the file holds.
constexpr size_t kFixedBytes = size_t(1) << 20;

bool KnownCode(int code) {
    static const int kCodes[] = {0,     10103, 10201, 10202, 10203, 10204, 11001,
                                 11003, 11004, 11008, 11011, 11013, 11015, 11017,
                                 11022, 11025, 11036, 11037, 11038, 11045};
    for (const int known : kCodes)
        if (code == known) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::InstallAllocationCounter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Half the inputs carry a part number in their name: a set's other parts are then looked for
    // beside them (and are missing, except part 1, which is this very file).
    static const std::string numbered = fuzz::Scratch().File("set001.zip");
    static const std::string plain = fuzz::Scratch().File("plain.zip");
    const std::string& file = size % 2 ? numbered : plain;
    fuzz::WriteBytes(file, data, size);

    TZipDirReader reader;
    int messages = 0, updates = 0;
    reader.OnMessage = [&](int, const std::string&) { ++messages; };
    reader.OnDirUpdate = [&] { ++updates; };
    const size_t allocated = fuzz::AllocatedBy([&] { reader.SetZipFileName(file); });

    FUZZ_CHECK(KnownCode(reader.ErrCode()));
    FUZZ_CHECK(updates == 1 && messages <= 3 && (reader.ErrCode() == 0) == (messages == 0));
    FUZZ_CHECK(reader.ErrCode() != 10103 && reader.ErrCode() != 10202);
    // Every member came from a header of its own in this one file.
    FUZZ_CHECK(size_t(reader.Count()) * kSmallestHeader <= size);
    FUZZ_CHECK(reader.ZipComment().size() <= 65535);
    for (int i = 0; i < reader.Count(); ++i) {
        const ZipDirEntry& e = reader.Entry(i);
        FUZZ_CHECK(e.FileName.find('/') == std::string::npos);
        FUZZ_CHECK(e.ExtraData.size() == e.ExtraFieldLength);
        FUZZ_CHECK(e.FileName.size() >= e.FileNameLength &&
                   e.FileName.size() <= 3 * e.FileNameLength);
        FUZZ_CHECK(e.Encrypted == ((e.Flag & 1) != 0));
        FUZZ_CHECK(e.Size == e.UncomprSize || (e.UncomprSize == 0xFFFFFFFFu && e.Size >= 0));
    }
    FUZZ_CHECK(allocated <= 16 * size + kFixedBytes);
    return 0;
}

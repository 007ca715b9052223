// The previews file's header and index from arbitrary bytes. The header's sum is tried as it
// is and once made right, so that the index reader is reached past it. What is accepted must
// describe pictures inside the file, and come back byte for byte through the writer.
#include "catalogue/previewsfile.h"
#include "fuzz/fuzzsupport.h"

#include <string>

namespace {
void Check(const std::string& bytes) {
    TPreviewsIndex read;
    if (!ParsePreviewsBytes(bytes, read)) return;
    TMemoryStream again;
    TPreviewsWriter writer(again);
    for (const auto& medium : read.media) {
        writer.BeginMedium();
        for (size_t i = 0; i < medium.size(); ++i) {
            const TStoredPreview& p = medium[i];
            FUZZ_CHECK(p.offset >= int64_t(kPreviewsHeaderBytes) && p.length > 0);
            FUZZ_CHECK(uint64_t(p.offset) + p.length <= uint64_t(read.indexOffset));
            FUZZ_CHECK(i == 0 || medium[i - 1].number < p.number);
            FUZZ_CHECK(writer.Add(p.number, std::string_view(bytes).substr(size_t(p.offset), p.length)));
        }
    }
    FUZZ_CHECK(writer.Finish(read.data, read.indexSum));
    // The pictures' own sums are checked when they are read, not here: the writer sums them anew.
    TPreviewsIndex back;
    FUZZ_CHECK(ParsePreviewsBytes(again.ToString(), back));
    FUZZ_CHECK(back.media.size() == read.media.size() && back.indexOffset == read.indexOffset);
    FUZZ_CHECK(again.ToString().substr(0, 48) == bytes.substr(0, 48));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    TPreviewsIndex header;
    if (ParsePreviewsHeader(bytes, header) && uint64_t(header.indexOffset) + header.indexLength == bytes.size()) {
        const uint64_t sum = PreviewsHeaderSum(bytes, std::string_view(bytes).substr(size_t(header.indexOffset)));
        for (int i = 0; i < 8; ++i) bytes[size_t(48 + i)] = char((sum >> (8 * i)) & 0xff);
        Check(bytes);
    }
    return 0;
}

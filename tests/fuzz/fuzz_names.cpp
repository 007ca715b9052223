// Name index files from arbitrary bytes. The sums are set right first (the header's over its
// tables, each block's and each block list's over its bytes) wherever the tables say they lie,
// so that the fuzzer reaches the reading of the blocks and lists behind them; the bytes as
// they came are tried too. Whatever is read must hold together.
#include "fuzz/fuzzsupport.h"
#include "search/nameindex.h"
#include "search/nameindex_layout.h"
#include "search/quickfind.h"

using namespace nameindex;

namespace {

void Resum(std::string& b) {
    const auto h = DecodeHeader(b);
    if (!h) return;
    const auto part = [&b](uint64_t offset, uint64_t size) -> std::string_view {
        if (offset > b.size() || size > b.size() - offset) return {};
        return std::string_view(b).substr(offset, size);
    };
    const auto put = [&b](size_t at, uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = char(v >> (8 * i));
    };
    const std::string_view blocks = part(h->blockTable, uint64_t(h->blocks) * kBlockRecord);
    for (size_t i = 0; i < blocks.size() / kBlockRecord; ++i) {
        const size_t at = h->blockTable + i * kBlockRecord;
        // The group's names and its other fields, under one sum.
        const TBlockInfo group{GetFixed(&b[at], 8), uint32_t(GetFixed(&b[at + 8], 4)),
                               uint32_t(GetFixed(&b[at + 12], 4)), uint32_t(GetFixed(&b[at + 16], 4)),
                               uint32_t(GetFixed(&b[at + 20], 4)), 0};
        put(at + 24, GroupSumOf(uint32_t(i), group, part(group.offset, uint64_t(group.namesPacked) + group.restPacked)), 8);
    }
    const std::string_view trigrams = part(h->trigramTable, uint64_t(h->trigrams) * kTrigramRecord);
    for (size_t i = 0; i < trigrams.size() / kTrigramRecord; ++i) {
        const size_t at = h->trigramTable + i * kTrigramRecord;
        const std::string_view list = part(GetFixed(&b[at + 8], 8), GetFixed(&b[at + 16], 4));
        put(at + 20, uint32_t(BlockSumOf(list.data(), list.size())), 4);
    }
    put(72, b.size(), 8);
    const std::string_view media = part(h->mediaTable, uint64_t(h->media) * kMediumRecord);
    put(80, TablesSum(b, media, part(h->trigramTable, uint64_t(h->trigrams) * kTrigramRecord)), 8);
}

void ReadAndCheck(const std::string& bytes) {
    const auto h = DecodeHeader(bytes);
    std::vector<int32_t> offsets;
    if (h && h->media < 100000 && h->mediaTable <= bytes.size() &&
        uint64_t(h->media) * kMediumRecord <= bytes.size() - h->mediaTable)
        for (uint32_t m = 0; m < h->media; ++m)
            offsets.push_back(int32_t(GetFixed(&bytes[h->mediaTable + m * kMediumRecord], 8)));
    const auto index = TNameIndex::FromBytes(bytes, TNameIndex::NamedData(bytes), offsets);
    if (!index) return;
    FUZZ_CHECK(index->EntryCount() >= 0);
    int64_t rows = 0;
    const auto check = [&](const TNameIndexRow& row) {
        FUZZ_CHECK(row.medium >= 0 && size_t(row.medium) < offsets.size());
        FUZZ_CHECK(row.number >= 0 && row.number < index->EntryCount());
        FUZZ_CHECK(row.path.size() >= row.name.size());
        ++rows;
    };
    if (index->ForEach(check)) FUZZ_CHECK(rows == index->EntryCount());
    const std::vector<bool> every(offsets.size(), true);
    for (const char* text : {"mp3", "a*b?c", "artist:ab", "x"}) {
        rows = 0;
        index->Find(*TQuickFindQuery::Compile(text), every, check);
        FUZZ_CHECK(rows <= index->EntryCount());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadAndCheck(bytes);
    Resum(bytes);
    ReadAndCheck(bytes);
    return 0;
}

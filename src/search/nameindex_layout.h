// The byte layout of the name index, shared by its writer and its reader (all numbers little
// endian; docs/catalogue-format.md, "The name index").
#pragma once

#include "catalogue/asciicase.h"
#include "catalogue/mediumadditions.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nameindex {

constexpr uint32_t kMagic = 0x494E5853; // "SXNI"
constexpr uint32_t kVersion = 4;
// Entries per group: small, so that a trigram lists few groups a word does not hold.
constexpr uint32_t kBlockEntries = 64;
// Names are kept with the commonest runs of bytes of the catalogue's names as one byte each:
// codes 0x80 to 0xFE stand for the runs of the header's table, 0xFF for the byte after it, any
// other byte for itself. Plain bytes to read back: a find reads the names of every candidate
// group, thousands for a common word, and inflating each would cost more than the find may.
constexpr size_t kRunCodes = 127;
constexpr uint8_t kRunEscape = 0xFF;
constexpr size_t kRunLength = 15;  // bytes a run holds at most
constexpr size_t kRunRecord = 16;  // its length, then its bytes
constexpr size_t kRunTable = 96;   // where the header keeps the runs
constexpr size_t kHeaderSize = kRunTable + kRunRecord * (kRunCodes + 1);
constexpr size_t kMediumRecord = 24, kBlockRecord = 32, kTrigramRecord = 24;
constexpr uint64_t kNoParent = ~uint64_t(0);

struct THeader {
    uint64_t dataSize = 0, dataSum = 0;
    uint32_t media = 0, blocks = 0;
    uint64_t entries = 0;
    uint32_t trigrams = 0, blockEntries = kBlockEntries;
    uint64_t mediaTable = 0, blockTable = 0, trigramTable = 0, fileSize = 0, tablesSum = 0;
    std::string runs; // kRunRecord bytes a code; a length below 2 for a code not used
};

class TNameRuns {
public:
    // The runs of `table` (as a header keeps them).
    explicit TNameRuns(std::string_view table = {});
    // The runs that pay most in `names` (pairs of bytes or of runs made before, merged while
    // they occur more than once), as a header keeps them.
    static std::string Commonest(const std::vector<std::string_view>& names);
    // Each place takes the longest run that starts there, else its byte.
    void Encode(std::string_view raw, std::string& out) const;
    // `packed` read back into exactly `size` bytes; false when it does not come to that.
    bool Decode(std::string_view packed, size_t size, std::string& out) const;

private:
    std::string runs_[kRunCodes];
    // What each byte read stands for, padded to a record, so that reading one back is one
    // fixed-size copy: itself below 0x80, its run from there (length 0 for the escape and for
    // codes not used).
    char padded_[256][kRunRecord] = {};
    uint8_t lengths_[256] = {};
    std::vector<uint8_t> byFirst_[256]; // the codes whose run starts with the byte, longest first
};

// A group: its names packed, then its other fields packed, one sum over both.
struct TBlockInfo {
    uint64_t offset;
    uint32_t namesPacked, namesRaw, restPacked, restRaw;
    uint64_t sum;
};

inline void PutFixed(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(char(v >> (8 * i)));
}
inline void PutFixed32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i)));
}
inline uint64_t GetFixed(const char* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}
inline void PutVarint(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(char(v | 0x80));
        v >>= 7;
    }
    out.push_back(char(v));
}
// None when the bytes end first or the number runs past 64 bits.
inline std::optional<uint64_t> GetVarint(std::string_view& in) {
    uint64_t v = 0;
    for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
        const auto b = static_cast<unsigned char>(in.front());
        in.remove_prefix(1);
        v |= uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
    return std::nullopt;
}
inline uint64_t ZigZag(int64_t v) { return (uint64_t(v) << 1) ^ uint64_t(v >> 63); }
inline int64_t UnZigZag(uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); }
inline uint64_t DoubleBits(double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    return v;
}
inline double BitsDouble(uint64_t v) {
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

// Every trigram of `text` folded as the find folds names (asciicase.h), repeats included.
template <typename Visit> void ForEachTrigram(std::string_view text, Visit visit) {
    for (size_t i = 0; i + 3 <= text.size(); ++i)
        visit(uint32_t(FoldAscii(static_cast<unsigned char>(text[i]))) << 16 |
              uint32_t(FoldAscii(static_cast<unsigned char>(text[i + 1]))) << 8 |
              uint32_t(FoldAscii(static_cast<unsigned char>(text[i + 2]))));
}

// A group list's first byte: how the rest of it names the groups.
enum TListForm : uint8_t {
    kListSteps = 0,   // the first group, then each next one's distance from the one before
    kListBitmap = 1,  // the first group, then a bit for it and each group after (low bit first)
    kListMissing = 2, // the groups that are not listed, as steps
    // Elias-Fano: a byte of low bits per group L, then each group's low L bits packed (low
    // bit first), then for the i-th group a set bit at (group >> L) + i among enough bits for
    // the last group there may be: about 2 + L bits a group, for lists of middling density.
    kListSplit = 3,
};
// The list of `groups` (increasing, each below `blocks`) in whichever form is shortest.
std::string EncodeGroupList(const std::vector<uint32_t>& groups, uint32_t blocks);
// The same from the steps form's bytes past its first byte, without decoding them when the
// others cannot be shorter.
std::string ShortestGroupList(std::string_view steps, uint64_t count, uint32_t first, uint32_t last,
                              uint32_t blocks);
// The `count` groups `list` names, each below `blocks`; false when it does not hold together.
bool DecodeGroupList(std::string_view list, uint64_t count, uint32_t blocks, std::vector<uint32_t>& groups);

// How a group's dates are kept, the byte before them.
enum TDatesForm : uint8_t {
    kDatesBits = 0,    // each date's eight bytes, the highest byte of every date first, then the next
    kDatesSeconds = 1, // whole seconds (WholeSeconds), zigzag varint steps from 0 and then the one before
};
// A date as whole seconds from day 0, when it is exactly what the scan makes of those seconds
// (the day, plus the seconds of that day over 86400); none for any other date.
std::optional<int64_t> WholeSeconds(double date);
double DateOfSeconds(int64_t seconds);

std::string EncodeHeader(const THeader& h);
std::optional<THeader> DecodeHeader(std::string_view bytes);
// The sum the header keeps of itself (its sum field as zero) and of the media and trigram
// tables. The group table is left out, so that opening an index reads only what every find
// needs: each group's sum covers its record instead (GroupSumOf).
uint64_t TablesSum(std::string_view header, std::string_view media, std::string_view trigrams);
// A group's sum: over its number and its record's place and sizes, then its bytes, so that a
// record changed in the table fails the sum of whatever group it leads to.
uint64_t GroupSumOf(uint32_t number, const TBlockInfo& group, std::string_view bytes);

// The index of `indexFileName` kept in the cache, for a catalogue in a folder that takes no
// new files: $XDG_CACHE_HOME/shelvix/<its full path, "/" as "%">.SXI.
std::string CachedNameIndexName(const std::string& indexFileName);
void MakeCacheFolder(const std::string& fileName);

} // namespace nameindex

// The name index's header, the sum over its tables, and where the cache keeps it.
#include "search/nameindex_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace nameindex {

namespace {

void PutSteps(std::string& out, const std::vector<uint32_t>& groups) {
    for (size_t i = 0; i < groups.size(); ++i) PutVarint(out, i == 0 ? groups[0] : groups[i] - groups[i - 1]);
}

// `count` increasing groups below `blocks` as steps; false when they do not hold together.
bool GetSteps(std::string_view& in, uint64_t count, uint32_t blocks, std::vector<uint32_t>& out) {
    uint64_t group = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const auto step = GetVarint(in);
        if (!step || (i > 0 && *step == 0) || *step >= blocks) return false;
        group = i == 0 ? *step : group + *step;
        if (group >= blocks) return false;
        out.push_back(uint32_t(group));
    }
    return true;
}

size_t VarintSize(uint64_t v) {
    size_t size = 1;
    for (; v >= 0x80; v >>= 7) ++size;
    return size;
}

// The low bits per group of the split form of `count` groups below `blocks`: the fewest for
// which the high parts take about as many bits as there are groups.
unsigned SplitLowBits(uint64_t count, uint32_t blocks) {
    unsigned low = 0;
    while (low < 31 && (uint64_t(blocks) >> (low + 1)) >= count) ++low;
    return low;
}

size_t SplitSize(uint64_t count, uint32_t blocks, unsigned low) {
    return 2 + size_t((count * low + 7) / 8) + size_t(((uint64_t(blocks - 1) >> low) + count + 7) / 8);
}

std::string SplitList(const std::vector<uint32_t>& groups, uint32_t blocks) {
    const unsigned low = SplitLowBits(groups.size(), blocks);
    std::string out(SplitSize(groups.size(), blocks, low), '\0');
    out[0] = char(kListSplit);
    out[1] = char(low);
    char* lows = out.data() + 2;
    char* highs = lows + (groups.size() * low + 7) / 8;
    for (size_t i = 0; i < groups.size(); ++i) {
        for (unsigned bit = 0; bit < low; ++bit)
            if (groups[i] >> bit & 1) lows[(i * low + bit) / 8] |= char(1 << ((i * low + bit) % 8));
        const uint64_t at = (uint64_t(groups[i]) >> low) + i;
        highs[at / 8] |= char(1 << (at % 8));
    }
    return out;
}

bool GetSplit(std::string_view list, uint64_t count, uint32_t blocks, std::vector<uint32_t>& out) {
    if (count == 0 || list.empty()) return false;
    const auto low = unsigned(static_cast<unsigned char>(list[0]));
    if (low > 31 || list.size() != SplitSize(count, blocks, low) - 1) return false;
    const char* lows = list.data() + 1;
    const std::string_view highs = list.substr(1 + size_t((count * low + 7) / 8));
    out.reserve(size_t(count));
    for (size_t byte = 0; byte < highs.size(); ++byte)
        for (unsigned bits = static_cast<unsigned char>(highs[byte]); bits; bits &= bits - 1) {
            const uint64_t i = out.size();
            const uint64_t at = byte * 8 + uint64_t(__builtin_ctz(bits));
            if (i == count || at < i) return false;
            uint64_t group = (at - i) << low;
            for (unsigned bit = 0; bit < low; ++bit)
                group |= uint64_t(lows[(i * low + bit) / 8] >> ((i * low + bit) % 8) & 1) << bit;
            if (group >= blocks || (i > 0 && group <= out.back())) return false;
            out.push_back(uint32_t(group));
        }
    return out.size() == count;
}

} // namespace

std::string ShortestGroupList(std::string_view steps, uint64_t count, uint32_t first, uint32_t last,
                              uint32_t blocks) {
    const size_t bitmap = count ? VarintSize(first) + (last - first) / 8 + 1 : SIZE_MAX;
    const size_t split = count ? SplitSize(count, blocks, SplitLowBits(count, blocks)) : SIZE_MAX;
    // A list in most groups is shortest as the few it misses, which only its groups tell.
    if (steps.size() <= std::min(bitmap, split) && count <= blocks / 2)
        return char(kListSteps) + std::string(steps);
    std::vector<uint32_t> groups;
    groups.reserve(size_t(count));
    if (!GetSteps(steps, count, blocks, groups)) return char(kListSteps) + std::string(steps);
    return EncodeGroupList(groups, blocks);
}

std::string EncodeGroupList(const std::vector<uint32_t>& groups, uint32_t blocks) {
    std::string best(1, char(kListSteps));
    PutSteps(best, groups);
    if (groups.empty()) return best;
    std::string bitmap(1, char(kListBitmap));
    PutVarint(bitmap, groups.front());
    const size_t bits = bitmap.size();
    bitmap.resize(bits + (groups.back() - groups.front()) / 8 + 1, '\0');
    for (uint32_t g : groups) bitmap[bits + (g - groups.front()) / 8] |= char(1 << ((g - groups.front()) % 8));
    if (bitmap.size() < best.size()) best.swap(bitmap);
    if (SplitSize(groups.size(), blocks, SplitLowBits(groups.size(), blocks)) < best.size()) best = SplitList(groups, blocks);
    if (groups.size() > blocks / 2) {
        std::vector<uint32_t> missing;
        size_t next = 0;
        for (uint32_t g = 0; g < blocks; ++g) {
            if (next < groups.size() && groups[next] == g) ++next;
            else missing.push_back(g);
        }
        std::string rest(1, char(kListMissing));
        PutSteps(rest, missing);
        if (rest.size() < best.size()) best.swap(rest);
    }
    return best;
}

bool DecodeGroupList(std::string_view list, uint64_t count, uint32_t blocks, std::vector<uint32_t>& groups) {
    groups.clear();
    if (list.empty() || count > blocks) return false;
    const auto form = static_cast<unsigned char>(list.front());
    list.remove_prefix(1);
    if (form == kListSteps) return GetSteps(list, count, blocks, groups) && list.empty();
    if (form == kListMissing) {
        std::vector<uint32_t> missing;
        if (!GetSteps(list, blocks - count, blocks, missing) || !list.empty()) return false;
        groups.reserve(size_t(count));
        size_t next = 0;
        for (uint32_t g = 0; g < blocks; ++g) {
            if (next < missing.size() && missing[next] == g) ++next;
            else groups.push_back(g);
        }
        return true;
    }
    if (form == kListSplit) return GetSplit(list, count, blocks, groups);
    if (form != kListBitmap || count == 0) return false;
    const auto first = GetVarint(list);
    if (!first || *first >= blocks || list.size() > (blocks - *first + 7) / 8) return false;
    groups.reserve(size_t(count));
    for (size_t byte = 0; byte < list.size(); ++byte)
        for (unsigned bits = static_cast<unsigned char>(list[byte]); bits; bits &= bits - 1) {
            const uint64_t g = *first + byte * 8 + uint64_t(__builtin_ctz(bits));
            if (g >= blocks || groups.size() == count) return false;
            groups.push_back(uint32_t(g));
        }
    return groups.size() == count;
}

std::optional<int64_t> WholeSeconds(double date) {
    if (!std::isfinite(date) || std::fabs(date) > 1e9) return std::nullopt;
    const double day = std::floor(date);
    const auto seconds = int64_t(day) * 86400 + std::llround((date - day) * 86400.0);
    if (DoubleBits(DateOfSeconds(seconds)) != DoubleBits(date)) return std::nullopt;
    return seconds;
}

double DateOfSeconds(int64_t seconds) {
    int64_t day = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --day;
    return double(day) + int(rest) / 86400.0;
}

TNameRuns::TNameRuns(std::string_view table) {
    for (size_t c = 0; c < 0x80; ++c) padded_[c][0] = char(c), lengths_[c] = 1;
    for (size_t k = 0; k < kRunCodes && (k + 1) * kRunRecord <= table.size(); ++k) {
        const std::string_view record = table.substr(k * kRunRecord, kRunRecord);
        const auto length = size_t(static_cast<unsigned char>(record[0]));
        if (length < 2 || length > kRunLength) continue;
        runs_[k].assign(record.substr(1, length));
        runs_[k].copy(padded_[0x80 + k], length);
        lengths_[0x80 + k] = uint8_t(length);
        byFirst_[static_cast<unsigned char>(runs_[k][0])].push_back(uint8_t(k));
    }
    for (auto& codes : byFirst_)
        std::stable_sort(codes.begin(), codes.end(),
                         [this](uint8_t a, uint8_t b) { return runs_[a].size() > runs_[b].size(); });
}

std::string TNameRuns::Commonest(const std::vector<std::string_view>& names) {
    // Symbols: the bytes, then the runs in the order they are made.
    constexpr size_t kSymbols = 256 + kRunCodes;
    std::vector<std::string> spelled(kSymbols);
    for (size_t b = 0; b < 256; ++b) spelled[b] = std::string(1, char(b));
    std::vector<std::vector<uint16_t>> words;
    for (std::string_view name : names) words.emplace_back(name.begin(), name.end());
    for (auto& word : words)
        for (uint16_t& symbol : word) symbol = uint16_t(static_cast<unsigned char>(symbol));
    std::vector<uint32_t> counts(kSymbols * kSymbols, 0), seen;
    std::string table(kRunRecord * kRunCodes, '\0');
    for (size_t k = 0; k < kRunCodes; ++k) {
        for (const auto& word : words)
            for (size_t i = 0; i + 1 < word.size(); ++i) {
                const size_t pair = size_t(word[i]) * kSymbols + word[i + 1];
                if (counts[pair]++ == 0) seen.push_back(uint32_t(pair));
            }
        uint32_t best = 0, bestCount = 1;
        for (uint32_t pair : seen) {
            const bool fits = spelled[pair / kSymbols].size() + spelled[pair % kSymbols].size() <= kRunLength;
            if (fits && (counts[pair] > bestCount || (counts[pair] == bestCount && bestCount > 1 && pair < best)))
                best = pair, bestCount = counts[pair];
            counts[pair] = 0;
        }
        seen.clear();
        if (bestCount < 2) break;
        const auto made = uint16_t(256 + k);
        const auto left = uint16_t(best / kSymbols), right = uint16_t(best % kSymbols);
        spelled[made] = spelled[left] + spelled[right];
        table[k * kRunRecord] = char(spelled[made].size());
        spelled[made].copy(&table[k * kRunRecord + 1], spelled[made].size());
        for (auto& word : words) {
            size_t to = 0;
            for (size_t i = 0; i < word.size(); ++i) {
                if (i + 1 < word.size() && word[i] == left && word[i + 1] == right) word[to++] = made, ++i;
                else word[to++] = word[i];
            }
            word.resize(to);
        }
    }
    return table;
}

void TNameRuns::Encode(std::string_view raw, std::string& out) const {
    for (size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        bool taken = false;
        for (uint8_t code : byFirst_[c]) {
            const std::string& run = runs_[code];
            if (raw.compare(i, run.size(), run) == 0) {
                out.push_back(char(0x80 + code));
                i += run.size();
                taken = true;
                break;
            }
        }
        if (taken) continue;
        if (c >= 0x80) out.push_back(char(kRunEscape));
        out.push_back(char(c));
        ++i;
    }
}

bool TNameRuns::Decode(std::string_view packed, size_t size, std::string& out) const {
    // No byte stands for more than a record's run: a size past that comes from a damaged
    // file, and must not be reserved before the bytes are read.
    if (size > packed.size() * kRunLength) return false;
    // Room for a whole record past the end: each run is copied padded, then the end moves on
    // by its length.
    out.resize(size + kRunRecord);
    char* to = out.data();
    size_t at = 0;
    for (size_t i = 0; i < packed.size(); ++i) {
        const auto c = static_cast<unsigned char>(packed[i]);
        if (c == kRunEscape) {
            if (++i == packed.size() || at == size) return false;
            to[at++] = packed[i];
            continue;
        }
        const size_t length = lengths_[c];
        if (length == 0 || size - at < length) return false;
        std::memcpy(to + at, padded_[c], kRunRecord);
        at += length;
    }
    out.resize(size);
    return at == size;
}

std::string EncodeHeader(const THeader& h) {
    std::string out;
    PutFixed32(out, kMagic);
    PutFixed32(out, kVersion);
    PutFixed(out, h.dataSize);
    PutFixed(out, h.dataSum);
    PutFixed32(out, h.media);
    PutFixed32(out, h.blocks);
    PutFixed(out, h.entries);
    PutFixed32(out, h.trigrams);
    PutFixed32(out, h.blockEntries);
    for (uint64_t v : {h.mediaTable, h.blockTable, h.trigramTable, h.fileSize, h.tablesSum, uint64_t(0)})
        PutFixed(out, v);
    out += h.runs.substr(0, kRunRecord * kRunCodes);
    out.resize(kHeaderSize, '\0');
    return out;
}

std::optional<THeader> DecodeHeader(std::string_view b) {
    if (b.size() < kHeaderSize || GetFixed(b.data(), 4) != kMagic || GetFixed(b.data() + 4, 4) != kVersion)
        return std::nullopt;
    THeader h;
    const char* p = b.data();
    h.dataSize = GetFixed(p + 8, 8);
    h.dataSum = GetFixed(p + 16, 8);
    h.media = uint32_t(GetFixed(p + 24, 4));
    h.blocks = uint32_t(GetFixed(p + 28, 4));
    h.entries = GetFixed(p + 32, 8);
    h.trigrams = uint32_t(GetFixed(p + 40, 4));
    h.blockEntries = uint32_t(GetFixed(p + 44, 4));
    h.mediaTable = GetFixed(p + 48, 8);
    h.blockTable = GetFixed(p + 56, 8);
    h.trigramTable = GetFixed(p + 64, 8);
    h.fileSize = GetFixed(p + 72, 8);
    h.tablesSum = GetFixed(p + 80, 8);
    h.runs.assign(p + kRunTable, kRunRecord * kRunCodes);
    return h;
}

uint64_t TablesSum(std::string_view header, std::string_view media, std::string_view trigrams) {
    TBlockSummer sum;
    std::string head(header.substr(0, kHeaderSize));
    std::fill(head.begin() + 80, head.begin() + 88, '\0');
    sum.Add(head.data(), head.size());
    for (std::string_view part : {media, trigrams}) sum.Add(part.data(), part.size());
    return sum.Sum();
}

uint64_t GroupSumOf(uint32_t number, const TBlockInfo& group, std::string_view bytes) {
    std::string record;
    PutFixed32(record, number);
    PutFixed(record, group.offset);
    for (uint32_t v : {group.namesPacked, group.namesRaw, group.restPacked, group.restRaw}) PutFixed32(record, v);
    TBlockSummer sum;
    sum.Add(record.data(), record.size());
    sum.Add(bytes.data(), bytes.size());
    return sum.Sum();
}

std::string CachedNameIndexName(const std::string& indexFileName) {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = xdg && *xdg == '/' ? xdg : std::string(home ? home : "") + "/.cache";
    std::string full = indexFileName;
    if (full.empty() || full[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        full = std::string(cwd ? cwd : "") + "/" + full;
        std::free(cwd);
    }
    std::string flat;
    for (char c : full) flat += c == '/' ? std::string("%") : c == '%' ? std::string("%%") : std::string(1, c);
    return folder + "/shelvix/" + flat + ".SXI";
}

void MakeCacheFolder(const std::string& fileName) {
    const std::string folder = fileName.substr(0, fileName.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    ::mkdir(parent.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
}

} // namespace nameindex

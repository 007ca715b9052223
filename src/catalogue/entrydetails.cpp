#include "entrydetails.h"

#include "entrywalk.h"
#include "mediaclasses.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr DetailKey kKeys[] = {
    {"width", DetailType::Number},     {"height", DetailType::Number},
    {"taken", DetailType::Text},       {"make", DetailType::Text},
    {"model", DetailType::Text},       {"latitude", DetailType::Number},
    {"longitude", DetailType::Number}, {"orientation", DetailType::Number},
    {"title", DetailType::Text},       {"artist", DetailType::Text},
    {"album", DetailType::Text},       {"track", DetailType::Number},
    {"year", DetailType::Number},      {"genre", DetailType::Text},
    {"duration", DetailType::Number},  {"bitrate", DetailType::Number},
    {"codec", DetailType::Text},       {"framerate", DetailType::Number},
};

const DetailKey* KeyNamed(std::string_view key) {
    for (const DetailKey& k : kKeys)
        if (k.name == key) return &k;
    return nullptr;
}

// Little-endian fields over bare bytes, as the field stream writes them.
struct ByteReader {
    std::string_view bytes;
    bool ok = true;
    int32_t Int() {
        if (bytes.size() < 4) {
            ok = false;
            return 0;
        }
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(bytes[size_t(i)]);
        bytes.remove_prefix(4);
        return int32_t(v);
    }
    std::string_view String(size_t limit) {
        const int32_t n = Int();
        if (!ok || n < 0 || size_t(n) > limit || size_t(n) > bytes.size()) {
            ok = false;
            return {};
        }
        std::string_view s = bytes.substr(0, size_t(n));
        bytes.remove_prefix(size_t(n));
        return s;
    }
};

void AppendInt(std::string& out, int32_t value) {
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
}
void AppendString(std::string& out, std::string_view s) {
    AppendInt(out, int32_t(s.size()));
    out.append(s);
}
} // namespace

std::span<const DetailKey> KnownDetailKeys() { return kKeys; }
bool IsKnownDetail(std::string_view key) { return KeyNamed(key) != nullptr; }
bool IsNumberDetail(std::string_view key) {
    const DetailKey* k = KeyNamed(key);
    return k && k->type == DetailType::Number;
}

std::string_view ClipDetailValue(std::string_view value) {
    if (value.size() <= kDetailValueLimit) return value;
    size_t n = kDetailValueLimit;
    // Back to the start of the character the cut would split.
    while (n > 0 && (uint8_t(value[n]) & 0xC0) == 0x80) --n;
    return value.substr(0, n);
}

void TEntryDetails::Set(const CFile* entry, const TDetailPairs& pairs) {
    std::string packed;
    for (const auto& [key, value] : pairs) {
        // A NUL would end the pair early; keys and values never need one.
        if (key.empty() || key.find('\0') != std::string::npos) continue;
        const std::string_view v = ClipDetailValue(value);
        if (v.find('\0') != std::string_view::npos) continue;
        packed.append(key).push_back('\0');
        packed.append(v).push_back('\0');
    }
    if (packed.empty()) map_.erase(entry);
    else map_[entry] = std::move(packed);
}

TDetailPairs TEntryDetails::Get(const CFile* entry) const {
    TDetailPairs pairs;
    if (const std::string* packed = Packed(entry))
        ForEachDetail(*packed, [&](std::string_view k, std::string_view v) { pairs.emplace_back(k, v); });
    return pairs;
}

bool TEntryDetails::Find(const CFile* entry, std::string_view key, std::string_view& value) const {
    const std::string* packed = Packed(entry);
    return packed && FindDetail(*packed, key, value);
}

bool FindDetail(std::string_view packed, std::string_view key, std::string_view& value) {
    bool found = false;
    ForEachDetail(packed, [&](std::string_view k, std::string_view v) {
        if (!found && k == key) {
            value = v;
            found = true;
        }
    });
    return found;
}

std::string DetailsTrailer(const EntryList& roots) {
    if (roots.Count() == 0) return {};
    const TEntryDetails& details = roots.At(0)->Medium->Details;
    if (details.Empty()) return {};
    std::string body;
    int32_t number = 0, records = 0;
    WalkEntries(roots, [&](const CFile* e) {
        if (const std::string* packed = details.Packed(e)) {
            AppendInt(body, number);
            const size_t countAt = body.size();
            AppendInt(body, 0);
            int32_t pairs = 0;
            ForEachDetail(*packed, [&](std::string_view k, std::string_view v) {
                AppendString(body, k);
                AppendString(body, v);
                ++pairs;
            });
            std::string count;
            AppendInt(count, pairs);
            body.replace(countAt, 4, count);
            ++records;
        }
        ++number;
        return false;
    });
    if (records == 0) return {};
    std::string trailer;
    AppendInt(trailer, kDetailsTag);
    AppendInt(trailer, records);
    return trailer + body;
}

bool ParseDetailsTrailer(std::string_view bytes, std::vector<std::pair<int32_t, TDetailPairs>>& records) {
    records.clear();
    ByteReader in{bytes};
    if (in.Int() != kDetailsTag || !in.ok) return false;
    const int32_t count = in.Int();
    // The smallest record is 8 bytes: a hostile count cannot make room for more than fit.
    if (!in.ok || count < 0 || size_t(count) > in.bytes.size() / 8) return false;
    records.reserve(size_t(count));
    int32_t last = -1;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t number = in.Int();
        const int32_t pairs = in.Int();
        if (!in.ok || number <= last || pairs < 0 || size_t(pairs) > in.bytes.size() / 8) return false;
        last = number;
        TDetailPairs list;
        list.reserve(size_t(pairs));
        for (int32_t p = 0; p < pairs; ++p) {
            const std::string_view key = in.String(kDetailKeyLimit);
            const std::string_view value = in.String(kDetailValueLimit);
            if (!in.ok || key.empty() || key.find('\0') != std::string_view::npos ||
                value.find('\0') != std::string_view::npos)
                return false;
            list.emplace_back(key, value);
        }
        records.emplace_back(number, std::move(list));
    }
    return true;
}

void ReadEntryDetails(TStream& stream, CMedium& medium, int firstEntry) {
    const int64_t left = stream.Remaining();
    if (left < 8) return;
    std::string bytes(size_t(left), '\0');
    const int64_t start = stream.Position();
    if (stream.Read(bytes.data(), bytes.size()) != bytes.size()) return;
    std::vector<std::pair<int32_t, TDetailPairs>> records;
    if (!ParseDetailsTrailer(bytes, records) || records.empty()) {
        stream.Seek(start);
        return;
    }
    // Numbers count the block's records depth first; they ascend, so one walk finds them all.
    std::vector<std::pair<const CFile*, const TDetailPairs*>> found;
    found.reserve(records.size());
    int32_t number = 0;
    size_t next = 0;
    const EntryList& entries = medium.Entries();
    for (int top = std::max(firstEntry, 0); top < entries.Count() && next < records.size(); ++top) {
        auto visit = [&](const CFile* e) {
            if (records[next].first == number) found.emplace_back(e, &records[next++].second);
            ++number;
            return next >= records.size();
        };
        if (visit(entries.At(top))) break;
        if (WalkEntries(entries.At(top)->Children(), visit)) break;
    }
    if (next != records.size()) return; // names entries that are not there
    for (const auto& [entry, pairs] : found) medium.Details.Set(entry, *pairs);
}

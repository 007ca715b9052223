// What a file is (photo, music, video details), kept beside a medium's entries rather than in
// them: a medium may hold millions of entries and few of them have details, so an entry pays
// nothing for them. In the content block they follow the entry records in a tagged trailer
// (docs/catalogue-format.md), where readers of the plain layout never look.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class CFile;
class CMedium;
class EntryList;
class TStream;

enum class DetailType { Number, Text };
struct DetailKey {
    std::string_view name;
    DetailType type;
};
// The keys this version reads, photo keys first, then music, then video ("width", "height" and
// "duration" serve more than one kind). Keys read by a later version are kept as text.
std::span<const DetailKey> KnownDetailKeys();
bool IsKnownDetail(std::string_view key);
bool IsNumberDetail(std::string_view key);

// A text value is cut to this many bytes (at a UTF-8 character's start); keys are short.
constexpr size_t kDetailValueLimit = 1024;
constexpr size_t kDetailKeyLimit = 64;
// `value` cut to the limit without splitting a UTF-8 sequence.
std::string_view ClipDetailValue(std::string_view value);

using TDetailPairs = std::vector<std::pair<std::string, std::string>>;

// Details by entry. Entries are looked up by address: they stay where the arena put them until
// the medium drops its tree, and then this table is dropped with it.
class TEntryDetails {
public:
    bool Empty() const { return map_.empty(); }
    size_t Count() const { return map_.size(); }
    // Replaces what `entry` had; no pairs removes it.
    void Set(const CFile* entry, const TDetailPairs& pairs);
    // The packed pairs of `entry` (key '\0' value '\0' ...), or null.
    const std::string* Packed(const CFile* entry) const {
        if (map_.empty()) return nullptr;
        auto it = map_.find(entry);
        return it == map_.end() ? nullptr : &it->second;
    }
    TDetailPairs Get(const CFile* entry) const;
    // The value of `key`, or none.
    bool Find(const CFile* entry, std::string_view key, std::string_view& value) const;
    void Clear() { map_.clear(); }
    void Swap(TEntryDetails& other) { map_.swap(other.map_); }

private:
    std::unordered_map<const CFile*, std::string> map_;
};

// Calls visit(key, value) for each pair of a packed list.
template <typename Visit> void ForEachDetail(std::string_view packed, Visit visit) {
    while (!packed.empty()) {
        const size_t k = packed.find('\0');
        if (k == std::string_view::npos) return;
        const size_t v = packed.find('\0', k + 1);
        if (v == std::string_view::npos) return;
        visit(packed.substr(0, k), packed.substr(k + 1, v - k - 1));
        packed.remove_prefix(v + 1);
    }
}

// The value of `key` in a packed list, or none.
bool FindDetail(std::string_view packed, std::string_view key, std::string_view& value);

constexpr int32_t kDetailsTag = 0x54445853; // "SXDT"

// The details trailer of the block holding `roots` (whose entries name their medium), or
// nothing when none of them has details.
std::string DetailsTrailer(const EntryList& roots);

// Reads a details trailer, when one follows, into `medium`, whose top-level entries from
// position `firstEntry` on are the block's. A trailer that is cut short, names entries that are
// not there or out of order, or has a key or value beyond the limits is ignored as a whole:
// losing details never loses the catalogue.
void ReadEntryDetails(TStream& stream, CMedium& medium, int firstEntry);
// The same over bare bytes: the pairs by depth-first number; false when they are not a trailer.
bool ParseDetailsTrailer(std::string_view bytes, std::vector<std::pair<int32_t, TDetailPairs>>& records);

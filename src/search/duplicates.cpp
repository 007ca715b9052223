#include "search/duplicates.h"

#include "catalogue/contentloading.h"
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string_view>

namespace {

constexpr int64_t kNoSecond = std::numeric_limits<int64_t>::min();

// The second a date shows when written to the second (whole days and the rounded time of day,
// which counts away from zero before 1899, as the catalogue keeps it). Dates that are no
// number, or lie millennia away, share one value: such dates come from damaged files only.
int64_t DateSecond(double date) {
    if (!std::isfinite(date) || std::fabs(date) > 3e6) return kNoSecond;
    const double whole = std::trunc(date);
    const int64_t seconds = std::llround(std::fabs(date - whole) * 86400.0);
    return static_cast<int64_t>(whole) * 86400 + (date < 0 ? -seconds : seconds);
}

int64_t SaturatingProduct(int64_t a, int64_t b) {
    int64_t product;
    return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<int64_t>::max() : product;
}

int64_t SaturatingSum(int64_t a, int64_t b) {
    int64_t sum;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<int64_t>::max() : sum;
}

// What an entry is sorted by. The name is reduced to a hash, so that almost every comparison
// is two integer comparisons on keys lying side by side; names (and dates) are read from the
// entries only when the hashes agree.
struct Key {
    int64_t size;
    uint64_t hash;
    size_t ordinal; // position in the collected list: catalogue order
};

} // namespace

void GroupDuplicates(const std::vector<CFile*>& entries, const TDuplicateOptions& options,
                     TDuplicates& result) {
    result.Clear();
    const int64_t minSize = std::max<int64_t>(options.MinSize, 1);
    std::vector<Key> keys;
    keys.reserve(entries.size());
    const std::hash<std::string_view> hashName;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CFile& entry = *entries[i];
        if ((entry.Kind & 1) == 0 || entry.Size < minSize) continue; // files and archives
        uint64_t hash = hashName(entry.Name());
        if (options.SameDate)
            hash ^= static_cast<uint64_t>(DateSecond(entry.Date)) * 0x9E3779B97F4A7C15ull;
        keys.push_back({entry.Size, hash, i});
    }
    const auto sameCopy = [&](const Key& a, const Key& b) {
        const CFile& x = *entries[a.ordinal];
        const CFile& y = *entries[b.ordinal];
        return x.Name() == y.Name() && (!options.SameDate || DateSecond(x.Date) == DateSecond(y.Date));
    };
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.size != b.size) return a.size < b.size;
        if (a.hash != b.hash) return a.hash < b.hash;
        const CFile& x = *entries[a.ordinal];
        const CFile& y = *entries[b.ordinal];
        if (const int order = x.Name().compare(y.Name()); order != 0) return order < 0;
        if (options.SameDate) {
            const int64_t dx = DateSecond(x.Date), dy = DateSecond(y.Date);
            if (dx != dy) return dx < dy;
        }
        return a.ordinal < b.ordinal;
    });

    struct Found {
        TDuplicateGroup group;
        size_t firstOrdinal;
    };
    std::vector<Found> found;
    for (size_t begin = 0; begin < keys.size();) {
        size_t end = begin + 1;
        while (end < keys.size() && keys[end].size == keys[begin].size &&
               keys[end].hash == keys[begin].hash && sameCopy(keys[begin], keys[end]))
            ++end;
        if (end - begin >= 2) {
            TDuplicateGroup group;
            group.First = begin; // in `keys` for now
            group.Count = end - begin;
            group.Size = keys[begin].size;
            group.Waste = SaturatingProduct(group.Size, int64_t(group.Count - 1));
            found.push_back({group, keys[begin].ordinal});
        }
        begin = end;
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.group.Waste != b.group.Waste) return a.group.Waste > b.group.Waste;
        if (a.group.Size != b.group.Size) return a.group.Size > b.group.Size;
        return a.firstOrdinal < b.firstOrdinal;
    });
    result.Groups.reserve(found.size());
    for (const Found& f : found) {
        TDuplicateGroup group = f.group;
        group.First = result.Entries.size();
        for (size_t i = 0; i < group.Count; ++i)
            result.Entries.push_back(entries[keys[f.group.First + i].ordinal]);
        result.TotalWaste = SaturatingSum(result.TotalWaste, group.Waste);
        result.Groups.push_back(group);
    }
}

void TDuplicateRun::Execute(TDuplicates& result) {
    itemCount_ = 0;
    std::vector<CMedium*> media;
    for (int i = 0; i < catalogue_.Count(); ++i)
        if (!options_.PresentOnly || catalogue_.GetMedium(i)->Present)
            media.push_back(catalogue_.GetMedium(i));
    std::vector<CFile*> entries;
    // Contents are loaded as the search loads them, a few media ahead on the other cores, and
    // they stay loaded. A medium whose content cannot be read is passed over.
    LoadContentsInOrder(media, catalogue_.DataFileName, [&](CMedium& medium, bool loaded) {
        ++itemCount_;
        PositionChanged(medium, nullptr);
        if (CheckStop()) return false;
        return !loaded || !Collect(medium, entries);
    });
    GroupDuplicates(entries, options_, result);
}

// True when the run was stopped.
bool TDuplicateRun::Collect(CMedium& medium, std::vector<CFile*>& entries) {
    unsigned sinceCheck = 0;
    return WalkEntries(medium.Entries(), [&](CFile* entry) {
        ++itemCount_;
        if (entry->Kind & 1) entries.push_back(entry); // files and archives
        if (entry->HasChildrenKind()) {
            PositionChanged(medium, entry);
            return CheckStop();
        }
        // Files are many: the caller gets its turn every few hundred of them.
        return ++sinceCheck % 256 == 0 && CheckStop();
    });
}

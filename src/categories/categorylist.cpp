#include "categories/categorylist.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"

#include <algorithm>
#include <vector>

namespace {

// Every entry counts, whatever its kind: the files carry each entry's own index, so a stray
// child under a plain file would still be written with an index that must stay meaningful.
template <typename Test> bool EntriesHold(const EntryList& roots, Test test) {
    return WalkEntries(roots, [&test](const CFile* entry) { return test(entry->Category); });
}

// The same rule the save uses: content that is not in memory but has a block in the data file.
bool ContentOnlyOnDisk(const CMedium& medium) {
    return !medium.ContentLoaded && medium.DataOffset >= 0;
}

template <typename Test> bool MediumHolds(CMedienListe& catalogue, const CMedium& medium, Test test) {
    if (test(medium.Category) || EntriesHold(medium.Entries(), test)) return true;
    if (!ContentOnlyOnDisk(medium)) return false;
    CMedium scratch(&catalogue);
    scratch.DataOffset = medium.DataOffset;
    scratch.ContentLength = medium.ContentLength;
    if (!scratch.LoadContent(catalogue.DataFileName)) return true;
    return EntriesHold(scratch.Entries(), test);
}

template <typename Test> bool AnyMediumHolds(CMedienListe& catalogue, Test test) {
    for (int i = 0; i < catalogue.Count(); ++i)
        if (MediumHolds(catalogue, *catalogue.GetMedium(i), test)) return true;
    return false;
}

char FoldToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

bool CategoryHeldAnywhere(CMedienListe& catalogue, int32_t index) {
    return AnyMediumHolds(catalogue, [index](int32_t held) { return held == index; });
}

bool AnyCategoryHeld(CMedienListe& catalogue) {
    return AnyMediumHolds(catalogue, [](int32_t held) { return held != -1; });
}

bool RemoveCategory(CMedienListe& catalogue, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= catalogue.Categories.size()) return false;

    std::vector<CMedium*> loadedHere;
    auto refuse = [&loadedHere] {
        for (CMedium* medium : loadedHere) {
            medium->ClearEntries();
            medium->ContentLoaded = false;
        }
        return false;
    };
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium* medium = catalogue.GetMedium(i);
        if (!ContentOnlyOnDisk(*medium)) continue;
        if (!medium->LoadContent(catalogue.DataFileName)) return refuse();
        loadedHere.push_back(medium);
    }
    // Everything is in memory now; a held index would leave its holders naming the next name.
    const auto isIndex = [index](int32_t held) { return held == index; };
    for (int i = 0; i < catalogue.Count(); ++i) {
        const CMedium* medium = catalogue.GetMedium(i);
        if (isIndex(medium->Category) || EntriesHold(medium->Entries(), isIndex)) return refuse();
    }

    catalogue.Categories.erase(catalogue.Categories.begin() + index);
    // Indexes beyond the old list stay beyond the new one, so they keep resolving to no name.
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium* medium = catalogue.GetMedium(i);
        bool moved = false;
        auto follow = [index, &moved](int32_t& held) {
            if (held <= index) return;
            --held;
            moved = true;
        };
        follow(medium->Category);
        WalkEntries(medium->Entries(), [&follow](CFile* entry) {
            follow(entry->Category);
            return false;
        });
        if (moved) medium->Stored = false;
    }
    return true;
}

int CompareCategoryNames(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(FoldToUpper(a[i]));
        const auto y = static_cast<unsigned char>(FoldToUpper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

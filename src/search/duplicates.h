// Files kept more than once: entries (files and archives, archive members included) of every
// medium that share their name and size, and on request their date to the second. The window
// and the command line run the same grouping; the progress window drives it the way it drives
// a search.
#pragma once

#include "search/cataloguewalk.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CFile;
class CMedienListe;
class CMedium;

struct TDuplicateOptions {
    bool SameDate = false;    // dates must agree to the second as well
    bool PresentOnly = false; // removed media are passed over
    // Entries smaller than this are passed over. Empty files never count: their copies take
    // no space.
    int64_t MinSize = 1;
};

struct TDuplicateGroup {
    size_t First = 0; // position of the first member in TDuplicates::Entries
    size_t Count = 0; // two or more
    int64_t Size = 0;
    // The space the copies beyond the first take: Size * (Count - 1), at most INT64_MAX.
    int64_t Waste = 0;
};

struct TDuplicates {
    // Members of all groups, group after group, each group's members in catalogue order.
    std::vector<CFile*> Entries;
    // Largest waste first; equal waste by size, then by catalogue order of the first member.
    std::vector<TDuplicateGroup> Groups;
    int64_t TotalWaste = 0; // at most INT64_MAX

    CFile* Member(const TDuplicateGroup& group, size_t index) const {
        return Entries[group.First + index];
    }
    void Clear() {
        Entries.clear();
        Groups.clear();
        TotalWaste = 0;
    }
};

// The grouping itself, over entries collected in catalogue order (for tests and callers with
// entries of their own). Only files and archives with the minimum size take part.
void GroupDuplicates(const std::vector<CFile*>& entries, const TDuplicateOptions& options,
                     TDuplicates& result);

class TDuplicateRun : public TCatalogueWalk {
public:
    TDuplicateRun(CMedienListe& catalogue, const TDuplicateOptions& options)
        : catalogue_(catalogue), options_(options) {}

    // Visits every medium in catalogue order (loading contents not loaded yet, as the search
    // does; a medium whose content cannot be read is passed over) and groups what it found.
    // A run stopped on the way groups the entries of the media visited so far.
    void Execute(TDuplicates& result);

private:
    bool Collect(CMedium& medium, std::vector<CFile*>& entries);

    CMedienListe& catalogue_;
    const TDuplicateOptions options_;
};

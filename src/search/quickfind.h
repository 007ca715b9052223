// Find as you type: the words typed are looked for in the names of every file, folder and
// archive member of the media given, on the workers, and the entries found come back medium by
// medium in the order given, as rows of the search's result list.
#pragma once

#include "catalogue/workers.h"
#include "search/detailquery.h"
#include "search/mask.h"
#include "search/searchrequest.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class TQuickFindQuery {
public:
    // Splits `text` at spaces. A word holding * or ? is a mask of the search (letter case
    // ignored, matched as the search matches names); any other word must stand somewhere in
    // the name, letter case ignored as the search ignores it. A word naming a detail
    // (detailquery.h) asks about the entry's details instead. None when there is no word or a
    // mask cannot be compiled.
    static std::optional<TQuickFindQuery> Compile(std::string_view text);

    // Whether the name holds every name word.
    bool Matches(std::string_view name) const {
        for (const TMask& mask : masks_)
            if (!mask.Matches(name, false)) return false;
        return true;
    }
    // Whether the entry answers every word, of its name and of its details.
    bool Matches(const CFile& entry) const;
    // The same for an entry known by its name and its packed details (entrydetails.h).
    bool Matches(std::string_view name, std::string_view packedDetails) const;
    // Runs of bytes, a to z folded to A to Z, that every name answering the query holds.
    std::vector<std::string> RequiredRuns() const;

private:
    TQuickFindQuery() = default;

    // A plain word is the mask "*word" taken literally, which the mask finds with its fast scan.
    std::vector<TMask> masks_;
    std::vector<TDetailTerm> details_;
};

// Searches the entries of `media`, whose contents are in memory and stay untouched by other
// threads until the call returns. `found` gets each medium's rows (possibly none) on the
// calling thread, in the order of `media`. When `stop` is set the search ends at once, handing
// over nothing more, and the call returns false.
bool RunQuickFind(const std::vector<CMedium*>& media, const TQuickFindQuery& query,
                  const std::atomic<bool>& stop, const std::function<void(TSearchResults&)>& found,
                  int threads = WorkerThreads());
// The same on workers that outlive the call (no thread starts): `work` has no task of anyone
// else's while this runs, and none of this call's once it returns.
bool RunQuickFind(TOrderedWork& work, const std::vector<CMedium*>& media, const TQuickFindQuery& query,
                  const std::atomic<bool>& stop, const std::function<void(TSearchResults&)>& found);

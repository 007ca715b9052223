#include "search/searchrun.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/workers.h"
#include "search/mask.h"

#include <atomic>

#include <exception>
#include <memory>

bool TSearchRun::Execute() {
    itemCount_ = 0;
    std::unique_ptr<TMask> mask;
    try {
        mask = std::make_unique<TMask>(request_.MaskText, request_.CaseSensitive);
    } catch (const std::exception&) {
        return false;
    }
    CMedienListe& catalogue = *request_.Catalogue;
    const int threads = WorkerThreads();
    if (threads > 1 && request_.MatchesEntries() && catalogue.Count() > 1) {
        ExecuteOnWorkers(*mask, threads);
        return true;
    }
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium& medium = *catalogue.GetMedium(i);
        MatchMedium(medium, *mask, request_);
        ++itemCount_;
        PositionChanged(medium, nullptr);
        if (CheckStop()) return true;
        if (!request_.MatchesEntries()) continue;
        // Contents are loaded only here, only when entries are searched, and they stay loaded.
        // A medium whose content cannot be read keeps its own rows; its entries are skipped.
        if (!medium.ContentLoaded && !medium.LoadContent(catalogue.DataFileName)) continue;
        if (WalkMedium(medium, *mask)) return true;
    }
    return true;
}

// True when the run was stopped.
bool TSearchRun::WalkMedium(CMedium& medium, const TMask& mask) {
    const auto visit = [&](CFile* entry) {
        if (!entry->Parent && CheckStop()) return true; // before each top-level entry
        if (CheckStop()) return true;
        ++itemCount_;
        MatchEntry(*entry, mask, request_);
        if (!entry->HasChildrenKind() && entry->ChildCount() == 0) return false;
        PositionChanged(medium, entry);
        return CheckStop();
    };
    // Every entry with children is entered, whatever its kind (a file imported with members), as
    // the workers' walk does: the rows must not depend on the thread count.
    return WalkEntries(medium.Entries(), visit);
}

namespace {

// What a worker found in one medium: its rows in depth-first order and the entries it visited.
struct TMediumFound {
    TSearchResults rows;
    int64_t entries = 0;
};

// Entries a worker visits between looks at the stop request and updates of the shared count.
constexpr int64_t kWorkerStride = 4096;

} // namespace

void TSearchRun::ExecuteOnWorkers(const TMask& mask, int threads) {
    CMedienListe& catalogue = *request_.Catalogue;
    std::atomic<bool> cancel{false};
    std::atomic<int64_t> visited{0}; // entries visited by the workers, for the counters
    int64_t mediaDone = 0;
    int front = 0; // the medium whose rows come next
    bool stopped = false;
    const auto refresh = [&] { itemCount_ = mediaDone + visited.load(std::memory_order_relaxed); };
    TOrderedWork work(threads, size_t(threads) * 2);
    work.SetWaiting([&] {
        refresh();
        if (front < catalogue.Count()) PositionChanged(*catalogue.GetMedium(front), nullptr);
        Waiting();
        if (Stopped()) cancel = true;
    });
    for (int i = 0; i < catalogue.Count() && !stopped; ++i) {
        CMedium* medium = catalogue.GetMedium(i);
        auto found = std::make_shared<TMediumFound>();
        // The worker owns the medium until its rows are taken: no other thread touches it.
        auto search = [this, medium, found, &mask, &cancel, &visited, &catalogue] {
            if (cancel) return;
            // Contents are loaded only here, and they stay loaded. A medium whose content
            // cannot be read keeps its own rows; its entries are skipped.
            if (!medium->ContentLoaded && !medium->LoadContent(catalogue.DataFileName)) return;
            TSearchRequest local = request_;
            local.Results = &found->rows;
            int64_t sinceLook = 0;
            WalkEntries(medium->Entries(), [&](CFile* entry) {
                MatchEntry(*entry, mask, local);
                ++found->entries;
                if (++sinceLook < kWorkerStride) return false;
                visited.fetch_add(sinceLook, std::memory_order_relaxed);
                sinceLook = 0;
                return cancel.load(std::memory_order_relaxed);
            });
            visited.fetch_add(sinceLook, std::memory_order_relaxed);
        };
        // The medium's own rows, then its entries' rows: the order of a run on one thread. A
        // stopped run keeps what was found up to the stop.
        auto take = [this, medium, found, &mask, &stopped, &mediaDone, &front, &cancel, &refresh] {
            if (stopped) return;
            ++front;
            MatchMedium(*medium, mask, request_);
            ++mediaDone;
            request_.Results->insert(request_.Results->end(), found->rows.begin(), found->rows.end());
            refresh();
            PositionChanged(*medium, nullptr);
            Waiting(); // a turn for the caller's events after every medium
            if (cancel || Stopped()) stopped = true;
        };
        work.Submit(std::move(search), std::move(take));
    }
    if (!stopped) work.Finish();
    work.Abandon();
    refresh();
}

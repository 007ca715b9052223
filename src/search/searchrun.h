// One search over a whole catalogue: every medium in catalogue order (removed ones too), then,
// when files or folders are searched, every entry beneath it depth first. The progress window
// drives it and the command line tool runs it as it is.
#pragma once

#include "search/searchrequest.h"

#include <cstdint>

class CFile;
class CMedium;

class TSearchRun {
public:
    explicit TSearchRun(const TSearchRequest& request) : request_(request) {}
    virtual ~TSearchRun() = default;

    // Runs the search, appending to the request's result list. False when the mask cannot be
    // compiled: then nothing was appended. A run stopped on the way keeps its rows.
    bool Execute();

    // Media and entries visited so far.
    int64_t ItemCount() const { return itemCount_; }
    bool Stopped() const { return stopped_ && *stopped_; }
    // The flag that ends the run at its next check (not owned).
    void SetStopFlag(const bool* stopped) { stopped_ = stopped; }

protected:
    // Where the run is: a medium before its entries (folder none), or a folder or archive
    // before its children. Called per medium and per folder, never per file.
    virtual void PositionChanged(const CMedium&, const CFile*) {}
    // Pending work of the caller (window messages) may run here; the stop flag is read right
    // after. Called after each medium, before each top-level entry, at the start of every entry
    // and after each folder's position.
    virtual void Poll() {}
    // Called every few hundredths of a second while the run waits for the media its workers
    // are searching; the stop flag is read right after.
    virtual void Waiting() { Poll(); }

private:
    bool CheckStop() {
        Poll();
        return Stopped();
    }
    bool WalkMedium(CMedium& medium, const TMask& mask);
    // The run on several threads: media are loaded and matched on workers, a few ahead, and
    // their rows appended here in catalogue order.
    void ExecuteOnWorkers(const TMask& mask, int threads);

    const TSearchRequest& request_;
    const bool* stopped_ = nullptr;
    int64_t itemCount_ = 0;
};

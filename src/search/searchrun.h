// One search over a whole catalogue: every medium in catalogue order (removed ones too), then,
// when files or folders are searched, every entry beneath it depth first. The progress window
// drives it and the command line tool runs it as it is.
#pragma once

#include "search/cataloguewalk.h"
#include "search/searchrequest.h"

class TSearchRun : public TCatalogueWalk {
public:
    explicit TSearchRun(const TSearchRequest& request) : request_(request) {}

    // Runs the search, appending to the request's result list. False when the mask cannot be
    // compiled: then nothing was appended. A run stopped on the way keeps its rows.
    bool Execute();

protected:
    // (Poll is called after each medium, before each top-level entry, at the start of every
    // entry and after each folder's position.)
    // Called every few hundredths of a second while the run waits for the media its workers
    // are searching; the stop flag is read right after.
    virtual void Waiting() { Poll(); }

private:
    bool WalkMedium(CMedium& medium, const TMask& mask);
    // The run on several threads: media are loaded and matched on workers, a few ahead, and
    // their rows appended here in catalogue order.
    void ExecuteOnWorkers(const TMask& mask, int threads);

    const TSearchRequest& request_;
};

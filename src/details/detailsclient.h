// The scan's side of the details helper (shelvix-details): the libraries that read photos, music
// and video parse untrusted bytes, so they run in helper processes with a memory limit, a CPU
// limit and a time budget per file. A helper that crashes, hangs or hits a limit costs that one
// file: it is killed if need be, counted as skipped, started again, and the reading goes on.
#pragma once

#include "catalogue/entrydetails.h"
#include "details/contenttype.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TDetailsLimits {
    size_t memoryBytes = size_t(1) << 30; // address space of a helper
    int cpuSecondsPerFile = 10;
    int millisecondsPerFile = 10000; // wall clock, answered or killed
};

struct TDetailsJob {
    std::string path;
    ContentKind kind = ContentKind::Unknown;
    bool preview = false; // a preview is wanted too (a photo or a video)
};

struct TDetailsOutcome {
    int read = 0; // files that gave details
    int skipped = 0; // crashed, hung or hit a limit in the helper
    bool helperMissing = false; // no helper to run, or one that failed on every file it got
};

// The helper beside the running program, or $SHELVIX_DETAILS_HELPER when set.
std::string DefaultDetailsHelper();

// Starts the helper with `limits` on a socket that is its standard input and output; with a
// `mode` (an option the helper takes alone) for one task instead of the requests. The process
// number, or -1 when it cannot be started.
int StartHelperProcess(const std::string& program, const char* mode, const TDetailsLimits& limits,
                       int& socket);

class TDetailsReader {
public:
    explicit TDetailsReader(std::string helper = DefaultDetailsHelper(), int workers = 2,
                            TDetailsLimits limits = {});
    ~TDetailsReader();
    TDetailsReader(const TDetailsReader&) = delete;
    TDetailsReader& operator=(const TDetailsReader&) = delete;

    // Reads every job, up to `workers` at once; found(index, pairs) is called on this thread for
    // each job that gave details, preview(index, jpeg) for each preview made, poll() after each
    // answer. Stops early when poll returns false. Never throws.
    TDetailsOutcome Run(const std::vector<TDetailsJob>& jobs,
                        const std::function<void(size_t, TDetailPairs&)>& found,
                        const std::function<bool()>& poll = {},
                        const std::function<void(size_t, std::string&)>& preview = {});

private:
    struct Helper;
    bool Start(Helper& helper);
    void Stop(Helper& helper, bool kill);

    std::string program_;
    TDetailsLimits limits_;
    std::vector<std::unique_ptr<Helper>> helpers_;
};

#include "contentloading.h"

#include "mediaclasses.h"
#include "entrywalk.h"
#include "workers.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <memory>

void LoadContentsInOrder(const std::vector<CMedium*>& media, const std::string& dataFileName,
                         const std::function<bool(CMedium&, bool)>& use) {
    // A medium's tree is the memory: two ahead per thread keeps the cores busy without
    // holding much more than the one in use.
    const int threads = WorkerThreads();
    TOrderedWork work(threads, size_t(threads) * 2);
    bool going = true;
    for (CMedium* medium : media) {
        if (!going) break;
        auto loaded = std::make_shared<bool>(false);
        work.Submit([medium, loaded, &dataFileName] {
            *loaded = medium->ContentLoaded || medium->LoadContent(dataFileName);
        }, [medium, loaded, &going, &use] {
            if (going) going = use(*medium, *loaded);
        });
    }
    if (going) work.Finish(); // once stopped, what is still loading is waited for and dropped
}

void LoadContentsInOrder(CMedienListe& catalogue, const std::function<bool(CMedium&, bool)>& use) {
    std::vector<CMedium*> media;
    for (int i = 0; i < catalogue.Count(); ++i) media.push_back(catalogue.GetMedium(i));
    LoadContentsInOrder(media, catalogue.DataFileName, use);
}

// Work the user did not ask for yields to work the user waits for. On Linux a nice value
// belongs to the thread that sets it, and the threads it starts inherit it.
void LowerThisThreadsPriority() {
#if defined(__linux__)
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

void ReadContentsDetached(std::vector<TDetachedContent> contents, const std::string& dataFileName,
                          const FileStamp& expected, const std::atomic<bool>& stop,
                          const std::function<void(TDetachedContent&)>& read) {
    const int threads = WorkerThreads();
    TOrderedWork work(threads, size_t(threads)); // a few at a time: one per thread
    for (TDetachedContent& content : contents) {
        if (stop) break;
        TDetachedContent* one = &content;
        work.Submit([one, &dataFileName, &expected, &stop] {
            LowerThisThreadsPriority();
            if (stop) return;
            auto scratch = std::make_unique<CMedium>(nullptr);
            scratch->DataOffset = one->dataOffset;
            scratch->ContentLength = one->contentLength;
            scratch->Additions = one->additions;
            if (!scratch->LoadContent(dataFileName, &expected)) return;
            WalkEntries(scratch->Entries(), [one](CFile* entry) {
                entry->Medium = one->medium;
                return false;
            });
            one->loaded = std::move(scratch);
        }, [one, &read, &stop] {
            if (!stop) read(*one);
        });
    }
    if (!stop) work.Finish();
    work.Abandon();
}

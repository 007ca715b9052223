#include "contentloading.h"

#include "mediaclasses.h"
#include "workers.h"

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

#include "combine.h"

#include "contentloading.h"
#include "failurereasons.h"

namespace {
std::string LostLine(const CMedium& medium) { return medium.Name + "_" + medium.Serial; }
} // namespace

int AttachMedia(CMedienListe& target, CMedienListe& source,
                std::vector<TNotAttached>* notAttached) {
    const int total = source.Count();
    int read = 0;
    LoadContentsInOrder(source, [&](CMedium&, bool) {
        // Counted from the media still to go, so the first value is 0.
        if (source.OnProgress) source.OnProgress(100 - ProgressPercent(total - read++, total));
        return true;
    });
    int attached = 0;
    while (source.Count() > 0) {
        std::unique_ptr<CMedium> medium = source.ExtractMedium(0);
        if (!medium->ContentLoaded) { // dropped with its storage, but not without a word
            if (notAttached)
                notAttached->push_back({LostLine(*medium), medium->Name,
                                        ContentLoadFailure(*medium, source.DataFileName)});
            continue;
        }
        // The names are looked up in the source's list, so this comes before the owner changes.
        medium->RemapCategories(target);
        medium->Stored = false;
        medium->DataOffset = -1;
        medium->SetOwner(&target);
        target.AddMedium(std::move(medium));
        ++attached;
    }
    return attached;
}

std::vector<int> FindLostMedia(CMedienListe& catalogue) {
    std::vector<int> lost;
    const int count = catalogue.Count();
    int i = 0;
    LoadContentsInOrder(catalogue, [&](CMedium&, bool loaded) {
        catalogue.ReportProgress(i, count);
        if (!loaded) lost.push_back(i);
        ++i;
        return true;
    });
    return lost;
}

std::vector<std::string> RemoveLostMedia(CMedienListe& catalogue,
                                         const std::vector<int>& positions) {
    std::vector<std::string> lines;
    for (int i : positions) {
        const CMedium* medium = catalogue.GetMedium(i);
        if (medium) lines.push_back(LostLine(*medium));
    }
    // From the back, so the positions still to go keep their meaning.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it)
        catalogue.DeleteMedium(*it);
    return lines;
}

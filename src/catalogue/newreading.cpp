#include "catalogue/newreading.h"

#include "catalogue/entrywalk.h"

#include <string>
#include <unordered_map>

std::vector<CMedium*> SameSerialMedia(const CMedienListe& catalogue, const CMedium& added) {
    std::vector<CMedium*> found;
    const std::string& folder = added.Additions.Folder;
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium* other = catalogue.GetMedium(i);
        if (other == &added || !other->Present || other->Serial != added.Serial) continue;
        const std::string& otherFolder = other->Additions.Folder;
        if (!otherFolder.empty() && !folder.empty() && otherFolder != folder) continue;
        found.push_back(other);
    }
    return found;
}

bool HasOwnAnnotations(const CMedium& old, const std::string& freshName) {
    if (old.Name != freshName || !old.Notice.empty() || old.Category >= 0) return true;
    if (!old.ContentLoaded) return false;
    return WalkEntries(old.Entries(), [](const CFile* entry) { return entry->Category >= 0; });
}

void CarryOverAnnotations(const CMedium& old, CMedium& fresh) {
    fresh.Name = old.Name;
    fresh.Notice = old.Notice;
    fresh.Category = old.Category;
    // The two trees are walked side by side, children matched by name: a path is the chain of
    // names, and trees may be nested far deeper than the call stack allows.
    struct Pair {
        const EntryList* from;
        const EntryList* to;
    };
    std::vector<Pair> pending{{&old.Entries(), &fresh.Entries()}};
    while (!pending.empty()) {
        const Pair pair = pending.back();
        pending.pop_back();
        std::unordered_map<std::string_view, const CFile*> byName;
        for (const CFile* entry : *pair.from) byName.emplace(entry->Name(), entry);
        for (CFile* entry : *pair.to) {
            const auto found = byName.find(entry->Name());
            if (found == byName.end()) continue;
            entry->Category = found->second->Category;
            if (found->second->ChildCount() > 0 && entry->ChildCount() > 0)
                pending.push_back({&found->second->Children(), &entry->Children()});
        }
    }
}

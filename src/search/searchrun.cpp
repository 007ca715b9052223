#include "search/searchrun.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "search/mask.h"

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
        if (!entry->HasChildrenKind()) return false;
        PositionChanged(medium, entry);
        return CheckStop();
    };
    return WalkEntries(medium.Entries(), visit, [](const CFile* entry) {
        return entry->HasChildrenKind();
    });
}

#include "search/quickfind.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"

#include "catalogue/entrydetails.h"

#include <algorithm>
#include <memory>

std::optional<TQuickFindQuery> TQuickFindQuery::Compile(std::string_view text) {
    TQuickFindQuery query;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        try {
            if (auto term = TDetailTerm::Parse(word)) query.details_.push_back(std::move(*term));
            else if (word.find_first_of("*?") != std::string_view::npos)
                query.masks_.emplace_back(word, false);
            else
                query.masks_.push_back(TMask::Containing(word, false));
        } catch (const EMaskError&) {
            return std::nullopt;
        }
    }
    if (query.masks_.empty() && query.details_.empty()) return std::nullopt;
    return query;
}

bool TQuickFindQuery::Matches(const CFile& entry) const {
    if (!Matches(entry.Name())) return false;
    for (const TDetailTerm& term : details_)
        if (!term.Matches(entry)) return false;
    return true;
}

bool TQuickFindQuery::Matches(std::string_view name, std::string_view packedDetails) const {
    if (!Matches(name)) return false;
    for (const TDetailTerm& term : details_) {
        std::string_view value;
        if (!FindDetail(packedDetails, term.Key(), value) || !term.MatchesValue(value)) return false;
    }
    return true;
}

std::vector<std::string> TQuickFindQuery::RequiredRuns() const {
    // Every literal of a mask stands, folded, in the text it matches.
    std::vector<std::string> runs;
    for (const TMask& mask : masks_)
        for (int t = 0; t < mask.TokenCount(); ++t)
            if (mask.TokenAt(t).kind == TMask::TokenKind::Literal) runs.push_back(mask.TokenAt(t).argument);
    return runs;
}

namespace {
// Entries a worker visits between looks at the stop flag.
constexpr int kStopStride = 4096;
} // namespace

bool RunQuickFind(const std::vector<CMedium*>& media, const TQuickFindQuery& query,
                  const std::atomic<bool>& stop, const std::function<void(TSearchResults&)>& found,
                  int threads) {
    // Two media ahead per thread keep the cores busy; rows wait in order behind the oldest.
    TOrderedWork work(threads, size_t(std::max(threads, 1)) * 2);
    return RunQuickFind(work, media, query, stop, found);
}

bool RunQuickFind(TOrderedWork& work, const std::vector<CMedium*>& media, const TQuickFindQuery& query,
                  const std::atomic<bool>& stop, const std::function<void(TSearchResults&)>& found) {
    for (CMedium* medium : media) {
        if (stop) break;
        auto rows = std::make_shared<TSearchResults>();
        work.Submit(
            [medium, rows, &query, &stop] {
                int sinceLook = 0;
                // The search's walk: every entry, parents before children, into every entry
                // that has children.
                WalkEntries(medium->Entries(), [&](CFile* entry) {
                    if (query.Matches(*entry))
                        rows->push_back({medium, entry, TMatchedField::EntryName});
                    if (++sinceLook < kStopStride) return false;
                    sinceLook = 0;
                    return stop.load(std::memory_order_relaxed);
                });
            },
            [rows, &found, &stop] {
                if (!stop) found(*rows);
            });
    }
    if (!stop) work.Finish();
    work.Abandon();
    return !stop;
}

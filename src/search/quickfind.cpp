#include "search/quickfind.h"

#include "catalogue/asciicase.h"
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"

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
        const bool isMask = word.find_first_of("*?") != std::string_view::npos;
        std::string escaped = isMask ? std::string(word) : "*";
        if (!isMask)
            for (char c : word) {
                if (c == '!' || c == '#' || c == '(' || c == '[') escaped += '#';
                escaped += c;
            }
        try {
            query.masks_.emplace_back(escaped, false);
        } catch (const EMaskError&) {
            if (isMask) return std::nullopt;
            std::string folded(word);
            for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
            query.plain_.push_back(std::move(folded));
        }
    }
    if (query.masks_.empty() && query.plain_.empty()) return std::nullopt;
    return query;
}

bool TQuickFindQuery::HoldsFolded(std::string_view name, const std::string& word) {
    for (size_t at = 0; at + word.size() <= name.size(); ++at) {
        size_t k = 0;
        while (k < word.size() &&
               FoldAscii(static_cast<unsigned char>(name[at + k])) == static_cast<unsigned char>(word[k]))
            ++k;
        if (k == word.size()) return true;
    }
    return false;
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
                    if (query.Matches(entry->Name()))
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

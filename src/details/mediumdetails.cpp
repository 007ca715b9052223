#include "details/mediumdetails.h"

#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"

#include <vector>

namespace {
// The path of `entry` below `root`, built upward along its parents.
std::string PathOf(const std::string& root, const CFile* entry) {
    std::vector<std::string_view> names;
    for (const CFile* e = entry; e; e = e->Parent) names.push_back(e->Name());
    std::string path = root;
    while (!path.empty() && path.back() == '/') path.pop_back();
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        path.push_back('/');
        path.append(*it);
    }
    return path;
}
} // namespace

TDetailsOutcome ReadMediumDetails(CMedium& medium, const std::string& root,
                                  const std::function<bool()>& poll, TDetailsReader* reader) {
    std::vector<TDetailsJob> jobs;
    std::vector<const CFile*> entries;
    struct Frame {
        const EntryList* list;
        int next;
    };
    std::vector<Frame> stack{{&medium.Entries(), 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.list->Count()) {
            stack.pop_back();
            continue;
        }
        const CFile* e = frame.list->At(frame.next++);
        // Archives' members are listed, never opened; folders are entered.
        if (e->Kind == kindFolder) {
            if (e->ChildCount() > 0) stack.push_back({&e->Children(), 0});
        } else if (e->Kind == kindFile && e->Size > 0 && MayHaveDetails(e->Name())) {
            // Size 0: nothing to read, and symbolic links (catalogued so) are never followed.
            const ContentKind kind = KindByExtension(e->Name());
            jobs.push_back({PathOf(root, e), kind, kind != ContentKind::Music});
            entries.push_back(e);
        }
    }
    if (jobs.empty()) return {};
    TDetailsReader own;
    TDetailsReader& use = reader ? *reader : own;
    return use.Run(
        jobs, [&](size_t index, TDetailPairs& pairs) { medium.Details.Set(entries[index], pairs); },
        poll, [&](size_t index, std::string& jpeg) { SetPreview(medium, entries[index], std::move(jpeg)); });
}

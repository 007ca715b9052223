// shelvix-cli find: the main window's find field from the command line, printing the entries
// whose names hold every word in the search's output format. Answered from the name index
// beside the catalogue when one belongs to its data file, without reading any medium's
// content; otherwise from the trees, after which the index is written for the next time.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"
#include "search/nameindex.h"
#include "search/quickfind.h"

#include <cstdio>
#include <string>

namespace cli {

namespace {

// The rows from the index, printed only once the whole answer is known to be sound.
bool FindInIndex(const CMedienListe& catalogue, const TQuickFindQuery& query, bool removedToo, bool& any) {
    const std::string pair = FileBehindLinks(catalogue.FileName);
    std::vector<int32_t> offsets;
    std::vector<bool> wanted;
    for (int i = 0; i < catalogue.Count(); ++i) {
        offsets.push_back(catalogue.GetMedium(i)->DataOffset);
        wanted.push_back(removedToo || catalogue.GetMedium(i)->Present);
    }
    // The identity the load read, so the index file is not decompressed a second time.
    const TDataIdentity data = catalogue.ReadIdentity.known ? catalogue.ReadIdentity : DataIdentityOfIndexFile(pair);
    const auto index = TNameIndex::Open(NameIndexToRead(pair), data, offsets);
    if (!index) return false;
    std::string lines;
    const bool sound = index->Find(query, wanted, [&](const TNameIndexRow& row) {
        lines += RowLine(catalogue.GetMedium(row.medium)->Name, row.path, row.kind, row.size, row.date);
        lines += '\n';
    });
    if (!sound) return false;
    std::fputs(lines.c_str(), stdout);
    any = !lines.empty();
    return true;
}

} // namespace

int RunFind(const Arguments& arguments) {
    std::string text;
    bool removedToo = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--removed") removedToo = true;
        else text += arguments[i] + ' ';
    }
    const std::optional<TQuickFindQuery> query = TQuickFindQuery::Compile(text);
    if (!query) {
        ReportError("find", "no word, or a mask that cannot be used: " +
                                EscapeBytes(text, Controls::Escape));
        return kExitUsage;
    }
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, arguments[0])) return kExitFailure;
    bool any = false;
    if (FindInIndex(catalogue, *query, removedToo, any)) {
        if (!OutputWritten()) return kExitFailure;
        return any ? kExitOk : kExitFailure;
    }
    std::vector<CMedium*> media;
    for (int i = 0; i < catalogue.Count(); ++i)
        if (removedToo || catalogue.GetMedium(i)->Present) media.push_back(catalogue.GetMedium(i));
    // As the window does: media whose content cannot be read are passed over.
    std::vector<CMedium*> loaded;
    LoadContentsInOrder(media, catalogue.DataFileName, [&loaded](CMedium& medium, bool ok) {
        if (ok) loaded.push_back(&medium);
        return true;
    });
    const std::atomic<bool> never{false};
    RunQuickFind(loaded, *query, never, [&any](TSearchResults& rows) {
        for (const TSearchRow& row : rows) std::fputs((EntryLine(*row.entry) + '\n').c_str(), stdout);
        any = any || !rows.empty();
    });
    if (!OutputWritten()) return kExitFailure;
    // Every tree in memory: the index for the next find (a cache; failing to write it is no
    // failure of this one).
    if (loaded.size() == size_t(catalogue.Count())) BuildNameIndex(catalogue);
    return any ? kExitOk : kExitFailure;
}

} // namespace cli

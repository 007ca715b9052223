// shelvix-cli find: the main window's find field from the command line, printing the entries
// whose names hold every word in the search's output format.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"
#include "search/quickfind.h"

#include <cstdio>
#include <string>

namespace cli {

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
    bool any = false;
    RunQuickFind(loaded, *query, never, [&any](TSearchResults& rows) {
        for (const TSearchRow& row : rows) std::fputs((EntryLine(*row.entry) + '\n').c_str(), stdout);
        any = any || !rows.empty();
    });
    if (!OutputWritten()) return kExitFailure;
    return any ? kExitOk : kExitFailure;
}

} // namespace cli

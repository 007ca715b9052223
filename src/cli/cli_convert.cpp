// shelvix-cli convert: read a catalogue completely and write it under a new name, as "Save as"
// does. Every content is brought into memory first, so that a medium whose block cannot be
// read stops the conversion instead of being written out empty.
#include "cli/cli.h"

#include "language/messagetable.h"
#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"

#include <string>

namespace cli {

int RunConvert(const Arguments& arguments) {
    const std::string& inName = arguments[0];
    const std::string& outName = arguments[1];
    if (!UsableIndexName(outName)) return kExitUsage;
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, inName)) return kExitFailure;
    int position = 0;
    bool allLoaded = true;
    LoadContentsInOrder(catalogue, [&](CMedium&, bool loaded) {
        if (!loaded)
            ReportError(inName + " (medium " + std::to_string(position) + ")",
                        ShelvixMessages::msgNoContent);
        ++position;
        return allLoaded = loaded;
    });
    if (!allLoaded) return kExitFailure;
    return SaveCatalogue(catalogue, outName) ? kExitOk : kExitFailure;
}

} // namespace cli

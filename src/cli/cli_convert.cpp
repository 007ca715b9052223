// shelvix-cli convert: read a catalogue completely and write it under a new name, as "Save as"
// does. Every content is brought into memory first, so that a medium whose block cannot be
// read stops the conversion instead of being written out empty.
#include "cli/cli.h"

#include "app/core/messagetable.h"
#include "catalogue/mediaclasses.h"

#include <string>

namespace cli {

int RunConvert(const Arguments& arguments) {
    const std::string& inName = arguments[0];
    const std::string& outName = arguments[1];
    if (!UsableIndexName(outName)) return kExitUsage;
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, inName)) return kExitFailure;
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium& m = *catalogue.GetMedium(i);
        if (m.ContentLoaded) continue;
        if (!m.LoadContent(catalogue.DataFileName)) {
            ReportError(inName + " (medium " + std::to_string(i) + ")",
                        ShelvixMessages::msgNoContent);
            return kExitFailure;
        }
    }
    return SaveCatalogue(catalogue, outName) ? kExitOk : kExitFailure;
}

} // namespace cli

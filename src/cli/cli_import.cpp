// shelvix-cli import: what Import does in the window, saved at once under a new name. A file
// that cannot be opened or is no "Advanced disc catalog" writes nothing; a read error in the
// header or a medium record saves the media read before it and still ends with failure, so
// that a script does not take the partial result for the whole.
#include "cli/cli.h"

#include "language/messagetable.h"
#include "catalogue/foreigncatalogue.h"
#include "catalogue/mediaclasses.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace cli {
namespace {
bool Exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}
} // namespace

int RunImport(const Arguments& arguments) {
    const std::string& inName = arguments[0];
    const std::string& outName = arguments[1];
    if (!UsableIndexName(outName)) return kExitUsage;
    // The import makes a new catalogue; it does not replace one.
    for (const std::string& name : {outName, DataFileNameOf(outName)}) {
        if (Exists(name)) {
            ReportError(name, "exists already; the import writes a new catalogue only");
            return kExitFailure;
        }
    }
    foreigncatalogue::OpenedFile file = foreigncatalogue::Open(inName);
    if (file.status == foreigncatalogue::OpenStatus::CannotOpen) {
        ReportError(inName, "cannot be opened for reading");
        return kExitFailure;
    }
    if (file.status == foreigncatalogue::OpenStatus::NotSupported) {
        ReportError(inName, ShelvixMessages::msgNoImport);
        return kExitFailure;
    }
    CMedienListe catalogue;
    const foreigncatalogue::Outcome outcome = foreigncatalogue::ReadBody(*file.stream, catalogue);
    file.stream.reset();
    if (outcome.truncatedLevels > 0)
        std::fprintf(stderr, "shelvix-cli: %s: %d folder level(s) ended early at a read error\n",
                     Printable(inName).c_str(), outcome.truncatedLevels);
    if (outcome.droppedEntries > 0)
        std::fprintf(stderr, "shelvix-cli: %s: %lld entries nested too deeply, or without a name, "
                     "were left out\n", Printable(inName).c_str(), static_cast<long long>(outcome.droppedEntries));
    if (!SaveCatalogue(catalogue, outName)) return kExitFailure;
    if (!outcome.error.empty()) {
        ReportError(inName, outcome.error + "; saved the " + std::to_string(catalogue.Count()) +
                                " media read before it");
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace cli

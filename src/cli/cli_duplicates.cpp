// shelvix-cli duplicates: the window's "Find duplicates" from the command line. One block of
// lines per group, largest waste first, each line as search prints a file.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/mediaclasses.h"
#include "search/duplicates.h"

#include <cstdio>
#include <string>

namespace cli {
namespace {

int Usage(const std::string& what) {
    ReportError("duplicates", what);
    std::fprintf(stderr,
                 "Usage: shelvix-cli duplicates CATALOGUE.SXF [--date] [--present] "
                 "[--min-size SIZE]\n");
    return kExitUsage;
}

} // namespace

int RunDuplicates(const Arguments& arguments) {
    TDuplicateOptions options;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--date") {
            options.SameDate = true;
        } else if (option == "--present") {
            options.PresentOnly = true;
        } else if (option == "--min-size" && i + 1 < arguments.size()) {
            if (!ParseSizeOption(arguments[++i], options.MinSize))
                return Usage("invalid size: " + EscapeBytes(arguments[i], Controls::Escape));
        } else {
            return Usage("unknown option or missing value: " + EscapeBytes(option, Controls::Escape));
        }
    }
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, arguments[0])) return kExitFailure;
    TDuplicates duplicates;
    TDuplicateRun(catalogue, options).Execute(duplicates);

    // Written group by group: a large catalogue has many.
    bool first = true;
    for (const TDuplicateGroup& group : duplicates.Groups) {
        std::string block = first ? "" : "\n";
        first = false;
        for (size_t i = 0; i < group.Count; ++i) block += EntryLine(*duplicates.Member(group, i)) + '\n';
        std::fputs(block.c_str(), stdout);
    }
    if (!OutputWritten()) return kExitFailure;
    return duplicates.Groups.empty() ? kExitFailure : kExitOk;
}

} // namespace cli

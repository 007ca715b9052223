// shelvix-cli export: the reports of the window's Media menu on standard output, of the media the
// window's media tree shows (removed ones too on request) or of the media of one name.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/mediaclasses.h"
#include "reports/reports.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace cli {
namespace {

int Usage(const std::string& what) {
    ReportError("export", what);
    std::fprintf(stderr, "Usage: shelvix-cli export CATALOGUE.SXF --csv|--html [--medium NAME] [--removed]\n");
    return kExitUsage;
}

} // namespace

int RunExport(const Arguments& arguments) {
    enum { none, csv, html } format = none;
    const std::string* mediumName = nullptr;
    bool removed = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--csv" || option == "--html") {
            if (format != none) return Usage("give one of --csv and --html");
            format = option == "--csv" ? csv : html;
        } else if (option == "--removed") {
            removed = true;
        } else if (option == "--medium" && i + 1 < arguments.size()) {
            mediumName = &arguments[++i];
        } else {
            return Usage("unknown option or missing value: " + EscapeBytes(option, Controls::Escape));
        }
    }
    if (format == none) return Usage("give one of --csv and --html");

    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, arguments[0])) return kExitFailure;
    TReport report;
    report.Title = arguments[0];
    report.WithState = removed;
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium* medium = catalogue.GetMedium(i);
        if ((removed || medium->Present) && (!mediumName || medium->Name == *mediumName))
            report.Media.push_back(medium);
    }
    if (mediumName && report.Media.empty()) {
        ReportError(EscapeBytes(*mediumName, Controls::Escape), "no such medium");
        return kExitFailure;
    }
    // A medium that cannot be read is written without its tree; the status tells.
    const std::vector<CMedium*> unread = LoadReportContents(report, catalogue.DataFileName);
    for (const CMedium* medium : unread)
        ReportContentFailure(arguments[0], *medium, catalogue.DataFileName);

    std::ios::sync_with_stdio(false);
    const bool written = format == csv ? WriteCsvReport(std::cout, report)
                                       : WriteHtmlReport(std::cout, report);
    if (!OutputWritten(written)) return kExitFailure;
    return unread.empty() ? kExitOk : kExitFailure;
}

} // namespace cli

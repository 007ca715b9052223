// Reports of a catalogue's contents for other programs and for reading: a CSV list (RFC 4180,
// UTF-8) and a self-contained HTML page, of whole media or of a search's results. Texts go
// through the command line's reversible escape, so a name that is not UTF-8 still gives a
// valid file and its bytes can be told back.
#pragma once

#include "search/searchrequest.h"

#include <ostream>
#include <string>
#include <vector>

struct TReport {
    std::string Title; // the catalogue's file name, or what else names the report
    // The media whose trees the report holds; their contents must be loaded.
    std::vector<CMedium*> Media;
    // When set, the report holds these rows instead of trees.
    const TSearchResults* Results = nullptr;
};

// The header line, then one line per entry (depth first, parents before their children) or per
// result row. False when the stream failed.
bool WriteCsvReport(std::ostream& out, const TReport& report);
// The media with their counts, sizes, categories and notices, then each medium's folder tree
// (collapsible, without scripts) or the table of result rows. Well-formed XML as well as HTML.
bool WriteHtmlReport(std::ostream& out, const TReport& report);

// Loads the contents of the report's media that are not loaded yet. The media whose content
// could not be read are returned (their trees are written empty).
std::vector<CMedium*> LoadReportContents(const TReport& report, const std::string& dataFileName);

// One CSV field: quoted when it holds a comma, a quote or a line break, quotes doubled.
void AppendCsvField(std::string& line, std::string_view raw);

// Reports of a catalogue's contents for other programs and for reading: a CSV list (RFC 4180,
// UTF-8) and a self-contained HTML page, of whole media or of a search's results. Reports are
// for reading: valid UTF-8 goes out as it is, and only bytes that are not valid UTF-8 are
// written as \xHH, so that the file is valid UTF-8 whatever the names hold.
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
    // Set when Media holds removed media as well: the CSV list gains a `state` column
    // (present or removed). The HTML report's media table always has one.
    bool WithState = false;
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

// One CSV field: quoted when it holds a comma, a quote or a line break, quotes doubled. A field
// that begins with =, +, -, @, a tab or a carriage return, which a spreadsheet would take for a
// formula, is quoted with a ' put before it.
void AppendCsvField(std::string& line, std::string_view raw);

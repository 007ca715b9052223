// The CSV report and the row fields both formats share.
#include "reports/reportrow.h"
#include "reports/reports.h"
#include "reports/entrytext.h"

#include "text/textescape.h"

#include <iterator>

TReportRow EntryRow(const CFile& entry, std::string location) {
    TReportRow row;
    row.medium = entry.Medium->Name;
    row.location = std::move(location);
    row.name = entry.Name();
    row.kind = KindText(entry);
    if (entry.Kind != kindFolder) {
        row.size = std::to_string(entry.Size);
        row.date = DateTimeText(entry.Date);
    }
    row.category = entry.CategoryName();
    return row;
}

const char* KindText(const CFile& entry) {
    switch (entry.Kind) {
    case kindFolder: return "folder";
    case kindArchive: return "archive";
    default: return "file";
    }
}

TReportRow ResultRow(const TSearchRow& row) {
    if (row.entry) return EntryRow(*row.entry, EntryLocationText(*row.entry));
    TReportRow medium;
    medium.medium = row.medium->Name;
    medium.name = row.Text(); // the name, label or notice that was found
    medium.kind = "medium";
    medium.category = row.medium->CategoryName();
    return medium;
}

void AppendCsvField(std::string& line, std::string_view raw) {
    const std::string text = cli::EscapeBytes(raw);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

namespace {

void WriteCsvRow(std::ostream& out, const TReportRow& row) {
    std::string line;
    const std::string_view fields[] = {row.medium, row.location, row.name, row.kind,
                                       row.size,   row.date,     row.category};
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) line += ',';
        AppendCsvField(line, fields[i]);
    }
    line += "\r\n";
    out << line;
}

} // namespace

bool WriteCsvReport(std::ostream& out, const TReport& report) {
    out << "medium,path,name,kind,size,date,category\r\n";
    if (report.Results) {
        for (const TSearchRow& row : *report.Results) WriteCsvRow(out, ResultRow(row));
    } else {
        for (const CMedium* medium : report.Media)
            WalkWithLocation(
                *medium,
                [&out](const CFile& entry, const std::string& location) {
                    WriteCsvRow(out, EntryRow(entry, location));
                },
                [](const CFile&) {});
    }
    out.flush();
    return bool(out);
}

std::vector<CMedium*> LoadReportContents(const TReport& report, const std::string& dataFileName) {
    std::vector<CMedium*> failed;
    for (CMedium* medium : report.Media)
        if (!medium->ContentLoaded && !medium->LoadContent(dataFileName)) failed.push_back(medium);
    return failed;
}

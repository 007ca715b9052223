// The CSV report and the row fields both formats share.
#include "reports/reportrow.h"
#include "reports/reports.h"
#include "reports/entrytext.h"

#include "text/textescape.h"

#include <iterator>

namespace {

void SetMediumSpace(TReportRow& row, const CMedium& medium) {
    if (!medium.Additions.HasSpace()) return;
    row.free = std::to_string(medium.Additions.FreeSpace);
    row.capacity = std::to_string(medium.Additions.Capacity);
}

} // namespace

TReportRow EntryRow(const CFile& entry, std::string location) {
    TReportRow row;
    row.medium = entry.Medium->Name;
    SetMediumSpace(row, *entry.Medium);
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
    SetMediumSpace(medium, *row.medium);
    return medium;
}

void AppendCsvField(std::string& line, std::string_view raw) {
    const std::string text = cli::ReadableBytes(raw);
    // A spreadsheet evaluates a field that begins like a formula; the quote makes it text.
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text[0]) !=
                                              std::string_view::npos;
    if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) {
        line += text;
        return;
    }
    line += '"';
    if (formula) line += '\'';
    for (const char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

namespace {

// `state` is given when the report holds removed media as well.
void WriteCsvRow(std::ostream& out, const TReportRow& row, const char* state = nullptr) {
    std::string line;
    const std::string_view fields[] = {row.medium, row.location, row.name,     row.kind, row.size,
                                       row.date,   row.category, row.free, row.capacity};
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) line += ',';
        AppendCsvField(line, fields[i]);
    }
    if (state) line += std::string(",") + state;
    line += "\r\n";
    out << line;
}

} // namespace

bool WriteCsvReport(std::ostream& out, const TReport& report) {
    const bool withState = report.WithState && !report.Results;
    out << "medium,path,name,kind,size,date,category,free,capacity" << (withState ? ",state\r\n" : "\r\n");
    if (report.Results) {
        for (const TSearchRow& row : *report.Results) WriteCsvRow(out, ResultRow(row));
    } else {
        for (const CMedium* medium : report.Media) {
            const char* state = !withState ? nullptr : medium->Present ? "present" : "removed";
            WalkWithLocation(
                *medium,
                [&out, state](const CFile& entry, const std::string& location) {
                    WriteCsvRow(out, EntryRow(entry, location), state);
                },
                [](const CFile&) {});
        }
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

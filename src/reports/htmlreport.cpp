// The HTML report: one page without scripts or outside resources. It is written as well-formed
// XML too (every element closed, every text escaped, control characters through the escape),
// so that other tools can read it back.
#include "reports/reportrow.h"
#include "reports/reports.h"

#include "catalogue/IO_BZIP.h"
#include "text/textescape.h"

#include <set>

namespace {

const char* const kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;margin-bottom:1.5em}"
    "th,td{border:1px solid #bbb;padding:.2em .5em;text-align:left;vertical-align:top}"
    "td.n{text-align:right}.notice{white-space:pre-wrap}"
    "ul{list-style:none;margin:0;padding-left:1.4em}summary{cursor:pointer}"
    ".meta{color:#666;font-size:90%;margin-left:.8em}.folder{font-weight:bold}";

// Text as element content or attribute value. Line feeds and tabs stay (notices have lines);
// other control characters, which XML does not allow or would change (CR), go through the
// escape as \xHH, as the command line writes them.
std::string Html(std::string_view raw) {
    const std::string text = cli::EscapeBytes(raw);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) {
            cli::AppendHexByte(out, byte);
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Cell(std::string_view raw, const char* cls = nullptr) {
    std::string cell = cls ? std::string("<td class=\"") + cls + "\">" : std::string("<td>");
    return cell + Html(raw) + "</td>";
}

void WriteMediaTable(std::ostream& out, const std::vector<const CMedium*>& media) {
    out << "<table class=\"media\"><thead><tr><th>Medium</th><th>Label</th><th>Folders</th>"
           "<th>Files</th><th>Size</th><th>Category</th><th>Notice</th><th>State</th></tr>"
           "</thead><tbody>\n";
    for (const CMedium* m : media) {
        out << "<tr>" << Cell(m->Name) << Cell(m->VolumeLabel)
            << Cell(std::to_string(m->FolderCount), "n") << Cell(std::to_string(m->FileCount), "n")
            << Cell(FormatSize(m->TotalSize), "n") << Cell(m->CategoryName())
            << Cell(m->Notice, "notice") << Cell(m->Present ? "present" : "removed") << "</tr>\n";
    }
    out << "</tbody></table>\n";
}

std::string EntryMeta(const TReportRow& row, const CFile& entry) {
    std::string meta;
    const auto add = [&meta](const std::string& part) {
        if (part.empty()) return;
        if (!meta.empty()) meta += " \xC2\xB7 "; // a middle dot
        meta += Html(part);
    };
    if (entry.Kind != kindFolder) add(FormatSize(entry.Size));
    add(row.date);
    add(row.category);
    return meta.empty() ? meta : "<span class=\"meta\">" + meta + "</span>";
}

void WriteTree(std::ostream& out, const CMedium& medium) {
    out << "<details open=\"open\"><summary class=\"folder\">" << Html(medium.Name)
        << "</summary><ul>\n";
    WalkWithLocation(
        medium,
        [&out](const CFile& entry, const std::string& location) {
            const TReportRow row = EntryRow(entry, location);
            const std::string meta = EntryMeta(row, entry);
            if (entry.ChildCount() > 0) {
                out << "<li><details><summary class=\"folder\">" << Html(entry.Name()) << meta
                    << "</summary><ul>\n";
            } else {
                out << "<li" << (entry.Kind == kindFolder ? " class=\"folder\">" : ">")
                    << Html(entry.Name()) << meta << "</li>\n";
            }
        },
        [&out](const CFile&) { out << "</ul></details></li>\n"; });
    out << "</ul></details>\n";
}

void WriteResultsTable(std::ostream& out, const TSearchResults& results) {
    out << "<table class=\"results\"><thead><tr><th>Medium</th><th>Path</th><th>Name</th>"
           "<th>Kind</th><th>Size</th><th>Date</th><th>Category</th></tr></thead><tbody>\n";
    for (const TSearchRow& result : results) {
        const TReportRow row = ResultRow(result);
        out << "<tr>" << Cell(row.medium) << Cell(row.location) << Cell(row.name)
            << Cell(row.kind) << Cell(row.size, "n") << Cell(row.date) << Cell(row.category)
            << "</tr>\n";
    }
    out << "</tbody></table>\n";
}

} // namespace

bool WriteHtmlReport(std::ostream& out, const TReport& report) {
    // The media a report of results speaks of: each once, in the order first met.
    std::vector<const CMedium*> media(report.Media.begin(), report.Media.end());
    if (report.Results) {
        media.clear();
        std::set<const CMedium*> seen;
        for (const TSearchRow& row : *report.Results)
            if (seen.insert(row.medium).second) media.push_back(row.medium);
    }
    const std::string title = "Shelvix: " + Html(report.Title);
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/><title>" << title
        << "</title><style>" << kStyle << "</style></head>\n<body>\n<h1>" << title << "</h1>\n";
    WriteMediaTable(out, media);
    if (report.Results) {
        out << "<h2>" << report.Results->size() << " results</h2>\n";
        WriteResultsTable(out, *report.Results);
    } else {
        for (const CMedium* medium : report.Media) WriteTree(out, *medium);
    }
    out << "</body></html>\n";
    out.flush();
    return bool(out);
}

// shelvix-cli search: the desktop program's search from the command line, with the same request,
// mask and match rules, printing one tab-separated line per result.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/daycount.h"
#include "catalogue/asciicase.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"
#include "search/searchrun.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

namespace cli {
namespace {

double TodayAtMidnight() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalDayCount(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday), 0);
}

int Usage(const std::string& what) {
    ReportError("search", what);
    std::fprintf(stderr, "Usage: shelvix-cli search CATALOGUE.SXF MASK [options]; see --help\n");
    return kExitUsage;
}

std::string Shown(std::string_view bytes) { return EscapeBytes(bytes, Controls::Escape); }

} // namespace

bool ParseSizeOption(std::string text, int64_t& bytes) {
    static const struct {
        const char* name;
        int64_t bytes;
    } kUnits[] = {{"Byte", 1}, {"KB", 1024}, {"MB", 1048576}, {"GB", 1073741824}};
    int64_t unit = 1;
    for (const auto& u : kUnits) {
        const std::string name = u.name;
        if (text.size() > name.size() &&
            CompareIgnoringAsciiCase(std::string_view(text).substr(text.size() - name.size()), name) == 0) {
            text.resize(text.size() - name.size());
            unit = u.bytes;
            break;
        }
    }
    const std::optional<int64_t> number = ParseSizeNumber(text);
    const std::optional<int64_t> scaled = number ? ScaleSize(*number, unit) : std::nullopt;
    if (!scaled) return false;
    bytes = *scaled;
    return true;
}

std::string RowLine(std::string_view medium, std::string_view path, int32_t kind, int64_t size, double date) {
    std::string line = Shown(medium);
    line += '\t';
    line += Shown(path);
    if (kind != kindFolder) line += '\t' + std::to_string(size) + '\t' + DateTimeText(date);
    return line;
}

std::string EntryLine(const CFile& entry) {
    return RowLine(entry.Medium->Name, EntryPathText(entry), entry.Kind, entry.Size, entry.Date);
}

int RunSearch(const Arguments& arguments) {
    TSearchRequest request;
    request.MaskText = arguments[1];
    std::string category;
    std::string detailsMask;
    bool useCategory = false, dateFrom = false, dateTo = false, anyBox = false, useDetails = false;
    for (size_t i = 2; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool* box = option == "--name"      ? &request.MatchNames
                    : option == "--label"   ? &request.MatchLabels
                    : option == "--notice"  ? &request.MatchNotices
                    : option == "--files"   ? &request.MatchFiles
                    : option == "--folders" ? &request.MatchFolders
                                            : nullptr;
        if (box) {
            *box = anyBox = true;
        } else if (option == "--all") {
            request.MatchNames = request.MatchLabels = request.MatchNotices = true;
            request.MatchFiles = request.MatchFolders = anyBox = true;
        } else if (option == "--case-sensitive") {
            request.CaseSensitive = true;
        } else if (i + 1 >= arguments.size()) {
            return Usage("unknown option or missing value: " + Shown(option));
        } else {
            const std::string& value = arguments[++i];
            if (option == "--size-from" || option == "--size-to") {
                int64_t& bound = option == "--size-from" ? request.SizeFrom : request.SizeTo;
                if (!ParseSizeOption(value, bound)) return Usage("invalid size: " + Shown(value));
                request.SizeFilter = true;
            } else if (option == "--date-from" || option == "--date-to") {
                const bool from = option == "--date-from";
                if (!ParseLocalDate(value, !from, from ? request.DateFrom : request.DateTo))
                    return Usage("invalid date: " + Shown(value));
                (from ? dateFrom : dateTo) = true;
            } else if (option == "--category") {
                category = value;
                useCategory = true;
            } else if (option == "--details") {
                detailsMask = value;
                useDetails = true;
            } else {
                return Usage("unknown option: " + Shown(option));
            }
        }
    }
    if (!anyBox) request.MatchFiles = request.MatchFolders = true;
    if (useDetails) {
        try {
            request.DetailsMask = std::make_shared<const TMask>(detailsMask, request.CaseSensitive);
        } catch (const std::exception&) {
            return Usage("a details mask that cannot be used: " + Shown(detailsMask));
        }
    }
    request.DateFilter = dateFrom || dateTo;
    if (request.DateFilter && !dateTo) request.DateTo = TodayAtMidnight();

    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, arguments[0])) return kExitFailure;
    if (useCategory) {
        request.Category = catalogue.IndexOfCategory(category);
        if (request.Category < 0) return Usage("no such category: " + Shown(category));
    }
    TSearchResults results;
    request.Catalogue = &catalogue;
    request.Results = &results;
    TSearchRun run(request);
    if (!run.Execute()) return Usage("the mask cannot be used: " + Shown(request.MaskText));

    for (const TSearchRow& row : results) {
        std::string line =
            row.entry ? EntryLine(*row.entry) : Shown(row.medium->Name) + '\t' + Shown(row.Text());
        line += '\n';
        std::fputs(line.c_str(), stdout);
    }
    if (!OutputWritten()) return kExitFailure;
    return results.empty() ? kExitFailure : kExitOk;
}

} // namespace cli

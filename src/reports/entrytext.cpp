#include "reports/entrytext.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/foundentry.h"
#include "catalogue/mediaclasses.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

std::string DateTimeText(double dayCount) {
    if (!std::isfinite(dayCount) || std::fabs(dayCount) > 3e6 || IsNoFileTime(dayCount)) return {};
    double whole = std::trunc(dayCount);
    int64_t seconds = std::llround(std::fabs(dayCount - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    int64_t y;
    unsigned m, d;
    CivilFromDays(static_cast<int64_t>(whole) - kDayCountOf1970, y, m, d);
    char text[48];
    std::snprintf(text, sizeof text, "%04" PRId64 "-%02u-%02u %02d:%02d:%02d", y, m, d,
                  int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

std::string EntryPathText(const CFile& entry) { return FoundPathText(FoundEntryOf(entry), entry.FolderPath()); }

std::string EntryLocationText(const CFile& entry) {
    return entry.Parent ? entry.Parent->FolderPath() : std::string();
}

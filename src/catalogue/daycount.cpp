#include "daycount.h"

#include "IO_BZIP.h"

#include <cstdio>

double LocalDayCount(int64_t y, unsigned m, unsigned d, double seconds) {
    const double days = static_cast<double>(DaysFromCivil(y, m, d) + kDayCountOf1970);
    const double fraction = seconds / 86400.0;
    return days < 0 ? days - fraction : days + fraction;
}

bool ParseLocalDate(const std::string& text, bool endOfDay, double& dayCount) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3) return false;
    const std::string rest = text.substr(static_cast<size_t>(used));
    if (!rest.empty()) {
        int more = 0;
        if ((rest[0] != 'T' && rest[0] != ' ') ||
            (std::sscanf(rest.c_str() + 1, "%2d:%2d%n:%2d%n", &h, &mi, &more, &s, &more) < 2) ||
            rest.size() != static_cast<size_t>(more) + 1)
            return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 ||
        s < 0)
        return false;
    int64_t cy;
    unsigned cm, cd;
    CivilFromDays(DaysFromCivil(y, unsigned(mo), unsigned(d)), cy, cm, cd);
    if (cm != unsigned(mo) || cd != unsigned(d)) return false; // 31 April and the like
    const double seconds = rest.empty() && endOfDay ? 86399.999 : h * 3600 + mi * 60 + s;
    dayCount = LocalDayCount(y, unsigned(mo), unsigned(d), seconds);
    return true;
}

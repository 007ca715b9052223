// Local dates and times written out, as catalogue day counts (days since 30 December 1899, the
// time of day as the fraction).
#pragma once

#include <cstdint>
#include <string>

// A local date and time as a day count; the time of day counts away from zero, as in the
// catalogue, for days before 30 December 1899.
double LocalDayCount(int64_t year, unsigned month, unsigned day, double seconds);
// "YYYY-MM-DD", optionally followed by "THH:MM" or " HH:MM", optionally ":SS". A date alone
// stands for its whole day: its start, or with `endOfDay` its last millisecond. False for
// anything else and for days the calendar has not (31 April).
bool ParseLocalDate(const std::string& text, bool endOfDay, double& dayCount);

#include "jet/base/Value.h"

#include <cmath>
#include <cstdio>

namespace orrin::jet {

namespace {

// Civil date of a count of days since 1970-01-01 (proleptic Gregorian, any year).
void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
}

} // namespace

std::string formatDateTime(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return "invalid date";
    // The day is the integer part (towards zero), the time the absolute fraction.
    double whole = std::trunc(days);
    std::int64_t seconds = std::llround(std::fabs(days - whole) * 86400.0);
    std::int64_t day = static_cast<std::int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += 1; // the time counts forward from the start of the day, for either sign
    }
    // 1899-12-30 is 25569 days before 1970-01-01.
    std::int64_t y;
    unsigned m, d;
    civilFromDays(day - 25569, y, m, d);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(y),
                  m, d, static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return buffer;
}

} // namespace orrin::jet

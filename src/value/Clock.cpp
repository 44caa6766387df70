#include "value/Clock.h"

#include "platform/LocalTime.h"
#include "value/Error.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace orrin {

namespace {

constexpr std::array<const char*, 7> DayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> MonthNames = {"January",   "February", "March",    "April",
                                                    "May",       "June",     "July",     "August",
                                                    "September", "October",  "November", "December"};

// The local time now, and the fraction of the current second already gone.
std::tm localNow(double* fractionOfSecond = nullptr)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    if (fractionOfSecond != nullptr) {
        const auto rest = now - std::chrono::system_clock::from_time_t(seconds);
        *fractionOfSecond = std::chrono::duration<double>(rest).count();
    }
    std::tm local{};
    if (!platform::localTime(seconds, local)) {
        throw Error(err::InvalidCall, "Invalid procedure call or argument: the local time cannot be read");
    }
    return local;
}

CalendarDate calendarOf(const std::tm& local)
{
    CalendarDate date;
    date.year = local.tm_year + 1900;
    date.month = local.tm_mon + 1;
    date.day = local.tm_mday;
    date.hour = local.tm_hour;
    date.minute = local.tm_min;
    // A leap second shows as the last ordinary one.
    date.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return date;
}

} // namespace

std::string formatLongDate(const CalendarDate& date)
{
    // makeDate checks the day and gives the serial, from which the weekday follows: day 0,
    // 30 December 1899, was a Saturday.
    const Date day = makeDate(date.year, date.month, date.day);
    const long long serial = static_cast<long long>(std::trunc(day.serial));
    const long long weekday = ((serial + 6) % 7 + 7) % 7;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %s %02d, %04d", DayNames[static_cast<std::size_t>(weekday)],
                  MonthNames[static_cast<std::size_t>(date.month - 1)], date.day, date.year);
    return buffer;
}

std::string formatLongTime(const CalendarDate& time)
{
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
        time.second > 59) {
        throw Error(err::InvalidCall, "Invalid procedure call or argument: " + std::to_string(time.hour) +
                                          ":" + std::to_string(time.minute) + ":" +
                                          std::to_string(time.second) + " is not a time of day");
    }
    const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, time.minute, time.second,
                  time.hour < 12 ? "AM" : "PM");
    return buffer;
}

float SystemClock::secondsSinceMidnight()
{
    double fraction = 0.0;
    const std::tm local = localNow(&fraction);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
    return static_cast<float>(seconds);
}

std::string SystemClock::longDate()
{
    return formatLongDate(calendarOf(localNow()));
}

std::string SystemClock::longTime()
{
    return formatLongTime(calendarOf(localNow()));
}

namespace {

Clock* g_replacement = nullptr;

} // namespace

Clock& clock()
{
    static SystemClock system;
    return g_replacement != nullptr ? *g_replacement : system;
}

void setClock(Clock* replacement)
{
    g_replacement = replacement;
}

} // namespace orrin

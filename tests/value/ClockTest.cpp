#include "value/Clock.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace orrin {
namespace {

TEST(LongDate, EnglishFormWithTwoDigitDay)
{
    struct Case {
        CalendarDate date;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{2026, 12, 8}, "Tuesday, December 08, 2026"},
        {{2001, 3, 15}, "Thursday, March 15, 2001"},
        {{2000, 2, 29}, "Tuesday, February 29, 2000"},
        {{1899, 12, 30}, "Saturday, December 30, 1899"},
        {{1899, 12, 29}, "Friday, December 29, 1899"},
        {{2021, 2, 28}, "Sunday, February 28, 2021"},
        {{2021, 3, 15}, "Monday, March 15, 2021"},
        {{2000, 3, 1}, "Wednesday, March 01, 2000"},
        {{2001, 3, 15, 23, 59, 59}, "Thursday, March 15, 2001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatLongDate(c.date), c.expected);
    }
}

TEST(LongDate, InvalidDayIsAnError)
{
    try {
        formatLongDate({2001, 2, 29});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::InvalidCall);
    }
}

TEST(LongTime, TwelveHourForm)
{
    struct Case {
        int hour, minute, second;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {3, 11, 1, "3:11:01 AM"},    {0, 5, 0, "12:05:00 AM"},    {0, 0, 0, "12:00:00 AM"},
        {11, 59, 59, "11:59:59 AM"}, {12, 0, 0, "12:00:00 PM"},   {12, 30, 5, "12:30:05 PM"},
        {13, 1, 2, "1:01:02 PM"},    {23, 59, 59, "11:59:59 PM"}, {10, 0, 9, "10:00:09 AM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        CalendarDate time;
        time.hour = c.hour;
        time.minute = c.minute;
        time.second = c.second;
        EXPECT_EQ(formatLongTime(time), c.expected);
    }
}

TEST(LongTime, InvalidTimeIsAnError)
{
    CalendarDate time;
    time.hour = 24;
    try {
        formatLongTime(time);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::InvalidCall);
    }
}

class FixedClock : public Clock {
  public:
    float secondsSinceMidnight() override { return 59.9f; }
    std::string longDate() override { return "Tuesday, December 08, 2026"; }
    std::string longTime() override { return "3:11:01 AM"; }
};

TEST(ClockReplacement, SetAndRestore)
{
    FixedClock fixed;
    setClock(&fixed);
    EXPECT_EQ(&clock(), &fixed);
    EXPECT_EQ(clock().secondsSinceMidnight(), 59.9f);
    setClock(nullptr);
    EXPECT_NE(&clock(), &fixed);
    EXPECT_NE(dynamic_cast<SystemClock*>(&clock()), nullptr);
}

TEST(SystemClockForms, MatchTheLongPatterns)
{
    SystemClock system;
    const float seconds = system.secondsSinceMidnight();
    EXPECT_GE(seconds, 0.0f);
    EXPECT_LT(seconds, 86401.0f);
    EXPECT_TRUE(
        std::regex_match(system.longDate(),
                         std::regex("(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day, [A-Z][a-z]+ \\d\\d, \\d{4}")))
        << system.longDate();
    EXPECT_TRUE(std::regex_match(system.longTime(), std::regex("(1[0-2]|[1-9]):[0-5]\\d:[0-5]\\d (AM|PM)")))
        << system.longTime();
}

} // namespace
} // namespace orrin

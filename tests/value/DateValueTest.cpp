#include "value/DateValue.h"
#include "value/Conversions.h"
#include "value/Error.h"

#include "value/ErrorNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orrin {
namespace {

using testing::errorNumberOf;

struct Day {
    int year;
    int month;
    int day;
    double serial;
};

// Serial days checked against an independent calendar.
const std::vector<Day> KnownDays = {
    {1899, 12, 30, 0},     {1899, 12, 29, -1},    {1900, 1, 1, 2},      {1900, 3, 1, 61},
    {1999, 12, 31, 36525}, {2000, 2, 29, 36585},  {2000, 3, 1, 36586},  {2001, 2, 28, 36950},
    {2001, 3, 15, 36965},  {2016, 3, 15, 42444},  {2021, 2, 28, 44255}, {2021, 3, 15, 44270},
    {2024, 2, 29, 45351},  {1800, 6, 15, -36357}, {100, 1, 1, -657434}, {9999, 12, 31, 2958465},
};

TEST(MakeDate, SerialDaysFrom30December1899)
{
    for (const Day& d : KnownDays) {
        SCOPED_TRACE(std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day));
        EXPECT_EQ(makeDate(d.year, d.month, d.day).serial, d.serial);
        const CalendarDate c = calendar(Date{d.serial});
        EXPECT_EQ(c.year, d.year);
        EXPECT_EQ(c.month, d.month);
        EXPECT_EQ(c.day, d.day);
        EXPECT_EQ(c.hour, 0);
        EXPECT_EQ(yearOf(Date{d.serial}), d.year);
        EXPECT_EQ(monthOf(Date{d.serial}), d.month);
    }
}

TEST(MakeDate, TimeOfDay)
{
    EXPECT_EQ(makeDate(2001, 3, 15, 12, 0, 0).serial, 36965.5);
    EXPECT_EQ(makeDate(2001, 3, 15, 6, 0, 0).serial, 36965.25);
    // Before day 0 the time still counts forward from the start of the day.
    EXPECT_EQ(makeDate(1899, 12, 29, 6, 0, 0).serial, -1.25);
    const CalendarDate c = calendar(makeDate(2001, 3, 15, 15, 11, 1));
    EXPECT_EQ(c.hour, 15);
    EXPECT_EQ(c.minute, 11);
    EXPECT_EQ(c.second, 1);
}

TEST(MakeDate, RejectsInvalidDays)
{
    struct Case {
        const char* name;
        int year, month, day, hour;
    };
    const std::vector<Case> cases = {
        {"31 February", 2001, 2, 31, 0},
        {"29 February of 2001", 2001, 2, 29, 0},
        {"29 February of 1900", 1900, 2, 29, 0},
        {"31 April", 2001, 4, 31, 0},
        {"month 13", 2001, 13, 1, 0},
        {"month 0", 2001, 0, 1, 0},
        {"day 0", 2001, 1, 0, 0},
        {"year 99", 99, 12, 31, 0},
        {"year 10000", 10000, 1, 1, 0},
        {"hour 24", 2001, 1, 1, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(errorNumberOf([&] { makeDate(c.year, c.month, c.day, c.hour); }), err::InvalidCall);
    }
    EXPECT_EQ(makeDate(2000, 2, 29).serial, 36585.0) << "2000 is a leap year (divisible by 400)";
}

TEST(LeapYear, GregorianRule)
{
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2001));
    EXPECT_EQ(daysInMonth(2000, 2), 29);
    EXPECT_EQ(daysInMonth(2100, 2), 28);
    EXPECT_EQ(daysInMonth(2001, 4), 30);
    EXPECT_EQ(daysInMonth(2001, 12), 31);
    EXPECT_EQ(daysInMonth(2001, 13), 0);
}

TEST(Calendar, OutsideTheYearsIsAnError)
{
    EXPECT_EQ(errorNumberOf([] { calendar(Date{-657435.0}); }), err::InvalidCall);
    EXPECT_EQ(errorNumberOf([] { calendar(Date{2958466.0}); }), err::InvalidCall);
    EXPECT_EQ(calendar(Date{2958465.5}).hour, 12);
}

TEST(Calendar, TimeJustBeforeMidnightRoundsToTheNextDay)
{
    const CalendarDate c = calendar(Date{36965.0 + 86399.9 / 86400.0});
    EXPECT_EQ(c.day, 16);
    EXPECT_EQ(c.hour, 0);
    EXPECT_EQ(c.second, 0);
}

TEST(FormatDate, StorageForm)
{
    struct Case {
        double serial;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {36965.0, "2001-03-15"},   {36965.5, "2001-03-15 12:00:00"}, {-1.25, "1899-12-29 06:00:00"},
        {-657434.0, "0100-01-01"}, {2958465.0, "9999-12-31"},        {0.0, "1899-12-30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatDate(Date{c.serial}), c.expected);
    }
}

TEST(ParseDate, AcceptedForms)
{
    struct Case {
        const char* text;
        double serial;
    };
    const std::vector<Case> cases = {
        {"2001-03-15", 36965.0},           {"2001-3-5", 36955.0},         {"2001-03-15 12:00:00", 36965.5},
        {"2001-03-15T06:00:00", 36965.25}, {"2001-03-15 12:00", 36965.5}, {"15/03/2001", 36965.0},
        {"15-03-2001", 36965.0},           {"15.03.2001", 36965.0},       {"5/3/2001", 36955.0},
        {"15 March 2001", 36965.0},        {"15 mar 2001", 36965.0},      {"15-Mar-2001", 36965.0},
        {"15-MARCH-2001", 36965.0},        {"March 15, 2001", 36965.0},   {"Mar 15 2001", 36965.0},
        {"29 Feb 2000", 36585.0},          {"  2001-03-15  ", 36965.0},   {"0100-01-01", -657434.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto date = parseDate(c.text);
        ASSERT_TRUE(date.has_value());
        EXPECT_EQ(date->serial, c.serial);
    }
}

TEST(ParseDate, RejectedTexts)
{
    for (const char* text : {"",
                             "   ",
                             "abc",
                             "31/02/2001",
                             "2001-02-29",
                             "2001-13-01",
                             "32/01/2001",
                             "15/03/01",
                             "15/03-2001",
                             "2001/03/15 x",
                             "15 Marc 2001",
                             "15 Ma 2001",
                             "March 2001",
                             "36965",
                             "12.5",
                             "2001-03-15 25:00:00",
                             "2001-03-15 12:60",
                             "2001-03-15 12:00:",
                             "15 yrs",
                             "0099-12-31",
                             "15/03/20011",
                             "2001-03-15x"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseDate(text).has_value());
    }
}

TEST(ParseDate, FormatReadsBack)
{
    for (const double serial : {0.0, 36965.0, 36965.5, 44255.75, -1.25, -36357.0, -657434.0, 2958465.0}) {
        SCOPED_TRACE(serial);
        const auto back = parseDate(formatDate(Date{serial}));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->serial, serial);
    }
}

TEST(IsDateValue, DatesAndDateText)
{
    EXPECT_TRUE(isDateValue(Variant(makeDate(2001, 3, 15))));
    EXPECT_TRUE(isDateValue(Variant("15/03/2001")));
    EXPECT_FALSE(isDateValue(Variant("31/02/2001")));
    EXPECT_FALSE(isDateValue(Variant("")));
    EXPECT_FALSE(isDateValue(Variant::null()));
    EXPECT_FALSE(isDateValue(Variant()));
    EXPECT_FALSE(isDateValue(Variant(36965.0)));
    EXPECT_FALSE(isDateValue(Variant(true)));
}

TEST(ToDate, Conversions)
{
    EXPECT_EQ(toDate(Variant(makeDate(2001, 3, 15))).serial, 36965.0);
    EXPECT_EQ(toDate(Variant("2001-03-15")).serial, 36965.0);
    EXPECT_EQ(toDate(Variant(36965.5)).serial, 36965.5);
    EXPECT_EQ(toDate(Variant(std::int32_t{2})).serial, 2.0);
    EXPECT_EQ(toDate(Variant()).serial, 0.0);
    EXPECT_EQ(errorNumberOf([] { toDate(Variant::null()); }), err::InvalidNull);
    EXPECT_EQ(errorNumberOf([] { toDate(Variant("abc")); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { toDate(Variant("")); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { toDate(Variant(1e10)); }), err::Overflow);
    try {
        toDate(Variant("soon"));
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), "Type mismatch: 'soon' is not a date");
    }
}

TEST(DateAddYears, CalendarYearAddition)
{
    struct Case {
        const char* name;
        Date start;
        double count;
        Date expected;
    };
    const std::vector<Case> cases = {
        {"15 March 2001 plus 20 years", makeDate(2001, 3, 15), 20, makeDate(2021, 3, 15)},
        {"15 March 2001 plus 15 years", makeDate(2001, 3, 15), 15, makeDate(2016, 3, 15)},
        {"29 February 2000 plus 21 years is 28 February", makeDate(2000, 2, 29), 21, makeDate(2021, 2, 28)},
        {"29 February 2000 plus 24 years stays 29 February", makeDate(2000, 2, 29), 24,
         makeDate(2024, 2, 29)},
        {"29 February 2000 plus 100 years is 28 February 2100", makeDate(2000, 2, 29), 100,
         makeDate(2100, 2, 28)},
        {"28 February stays 28 February", makeDate(2001, 2, 28), 3, makeDate(2004, 2, 28)},
        {"count 20.5 rounds to 20", makeDate(2001, 3, 15), 20.5, makeDate(2021, 3, 15)},
        {"count 21.5 rounds to 22", makeDate(2001, 3, 15), 21.5, makeDate(2023, 3, 15)},
        {"count 0.4 adds nothing", makeDate(2001, 3, 15), 0.4, makeDate(2001, 3, 15)},
        {"negative count", makeDate(2001, 3, 15), -2, makeDate(1999, 3, 15)},
        {"time of day is kept", makeDate(2001, 3, 15, 12), 1, makeDate(2002, 3, 15, 12)},
        {"from before 1900 across day 0, time kept", makeDate(1899, 12, 29, 6), 2, makeDate(1901, 12, 29, 6)},
        {"from after 1900 back before day 0, time kept", makeDate(1901, 12, 29, 6), -2,
         makeDate(1899, 12, 29, 6)},
        {"up to year 9999", makeDate(2001, 3, 15), 7998, makeDate(9999, 3, 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(addYears(c.start, c.count).serial, c.expected.serial);
    }
}

TEST(DateAddYears, OutsideTheYearsIsAnInvalidCall)
{
    EXPECT_EQ(errorNumberOf([] { addYears(makeDate(2001, 3, 15), 7999); }), err::InvalidCall);
    EXPECT_EQ(errorNumberOf([] { addYears(makeDate(2001, 3, 15), -1902); }), err::InvalidCall);
    EXPECT_EQ(errorNumberOf([] { addYears(makeDate(2001, 3, 15), 1e300); }), err::InvalidCall);
    EXPECT_EQ(errorNumberOf([] { addYears(makeDate(2001, 3, 15), std::nan("")); }), err::InvalidCall);
    EXPECT_EQ(errorNumberOf([] { addYears(Date{1e9}, 1); }), err::InvalidCall);
}

} // namespace
} // namespace orrin

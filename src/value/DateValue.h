#pragma once

#include "value/Variant.h"

#include <optional>
#include <string>
#include <string_view>

namespace orrin {

struct CalendarDate {
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Gregorian leap years: divisible by 4 and not by 100, or divisible by 400.
bool isLeapYear(int year);
// Days of a month (1 to 12) in a year; 0 for a month outside 1..12.
int daysInMonth(int year, int month);

// The date of a calendar day (time 0:00:00); throws 5 for an invalid day or a year outside 100..9999.
Date makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// The calendar day and the time of day (to the nearest second) of a date; throws 5 for a serial
// outside the years 100..9999. Before 30 December 1899 the fraction still counts forward from the
// start of the day: -1.25 is 29 December 1899, 6:00.
CalendarDate calendar(Date date);
int yearOf(Date date);
int monthOf(Date date);

// The storage form: "YYYY-MM-DD" at midnight, "YYYY-MM-DD HH:MM:SS" otherwise.
std::string formatDate(Date date);

// Reads a date from text: ISO "2001-03-15" (optionally followed by " HH:MM:SS" or "THH:MM:SS"),
// day first "15/03/2001", "15-03-2001", "15.03.2001", month names "15 March 2001", "15-Mar-2001",
// "March 15, 2001". Surrounding blanks are allowed. Nothing else reads as a date.
std::optional<Date> parseDate(std::string_view text);

// "Holds a date, or text that reads as one" (IsDate). Null, Empty and numbers are not dates.
bool isDateValue(const Variant& value);

// CDate: a date stays itself, text must read as a date, a number is a serial day, Empty is day 0.
// Null throws 94, a number outside the years 100..9999 throws 6, anything else 13.
Date toDate(const Variant& value);

// Calendar-year addition with the interval "yyyy": the count is rounded to a whole number (halves
// to even); month and day stay, except that 29 February becomes 28 February in a year without one.
// A result outside the years 100..9999 throws 5.
Date addYears(Date date, double count);

} // namespace orrin

#include "value/DateValue.h"

#include "value/Conversions.h"
#include "value/Error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace orrin {

namespace {

constexpr int FirstYear = 100;
constexpr int LastYear = 9999;

// Days from 1 January 1970 of a proleptic Gregorian date (the civil-from-days algorithm pair).
constexpr long long daysFromCivil(long long year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDay {
    long long year;
    int month;
    int day;
};

CivilDay civilFromDays(long long days)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Day 0 of the serial count: 30 December 1899. Constant-initialised, so that dates made while other
// files are being initialised already see them.
constexpr long long SerialEpoch = daysFromCivil(1899, 12, 30);
// The serials of 1 January 100 and of the day after 31 December 9999.
constexpr double FirstSerial = static_cast<double>(daysFromCivil(FirstYear, 1, 1) - SerialEpoch);
constexpr double EndSerial = static_cast<double>(daysFromCivil(LastYear + 1, 1, 1) - SerialEpoch);

bool validDate(long long year, int month, int day, int hour, int minute, int second)
{
    return year >= FirstYear && year <= LastYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(static_cast<int>(year), month) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59;
}

// A whole day and a time of day as a serial. Before day 0 the time still counts forward from the
// start of the day, so it is subtracted from the (negative) day number.
double serialOf(long long dayNumber, double timeFraction)
{
    const double day = static_cast<double>(dayNumber);
    return dayNumber >= 0 ? day + timeFraction : day - timeFraction;
}

// Splits a serial into its day number and its time of day (a fraction of a day, 0 <= f < 1).
void splitSerial(Date date, long long& dayNumber, double& timeFraction)
{
    if (!(date.serial > FirstSerial - 1.0 && date.serial < EndSerial)) {
        throw Error(err::InvalidCall, "Invalid procedure call or argument: the serial " +
                                          describe(Variant(date.serial)) +
                                          " is not a date of the years 100 to 9999");
    }
    const double whole = std::trunc(date.serial);
    dayNumber = static_cast<long long>(whole);
    timeFraction = std::fabs(date.serial - whole);
}

std::string twoDigits(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> Days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && isLeapYear(year) ? 29 : Days[static_cast<std::size_t>(month - 1)];
}

Date makeDate(int year, int month, int day, int hour, int minute, int second)
{
    if (!validDate(year, month, day, hour, minute, second)) {
        throw Error(err::InvalidCall, "Invalid procedure call or argument: " + std::to_string(year) + "-" +
                                          twoDigits(month) + "-" + twoDigits(day) + " " + twoDigits(hour) +
                                          ":" + twoDigits(minute) + ":" + twoDigits(second) +
                                          " is not a date and time of the years 100 to 9999");
    }
    const long long dayNumber = daysFromCivil(year, month, day) - SerialEpoch;
    const double timeFraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return Date{serialOf(dayNumber, timeFraction)};
}

CalendarDate calendar(Date date)
{
    long long dayNumber = 0;
    double timeFraction = 0.0;
    splitSerial(date, dayNumber, timeFraction);
    long long seconds = std::llround(timeFraction * 86400.0);
    if (seconds >= 86400) { // a time a hair before midnight shows as the next day's 0:00:00
        seconds -= 86400;
        dayNumber += 1;
    }
    const CivilDay civil = civilFromDays(dayNumber + SerialEpoch);
    CalendarDate result;
    result.year = static_cast<int>(civil.year);
    result.month = civil.month;
    result.day = civil.day;
    result.hour = static_cast<int>(seconds / 3600);
    result.minute = static_cast<int>(seconds / 60 % 60);
    result.second = static_cast<int>(seconds % 60);
    return result;
}

int yearOf(Date date)
{
    return calendar(date).year;
}

int monthOf(Date date)
{
    return calendar(date).month;
}

std::string formatDate(Date date)
{
    const CalendarDate c = calendar(date);
    char buffer[32];
    if (c.hour == 0 && c.minute == 0 && c.second == 0) {
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", c.year, c.month, c.day);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                      c.minute, c.second);
    }
    return buffer;
}

bool isDateValue(const Variant& value)
{
    if (value.isDate()) {
        return true;
    }
    return value.isText() && parseDate(value.text()).has_value();
}

Date toDate(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Date:
        return value.date();
    case Variant::Type::Empty:
        return Date{0.0};
    case Variant::Type::Null:
        throw Error(err::InvalidNull, "Invalid use of Null: a date is needed");
    case Variant::Type::Text: {
        if (auto date = parseDate(value.text())) {
            return *date;
        }
        throw Error(err::TypeMismatch, "Type mismatch: '" + value.text() + "' is not a date");
    }
    case Variant::Type::Bool:
    case Variant::Type::Short:
    case Variant::Type::Long:
    case Variant::Type::Double: {
        const double serial = value.number();
        if (!(serial > FirstSerial - 1.0 && serial < EndSerial)) {
            throw Error(err::Overflow, "Overflow: the number " + describe(value) +
                                           " is not a date of the years 100 to 9999");
        }
        return Date{serial + 0.0};
    }
    }
    throw Error(err::TypeMismatch, "Type mismatch: " + describe(value) + " is not a date");
}

Date addYears(Date date, double count)
{
    const double years = roundHalfEven(count);
    long long dayNumber = 0;
    double timeFraction = 0.0;
    splitSerial(date, dayNumber, timeFraction);
    const CivilDay civil = civilFromDays(dayNumber + SerialEpoch);
    const double newYear = static_cast<double>(civil.year) + years;
    if (!(newYear >= FirstYear && newYear <= LastYear)) {
        throw Error(err::InvalidCall, "Invalid procedure call or argument: " + formatDate(date) + " plus " +
                                          describe(Variant(count)) +
                                          " years is outside the years 100 to 9999");
    }
    const int year = static_cast<int>(newYear);
    // 29 February becomes 28 February in a year without one.
    const int day = std::min(civil.day, daysInMonth(year, civil.month));
    return Date{serialOf(daysFromCivil(year, civil.month, day) - SerialEpoch, timeFraction)};
}

} // namespace orrin

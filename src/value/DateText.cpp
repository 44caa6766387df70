#include "value/DateValue.h"

#include <array>
#include <optional>
#include <string>

namespace orrin {

namespace {

constexpr std::array<const char*, 12> MonthNames = {"january",   "february", "march",    "april",
                                                    "may",       "june",     "july",     "august",
                                                    "september", "october",  "november", "december"};

class DateCursor {
  public:
    explicit DateCursor(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos == m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }

    // minCount to maxCount digits, and no digit right after them.
    std::optional<int> number(std::size_t minCount, std::size_t maxCount)
    {
        std::size_t count = 0;
        int value = 0;
        while (!atEnd() && isDigit(peek()) && count < maxCount) {
            value = value * 10 + (peek() - '0');
            ++m_pos;
            ++count;
        }
        if (count < minCount || (!atEnd() && isDigit(peek()))) {
            return std::nullopt;
        }
        return value;
    }

    bool accept(char c)
    {
        if (peek() != c || atEnd()) {
            return false;
        }
        ++m_pos;
        return true;
    }

    std::size_t blanks()
    {
        std::size_t count = 0;
        while (!atEnd() && (peek() == ' ' || peek() == '\t')) {
            ++m_pos;
            ++count;
        }
        return count;
    }

    // An English month name, whole or its first three letters, in any case: 1 to 12.
    std::optional<int> monthName()
    {
        std::string word;
        while (!atEnd() && isLetter(peek())) {
            word += static_cast<char>(peek() | 0x20);
            ++m_pos;
        }
        if (word.size() < 3) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < MonthNames.size(); ++i) {
            const std::string_view name = MonthNames[i];
            if (word == name || (word.size() == 3 && name.substr(0, 3) == word)) {
                return static_cast<int>(i) + 1;
            }
        }
        return std::nullopt;
    }

  private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// The date, or nothing for a day that the calendar does not have (31/02/2001) or a year outside
// 100..9999: such a text is not a date.
std::optional<Date> checkedDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    if (year < 100 || year > 9999 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    return makeDate(year, month, day, hour, minute, second);
}

// "2001-03-15", "2001-03-15 14:05", "2001-03-15T14:05:09".
std::optional<Date> readIso(std::string_view text)
{
    DateCursor in(text);
    const auto year = in.number(4, 4);
    if (!year || !in.accept('-')) {
        return std::nullopt;
    }
    const auto month = in.number(1, 2);
    if (!month || !in.accept('-')) {
        return std::nullopt;
    }
    const auto day = in.number(1, 2);
    if (!day) {
        return std::nullopt;
    }
    if (in.atEnd()) {
        return checkedDate(*year, *month, *day);
    }
    if (!in.accept('T') && in.blanks() == 0) {
        return std::nullopt;
    }
    const auto hour = in.number(1, 2);
    if (!hour || !in.accept(':')) {
        return std::nullopt;
    }
    const auto minute = in.number(2, 2);
    if (!minute) {
        return std::nullopt;
    }
    std::optional<int> second = 0;
    if (in.accept(':')) {
        second = in.number(2, 2);
    }
    if (!second || !in.atEnd()) {
        return std::nullopt;
    }
    return checkedDate(*year, *month, *day, *hour, *minute, *second);
}

// "15/03/2001", "15-03-2001", "15.03.2001": the day first, one separator used twice.
std::optional<Date> readDayFirst(std::string_view text)
{
    DateCursor in(text);
    const auto day = in.number(1, 2);
    const char separator = in.peek();
    if (!day || (separator != '/' && separator != '-' && separator != '.') || !in.accept(separator)) {
        return std::nullopt;
    }
    const auto month = in.number(1, 2);
    if (!month || !in.accept(separator)) {
        return std::nullopt;
    }
    const auto year = in.number(4, 4);
    if (!year || !in.atEnd()) {
        return std::nullopt;
    }
    return checkedDate(*year, *month, *day);
}

// "15 March 2001", "15 Mar 2001", "15-Mar-2001".
std::optional<Date> readDayMonthName(std::string_view text)
{
    DateCursor in(text);
    const auto day = in.number(1, 2);
    if (!day) {
        return std::nullopt;
    }
    const bool dashes = in.accept('-');
    if (!dashes && in.blanks() == 0) {
        return std::nullopt;
    }
    const auto month = in.monthName();
    if (!month) {
        return std::nullopt;
    }
    if (dashes ? !in.accept('-') : in.blanks() == 0) {
        return std::nullopt;
    }
    const auto year = in.number(4, 4);
    if (!year || !in.atEnd()) {
        return std::nullopt;
    }
    return checkedDate(*year, *month, *day);
}

// "March 15, 2001", "Mar 15 2001".
std::optional<Date> readMonthNameFirst(std::string_view text)
{
    DateCursor in(text);
    const auto month = in.monthName();
    if (!month || in.blanks() == 0) {
        return std::nullopt;
    }
    const auto day = in.number(1, 2);
    if (!day) {
        return std::nullopt;
    }
    const bool comma = in.accept(',');
    if (in.blanks() == 0 && !comma) {
        return std::nullopt;
    }
    const auto year = in.number(4, 4);
    if (!year || !in.atEnd()) {
        return std::nullopt;
    }
    return checkedDate(*year, *month, *day);
}

} // namespace

std::optional<Date> parseDate(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // The storage form first: it is by far the most common.
    if (auto date = readIso(text)) {
        return date;
    }
    if (auto date = readDayFirst(text)) {
        return date;
    }
    if (auto date = readDayMonthName(text)) {
        return date;
    }
    return readMonthNameFirst(text);
}

} // namespace orrin

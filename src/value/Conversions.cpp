#include "value/Conversions.h"

#include "value/DateValue.h"
#include "value/Error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace orrin {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// How a text appears inside an error description: in single quotes, so that blanks show.
std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::string nullMessage(const char* what)
{
    return std::string("Invalid use of Null: ") + what;
}

// The power of ten of the leading significant digit of a decimal text that matched the number
// grammar: enough to tell an overflow from an underflow when the exact conversion is out of range.
long long decimalMagnitude(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    bool afterPoint = false;
    bool significant = false;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    for (; pos < text.size() && text[pos] != 'e' && text[pos] != 'E'; ++pos) {
        const char c = text[pos];
        if (c == '.') {
            afterPoint = true;
        } else if (!afterPoint) {
            if (significant || c != '0') {
                significant = true;
                ++integerDigits;
            }
        } else if (!significant) {
            if (c == '0') {
                ++leadingFractionZeros;
            } else {
                significant = true;
            }
        }
    }
    long long magnitude = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
    if (pos < text.size()) {
        ++pos; // the exponent mark
        bool negative = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negative = text[pos] == '-';
            ++pos;
        }
        long long exponent = 0;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            exponent = std::min<long long>(exponent * 10 + (text[pos] - '0'), 1'000'000'000);
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

// Converts a text that already matched the number grammar (sign, digits, one point, exponent with
// digits). Too large a number is an overflow (6); too small a one is zero, as the classic
// conversions give.
double convertDecimal(std::string_view text, std::string_view original)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (decimalMagnitude(text) > 0) {
            throw Error(err::Overflow, "Overflow: " + quoted(original) + " is too large for a number");
        }
        return 0.0;
    }
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        throw Error(err::TypeMismatch, "Type mismatch: " + quoted(original) + " is not a number");
    }
    if (value == 0.0) {
        return 0.0; // no minus zero
    }
    return negative ? -value : value;
}

// The whole text, blanks around it excepted, must match the number grammar; the grammar's text is
// returned without the blanks, or nothing.
std::optional<std::string_view> strictNumberText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    std::size_t mantissaDigits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        ++mantissaDigits;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        std::size_t exponentDigits = 0;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::string formatNumber(double value)
{
    if (!std::isfinite(value)) {
        throw Error(err::Overflow, "Overflow: the result of a calculation is not a finite number");
    }
    if (value == 0.0) {
        return "0"; // also for minus zero
    }
    // The longest fixed form of a double (the smallest subnormal) has about 330 characters.
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) {
        throw Error(err::Overflow, "Overflow: a number could not be written as text");
    }
    return std::string(buffer, end);
}

std::string toText(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Empty:
        return {};
    case Variant::Type::Null:
        throw Error(err::InvalidNull, nullMessage("a Null value has no text"));
    case Variant::Type::Text:
        return value.text();
    case Variant::Type::Bool:
        return value.boolean() ? "True" : "False";
    case Variant::Type::Short:
    case Variant::Type::Long:
    case Variant::Type::Double:
        return formatNumber(value.number());
    case Variant::Type::Date:
        return formatDate(value.date());
    }
    return {};
}

std::string joinText(const Variant& value)
{
    if (value.isNull()) {
        return {};
    }
    return toText(value);
}

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

std::string firstCharacters(std::string_view text, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if ((static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            if (seen == count) {
                return std::string(text.substr(0, pos));
            }
            ++seen;
        }
    }
    return std::string(text);
}

std::optional<double> parseNumber(std::string_view text)
{
    const auto number = strictNumberText(text);
    if (!number) {
        return std::nullopt;
    }
    try {
        return convertDecimal(*number, text);
    } catch (const Error&) {
        return std::nullopt; // too large: not a number that a double can hold
    }
}

namespace {

// The classic whole-number reading of "&H" and "&O" digits: a value of up to 16 bits is a 16-bit
// whole number and one of up to 32 bits a 32-bit one, both signed, so the top bit makes them negative
// ("&HFFFF" is -1, "&HFFFFFFFF" is -1, "&H10000" is 65536); a trailing "&" asks for the 32-bit
// reading even of a small value ("&HFFFF&" is 65535). Wider values read unsigned.
double radixValue(std::uint64_t value, bool longSuffix)
{
    if (value <= 0xFFFF && !longSuffix) {
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    }
    if (value <= 0xFFFFFFFF) {
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    }
    return static_cast<double>(value);
}

} // namespace

double Val(std::string_view text)
{
    // The blanks-free text of the leading number, built as the characters are accepted.
    std::string number;
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (isBlank(text[pos]) || text[pos] == '\n')) {
            ++pos;
        }
    };
    skipBlanks();
    if (pos < text.size() && text[pos] == '&') {
        // "&H" hexadecimal or "&O" octal digits; anything else after "&" reads as nothing.
        ++pos;
        skipBlanks();
        const char marker = pos < text.size() ? static_cast<char>(text[pos] | 0x20) : '\0';
        const unsigned shift = marker == 'h' ? 4 : marker == 'o' ? 3 : 0;
        if (shift == 0) {
            return 0.0;
        }
        ++pos;
        std::uint64_t value = 0;
        for (;;) {
            skipBlanks();
            if (pos >= text.size()) {
                break;
            }
            const char c = text[pos];
            const char lower = static_cast<char>(c | 0x20);
            int digit = -1;
            if (isDigit(c)) {
                digit = c - '0';
            } else if (shift == 4 && lower >= 'a' && lower <= 'f') {
                digit = lower - 'a' + 10;
            }
            if (digit < 0 || digit >= (1 << shift)) {
                break;
            }
            if (value > (std::numeric_limits<std::uint64_t>::max() >> shift)) {
                throw Error(err::Overflow, "Overflow: " + quoted(text) + " is too large for a number");
            }
            value = (value << shift) | static_cast<std::uint64_t>(digit);
            ++pos;
        }
        return radixValue(value, pos < text.size() && text[pos] == '&');
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        number += text[pos++];
    }
    bool point = false;
    std::size_t mantissaDigits = 0;
    for (;;) {
        skipBlanks();
        if (pos >= text.size()) {
            break;
        }
        const char c = text[pos];
        if (isDigit(c)) {
            ++mantissaDigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        number += c;
        ++pos;
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
        // "D" marks an exponent as "E" does ("2D1" is 20). The exponent counts only when digits
        // follow; "1e" and "1e+" read as 1.
        std::size_t look = pos + 1;
        std::string exponent = "e";
        auto skipBlanksAt = [&] {
            while (look < text.size() && (isBlank(text[look]) || text[look] == '\n')) {
                ++look;
            }
        };
        skipBlanksAt();
        if (look < text.size() && (text[look] == '+' || text[look] == '-')) {
            exponent += text[look++];
        }
        bool exponentDigits = false;
        for (;;) {
            skipBlanksAt();
            if (look >= text.size() || !isDigit(text[look])) {
                break;
            }
            exponent += text[look++];
            exponentDigits = true;
        }
        if (exponentDigits) {
            number += exponent;
        }
    }
    return convertDecimal(number, text);
}

double Val(const Variant& value)
{
    if (value.isNull()) {
        throw Error(err::InvalidNull, nullMessage("Val needs a text or a number"));
    }
    return Val(toText(value));
}

double toDouble(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Empty:
        return 0.0;
    case Variant::Type::Null:
        throw Error(err::InvalidNull, nullMessage("a number is needed"));
    case Variant::Type::Text: {
        const auto number = strictNumberText(value.text());
        if (!number) {
            throw Error(err::TypeMismatch, "Type mismatch: " + quoted(value.text()) + " is not a number");
        }
        return convertDecimal(*number, value.text());
    }
    case Variant::Type::Bool:
    case Variant::Type::Short:
    case Variant::Type::Long:
    case Variant::Type::Double:
        return value.number();
    case Variant::Type::Date:
        return value.date().serial;
    }
    return 0.0;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value)) {
        return value;
    }
    const double below = std::floor(value);
    const double fraction = value - below; // exact: both lie in the same binade or below
    if (fraction < 0.5) {
        return below + 0.0; // + 0.0 turns a minus zero into zero
    }
    if (fraction > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below + 0.0 : below + 1.0;
}

namespace {

template <class Integer> Integer toWhole(const Variant& value, const char* typeWithArticle)
{
    const double rounded = roundHalfEven(toDouble(value));
    constexpr double lowest = static_cast<double>(std::numeric_limits<Integer>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<Integer>::max());
    if (!(rounded >= lowest && rounded <= highest)) {
        throw Error(err::Overflow, "Overflow: " + describe(value) + " does not fit " + typeWithArticle +
                                       " (" + formatNumber(lowest) + " to " + formatNumber(highest) + ")");
    }
    return static_cast<Integer>(rounded);
}

} // namespace

std::int32_t toLong(const Variant& value)
{
    return toWhole<std::int32_t>(value, "a Long");
}

std::int16_t toShort(const Variant& value)
{
    return toWhole<std::int16_t>(value, "an Integer");
}

bool equals(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) {
        return false;
    }
    if (a.isEmpty() && b.isEmpty()) {
        return true;
    }
    // Empty takes the shape of the other side: "" against text, 0 against a number or a date.
    if (a.isEmpty() || b.isEmpty()) {
        const Variant& other = a.isEmpty() ? b : a;
        if (other.isText()) {
            return other.text().empty();
        }
        return toDouble(other) == 0.0;
    }
    if (a.isText() && b.isText()) {
        return a.text() == b.text();
    }
    if (!a.isText() && !b.isText()) {
        return toDouble(a) == toDouble(b);
    }
    const Variant& text = a.isText() ? a : b;
    const Variant& other = a.isText() ? b : a;
    if (other.isDate()) {
        const auto date = parseDate(text.text());
        if (!date) {
            throw Error(err::TypeMismatch, "Type mismatch: cannot compare the date " + describe(other) +
                                               " with " + quoted(text.text()) + ", which is not a date");
        }
        return date->serial == other.date().serial;
    }
    const auto number = parseNumber(text.text());
    if (!number) {
        throw Error(err::TypeMismatch, "Type mismatch: cannot compare the number " + describe(other) +
                                           " with " + quoted(text.text()) + ", which is not a number");
    }
    return *number == other.number();
}

} // namespace orrin

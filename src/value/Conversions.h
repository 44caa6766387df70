#pragma once

#include "value/Variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orrin {

// All conversions throw orrin::Error with the classic numbers (value/Error.h): 94 for a Null where a
// value is needed, 13 for a value that does not convert, 6 for a number out of range.

// Shortest text that reads back to the same double, never with an exponent: 15, -3, 12.5, 0.1,
// 1000000. Minus zero is "0". Used wherever a number becomes text, also inside SQL texts.
std::string formatNumber(double value);

// The text of a value: Empty gives "", numbers formatNumber, booleans "True"/"False", dates
// formatDate. Null throws 94.
std::string toText(const Variant& value);

// Like toText, but Null (and Empty) count as the empty text: the "&" of text joins.
std::string joinText(const Variant& value);

// Length in characters (UTF-8 code points) and the first n characters of a text.
std::size_t characterCount(std::string_view text);
std::string firstCharacters(std::string_view text, std::size_t count);

// The text reads wholly as a decimal number (blanks around it allowed; sign, one point, exponent).
std::optional<double> parseNumber(std::string_view text);

// Val: the leading decimal number of a text. Blanks are skipped anywhere ("1 5" is 15); a sign, one
// decimal point and an exponent marked E or D are accepted ("2D1" is 20); reading stops at the first
// other character; 0 when nothing reads. "15 yrs" is 15, "" is 0, "abc" is 0. "&H" and "&O" read
// hexadecimal and octal whole numbers, up to 16 bits and up to 32 bits as signed numbers of that
// width ("&H1F" is 31, "&O17" is 15, "&HFFFF" is -1, "&H10000" is 65536, "&HFFFFFFFF" is -1), a
// trailing "&" taking the 32-bit reading ("&HFFFF&" is 65535). Too large a number throws 6.
double Val(std::string_view text);
// A text given as std::string or a literal would otherwise be ambiguous between the two overloads.
inline double Val(const std::string& text)
{
    return Val(std::string_view(text));
}
inline double Val(const char* text)
{
    return Val(std::string_view(text));
}
// Val of a value's text (toText first): Null throws 94, a number reads as itself.
double Val(const Variant& value);

// Number conversions. Text must read wholly as a number (parseNumber), "" included as a failure
// (13). Empty is 0; a date is its serial; true is -1.
double toDouble(const Variant& value);
// Round to the nearest whole number, exact halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
double roundHalfEven(double value);
// toDouble, then roundHalfEven, then a range check (6 when out of range).
std::int32_t toLong(const Variant& value);
std::int16_t toShort(const Variant& value);

// Classic comparison "a = b" of a condition: Null on either side is never equal (false); text with
// text compares exactly and case-sensitively; numbers (and dates) compare numerically; a number with
// text that reads wholly as a number compares as numbers, with other text it throws 13. Empty counts
// as "" against text and 0 against a number.
bool equals(const Variant& a, const Variant& b);

} // namespace orrin

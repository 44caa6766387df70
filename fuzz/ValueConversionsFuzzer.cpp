// Feeds arbitrary text to the value conversions. Nothing may crash, and what reads as a number or a
// date must come back unchanged through its own text: formatNumber/parseNumber and
// formatDate/parseDate are the forms numbers and dates are stored and pasted in.

#include "value/Conversions.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A conversion may refuse a value with an orrin::Error; any other way out is a fault.
template <class F> void refusedOrDone(F&& f)
{
    try {
        f();
    } catch (const orrin::Error&) {
    }
}

void numberRoundTrip(double value)
{
    if (!std::isfinite(value))
        return;
    const std::string text = orrin::formatNumber(value);
    require(text.find_first_of("eE") == std::string::npos);
    const auto back = orrin::parseNumber(text);
    require(back.has_value());
    require(*back == value || (value == 0 && *back == 0));
    require(orrin::Val(text) == *back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Val refuses only a number too large for a double (overflow, as the classic Val does).
    refusedOrDone([&] { (void)orrin::Val(text); });
    if (const auto number = orrin::parseNumber(text))
        numberRoundTrip(*number);

    if (const auto date = orrin::parseDate(text)) {
        const std::string stored = orrin::formatDate(*date);
        const auto back = orrin::parseDate(stored);
        require(back.has_value());
        require(orrin::formatDate(*back) == stored);
        refusedOrDone([&] { (void)orrin::addYears(*date, 21); });
        refusedOrDone([&] { (void)orrin::calendar(*date); });
    }

    const orrin::Variant value{std::string(text)};
    refusedOrDone([&] { (void)orrin::toDouble(value); });
    refusedOrDone([&] { (void)orrin::toLong(value); });
    refusedOrDone([&] { (void)orrin::toShort(value); });
    refusedOrDone([&] { (void)orrin::toDate(value); });
    refusedOrDone([&] { (void)orrin::equals(value, orrin::Variant(15.0)); });
    (void)orrin::isDateValue(value);
    (void)orrin::characterCount(text);
    (void)orrin::firstCharacters(text, 25);

    // The same bytes read as a double: every finite double has a text that reads back exactly.
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        numberRoundTrip(raw);
        (void)orrin::roundHalfEven(raw);
        refusedOrDone([&] { (void)orrin::toLong(orrin::Variant(raw)); });
        refusedOrDone([&] { (void)orrin::toShort(orrin::Variant(raw)); });
        refusedOrDone([&] { (void)orrin::toDate(orrin::Variant(raw)); });
        refusedOrDone([&] { (void)orrin::addYears(orrin::Date{raw}, raw); });
    }
    return 0;
}

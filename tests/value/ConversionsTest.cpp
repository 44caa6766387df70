#include "value/Conversions.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include "value/ErrorNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace orrin {
namespace {

using testing::errorNumberOf;

TEST(FormatNumber, ShortestPlainText)
{
    struct Case {
        const char* name;
        double value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"zero", 0.0, "0"},
        {"minus zero is zero", -0.0, "0"},
        {"whole number", 15.0, "15"},
        {"negative whole number", -3.0, "-3"},
        {"one tenth keeps its shortest form", 0.1, "0.1"},
        {"a half", 12.5, "12.5"},
        {"million has no exponent", 1000000.0, "1000000"},
        {"1e20 is written out", 1e20, "100000000000000000000"},
        {"fraction with many digits", 1234567.891, "1234567.891"},
        {"small number has no exponent", 0.0000001, "0.0000001"},
        {"sum that is not exactly 0.3", 0.1 + 0.2, "0.30000000000000004"},
        {"negative fraction", -0.25, "-0.25"},
        {"largest Long", 2147483647.0, "2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatNumber(c.value), c.expected);
    }
}

TEST(FormatNumber, ReadsBackToTheSameDouble)
{
    for (const double value :
         {0.1, 1.0 / 3.0, 2.0 / 3.0 * 1e10, 123456.789e-3, 5e-324, 1.7976931348623157e308}) {
        SCOPED_TRACE(value);
        const auto back = parseNumber(formatNumber(value));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, value);
        EXPECT_EQ(formatNumber(value).find('e'), std::string::npos);
    }
}

TEST(FormatNumber, NotFiniteIsAnOverflow)
{
    EXPECT_EQ(errorNumberOf([] { formatNumber(std::numeric_limits<double>::infinity()); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { formatNumber(std::nan("")); }), err::Overflow);
}

TEST(VariantVal, LeadingNumberOfText)
{
    struct Case {
        const char* name;
        const char* text;
        double expected;
    };
    const std::vector<Case> cases = {
        {"plain number", "15", 15.0},
        {"number then a word", "15 yrs", 15.0},
        {"empty text", "", 0.0},
        {"blanks only", "   ", 0.0},
        {"blank inside digits is skipped", "1 5", 15.0},
        {"tab inside digits is skipped", "1\t5", 15.0},
        {"line feed inside digits is skipped", "1\n5", 15.0},
        {"leading blanks", "   42", 42.0},
        {"starts with a letter", "abc", 0.0},
        {"letter before digits", "x15", 0.0},
        {"decimal", "12.5", 12.5},
        {"second point stops", "1.2.3", 1.2},
        {"leading point", ".5", 0.5},
        {"trailing point", "7.", 7.0},
        {"negative", "-3", -3.0},
        {"plus sign", "+4", 4.0},
        {"blank after sign", "- 5", -5.0},
        {"second sign stops", "5-3", 5.0},
        {"sign alone", "-", 0.0},
        {"point alone", ".", 0.0},
        {"exponent", "1e3", 1000.0},
        {"capital exponent with sign", "25E-1", 2.5},
        {"exponent without digits reads the mantissa", "1e", 1.0},
        {"exponent sign without digits", "1e+", 1.0},
        {"exponent then letters", "2e2x", 200.0},
        {"exponent alone is nothing", "e5", 0.0},
        {"comma stops", "1,000", 1.0},
        {"date text gives its year", "2001-03-15", 2001.0},
        {"minus zero is zero", "-0", 0.0},
        {"tiny number underflows to zero", "1e-400", 0.0},
        {"D marks an exponent", "2D1", 20.0},
        {"lower-case d with a sign", "15d-1", 1.5},
        {"D without digits reads the mantissa", "7D", 7.0},
        {"hexadecimal", "&H1F", 31.0},
        {"hexadecimal in lower case", "&hff", 255.0},
        {"blanks inside a hexadecimal number", "&H 1 F", 31.0},
        {"hexadecimal stops at the first other letter", "&H1G", 1.0},
        {"hexadecimal without digits", "&H", 0.0},
        {"16-bit top bit set is negative", "&H8000", -32768.0},
        {"16-bit all bits set is -1", "&HFFFF", -1.0},
        {"leading zeros do not widen", "&H0FFFF", -1.0},
        {"trailing & reads 32 bits", "&HFFFF&", 65535.0},
        {"five digits read 32 bits", "&H10000", 65536.0},
        {"six digits", "&HFFFFFF", 16777215.0},
        {"largest positive 32-bit", "&H7FFFFFFF", 2147483647.0},
        {"32-bit top bit set is negative", "&H80000000", -2147483648.0},
        {"32-bit all bits set is -1", "&HFFFFFFFF", -1.0},
        {"nine digits read unsigned", "&H100000000", 4294967296.0},
        {"octal", "&O17", 15.0},
        {"octal in lower case", "&o777", 511.0},
        {"octal stops at 8", "&O18", 1.0},
        {"16-bit octal all bits set is -1", "&O177777", -1.0},
        {"octal past 16 bits", "&O200000", 65536.0},
        {"ampersand without a radix", "&12", 0.0},
        {"sign before a radix prefix", "-&H1F", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double result = Val(std::string_view(c.text));
        EXPECT_EQ(result, c.expected);
        EXPECT_FALSE(std::signbit(result) && result == 0.0);
    }
}

TEST(VariantVal, HugeNumberIsAnOverflow)
{
    EXPECT_EQ(errorNumberOf([] { Val(std::string_view("1e400")); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Val(std::string_view("1D400")); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Val(std::string_view("&H10000000000000000")); }), err::Overflow);
}

TEST(VariantVal, OfVariants)
{
    struct Case {
        const char* name;
        Variant value;
        double expected;
    };
    const std::vector<Case> cases = {
        {"text", Variant("15 yrs"), 15.0},
        {"Empty reads as the empty text", Variant(), 0.0},
        {"double reads as itself", Variant(12.5), 12.5},
        {"Long", Variant(std::int32_t{-7}), -7.0},
        {"Short", Variant(std::int16_t{300}), 300.0},
        {"large double", Variant(1e20), 1e20},
        {"True reads as its text, which is no number", Variant(true), 0.0},
        {"a date reads as its year", Variant(makeDate(2001, 3, 15)), 2001.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Val(c.value), c.expected);
    }
    EXPECT_EQ(errorNumberOf([] { Val(Variant::null()); }), err::InvalidNull);
}

TEST(ParseNumber, WholeTextMustBeANumber)
{
    struct Case {
        const char* name;
        const char* text;
        std::optional<double> expected;
    };
    const std::vector<Case> cases = {
        {"plain", "15", 15.0},
        {"blanks around", "  12.5 ", 12.5},
        {"tabs around", "\t3\t", 3.0},
        {"sign and exponent", "-1.5e2", -150.0},
        {"plus sign", "+2", 2.0},
        {"leading point", ".25", 0.25},
        {"empty is not a number", "", std::nullopt},
        {"blanks are not a number", "   ", std::nullopt},
        {"word after number", "15 yrs", std::nullopt},
        {"blank inside", "1 5", std::nullopt},
        {"exponent without digits", "1e", std::nullopt},
        {"two points", "1.2.3", std::nullopt},
        {"sign alone", "-", std::nullopt},
        {"letters", "abc", std::nullopt},
        {"thousands separator", "1,000", std::nullopt},
        {"too large for a double", "1e400", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseNumber(c.text), c.expected);
    }
}

TEST(ToDouble, ConvertsOrFails)
{
    struct Case {
        const char* name;
        Variant value;
        double expected;
    };
    const std::vector<Case> cases = {
        {"Empty is zero", Variant(), 0.0},
        {"number text", Variant(" 1234.5 "), 1234.5},
        {"true is minus one", Variant(true), -1.0},
        {"false is zero", Variant(false), 0.0},
        {"Short", Variant(std::int16_t{-12}), -12.0},
        {"a date is its serial", Variant(makeDate(2001, 3, 15)), 36965.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toDouble(c.value), c.expected);
    }
    struct Failure {
        const char* name;
        Variant value;
        std::int32_t number;
    };
    const std::vector<Failure> failures = {
        {"Null", Variant::null(), err::InvalidNull},
        {"empty text", Variant(""), err::TypeMismatch},
        {"word", Variant("abc"), err::TypeMismatch},
        {"number then word", Variant("15 yrs"), err::TypeMismatch},
        {"too large", Variant("1e400"), err::Overflow},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(errorNumberOf([&] { toDouble(f.value); }), f.number);
    }
}

TEST(ToDouble, MismatchNamesTheValue)
{
    try {
        toDouble(Variant("abc"));
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), "Type mismatch: 'abc' is not a number");
    }
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    struct Case {
        double value;
        double expected;
    };
    const std::vector<Case> cases = {
        {12.5, 12.0},   {13.5, 14.0},
        {-2.5, -2.0},   {-3.5, -4.0},
        {0.5, 0.0},     {1.5, 2.0},
        {2.4999, 2.0},  {2.5001, 3.0},
        {-0.4, 0.0},    {-0.6, -1.0},
        {7.0, 7.0},     {119.5, 120.0},
        {118.5, 118.0}, {4503599627370497.0, 4503599627370497.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const double result = roundHalfEven(c.value);
        EXPECT_EQ(result, c.expected);
        EXPECT_FALSE(std::signbit(result) && result == 0.0) << "minus zero";
    }
}

TEST(ToLong, RoundsAndChecksTheRange)
{
    struct Case {
        const char* name;
        Variant value;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"12.5 rounds down to even", Variant(12.5), 12},
        {"13.5 rounds up to even", Variant(13.5), 14},
        {"-2.5 rounds to -2", Variant(-2.5), -2},
        {"number text", Variant("12.5"), 12},
        {"largest", Variant(2147483647.0), 2147483647},
        {"smallest", Variant(-2147483648.0), std::numeric_limits<std::int32_t>::min()},
        {"half below the top rounds to even inside the range", Variant(2147483646.5), 2147483646},
        {"Empty", Variant(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toLong(c.value), c.expected);
    }
    EXPECT_EQ(errorNumberOf([] { toLong(Variant(2147483647.5)); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(Variant(-2147483649.0)); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(Variant(3e9)); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(Variant(std::nan(""))); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(Variant::null()); }), err::InvalidNull);
    EXPECT_EQ(errorNumberOf([] { toLong(Variant("15 yrs")); }), err::TypeMismatch);
}

TEST(ToShort, RoundsAndChecksTheRange)
{
    EXPECT_EQ(toShort(Variant(32767.0)), 32767);
    EXPECT_EQ(toShort(Variant(-32768.0)), -32768);
    EXPECT_EQ(toShort(Variant(32766.5)), 32766);
    EXPECT_EQ(toShort(Variant("-7.5")), -8);
    EXPECT_EQ(errorNumberOf([] { toShort(Variant(std::int32_t{70000})); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toShort(Variant(32767.5)); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toShort(Variant(-32769.0)); }), err::Overflow);
    try {
        toShort(Variant(std::int32_t{70000}));
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), "Overflow: 70000 does not fit an Integer (-32768 to 32767)");
    }
}

TEST(Equals, ClassicComparison)
{
    struct Case {
        const char* name;
        Variant a;
        Variant b;
        bool expected;
    };
    const Date march15 = makeDate(2001, 3, 15);
    const std::vector<Case> cases = {
        {"Null with Null", Variant::null(), Variant::null(), false},
        {"Null with text", Variant::null(), Variant("S"), false},
        {"number with Null", Variant(0.0), Variant::null(), false},
        {"Null with empty text", Variant::null(), Variant(""), false},
        {"same text", Variant("S"), Variant("S"), true},
        {"text differs in case", Variant("s"), Variant("S"), false},
        {"text with trailing blank", Variant("S "), Variant("S"), false},
        {"leading zeros differ as text", Variant("014"), Variant("14"), false},
        {"numbers of different types", Variant(std::int16_t{152}), Variant(152.0), true},
        {"different numbers", Variant(152.0), Variant(153.0), false},
        {"number with number text", Variant(0.0), Variant("0"), true},
        {"number with padded number text", Variant("  152 "), Variant(std::int32_t{152}), true},
        {"number with leading-zero text", Variant("014"), Variant(14.0), true},
        {"Empty with empty text", Variant(), Variant(""), true},
        {"Empty with text", Variant(), Variant("a"), false},
        {"Empty with zero", Variant(), Variant(0.0), true},
        {"Empty with one", Variant(1.0), Variant(), false},
        {"Empty with Empty", Variant(), Variant(), true},
        {"true with minus one", Variant(true), Variant(-1.0), true},
        {"same dates", Variant(march15), Variant(makeDate(2001, 3, 15)), true},
        {"date with its serial", Variant(march15), Variant(36965.0), true},
        {"date with date text", Variant(march15), Variant("15/03/2001"), true},
        {"date with other date text", Variant("2001-03-16"), Variant(march15), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(equals(c.a, c.b), c.expected);
        EXPECT_EQ(equals(c.b, c.a), c.expected) << "swapped";
    }
}

TEST(Equals, NumberWithWordIsATypeMismatch)
{
    EXPECT_EQ(errorNumberOf([] { equals(Variant("ABC"), Variant(0.0)); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { equals(Variant(0.0), Variant("")); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { equals(Variant(makeDate(2001, 3, 15)), Variant("soon")); }),
              err::TypeMismatch);
}

TEST(ToText, TextOfEachType)
{
    struct Case {
        const char* name;
        Variant value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"Empty", Variant(), ""},
        {"text", Variant("F0012"), "F0012"},
        {"double", Variant(12.5), "12.5"},
        {"Long", Variant(std::int32_t{-3}), "-3"},
        {"true", Variant(true), "True"},
        {"false", Variant(false), "False"},
        {"date", Variant(makeDate(2001, 3, 15)), "2001-03-15"},
        {"date and time", Variant(Date{36965.5}), "2001-03-15 12:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toText(c.value), c.expected);
        EXPECT_EQ(joinText(c.value), c.expected);
    }
    EXPECT_EQ(errorNumberOf([] { toText(Variant::null()); }), err::InvalidNull);
    EXPECT_EQ(joinText(Variant::null()), "");
}

TEST(Characters, CountsAndCutsWholeCharacters)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t count;
        std::size_t cut;
        std::string first;
    };
    const std::vector<Case> cases = {
        {"ascii", "Address line", 12, 7, "Address"},
        {"shorter than the cut", "abc", 3, 25, "abc"},
        {"empty", "", 0, 5, ""},
        {"cut to nothing", "abc", 3, 0, ""},
        {"accented letters", "Jos\xC3\xA9 M\xC3\xBCller", 11, 4, "Jos\xC3\xA9"},
        {"devanagari", "\xE0\xA4\xAE\xE0\xA5\x81\xE0\xA4\x82\xE0\xA4\xAC\xE0\xA4\x88", 5, 2,
         "\xE0\xA4\xAE\xE0\xA5\x81"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(characterCount(c.text), c.count);
        EXPECT_EQ(firstCharacters(c.text, c.cut), c.first);
    }
}

} // namespace
} // namespace orrin

#include "value/Variant.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orrin {
namespace {

TEST(VariantType, KeepsKindsApart)
{
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_TRUE(Variant::null().isNull());
    EXPECT_TRUE(Variant("").isText());
    EXPECT_FALSE(Variant("").isEmpty());
    EXPECT_FALSE(Variant() == Variant::null());
    EXPECT_FALSE(Variant("") == Variant());
    EXPECT_TRUE(Variant::null() == Variant::null());
    EXPECT_FALSE(Variant(std::int16_t{1}) == Variant(std::int32_t{1})) << "identity includes the type";
    EXPECT_EQ(Variant(std::int16_t{1}).type(), Variant::Type::Short);
    EXPECT_EQ(Variant(std::int32_t{1}).type(), Variant::Type::Long);
    EXPECT_EQ(Variant(Date{1.0}).type(), Variant::Type::Date);
    EXPECT_TRUE(Variant(true).isNumber());
    EXPECT_FALSE(Variant(Date{1.0}).isNumber());
}

TEST(VariantNumber, NumericValue)
{
    EXPECT_EQ(Variant(true).number(), -1.0);
    EXPECT_EQ(Variant(false).number(), 0.0);
    EXPECT_EQ(Variant(std::int16_t{-32768}).number(), -32768.0);
    EXPECT_EQ(Variant(std::int32_t{2147483647}).number(), 2147483647.0);
    EXPECT_EQ(Variant(0.1).number(), 0.1);
    try {
        Variant("12").number();
        FAIL() << "text is not a number value";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::TypeMismatch);
    }
}

TEST(Describe, ReadableRendering)
{
    struct Case {
        const char* name;
        Variant value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"Empty", Variant(), "Empty"},
        {"Null", Variant::null(), "Null"},
        {"text is quoted", Variant("abc"), "\"abc\""},
        {"empty text", Variant(""), "\"\""},
        {"number", Variant(12.0), "12"},
        {"fraction", Variant(0.1), "0.1"},
        {"true", Variant(true), "True"},
        {"date", Variant(makeDate(2001, 3, 15)), "2001-03-15"},
        {"not a number", Variant(std::nan("")), "NaN"},
        {"infinity", Variant(-HUGE_VAL), "-Infinity"},
        {"date outside the years", Variant(Date{1e9}), "Date(serial 1000000000)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(c.value), c.expected);
    }
}

} // namespace
} // namespace orrin

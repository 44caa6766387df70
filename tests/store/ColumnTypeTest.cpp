#include "store/ColumnType.h"
#include "store/StoreError.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>

#include <optional>

namespace orrin::store {
namespace {

using Kind = ColumnType::Kind;

struct ParseCase {
    const char* name;
    const char* declared;
    Kind kind;
    std::size_t size;
};

class ColumnTypeParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ColumnTypeParse, readsAccessTypeNames)
{
    const ColumnType type = ColumnType::parse(GetParam().declared);
    EXPECT_EQ(type.kind, GetParam().kind);
    EXPECT_EQ(type.size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Declarations, ColumnTypeParse,
                         ::testing::Values(ParseCase{"TextWithSize", "TEXT(25)", Kind::Text, 25},
                                           ParseCase{"TextInLowerCase", "text(1)", Kind::Text, 1},
                                           ParseCase{"VarcharIsText", "VARCHAR(80)", Kind::Text, 80},
                                           ParseCase{"TextWithoutSizeHasNoLimit", "TEXT", Kind::Text, 0},
                                           ParseCase{"Memo", "MEMO", Kind::Memo, 0},
                                           ParseCase{"Byte", "BYTE", Kind::Byte, 0},
                                           ParseCase{"Short", "SHORT", Kind::Short, 0},
                                           ParseCase{"Long", "LONG", Kind::Long, 0},
                                           ParseCase{"IntegerIsLong", "INTEGER", Kind::Long, 0},
                                           ParseCase{"Single", "SINGLE", Kind::Single, 0},
                                           ParseCase{"Double", "DOUBLE", Kind::Double, 0},
                                           ParseCase{"RealIsDouble", "REAL", Kind::Double, 0},
                                           ParseCase{"Currency", "CURRENCY", Kind::Currency, 0},
                                           ParseCase{"DateTime", "DATETIME", Kind::DateTime, 0},
                                           ParseCase{"YesNo", "YESNO", Kind::YesNo, 0},
                                           ParseCase{"NoDeclarationIsUnknown", "", Kind::Unknown, 0},
                                           ParseCase{"StrangeNameIsUnknown", "GEOMETRY", Kind::Unknown, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ConvertCase {
    const char* name;
    ColumnType type;
    Variant input;
    std::optional<Variant> expected; // nullopt: an error is expected
    std::int32_t errorNumber;
    const char* message; // checked when not empty
};

ColumnType text(std::size_t size)
{
    return ColumnType{Kind::Text, size};
}
ColumnType kind(Kind k)
{
    return ColumnType{k, 0};
}
Variant shortValue(int v)
{
    return Variant(static_cast<std::int16_t>(v));
}
Variant longValue(int v)
{
    return Variant(static_cast<std::int32_t>(v));
}

class ConvertForColumn : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertForColumn, convertsLikeAnAccessField)
{
    const ConvertCase& c = GetParam();
    if (c.expected) {
        const Variant result = convertForColumn(c.type, c.input, "Policies", "Field");
        EXPECT_EQ(result, *c.expected) << describe(result) << " instead of " << describe(*c.expected);
        return;
    }
    try {
        const Variant result = convertForColumn(c.type, c.input, "Policies", "Field");
        FAIL() << "converted to " << describe(result);
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), c.errorNumber);
        if (std::string(c.message).size() > 0) {
            EXPECT_EQ(error.description(), c.message);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConvertForColumn,
    ::testing::Values(
        ConvertCase{"NullStaysNull", text(25), Variant::null(), Variant::null(), 0, ""},
        ConvertCase{"EmptyAssignsNull", kind(Kind::Double), Variant(), Variant::null(), 0, ""},
        ConvertCase{"EmptyTextStaysEmptyText", text(25), Variant(""), Variant(""), 0, ""},
        ConvertCase{"NumberIntoTextIsShortestText", text(10), Variant(12.5), Variant("12.5"), 0, ""},
        ConvertCase{"WholeNumberIntoText", text(10), longValue(15), Variant("15"), 0, ""},
        ConvertCase{"BooleanIntoText", text(10), Variant(true), Variant("True"), 0, ""},
        ConvertCase{"DateIntoTextIsStorageForm", text(20), Variant(makeDate(2001, 3, 15)),
                    Variant("2001-03-15"), 0, ""},
        ConvertCase{"TextOfExactlyTheSizeFits", text(5), Variant("ABCDE"), Variant("ABCDE"), 0, ""},
        ConvertCase{"SizeCountsCharactersNotBytes", text(5), Variant("\u0930\u0935\u093f \u0915"),
                    Variant("\u0930\u0935\u093f \u0915"), 0, ""},
        ConvertCase{
            "TooLongTextNamesTableFieldAndValue", text(25), Variant("Flat 12, Shanti Niketan Road, Pune"),
            std::nullopt, code::FieldTooSmall,
            "The field 'Policies.Field' is too small for the value 'Flat 12, Shanti Niketan Road, Pune' "
            "(34 characters, at most 25)."},
        ConvertCase{"MemoHasNoLimit", kind(Kind::Memo), Variant(std::string(3000, 'x')),
                    Variant(std::string(3000, 'x')), 0, ""},
        ConvertCase{"NumberTextIntoLong", kind(Kind::Long), Variant("15"), longValue(15), 0, ""},
        ConvertCase{"BlanksAroundNumberText", kind(Kind::Long), Variant(" 15 "), longValue(15), 0, ""},
        ConvertCase{"HalfRoundsToEvenDown", kind(Kind::Long), Variant(12.5), longValue(12), 0, ""},
        ConvertCase{"HalfRoundsToEvenUp", kind(Kind::Long), Variant(13.5), longValue(14), 0, ""},
        ConvertCase{"TrueIntoLongIsMinusOne", kind(Kind::Long), Variant(true), longValue(-1), 0, ""},
        ConvertCase{"LongUpperBound", kind(Kind::Long), Variant(2147483647.0), longValue(2147483647), 0, ""},
        ConvertCase{"LongOverflow", kind(Kind::Long), Variant(2147483648.0), std::nullopt, err::Overflow, ""},
        ConvertCase{"ShortUpperBound", kind(Kind::Short), Variant(32767.0), shortValue(32767), 0, ""},
        ConvertCase{"ShortLowerBound", kind(Kind::Short), Variant("-32768"), shortValue(-32768), 0, ""},
        ConvertCase{
            "ShortOverflowNamesFieldAndValue", kind(Kind::Short), longValue(40000), std::nullopt,
            err::Overflow,
            "Overflow: the value '40000' does not fit the field 'Policies.Field' (whole numbers from -32768 "
            "to 32767)."},
        ConvertCase{"ShortOverflowByRounding", kind(Kind::Short), Variant(32767.5), std::nullopt,
                    err::Overflow, ""},
        ConvertCase{"ByteUpperBound", kind(Kind::Byte), Variant(255.0), shortValue(255), 0, ""},
        ConvertCase{"ByteBelowZero", kind(Kind::Byte), longValue(-1), std::nullopt, err::Overflow, ""},
        ConvertCase{"AbcIntoDoubleFails", kind(Kind::Double), Variant("abc"), std::nullopt, err::TypeMismatch,
                    "Type mismatch: cannot store 'abc' in the number field 'Policies.Field'."},
        ConvertCase{"EmptyTextIntoDoubleFails", kind(Kind::Double), Variant(""), std::nullopt,
                    err::TypeMismatch, ""},
        ConvertCase{"PartlyNumericTextFails", kind(Kind::Double), Variant("15 yrs"), std::nullopt,
                    err::TypeMismatch, ""},
        ConvertCase{"DoubleKeepsFraction", kind(Kind::Double), Variant("1234.5678"), Variant(1234.5678), 0,
                    ""},
        ConvertCase{"SingleStoresFloatRoundedValue", kind(Kind::Single), Variant(0.1),
                    Variant(static_cast<double>(0.1f)), 0, ""},
        ConvertCase{"SingleOverflow", kind(Kind::Single), Variant(1e39), std::nullopt, err::Overflow, ""},
        ConvertCase{"CurrencyRoundsToFourDecimals", kind(Kind::Currency), Variant(10.123456),
                    Variant(10.1235), 0, ""},
        ConvertCase{"DateStaysDate", kind(Kind::DateTime), Variant(makeDate(2001, 3, 15)),
                    Variant(makeDate(2001, 3, 15)), 0, ""},
        ConvertCase{"DateTextIntoDate", kind(Kind::DateTime), Variant("15/03/2001"),
                    Variant(makeDate(2001, 3, 15)), 0, ""},
        ConvertCase{"NumberIntoDateIsSerialDay", kind(Kind::DateTime), longValue(36965),
                    Variant(makeDate(2001, 3, 15)), 0, ""},
        ConvertCase{"AbcIntoDateFails", kind(Kind::DateTime), Variant("abc"), std::nullopt, err::TypeMismatch,
                    "Type mismatch: cannot store 'abc' in the date field 'Policies.Field'."},
        ConvertCase{"EmptyTextIntoDateFails", kind(Kind::DateTime), Variant(""), std::nullopt,
                    err::TypeMismatch, ""},
        ConvertCase{"YesNoFromNumber", kind(Kind::YesNo), longValue(-1), Variant(true), 0, ""},
        ConvertCase{"YesNoFromText", kind(Kind::YesNo), Variant("False"), Variant(false), 0, ""},
        ConvertCase{"YesNoFromOtherText", kind(Kind::YesNo), Variant("maybe"), std::nullopt,
                    err::TypeMismatch, ""},
        ConvertCase{"UnknownKeepsTheValue", kind(Kind::Unknown), Variant("abc"), Variant("abc"), 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertForColumn, longTextIsCutInTheMessage)
{
    try {
        convertForColumn(text(25), Variant(std::string(60, 'x')), "Family", "Address1");
        FAIL() << "too long a text was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), code::FieldTooSmall);
        EXPECT_EQ(error.description(), "The field 'Family.Address1' is too small for the value '" +
                                           std::string(50, 'x') + "...' (60 characters, at most 25).");
    }
}

} // namespace
} // namespace orrin::store

#include "store/ColumnType.h"
#include "store/StoreError.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

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
        ConvertCase{"MemoKeepsLeadingZeros", kind(Kind::Memo), Variant("007"), Variant("007"), 0, ""},
        ConvertCase{"MemoKeepsTrailingZero", kind(Kind::Memo), Variant("1.50"), Variant("1.50"), 0, ""},
        ConvertCase{"MemoKeepsBlanks", kind(Kind::Memo), Variant("  42 "), Variant("  42 "), 0, ""},
        ConvertCase{"MemoKeepsExponentText", kind(Kind::Memo), Variant("1e3"), Variant("1e3"), 0, ""},
        ConvertCase{"MemoKeepsMinusZero", kind(Kind::Memo), Variant("-0"), Variant("-0"), 0, ""},
        ConvertCase{"DecimalTextKeepsEveryDigit", kind(Kind::Decimal),
                    Variant(" 12345678901234567890.12345678 "), Variant("12345678901234567890.12345678"), 0,
                    ""},
        ConvertCase{"DecimalFromNumber", kind(Kind::Decimal), longValue(15), Variant(15.0), 0, ""},
        ConvertCase{"DecimalFromExponentTextIsItsNumber", kind(Kind::Decimal), Variant("1e3"),
                    Variant(1000.0), 0, ""},
        ConvertCase{"AbcIntoDecimalFails", kind(Kind::Decimal), Variant("abc"), std::nullopt,
                    err::TypeMismatch, ""},
        ConvertCase{"UnknownKeepsTheValue", kind(Kind::Unknown), Variant("abc"), Variant("abc"), 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A value bound for a column of the Exact form and read back through the engine: dates as their
// double (milliseconds kept), currency as its count of ten-thousandths.
TEST(ExactForm, datesAndCurrencyGoInAndComeBackExactly)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t (d REAL, c INTEGER)", nullptr, nullptr, nullptr);
    const ColumnType date{Kind::DateTime, 0, ColumnType::Form::Exact};
    const ColumnType currency{Kind::Currency, 0, ColumnType::Form::Exact};
    const double withMilliseconds = 43832.0 + (10 * 3600 + 20 * 60 + 5.678) / 86400.0;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?)", -1, &insert, nullptr);
    bindForColumn(insert, 1, Variant(Date{withMilliseconds}), date);
    bindForColumn(insert, 2, Variant(-922337203685477.5), currency);
    EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);

    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT d, c FROM t", -1, &select, nullptr);
    ASSERT_EQ(sqlite3_step(select), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_type(select, 1), SQLITE_INTEGER);
    EXPECT_EQ(sqlite3_column_int64(select, 1), -9223372036854775000LL);
    EXPECT_EQ(readColumn(select, 0, date), Variant(Date{withMilliseconds}));
    EXPECT_EQ(readColumn(select, 1, currency), Variant(-922337203685477.5));
    sqlite3_finalize(select);
    sqlite3_close(db);
}

TEST(ExactForm, aCurrencyBeyondTheCountIsAnOverflow)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT ?", -1, &select, nullptr);
    const ColumnType currency{Kind::Currency, 0, ColumnType::Form::Exact};
    try {
        bindForColumn(select, 1, Variant(1e15), currency);
        FAIL() << "1e15 was bound as a currency";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::Overflow);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}

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

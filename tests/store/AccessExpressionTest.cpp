#include "store/access/AccessExpression.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orrin::store::access {
namespace {

// The row the expressions read: [Age] 45, [Name] "Émile", [Sum] 50000, [Premium] 1200, [Mobile] Null,
// [Born] 15 March 1981.
const std::vector<std::string> kNames = {"Age", "Name", "Sum", "Premium", "Mobile", "Born"};

std::vector<Variant> row()
{
    return {Variant(45.0),   Variant("Émile"), Variant(50000.0),
            Variant(1200.0), Variant::null(),  Variant(makeDate(1981, 3, 15))};
}

std::optional<int> resolve(std::string_view name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name)
            return static_cast<int>(i);
    return std::nullopt;
}

ExpressionContext contextFor(const std::vector<Variant>& values)
{
    ExpressionContext context;
    context.field = [&values](int i) { return values[static_cast<std::size_t>(i)]; };
    context.now = makeDate(2026, 12, 9, 14, 30, 15);
    return context;
}

struct Case {
    const char* name;
    const char* text;
    Variant expected;
};

class ExpressionValue : public testing::TestWithParam<Case> {};

TEST_P(ExpressionValue, Evaluates)
{
    const auto expression = AccessExpression::parse(GetParam().text, resolve);
    ASSERT_TRUE(expression) << GetParam().text;
    const auto values = row();
    const Variant value = expression->evaluate(contextFor(values));
    EXPECT_EQ(value, GetParam().expected) << GetParam().text << " gave " << describe(value);
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, ExpressionValue,
    testing::Values(
        Case{"WholeNumber", "0", Variant(0.0)}, Case{"DoubleQuotedText", "\"none\"", Variant("none")},
        Case{"SingleQuotedTextWithDoubledQuote", "'O''Brien'", Variant("O'Brien")},
        Case{"TrueIsTrue", "True", Variant(true)}, Case{"YesIsTrue", "Yes", Variant(true)},
        Case{"OffIsFalse", "Off", Variant(false)}, Case{"NullIsNull", "Null", Variant::null()},
        Case{"LeadingEqualsIgnored", "=5", Variant(5.0)},
        Case{"DateIsTodayAtMidnight", "Date()", Variant(makeDate(2026, 12, 9))},
        Case{"NowKeepsTheTime", "Now()", Variant(makeDate(2026, 12, 9, 14, 30, 15))},
        Case{"TimeIsTheFraction", "Time()", Variant(Date{(14 * 3600 + 30 * 60 + 15) / 86400.0})},
        Case{"UsDateLiteral", "#3/15/2001#", Variant(makeDate(2001, 3, 15))},
        Case{"IsoDateLiteralWithTime", "#2001-03-15 06:05:04#", Variant(makeDate(2001, 3, 15, 6, 5, 4))},
        Case{"TomorrowIsDatePlusOne", "Date()+1", Variant(makeDate(2026, 12, 10))},
        Case{"JoinOfTexts", "\"A\" & 1", Variant("A1")}, Case{"PowerBeforeNegation", "-2^2", Variant(-4.0)},
        Case{"IntegerDivisionRoundsFirst", "7.5 \\ 2", Variant(4.0)},
        Case{"ModOfWholeNumbers", "10 Mod 3", Variant(1.0)}, Case{"ProductBeforeSum", "1+2*3", Variant(7.0)}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Rules, ExpressionValue,
    testing::Values(
        Case{"FieldComparison", "[Premium]*10<=[Sum]", Variant(true)},
        Case{"TextComparesWithoutCase", "[Name]='ÉMILE'", Variant(true)},
        Case{"NullComparisonIsNull", "[Mobile]='1'", Variant::null()},
        Case{"NullAndFalseIsFalse", "[Mobile]='1' And False", Variant(false)},
        Case{"NullOrTrueIsTrue", "[Mobile]='1' Or True", Variant(true)},
        Case{"NotNullIsNull", "Not [Mobile]='1'", Variant::null()},
        Case{"XorOfTruths", "True Xor True", Variant(false)},
        Case{"BetweenInclusive", "[Age] Between 18 And 45", Variant(true)},
        Case{"NotBetween", "[Age] Not Between 18 And 44", Variant(true)},
        Case{"InList", "[Name] In ('Asha','émile')", Variant(true)},
        Case{"LikeWithStarAndSet", "[Name] Like '?mil*'", Variant(true)},
        Case{"LikeDigit", "'A7' Like 'A#'", Variant(true)},
        Case{"LikeNegatedSet", "'b' Like '[!abc]'", Variant(false)},
        Case{"IsNull", "[Mobile] Is Null", Variant(true)},
        Case{"IsNotNull", "[Mobile] Is Not Null", Variant(false)},
        Case{"NumberAgainstNumericText", "[Age]='45'", Variant(true)},
        Case{"Len", "Len([Name])", Variant(5.0)}, Case{"LeftOfUnicode", "Left([Name],2)", Variant("Ém")},
        Case{"Right", "Right('abcdef',2)", Variant("ef")}, Case{"Mid", "Mid('abcdef',2,3)", Variant("bcd")},
        Case{"MidToTheEnd", "Mid('abcdef',5)", Variant("ef")}, Case{"Trim", "Trim('  42 ')", Variant("42")},
        Case{"UCase", "UCase([Name])", Variant("ÉMILE")}, Case{"LCase", "LCase('AbC')", Variant("abc")},
        Case{"Year", "Year([Born])", Variant(1981.0)}, Case{"Month", "Month([Born])", Variant(3.0)},
        Case{"Day", "Day([Born])", Variant(15.0)},
        Case{"DateAddMonthKeepsTheMonthEnd", "DateAdd('m',1,#1/31/2024#)", Variant(makeDate(2024, 2, 29))},
        Case{"DateAddYears", "DateAdd('yyyy',21,#2/29/2000#)", Variant(makeDate(2021, 2, 28))},
        Case{"DateDiffYearsCountsCalendarYears", "DateDiff('yyyy',#12/31/2000#,#1/1/2001#)", Variant(1.0)},
        Case{"DateDiffDays", "DateDiff('d',[Born],#3/25/1981#)", Variant(10.0)},
        Case{"IsNullFunction", "IsNull([Mobile])", Variant(true)},
        Case{"NzReplacesNull", "Nz([Mobile],'none')", Variant("none")},
        Case{"IIfChooses", "IIf([Age]>=18,'adult','minor')", Variant("adult")},
        Case{"ValReadsTheLeadingNumber", "Val('15 yrs')", Variant(15.0)},
        Case{"JoinSkipsNull", "[Mobile] & 'x'", Variant("x")},
        Case{"SumWithNullIsNull", "[Mobile] + 1", Variant::null()}),
    [](const auto& info) { return std::string(info.param.name); });

struct ColumnRuleCase {
    const char* name;
    const char* rule;
    Variant value;
    Variant expected;
};

class ColumnRule : public testing::TestWithParam<ColumnRuleCase> {};

TEST_P(ColumnRule, ComparesTheColumnItself)
{
    const auto rule = AccessExpression::parseColumnRule(GetParam().rule, resolve, 0);
    ASSERT_TRUE(rule) << GetParam().rule;
    std::vector<Variant> values = row();
    values[0] = GetParam().value;
    const Variant result = rule->evaluate(contextFor(values));
    EXPECT_EQ(result, GetParam().expected) << GetParam().rule << " gave " << describe(result);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ColumnRule,
    testing::Values(ColumnRuleCase{"AtLeastPasses", ">=18", Variant(18.0), Variant(true)},
                    ColumnRuleCase{"AtLeastFails", ">=18", Variant(17.0), Variant(false)},
                    ColumnRuleCase{"NullGivesNull", ">=18", Variant::null(), Variant::null()},
                    ColumnRuleCase{"Between", "Between 1 And 9", Variant(10.0), Variant(false)},
                    ColumnRuleCase{"In", "In ('A','B')", Variant("b"), Variant(true)},
                    ColumnRuleCase{"NotLike", "Not Like 'X*'", Variant("Xavier"), Variant(false)},
                    ColumnRuleCase{"IsNotNull", "Is Not Null", Variant::null(), Variant(false)},
                    ColumnRuleCase{"BareValuesAreEqualities", "'A' Or 'B'", Variant("B"), Variant(true)},
                    ColumnRuleCase{"NotEmpty", "<>''", Variant(""), Variant(false)}),
    [](const auto& info) { return std::string(info.param.name); });

struct Outside {
    const char* name;
    const char* text;
};

class OutsideTheLanguage : public testing::TestWithParam<Outside> {};

TEST_P(OutsideTheLanguage, DoesNotParse)
{
    std::string why;
    EXPECT_FALSE(AccessExpression::parse(GetParam().text, resolve, &why));
    EXPECT_FALSE(why.empty());
}

INSTANTIATE_TEST_SUITE_P(Expressions, OutsideTheLanguage,
                         testing::Values(Outside{"UnknownFunction", "DLookUp(\"x\",\"T\")"},
                                         Outside{"UnknownField", "[Nobody]>1"}, Outside{"Empty", ""},
                                         Outside{"OpenText", "\"abc"}, Outside{"BadDate", "#13/45/2001#"},
                                         Outside{"WrongArgumentCount", "Left('a')"},
                                         Outside{"BareName", "Premium>1"}, Outside{"TrailingOperator", "1+"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AccessExpression, DivisionByZeroIsError11)
{
    const auto expression = AccessExpression::parse("1/0", resolve);
    ASSERT_TRUE(expression);
    try {
        expression->evaluate(contextFor(row()));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 11);
    }
}

TEST(AccessExpression, GenUniqueIdIsRecognisedAndReadsNoField)
{
    const auto random = AccessExpression::parse("GenUniqueID()", resolve);
    ASSERT_TRUE(random);
    EXPECT_TRUE(random->isGenUniqueId());
    EXPECT_FALSE(random->readsFields());
    EXPECT_TRUE(AccessExpression::parse("[Age]+1", resolve)->readsFields());
}

} // namespace
} // namespace orrin::store::access

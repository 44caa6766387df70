// The plan book: which entry a plan reaches by its number, as written and by the program's
// comparison, and the arithmetic that reads an entry.

#include "calc/PlanBook.h"

#include "value/Variant.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orrin::testing {
namespace {

using calc::PlanBook;

struct LookupCase {
    const char* name;
    Variant plan;
    int byNumber;  // plan of the entry found by Val's number, 0 for none
    int asWritten; // plan of the entry found by the program's comparison, 0 for none
};

// Val of a text as NewMat2 reads a plan: the leading number.
double leadingNumber(const Variant& plan)
{
    if (plan.isText()) {
        const std::string& text = plan.text();
        double value = 0;
        std::size_t i = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            value = value * 10 + (text[i++] - '0');
        return value;
    }
    return plan.isNumber() ? plan.number() : 0;
}

class PlanBookLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(PlanBookLookup, findsTheEntryByNumberAndAsWritten)
{
    const LookupCase& c = GetParam();
    const PlanBook& book = PlanBook::standard();
    const calc::PlanEntry* byNumber = book.byNumber(leadingNumber(c.plan));
    const calc::PlanEntry* asWritten = book.matching(c.plan);
    EXPECT_EQ(byNumber != nullptr ? byNumber->plan : 0, c.byNumber);
    EXPECT_EQ(asWritten != nullptr ? asWritten->plan : 0, c.asWritten);
}

const LookupCase kLookups[] = {
    {"Written", Variant("152"), 152, 152},
    {"LeadingZero", Variant("014"), 14, 0},
    {"TrailingText", Variant("152 yrs"), 152, 0},
    {"TrailingBlank", Variant("103 "), 103, 0},
    {"NoEntry", Variant("999"), 0, 0},
    {"Zero", Variant("0"), 0, 0},
    {"Null", Variant::null(), 0, 0},
    {"Empty", Variant(), 0, 0},
    {"NumberComparesAsNumber", Variant(std::int32_t{160}), 160, 160},
    {"FractionIsNoPlan", Variant(14.5), 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Plans, PlanBookLookup, ::testing::ValuesIn(kLookups),
                         [](const ::testing::TestParamInfo<LookupCase>& info) {
                             return std::string(info.param.name);
                         });

// A book of its own: entries come out in plan order whatever order they go in, each knows its text,
// and the first plan with amount overrides is the lowest such plan.
TEST(PlanBookTest, entriesAreKeptInPlanOrder)
{
    const PlanBook book({{.plan = 196, .amounts = {{9, 0, 25}}},
                         {.plan = 7, .rule = calc::MaturityRule::SumAssured},
                         {.plan = 174, .amounts = {{20, 0, 10}}}});
    ASSERT_EQ(book.entries().size(), 3u);
    EXPECT_EQ(book.entries()[0].text, "7");
    EXPECT_EQ(book.entries()[2].text, "196");
    ASSERT_NE(book.firstWithAmounts(), nullptr);
    EXPECT_EQ(book.firstWithAmounts()->plan, 174);
    EXPECT_EQ(book.byText("7"), &book.entries()[0]);
    EXPECT_EQ(PlanBook({}).firstWithAmounts(), nullptr);
}

struct RuleCase {
    const char* name;
    int plan; // 0: no entry
    const char* planText;
    std::int32_t term;
    double sum;
    double premium;
    const char* mode;
    double expected;
};

class PlanBookRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PlanBookRule, paysByTheEntrysRule)
{
    const RuleCase& c = GetParam();
    const calc::PlanEntry* entry = c.plan != 0 ? PlanBook::standard().byNumber(c.plan) : nullptr;
    EXPECT_EQ(
        calc::maturityByRule(entry, c.planText, c.term, c.sum, c.premium, calc::paymentModeNamed(c.mode)),
        c.expected);
}

const RuleCase kRules[] = {
    {"NoEntryPaysNothing", 0, "999", 20, 1000, 10, "Yearly", 0},
    {"CategoryPlanHasNoRule", 14, "14", 20, 1000, 10, "Yearly", 0},
    {"ShareAsWritten", 123, "123", 10, 1000, 0, "Yearly", 60.0 / 100 * 1000 + 1000.0 / 1000 * 70 * 10},
    {"ShareNotAsWritten", 123, "0123", 10, 1000, 0, "Yearly", 1000 + 1000.0 / 1000 * 70 * 10},
    {"ShareByTermAtTheTerm", 160, "0160", 15, 1000, 0, "Yearly", 60.0 / 100 * 1000 + 1000.0 / 1000 * 50 * 15},
    {"ShareByTermOtherwise", 160, "160", 16, 1000, 0, "Yearly", 40.0 / 100 * 1000 + 1000.0 / 1000 * 50 * 16},
    {"CompoundingRounded", 141, "141", 2, 800, 0, "Yearly", 924.5},
};

INSTANTIATE_TEST_SUITE_P(Rules, PlanBookRule, ::testing::ValuesIn(kRules),
                         [](const ::testing::TestParamInfo<RuleCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(PlanBookTest, aShareOfNothingIsNothingEvenOfANegativeSum)
{
    EXPECT_EQ(calc::shareOf(25, 1000), 250);
    EXPECT_FALSE(std::signbit(calc::shareOf(0, -1000)));
    EXPECT_EQ(calc::categoryPaidShare(calc::Category::MB), 40);
    EXPECT_FALSE(calc::categoryPaidShare(calc::Category::EN).has_value());
}

} // namespace
} // namespace orrin::testing

#include "ScheduleFixture.h"

namespace orrin::testing {
namespace {

struct Instalment {
    Variant due;
    Variant amount;
    Variant number;
};

Instalment row(const Variant& due, const Variant& amount, int number)
{
    return {due, amount, Variant(static_cast<std::int16_t>(number))};
}

struct SbCase {
    const char* name;
    int plan;         // the plans row
    Variant planTerm; // its instalment years
    Variant benefit;  // its instalment percentages
    const char* policyPlan;
    Variant term; // the policy's own term
    Variant sum;
    Variant issue;
    std::vector<Instalment> expected;
    int logEntries;
};

// Test names in failure output, instead of the case's bytes.
void PrintTo(const SbCase& c, std::ostream* os)
{
    *os << c.name;
}

const Variant kNull = Variant::null();

std::vector<Instalment> plan152Rows()
{
    std::vector<Instalment> rows;
    for (int y = 5; y <= 100; y += 5)
        rows.push_back(row(date(2001 + y, 4, 1), Variant(100.0), y / 5));
    return rows;
}

std::vector<Instalment> nineGroupRows(bool withNinth)
{
    std::vector<Instalment> rows;
    for (int k = 1; k <= 8; ++k)
        rows.push_back(row(date(2001 + k, 4, 1), Variant(100.0), k));
    if (withNinth)
        rows.push_back(row(kNull, kNull, 9)); // only policy_no and i_no could be set
    return rows;
}

const SbCase kCases[] = {
    {"TwoInstalmentsFromThePlanTexts",
     820,
     Variant("0408"),
     Variant("2030"),
     "820",
     Variant("25"),
     Variant(500.0),
     date(2001, 4, 1),
     {row(date(2005, 4, 1), Variant(100.0), 1), row(date(2009, 4, 1), Variant(150.0), 2)},
     0},
    {"Plan113CountsTheYearsFromTheEntryAge",
     113,
     Variant("18"),
     Variant("50"),
     "113",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2019, 4, 1), Variant(500.0), 1)},
     0},
    {"Plan160StopsAtThePolicyTerm",
     160,
     Variant("051015"),
     Variant("151570"),
     "160",
     Variant("15"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2006, 4, 1), Variant(150.0), 1), row(date(2011, 4, 1), Variant(150.0), 2)},
     0},
    {"Plan192WithALongerTermKeepsYear15",
     192,
     Variant("051015"),
     Variant("151570"),
     "192",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2006, 4, 1), Variant(150.0), 1), row(date(2011, 4, 1), Variant(150.0), 2),
      row(date(2016, 4, 1), Variant(700.0), 3)},
     0},
    {"Plan174TermTwentyPaysATenthWhateverTheBenefitText",
     174,
     Variant("040812"),
     Variant("102030"),
     "174",
     Variant("20"),
     Variant(777.7),
     date(2001, 4, 1),
     {row(date(2005, 4, 1), Variant(77.77000000000001), 1),
      row(date(2009, 4, 1), Variant(77.77000000000001), 2),
      row(date(2013, 4, 1), Variant(77.77000000000001), 3)},
     0},
    {"Plan179TermSixteenStopsAtSixteen",
     179,
     Variant("081216"),
     Variant("101010"),
     "179",
     Variant("16"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2009, 4, 1), Variant(100.0), 1), row(date(2013, 4, 1), Variant(100.0), 2)},
     0},
    {"Plan175TermTwelveStopsAtTwelveOnly",
     175,
     Variant("03060912"),
     Variant("10101010"),
     "175",
     Variant("12"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2004, 4, 1), Variant(100.0), 1), row(date(2007, 4, 1), Variant(100.0), 2),
      row(date(2010, 4, 1), Variant(100.0), 3)},
     0},
    {"Plan196TermNineFifteenThenTwentyFivePercent",
     196,
     Variant("030609"),
     Variant("101010"),
     "196",
     Variant("9"),
     Variant(1234.5),
     date(2001, 4, 1),
     {row(date(2004, 4, 1), Variant(185.17499999999998), 1), row(date(2007, 4, 1), Variant(308.625), 2)},
     0},
    {"Plan103WithoutInstalmentTextCountsDownFromMaturity",
     103,
     kNull,
     kNull,
     "103",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2021, 4, 1), Variant(250.0), 4), row(date(2020, 4, 1), Variant(250.0), 3),
      row(date(2019, 4, 1), Variant(250.0), 2), row(date(2018, 4, 1), Variant(250.0), 1)},
     0},
    {"Plan103WithInstalmentTextUsesIt",
     103,
     Variant("10"),
     Variant("30"),
     "103",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2011, 4, 1), Variant(300.0), 1)},
     0},
    {"Plan152PaysATenthEveryFifthYearToAHundred", 152, kNull, kNull, "152", Variant("20"), Variant(1000.0),
     date(2001, 4, 1), plan152Rows(), 0},
    {"NullInstalmentTextOnAnotherPlanAddsNothing",
     821,
     kNull,
     kNull,
     "821",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {},
     0},
    {"PlanNotFoundAddsNothing",
     822,
     Variant("0408"),
     Variant("2030"),
     "823",
     Variant("20"),
     Variant(1000.0),
     date(2001, 4, 1),
     {},
     0},
    {"OddLengthSevenReadsTheLastCharacterAlone",
     824,
     Variant("0408121"),
     Variant("1010105"),
     "824",
     Variant("25"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2005, 4, 1), Variant(100.0), 1), row(date(2009, 4, 1), Variant(100.0), 2),
      row(date(2013, 4, 1), Variant(100.0), 3), row(date(2002, 4, 1), Variant(50.0), 4)},
     0},
    {"NineGroupsStopAtTheNinth", 825, Variant("010203040506070809"), Variant("101010101010101010"), "825",
     Variant("25"), Variant(1000.0), date(2001, 4, 1), nineGroupRows(false), 3},
    {"NineGroupsOnPlan113SaveAnEmptyNinthRow", 113, Variant("010203040506070809"),
     Variant("101010101010101010"), "113", Variant("25"), Variant(1000.0), date(2001, 4, 1),
     nineGroupRows(true), 4},
    {"BenefitShorterThanTermKeepsZeroPercent",
     826,
     Variant("0408"),
     Variant("20"),
     "826",
     Variant("25"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2005, 4, 1), Variant(200.0), 1), row(date(2009, 4, 1), Variant(0.0), 2)},
     1},
    {"GroupThatIsNotANumberKeepsYearZero",
     827,
     Variant("0a08"),
     Variant("2020"),
     "827",
     Variant("25"),
     Variant(1000.0),
     date(2001, 4, 1),
     {row(date(2001, 4, 1), Variant(200.0), 1), row(date(2009, 4, 1), Variant(200.0), 2)},
     1},
    {"NullIssueDateSavesRowsWithoutDueDates",
     828,
     Variant("0408"),
     Variant("2030"),
     "828",
     Variant("25"),
     Variant(500.0),
     kNull,
     {row(kNull, Variant(100.0), 1), row(kNull, Variant(150.0), 2)},
     2},
    {"NullSumSavesRowsWithoutAmounts",
     829,
     Variant("0408"),
     Variant("2030"),
     "829",
     Variant("25"),
     kNull,
     date(2001, 4, 1),
     {row(date(2005, 4, 1), kNull, 1), row(date(2009, 4, 1), kNull, 2)},
     2},
    {"LeapDayDueDatesFallOnTheTwentyEighth",
     830,
     Variant("0104"),
     Variant("1010"),
     "830",
     Variant("25"),
     Variant(1000.0),
     date(2000, 2, 29),
     {row(date(2001, 2, 28), Variant(100.0), 1), row(date(2004, 2, 29), Variant(100.0), 2)},
     0},
};

class SurvivalBenefitCases : public ScheduleTest, public ::testing::WithParamInterface<SbCase> {};

TEST_P(SurvivalBenefitCases, SavesTheExpectedInstalments)
{
    const SbCase& c = GetParam();
    addPlan(c.plan, Variant(std::int16_t{0}), Variant(std::int16_t{20}), c.planTerm, c.benefit);
    startPolicy({{"policy_no", Variant("P1")},
                 {"Issue_Dt", c.issue},
                 {"Plan", Variant(c.policyPlan)},
                 {"Term", c.term},
                 {"PPT", c.term},
                 {"Sum", c.sum},
                 {"Payment", Variant("Z")},
                 {"Premium", Variant(100.0)}});
    completePolicy();

    const auto saved = sbRows();
    ASSERT_EQ(saved.size(), c.expected.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE("instalment row " + std::to_string(i + 1));
        EXPECT_TRUE(same(saved[i][0], Variant("P1")));
        EXPECT_TRUE(same(saved[i][1], c.expected[i].due));
        EXPECT_TRUE(same(saved[i][2], c.expected[i].amount));
        EXPECT_TRUE(same(saved[i][3], c.expected[i].number));
    }
    const std::vector<LogEntry> entries = logEntries();
    EXPECT_EQ(entries.size(), static_cast<std::size_t>(c.logEntries));
    for (const LogEntry& entry : entries)
        EXPECT_EQ(entry.source, calc::labels::UpdatePolicySchedule) << entry.description;
}

INSTANTIATE_TEST_SUITE_P(Schedules, SurvivalBenefitCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SbCase>& info) {
                             return std::string(info.param.name);
                         });

class SurvivalBenefitTest : public ScheduleTest {
  protected:
    void addSb(const Variant& policyNo, int number)
    {
        insertRows(target, targetPassword(), "SB",
                   {{{"policy_no", policyNo},
                     {"sb_duedate", date(2010, 1, 1)},
                     {"sb_amount", Variant(1.0)},
                     {"i_no", Variant(static_cast<std::int32_t>(number))}}});
    }
    void runPolicy(const Variant& policyNo, const char* plan)
    {
        startPolicy({{"policy_no", policyNo},
                     {"Issue_Dt", date(2001, 4, 1)},
                     {"Plan", Variant(plan)},
                     {"Term", Variant("20")},
                     {"PPT", Variant("20")},
                     {"Sum", Variant(1000.0)},
                     {"Payment", Variant("Z")},
                     {"Premium", Variant(100.0)}});
        completePolicy();
    }
    std::vector<Variant> numbersOf(const std::vector<std::vector<Variant>>& rows, std::size_t column)
    {
        std::vector<Variant> values;
        for (const auto& r : rows)
            values.push_back(r[column]);
        return values;
    }
};

TEST_F(SurvivalBenefitTest, PlanNotFoundDeletesThePolicysOldRowsOnly)
{
    addSb(Variant("P1"), 1);
    addSb(Variant("P2"), 1);
    addSb(Variant("P1"), 2);
    runPolicy(Variant("P1"), "999");
    const auto saved = sbRows();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(same(saved[0][0], Variant("P2")));
}

TEST_F(SurvivalBenefitTest, SecondPolicyWithTheSameNumberReplacesTheFirstSchedule)
{
    addPlan(820, Variant(std::int16_t{0}), Variant(std::int16_t{20}), Variant("0408"), Variant("2030"));
    addPlan(103, Variant(std::int16_t{0}), Variant(std::int16_t{20}), kNull, kNull);
    runPolicy(Variant("P1"), "820");
    ASSERT_EQ(sbRows().size(), 2u);
    runPolicy(Variant("P1"), "103");
    const auto saved = sbRows();
    ASSERT_EQ(saved.size(), 4u);
    const std::vector<Variant> expected = {Variant(std::int16_t{4}), Variant(std::int16_t{3}),
                                           Variant(std::int16_t{2}), Variant(std::int16_t{1})};
    EXPECT_EQ(numbersOf(saved, 3), expected);
    EXPECT_TRUE(same(saved[0][2], Variant(250.0)));
}

TEST_F(SurvivalBenefitTest, PolicyNumberWithQuotesDeletesOnlyItsOwnRows)
{
    const Variant crafted("x' or '1'='1");
    addSb(Variant("A1"), 1);
    addSb(crafted, 1);
    addSb(Variant("B2"), 1);
    runPolicy(crafted, "999");
    const auto saved = sbRows();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_TRUE(same(saved[0][0], Variant("A1")));
    EXPECT_TRUE(same(saved[1][0], Variant("B2")));
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(SurvivalBenefitTest, NullPolicyNumberDeletesTheRowsWithAnEmptyNumber)
{
    addSb(Variant(""), 1);
    addSb(kNull, 2);
    addSb(Variant("A1"), 3);
    runPolicy(kNull, "999");
    const auto saved = sbRows();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_TRUE(same(saved[0][0], kNull));
    EXPECT_TRUE(same(saved[1][0], Variant("A1")));
}

TEST_F(SurvivalBenefitTest, SavedRowsStayWhenThePolicyRowIsNeverSaved)
{
    addPlan(820, Variant(std::int16_t{0}), Variant(std::int16_t{20}), Variant("0408"), Variant("2030"));
    startPolicy({{"policy_no", Variant("P1")},
                 {"Issue_Dt", date(2001, 4, 1)},
                 {"Plan", Variant("820")},
                 {"Term", Variant("20")},
                 {"Sum", Variant(500.0)},
                 {"Payment", Variant("Z")}});
    module.UpdatePolicySchedule(database, policies);
    policies.close(); // the pending policy row is dropped
    EXPECT_EQ(sbRows().size(), 2u);
    EXPECT_EQ(savedPolicies().size(), 0u);
}

} // namespace
} // namespace orrin::testing

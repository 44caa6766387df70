#include "calc/BonusTables.h"
#include "calc/DataImport.h"
#include "store/Connection.h"
#include "support/Fixture.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace orrin::testing {
namespace {

// ---- NewBonus: the declared rate (see BonusTables.h for the rates) -----------------------------

struct RateCase {
    const char* name;
    const char* category;
    int year, month, day;
    std::int32_t term;
    double sum;
    double expected;
};

void PrintTo(const RateCase& c, std::ostream* out)
{
    *out << c.name;
}

class NewBonusTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(NewBonusTest, Rate)
{
    const RateCase& c = GetParam();
    BonusWorld world;

    const double rate = world.calc().NewBonus(makeDate(c.year, c.month, c.day), c.category, c.term, c.sum);

    EXPECT_EQ(rate, c.expected);
    EXPECT_EQ(world.calc().logEntriesWritten(), 0) << world.logText();
}

const RateCase kRateCases[] = {
    {"JuneStartReadsBonusAD", "EN", 2004, 6, 15, 20, 100000, 49},
    {"MarchStartReadsBonusJM", "EN", 2004, 3, 15, 20, 100000, 47},
    {"ThirtyFirstMarchIsStillJM", "EN", 2004, 3, 31, 20, 100000, 47},
    {"FirstAprilIsAD", "EN", 2004, 4, 1, 20, 100000, 49},
    {"DecemberIsAD", "EN", 2004, 12, 31, 20, 100000, 49},
    {"JanuaryIsJM", "EN", 2004, 1, 1, 20, 100000, 47},
    // MB 2004 declares AD 0: a late start falls back to JM 38.
    {"ZeroBonusADFallsBackToJM", "MB", 2004, 7, 1, 20, 100000, 38},
    {"EarlyStartWithZeroBonusADReadsJM", "MB", 2004, 2, 1, 20, 100000, 38},
    // EN 2005 short terms declare 0 in both columns: the fallback gives 0 too.
    {"ZeroInBothColumnsIsZero", "EN", 2005, 6, 1, 10, 100000, 0},
    // Term bands 1-14 and 15-35: both ends belong to their band.
    {"TermAtUpperEndOfBand", "EN", 2004, 6, 1, 14, 100000, 43},
    {"TermAtLowerEndOfBand", "EN", 2004, 6, 1, 15, 100000, 49},
    {"TermAtLastBandEnd", "EN", 2004, 6, 1, 35, 100000, 49},
    {"TermBeyondEveryBand", "EN", 2004, 6, 1, 36, 100000, 0},
    {"TermZeroBeforeEveryBand", "EN", 2004, 6, 1, 0, 100000, 0},
    // Sum bands 0-49999 and 50000 up (2004, terms 15-35).
    {"SumAtUpperEndOfBand", "EN", 2004, 6, 1, 20, 49999, 45},
    {"SumAtLowerEndOfBand", "EN", 2004, 6, 1, 20, 50000, 49},
    {"SumZeroIsInTheFirstBand", "EN", 2004, 6, 1, 20, 0, 45},
    {"SumBetweenBandsHasNoRow", "EN", 2004, 6, 1, 20, 49999.5, 0},
    {"SumWithFractionInsideABand", "EN", 2004, 6, 1, 20, 48998.5, 45},
    // Category codes compare as the engine does, without regard to case.
    {"CategoryIgnoresCase", "en", 2004, 6, 1, 20, 100000, 49},
    {"YearWithoutRowsIsZero", "EN", 2010, 6, 1, 20, 100000, 0},
    {"UnknownCategoryIsZero", "XX", 2004, 6, 1, 20, 100000, 0},
    {"EmptyCategoryIsZero", "", 2004, 6, 1, 20, 100000, 0},
    // A quote in the category cannot turn the lookup into "any category, any year".
    {"QuoteInCategoryMatchesNothing", "EN' or 'a'='a", 2010, 6, 1, 20, 100000, 0},
    {"JrTermBandsDiffer", "JR", 2004, 6, 1, 16, 100000, 60},
};

INSTANTIATE_TEST_SUITE_P(Rates, NewBonusTest, ::testing::ValuesIn(kRateCases),
                         [](const ::testing::TestParamInfo<RateCase>& info) { return info.param.name; });

// ---- FBonus: the final bonus amount -------------------------------------------------------------

struct FinalCase {
    const char* name;
    std::int32_t term;
    double sum;
    double expected;
};

void PrintTo(const FinalCase& c, std::ostream* out)
{
    *out << c.name;
}

class FBonusTest : public ::testing::TestWithParam<FinalCase> {};

TEST_P(FBonusTest, Amount)
{
    const FinalCase& c = GetParam();
    BonusWorld world;

    const double amount = world.calc().FBonus(c.term, c.sum);

    EXPECT_EQ(amount, c.expected);
    EXPECT_EQ(world.calc().logEntriesWritten(), 0) << world.logText();
}

// (SA / 1000) x FAB.
const FinalCase kFinalCases[] = {
    {"Sum500AtFab30Is15", 20, 500, 15},
    {"Term15FirstBand", 15, 100000, 1500},
    {"Term19SumAtUpperEnd", 19, 199999, 2999.985},
    {"Term19SumAtLowerEndOfHighBand", 19, 200000, 4000},
    {"SumBetweenBandsHasNoRow", 19, 199999.5, 0},
    {"Term20", 20, 100000, 3000},
    {"Term24", 24, 100000, 3000},
    {"Term25", 25, 100000, 4500},
    {"Term35", 35, 100000, 4500},
    {"Term14HasNoFinalBonus", 14, 100000, 0},
    {"Term36HasNoRow", 36, 100000, 0},
    {"OddSum", 30, 123456.78, 5555.5551},
};

INSTANTIATE_TEST_SUITE_P(FinalBonus, FBonusTest, ::testing::ValuesIn(kFinalCases),
                         [](const ::testing::TestParamInfo<FinalCase>& info) { return info.param.name; });

// ---- Failures: logged under the procedure's own label, the result keeps its value ---------------

TEST(BonusRateFailures, NoDatabaseLateStartLogsEveryStep)
{
    BonusWorld world;
    world.calc().session().setTarget(nullptr);

    EXPECT_EQ(world.calc().NewBonus(makeDate(2004, 6, 1), "EN", 20, 100000), 0);
    // The open, the record count, "Bonus", "bonus2" and the close.
    EXPECT_EQ(world.entriesUnder(calc::labels::NewBonus), 5);
    EXPECT_EQ(world.calc().logEntriesWritten(), 5);
    EXPECT_NE(world.logText().find("Object variable or With block variable not set"), std::string::npos);
}

TEST(BonusRateFailures, NoDatabaseEarlyStartSkipsTheFallback)
{
    BonusWorld world;
    world.calc().session().setTarget(nullptr);

    EXPECT_EQ(world.calc().NewBonus(makeDate(2004, 2, 1), "EN", 20, 100000), 0);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewBonus), 4);
}

TEST(BonusRateFailures, NoDatabaseFinalBonus)
{
    BonusWorld world;
    world.calc().session().setTarget(nullptr);

    EXPECT_EQ(world.calc().FBonus(20, 500), 0);
    // The open, the record count and the reading of FAB; the lookup is not closed explicitly.
    EXPECT_EQ(world.entriesUnder(calc::labels::FBonus), 3);
    EXPECT_EQ(world.calc().logEntriesWritten(), 3);
}

// A database without the bonus tables (the Orrin database has none).
TEST(BonusRateFailures, MissingTablesAreLogged)
{
    BonusWorld world;
    TempDir dir;
    const auto file = createSourceDb(dir.path());
    store::Connection other;
    other.openFile(file, sourcePassword(), store::OpenMode::ReadOnly);
    world.calc().session().setTarget(&other);

    EXPECT_EQ(world.calc().NewBonus(makeDate(2004, 6, 1), "EN", 20, 100000), 0);
    EXPECT_EQ(world.calc().FBonus(20, 500), 0);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewBonus), 5);
    EXPECT_EQ(world.entriesUnder(calc::labels::FBonus), 3);
    EXPECT_NE(world.logText().find("FINALBONUS"), std::string::npos);
    world.calc().session().setTarget(nullptr);
}

// Rows with Null rates, in a target database of their own.
class NullRateTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const auto file = createTargetDb(m_dir.path());
        const Variant null = Variant::null();
        auto row = [&](const char* cat, Variant ad, Variant jm) {
            return Row{{"BonusCat", Variant(cat)},
                       {"YY", Variant(std::int32_t{2004})},
                       {"FromTerm", Variant(std::int32_t{1})},
                       {"ToTerm", Variant(std::int32_t{99})},
                       {"FromSA", Variant(0.0)},
                       {"ToSA", Variant(1e12)},
                       {"BonusAD", ad},
                       {"BonusJM", jm}};
        };
        insertRows(file, targetPassword(), "NewBonus",
                   {row("EN", null, Variant(44.0)), row("WL", null, null), row("MB", Variant(36.0), null),
                    row("JA", Variant(51.0), Variant(50.0)), row("JA", Variant(99.0), Variant(98.0))});
        auto finalRow = [&](std::int32_t from, std::int32_t to, Variant fab) {
            return Row{{"FromTerm", Variant(from)},
                       {"ToTerm", Variant(to)},
                       {"FromSA", Variant(0.0)},
                       {"ToSA", Variant(1e12)},
                       {"FAB", fab}};
        };
        // The second row would answer, but the first matching row is the one used.
        insertRows(file, targetPassword(), "FINALBONUS",
                   {finalRow(15, 35, null), finalRow(20, 20, Variant(50.0))});
        m_target.openFile(file, targetPassword(), store::OpenMode::ReadOnly);
        m_calc.setLogFile(m_dir.path() / "Error Log.txt");
        m_calc.session().setTarget(&m_target);
    }

    TempDir m_dir;
    store::Connection m_target;
    calc::DataImport m_calc;
};

TEST_F(NullRateTest, NullBonusADStillFallsBackToJM)
{
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 6, 1), "EN", 20, 100000), 44);
    EXPECT_EQ(m_calc.logEntriesWritten(), 1);
}

TEST_F(NullRateTest, NullBonusJMForAnEarlyStartIsZero)
{
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 2, 1), "WL", 20, 100000), 0);
    EXPECT_EQ(m_calc.logEntriesWritten(), 1);
}

TEST_F(NullRateTest, NullInBothColumnsIsZeroWithTwoEntries)
{
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 6, 1), "WL", 20, 100000), 0);
    EXPECT_EQ(m_calc.logEntriesWritten(), 2);
}

TEST_F(NullRateTest, NonZeroBonusADNeverReadsNullJM)
{
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 6, 1), "MB", 20, 100000), 36);
    EXPECT_EQ(m_calc.logEntriesWritten(), 0);
}

TEST_F(NullRateTest, NullFinalBonusIsZero)
{
    EXPECT_EQ(m_calc.FBonus(20, 500), 0);
    EXPECT_EQ(m_calc.logEntriesWritten(), 1);
}

TEST_F(NullRateTest, FirstOfSeveralMatchingRowsWins)
{
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 6, 1), "JA", 20, 100000), 51);
    EXPECT_EQ(m_calc.NewBonus(makeDate(2004, 1, 1), "JA", 20, 100000), 50);
    EXPECT_EQ(m_calc.logEntriesWritten(), 0);
}

// When the log itself cannot be written, the failure leaves the procedure (and climbs to its caller).
TEST_F(NullRateTest, UnwritableLogLeavesTheProcedure)
{
    const auto blocker = m_dir.path() / "not-a-folder";
    std::ofstream(blocker) << "x";
    m_calc.setLogFile(blocker / "Error Log.txt");
    m_calc.session().setTarget(nullptr);

    try {
        m_calc.NewBonus(makeDate(2004, 6, 1), "EN", 20, 100000);
        ADD_FAILURE() << "NewBonus returned although its failure could not be logged";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::FileError);
    }
    std::int32_t age = 0;
    EXPECT_THROW(m_calc.NewMat2(makeDate(2004, 6, 1), "14", 20, 100000, 0, "Yearly", age), Error);
    EXPECT_THROW(m_calc.FBonus(20, 500), Error);
}

} // namespace
} // namespace orrin::testing

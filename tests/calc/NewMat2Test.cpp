#include "calc/BonusTables.h"
#include "calc/DataImport.h"
#include "support/Fixture.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>

#include <string>

namespace orrin::testing {
namespace {

// ---- Plans without a bonus category: each pays by its own rule, no table is read ----------------

struct PlanRuleCase {
    const char* name;
    const char* plan;
    std::int32_t term;
    double sum;
    double prem;
    const char* mode;
    double expected;
};

void PrintTo(const PlanRuleCase& c, std::ostream* out)
{
    *out << c.name;
}

class PlanRuleTest : public ::testing::TestWithParam<PlanRuleCase> {};

TEST_P(PlanRuleTest, MaturityValue)
{
    const PlanRuleCase& c = GetParam();
    TempDir dir;
    calc::DataImport calc;
    calc.setLogFile(dir.path() / "Error Log.txt");
    calc.setBonusDatabase(dir.path() / "lic.mdb"); // not there: no rule here may need it
    std::int32_t age = 0;

    const double value = calc.NewMat2(makeDate(2010, 6, 1), c.plan, c.term, c.sum, c.prem, c.mode, age);

    EXPECT_EQ(value, c.expected);
    EXPECT_EQ(calc.logEntriesWritten(), 0);
    EXPECT_EQ(age, 0);
}

// S = 100000, 20 years unless the name says otherwise. Yearly additions at r: S / 1000 x r x term.
const PlanRuleCase kPlanRuleCases[] = {
    // The sum assured alone.
    {"Plan3PaysTheSum", "3", 20, 100000, 0, "Yearly", 100000},
    {"Plan7PaysTheSum", "7", 20, 100000, 0, "Yearly", 100000},
    {"Plan11PaysTheSum", "11", 20, 100000, 0, "Yearly", 100000},
    {"Plan47PaysTheSum", "47", 20, 100000, 0, "Yearly", 100000},
    {"Plan104PaysTheSum", "104", 20, 100000, 0, "Yearly", 100000},
    {"Plan105PaysTheSumWithAFraction", "105", 20, 123456.78, 0, "Yearly", 123456.78},
    // 2 x 123456.78
    {"Plan18PaysTwiceTheSum", "18", 20, 123456.78, 0, "Yearly", 246913.56},
    // Plan 94 returns the premiums: 2500 a year x 20; 2 x 2500 x 20; 4 x ...; 12 x ...
    {"Plan94YearlyReturnsPremiums", "94", 20, 100000, 2500, "Yearly", 50000},
    {"Plan94HalfYearlyReturnsPremiums", "94", 20, 100000, 2500, "HalfYearly", 100000},
    {"Plan94QuarterlyReturnsPremiums", "94", 20, 100000, 2500, "Quarterly", 200000},
    {"Plan94MonthlyReturnsPremiums", "94", 20, 100000, 2500, "Monthly", 600000},
    {"Plan94SinglePaysNothing", "94", 20, 100000, 2500, "Single", 0},
    {"Plan94SssPaysNothing", "94", 20, 100000, 2500, "SSS", 0},
    {"Plan94UnknownModePaysNothing", "94", 20, 100000, 2500, "yearly", 0},
    // Plans 111 and 150: premiums plus a share of them by term band.
    // 20 x 2500 = 50000, band 20-24: 50000 x 35 / 100 = 17500.
    {"Plan111YearlyTerm20AddsThirtyFivePercent", "111", 20, 100000, 2500, "Yearly", 67500},
    // SSS: 12 x 15 x 100 = 18000, band 15-19: 4500.
    {"Plan150SssIsTwelvePremiumsAYear", "150", 15, 100000, 100, "SSS", 22500},
    // Single: the one premium 50000, band 25-29: 22500.
    {"Plan111SingleIsOnePremium", "111", 25, 100000, 50000, "Single", 72500},
    // 30 x 1000 = 30000, exactly 30: 55 / 100 -> 16500.
    {"Plan111Term30AddsFiftyFivePercent", "111", 30, 100000, 1000, "Yearly", 46500},
    {"Plan111Term31AddsNothing", "111", 31, 100000, 1000, "Yearly", 31000},
    {"Plan111Term14AddsNothing", "111", 14, 100000, 1000, "Yearly", 14000},
    // 19 x 1000 = 19000 + 25% = 23750; 24 x 1000 = 24000 + 35% = 32400.
    {"Plan150Term19IsStillTheFirstBand", "150", 19, 100000, 1000, "Yearly", 23750},
    {"Plan150Term24IsStillTheSecondBand", "150", 24, 100000, 1000, "Yearly", 32400},
    // 12 x 1234.57 x 20 = 296296.8, + 35% = 400000.68.
    {"Plan111MonthlyOddPremium", "111", 20, 100000, 1234.57, "Monthly", 400000.68},
    {"Plan150HalfYearly", "150", 20, 100000, 2500, "HalfYearly", 135000},
    {"Plan150Quarterly", "150", 20, 100000, 2500, "Quarterly", 270000},
    {"Plan111UnknownModeIsZero", "111", 20, 100000, 2500, "Weekly", 0},
    // Plan 112: S + band share of S + 75 / 100 x S x term (hundredths, not thousandths).
    // Term 25: 100000 + 75000 + 1875000.
    {"Plan112Term25", "112", 25, 100000, 0, "Yearly", 2050000},
    // Term 10: 100000 + 12500 + 750000.
    {"Plan112Term10", "112", 10, 100000, 0, "Yearly", 862500},
    {"Plan112Term5", "112", 5, 100000, 0, "Yearly", 480000},
    {"Plan112Term9", "112", 9, 100000, 0, "Yearly", 780000},
    {"Plan112Term14", "112", 14, 100000, 0, "Yearly", 1162500},
    {"Plan112Term15", "112", 15, 100000, 0, "Yearly", 1250000},
    {"Plan112Term24", "112", 24, 100000, 0, "Yearly", 1940000},
    {"Plan112Term4HasNoBand", "112", 4, 100000, 0, "Yearly", 400000},
    {"Plan112Term26HasNoBand", "112", 26, 100000, 0, "Yearly", 2050000},
    // Written order: S + S x 12.5 / 100 + 75 / 100 x S x 10 (another order ends in ...2525).
    {"Plan112KeepsTheWrittenOrder", "112", 10, 555506.58, 0, "Yearly", 4791244.2524999995},
    // Yearly additions only: 100 x 80 x 20; 100 x 75 x 20.
    {"Plan113PaysOnlyAdditionsAt80", "113", 20, 100000, 0, "Yearly", 160000},
    {"Plan159PaysOnlyAdditionsAt75", "159", 20, 100000, 0, "Yearly", 150000},
    // Sum plus additions: 100000 + 100 x r x 20.
    {"Plan114AddsAt100", "114", 20, 100000, 0, "Yearly", 300000},
    {"Plan136AddsAt60", "136", 20, 100000, 0, "Yearly", 220000},
    {"Plan151AddsAt70", "151", 20, 100000, 0, "Yearly", 240000},
    {"Plan162AddsAt50", "162", 20, 100000, 0, "Yearly", 200000},
    // S / 1000 x 70 x 20 in that order (S x 70 x 20 / 1000 ends in ...448 exactly).
    {"Plan151KeepsTheWrittenOrder", "151", 20, 85379.77, 0, "Yearly", 204911.44800000003},
    // Paid share by plan text + additions at 70 on the full sum (140000).
    {"Plan123PaysSixtyPercent", "123", 20, 100000, 0, "Yearly", 200000},
    {"Plan124PaysFiftyPercent", "124", 20, 100000, 0, "Yearly", 190000},
    {"Plan125PaysFortyPercent", "125", 20, 100000, 0, "Yearly", 180000},
    {"Plan126PaysFortyPercent", "126", 20, 100000, 0, "Yearly", 180000},
    {"Plan128PaysFortyPercent", "128", 20, 100000, 0, "Yearly", 180000},
    {"Plan131PaysTheWholeSum", "131", 20, 100000, 0, "Yearly", 240000},
    {"Plan0123ByTextPaysTheWholeSum", "0123", 20, 100000, 0, "Yearly", 240000},
    // Paid share + additions at 65 (130000).
    {"Plan154PaysSixtyPercent", "154", 20, 100000, 0, "Yearly", 190000},
    {"Plan155PaysFiftyPercent", "155", 20, 100000, 0, "Yearly", 180000},
    {"Plan156PaysFortyPercent", "156", 20, 100000, 0, "Yearly", 170000},
    {"Plan157PaysFortyPercent", "157", 20, 100000, 0, "Yearly", 170000},
    // Plan 160: 60% for a term of 15, else 40%, + additions at 50: 60000 + 75000; 40000 + 100000.
    {"Plan160Term15PaysSixtyPercent", "160", 15, 100000, 0, "Yearly", 135000},
    {"Plan160Term20PaysFortyPercent", "160", 20, 100000, 0, "Yearly", 140000},
    // Compounding. 132 at 85, unrounded: 85, then 1085 / 1000 x 85 = 92.225.
    {"Plan132CompoundsUnrounded", "132", 2, 1000, 0, "Yearly", 1177.225},
    // 141 at 75: 60 (run 860), 64.5 (run 924: half to even), 69.3 -> 800 + 193.8.
    {"Plan141RoundsHalfToEven", "141", 3, 800, 0, "Yearly", 993.8},
    {"Plan141Sum800Term2", "141", 2, 800, 0, "Yearly", 924.5},
    // 141: 75, 80.625 (81), 86.7 (87), 93.225 (93), 100.2 (100), year 6 at 80: 114.88.
    {"Plan141Year6At80", "141", 6, 1000, 0, "Yearly", 1550.63},
    // 142: 60, 63.6 (64), 67.44 (67), 71.46 (71), 75.72 (76), year 6 at 65: 86.97.
    {"Plan142Year6At65", "142", 6, 1000, 0, "Yearly", 1425.19},
    // 143 / 158 at 60: 60, 63.6 (64), 67.44.
    {"Plan143At60", "143", 3, 1000, 0, "Yearly", 1191.04},
    {"Plan158At60", "158", 3, 1000, 0, "Yearly", 1191.04},
    // 166 at 40 then 45: 80, 83.2, 86.52, 90, 93.6, 109.53, 114.48.
    {"Plan166Year6At45", "166", 7, 2000, 0, "Yearly", 2657.33},
    {"CompoundingTerm0PaysTheSum", "143", 0, 5000, 0, "Yearly", 5000},
    {"CompoundingNegativeTermPaysTheSum", "166", -3, 5000, 0, "Yearly", 5000},
    // Plans no rule knows.
    {"Plan1PaysNothing", "1", 20, 100000, 0, "Yearly", 0},
    {"Plan999PaysNothing", "999", 20, 100000, 0, "Yearly", 0},
    {"TextPlanPaysNothing", "abc", 20, 100000, 0, "Yearly", 0},
    {"FractionalPlanPaysNothing", "3.5", 20, 100000, 0, "Yearly", 0},
    // The plan value is the leading number: "114 A" is plan 114.
    {"PlanValueIsTheLeadingNumber", "114 A", 20, 100000, 0, "Yearly", 300000},
};

INSTANTIATE_TEST_SUITE_P(Plans, PlanRuleTest, ::testing::ValuesIn(kPlanRuleCases),
                         [](const ::testing::TestParamInfo<PlanRuleCase>& info) { return info.param.name; });

// ---- Plans with a bonus category (see BonusTables.h for the rates) -----------------------------

struct BonusCase {
    const char* name;
    const char* plan;
    int year, month, day;
    std::int32_t term;
    double sum;
    std::int32_t age;
    double expected;
};

void PrintTo(const BonusCase& c, std::ostream* out)
{
    *out << c.name;
}

class BonusRuleTest : public ::testing::TestWithParam<BonusCase> {};

TEST_P(BonusRuleTest, MaturityValue)
{
    const BonusCase& c = GetParam();
    BonusWorld world;
    std::int32_t age = c.age;

    const double value =
        world.calc().NewMat2(makeDate(c.year, c.month, c.day), c.plan, c.term, c.sum, 0, "Yearly", age);

    EXPECT_EQ(value, c.expected);
    EXPECT_EQ(world.calc().logEntriesWritten(), 0) << world.logText();
    EXPECT_EQ(age, c.age);
}

// Declared = S / 1000 x rate of the start year; projected = S / 1000 x last year's JM rate x k, with
// k = start + N - 2005 (one less for January to March) kept within 0..N; N = term (WL 80 - age, JR
// 100 - age).
const BonusCase kBonusCases[] = {
    // EN, June 2004, 20 years, 100000: declared AD 49 -> 4900; k = 2004 + 20 - 2005 = 19, JM 2005 48
    // -> 91200; final bonus FAB 30 -> 3000. 100000 + 4900 + 91200 + 3000.
    {"Plan14JuneStart", "14", 2004, 6, 15, 20, 100000, 0, 199100},
    // March: declared JM 47 -> 4700; k = 18 -> 86400; 100000 + 4700 + 86400 + 3000.
    {"Plan14MarchStartIsPreviousBonusYear", "14", 2004, 3, 15, 20, 100000, 0, 194100},
    {"Plan14AprilFirstIsLate", "14", 2004, 4, 1, 20, 100000, 0, 199100},
    // "014" is EN by its value but earns no final bonus by its text.
    {"Plan014IsEnWithoutFinalBonus", "014", 2004, 6, 15, 20, 100000, 0, 196100},
    // Plan 103: bonuses on the full sum, then 25 / 100 of the sum: 25000 + 4900 + 91200 + 3000.
    {"Plan103QuarterOfTheSum", "103", 2004, 6, 15, 20, 100000, 0, 124100},
    // Sums below 50000 have the lower 2004 band: AD 45 -> 1800; projected 40 x 48 x 19 = 36480;
    // final 40 x 30 = 1200.
    {"Plan14SmallSumLowerBand", "14", 2004, 6, 15, 20, 40000, 0, 79480},
    // The written order S / 1000 x rate (another order differs in the last bits).
    {"Plan14OddSum", "14", 2004, 6, 15, 20, 230307.05, 0, 458541.33654999995},
    // Start 2002 lies before the first EN year 2003.
    {"StartBeforeFirstBonusYearIsZero", "14", 2002, 12, 1, 20, 100000, 0, 0},
    // February 2005, 1 year: JM 0 declared and k = 2005 + 1 - 2005 - 1 = 0 -> 0, not the sum.
    {"NothingDeclaredNothingToProjectIsZero", "14", 2005, 2, 1, 1, 100000, 0, 0},
    // May 2005, 1 year: nothing declared (AD 0, JM 0) but k = 1: the sum (projected at JM 0).
    {"NothingDeclaredButAYearToProjectPaysTheSum", "14", 2005, 5, 1, 1, 100000, 0, 100000},
    // June 2006: no 2006 row (declared 0); k = 2006 + 20 - 2005 = 21 kept at 20: 100 x 48 x 20;
    // final 3000.
    {"ProjectedYearsKeptWithinTheTerm", "14", 2006, 6, 1, 20, 100000, 0, 199000},
    // July 2003, 1 year: k = -1 kept at 0; declared AD 42 -> 4200; no final bonus under 15 years.
    {"NegativeProjectedYearsAreZero", "14", 2003, 7, 1, 1, 100000, 0, 104200},
    // EN term 14: no final bonus. AD 2003 42 -> 4200; k = 2003 + 14 - 2005 = 12 at JM 0.
    {"Plan14Term14HasNoFinalBonus", "14", 2003, 7, 1, 14, 100000, 0, 104200},
    // EN term 15: AD 2003 48 -> 4800; k = 13 at JM 48 -> 62400; final FAB 15 -> 1500.
    {"Plan41Term15EarnsFinalBonus", "41", 2003, 7, 1, 15, 100000, 0, 168700},
    // Plan 50 is EN without a final bonus: 100000 + 4800 + 62400.
    {"Plan50HasNoFinalBonus", "50", 2003, 7, 1, 15, 100000, 0, 167200},
    // WL, age 0: N = 80; AD 60 -> 3000; k = 79, JM 60 -> 50 x 60 x 79 = 237000; FAB 45 -> 2250.
    {"Plan2WholeLife", "2", 2004, 6, 1, 30, 50000, 0, 292250},
    // Age 30: N = 50, k = 49 -> 147000.
    {"Plan2WholeLifeAge30", "2", 2004, 6, 1, 30, 50000, 30, 202250},
    {"Plan27WholeLifeNoFinalBonus", "27", 2004, 6, 1, 30, 50000, 0, 290000},
    // JMJS, January 2005, 15 years, 200000: JM 43 -> 8600; k = 14 -> 120400; FAB 20 -> 4000.
    {"Plan48JointLife", "48", 2005, 1, 10, 15, 200000, 0, 333000},
    {"Plan133JointLife", "133", 2005, 1, 10, 15, 200000, 0, 333000},
    // "089" is plan 89 (JMJS) by value, but its text earns no final bonus: 200000 + 8600 + 120400.
    {"Plan089IsJointLifeWithoutFinalBonus", "089", 2005, 1, 10, 15, 200000, 0, 329000},
    // MB, August 2004: AD 0 falls back to JM 38 -> 3800; k = 19, JM 39 -> 74100; plan 75 at 20
    // years: 100 x 20 = 2000; sum 40 / 100 -> 40000.
    {"Plan75Term20", "75", 2004, 8, 1, 20, 100000, 0, 119900},
    // 25 years: k = 24 -> 93600; 100 x 35 = 3500.
    {"Plan93Term25", "93", 2004, 8, 1, 25, 100000, 0, 140900},
    // 22 years: no money-back final bonus; k = 21 -> 81900.
    {"Plan76Term22", "76", 2004, 8, 1, 22, 100000, 0, 125700},
    {"Plan73SixtyPercent", "73", 2004, 8, 1, 20, 100000, 0, 137900},
    {"Plan74FiftyPercent", "74", 2004, 8, 1, 20, 100000, 0, 127900},
    // JS pays no sum: AD 35 -> 3500; k = 19 at JM 35 -> 66500.
    {"Plan106PaysOnlyBonuses", "106", 2004, 6, 1, 20, 100000, 0, 70000},
    // JDJS, April 2005: AD 48 -> 4800; k = 18 at JM 46 -> 82800.
    {"Plan147", "147", 2005, 4, 1, 18, 100000, 0, 187600},
    // JA, 31 March 2004: JM 50 -> 5000; k = 2004 + 10 - 2005 - 1 = 8 at JM 51 -> 40800.
    {"Plan149", "149", 2004, 3, 31, 10, 100000, 0, 145800},
    // JR: N = 100; AD 30 (terms 1-15) -> 3000; k = 99 at JM 29 -> 287100.
    {"Plan152Term15", "152", 2004, 6, 1, 15, 100000, 0, 390100},
    // Term 99: AD 60 -> 6000; JM 56 x 99 -> 554400.
    {"Plan152Term99", "152", 2004, 6, 1, 99, 100000, 0, 660400},
};

INSTANTIATE_TEST_SUITE_P(Categories, BonusRuleTest, ::testing::ValuesIn(kBonusCases),
                         [](const ::testing::TestParamInfo<BonusCase>& info) { return info.param.name; });

// ---- Failures ---------------------------------------------------------------------------------

// Without the bonus database the three year and rate lookups read as 0: the first year 0 lets every
// start through, k is the whole term, and the projected bonus is 0. What is left is the sum, the
// declared bonus (read through the target database) and the final bonus: 100000 + 4900 + 0 + 3000.
TEST(NewMat2Failures, MissingBonusDatabaseLeavesDeclaredAndFinalBonus)
{
    BonusWorld world;
    world.calc().setBonusDatabase(world.logFile().parent_path() / "no-such-folder" / "lic.mdb");
    std::int32_t age = 0;

    const double value = world.calc().NewMat2(makeDate(2004, 6, 15), "14", 20, 100000, 0, "Yearly", age);

    EXPECT_EQ(value, 107900);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewMat2), 0);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewBonus), 0);
    EXPECT_GE(world.entriesUnder(calc::labels::DFirst2), 3);
}

// Without a target database the declared and final bonuses fail inside NewBonus and FBonus (logged there) and
// read as 0; the projected bonus still comes from the bonus database: 100000 + 0 + 91200 + 0.
TEST(NewMat2Failures, NoTargetDatabaseLosesDeclaredAndFinalBonus)
{
    BonusWorld world;
    world.calc().session().setTarget(nullptr);
    std::int32_t age = 0;

    const double value = world.calc().NewMat2(makeDate(2004, 6, 15), "14", 20, 100000, 0, "Yearly", age);

    EXPECT_EQ(value, 191200);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewBonus), 5);
    EXPECT_EQ(world.entriesUnder(calc::labels::FBonus), 3);
    EXPECT_EQ(world.entriesUnder(calc::labels::NewMat2), 0);
}

} // namespace
} // namespace orrin::testing

#include "calc/BonusTables.h"
#include "calc/DataImport.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "support/Fixture.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orrin::testing {
namespace {

// One policy being added to a target database of its own (holding the bonus tables of
// BonusTables.h, and no plan rows unless a test adds them), completed by UpdatePolicySchedule.
class PolicyUnderImport {
  public:
    PolicyUnderImport()
    {
        // A copy of the shared target database (bonus tables, no plans), as this test's own LIC.mdb.
        m_file = m_dir.path() / "LIC.mdb";
        std::filesystem::copy_file(BonusWorld::targetDb(), m_file);
        m_calc.setLogFile(m_dir.path() / "Error Log.txt");
        m_calc.setBonusDatabase(BonusWorld::bonusDb());
    }

    void addPlan(std::int32_t plan, std::int16_t premTerm)
    {
        insertRows(m_file, targetPassword(), "plans",
                   {{{"plan", Variant(plan)},
                     {"pflag", Variant("A")},
                     {"premage", Variant(std::int16_t{0})},
                     {"PremTerm", Variant(premTerm)},
                     {"Term", Variant::null()},
                     {"benefit", Variant::null()}}});
    }

    // Sets the copied fields, runs the calculation and returns the pending row's MatAmt.
    Variant complete(const Variant& plan, const Variant& term, const Variant& ppt, const Variant& payment,
                     const Variant& issue, const Variant& sum, const Variant& premium)
    {
        m_connection.openFile(m_file, targetPassword(), store::OpenMode::ReadWrite);
        m_policies.open("Policies", m_connection);
        m_policies.addNew();
        m_policies.setField("policy_no", Variant("P-1"));
        m_policies.setField("Plan", plan);
        m_policies.setField("Term", term);
        m_policies.setField("PPT", ppt);
        m_policies.setField("Payment", payment);
        m_policies.setField("Issue_Dt", issue);
        m_policies.setField("Sum", sum);
        m_policies.setField("Premium", premium);
        m_calc.UpdatePolicySchedule(m_connection, m_policies);
        return m_policies.field("MatAmt");
    }

    store::Recordset& row() { return m_policies; }
    std::int64_t logEntries() const { return m_calc.logEntriesWritten(); }

  private:
    TempDir m_dir;
    std::filesystem::path m_file;
    store::Connection m_connection;
    store::Recordset m_policies;
    calc::DataImport m_calc;
};

struct MaturityCase {
    const char* name;
    Variant plan;
    Variant term;
    Variant ppt;
    Variant payment;
    Variant issue;
    Variant sum;
    Variant premium;
    Variant expected; // Null: MatAmt is left unset
    std::int64_t logEntries;
};

void PrintTo(const MaturityCase& c, std::ostream* out)
{
    *out << c.name;
}

class MaturityAmountTest : public ::testing::TestWithParam<MaturityCase> {};

TEST_P(MaturityAmountTest, MatAmt)
{
    const MaturityCase& c = GetParam();
    PolicyUnderImport policy;

    const Variant matAmt = policy.complete(c.plan, c.term, c.ppt, c.payment, c.issue, c.sum, c.premium);

    EXPECT_EQ(matAmt, c.expected) << describe(matAmt);
    EXPECT_EQ(policy.logEntries(), c.logEntries);
}

const Variant kNull = Variant::null();
const Variant kIssue = Variant(makeDate(2004, 6, 1));

// Plan 111, 20 years, premium 2500: the premiums by mode plus 35 / 100 of them (term band 20-24).
// Plan 94 returns the premiums and nothing for Single and SSS. Plan 114, sum 1000: 1000 + 100 per
// year. None of these plans is in the plan table.
const MaturityCase kMaturityCases[] = {
    // 12 x 2500 x 20 = 600000 + 210000.
    {"MonthlyMode", "111", "20", "20", "M", kIssue, 100000.0, 2500.0, 810000.0, 0},
    // 4 x 2500 x 20 = 200000 + 70000.
    {"QuarterlyMode", "111", "20", "20", "Q", kIssue, 100000.0, 2500.0, 270000.0, 0},
    // 2 x 2500 x 20 = 100000 + 35000.
    {"HalfYearlyMode", "111", "20", "20", "H", kIssue, 100000.0, 2500.0, 135000.0, 0},
    // 20 x 2500 = 50000 + 17500.
    {"YearlyMode", "111", "20", "20", "Y", kIssue, 100000.0, 2500.0, 67500.0, 0},
    // One premium 2500 + 875.
    {"SingleMode", "111", "20", "20", "S", kIssue, 100000.0, 2500.0, 3375.0, 0},
    // SSS: 12 x 20 x 2500 = 600000 + 210000.
    {"SssMode", "111", "20", "20", "P", kIssue, 100000.0, 2500.0, 810000.0, 0},
    {"SssModeOfPlan94PaysNothing", "94", "20", "20", "P", kIssue, 100000.0, 2500.0, 0.0, 0},
    {"MonthlyModeOfPlan94", "94", "20", "20", "M", kIssue, 100000.0, 2500.0, 600000.0, 0},
    // The result is stored as it comes: 12 x 1234.57 x 20 = 296296.8 + 35% = 400000.68.
    {"UnroundedResult", "111", "20", "20", "M", kIssue, 100000.0, 1234.57, 400000.68, 0},
    // Codes compare exactly: nothing matches, MatAmt stays unset.
    {"LowerCaseQIsNoMode", "111", "20", "20", "q", kIssue, 100000.0, 2500.0, kNull, 0},
    {"UnknownLetterIsNoMode", "111", "20", "20", "X", kIssue, 100000.0, 2500.0, kNull, 0},
    {"EmptyPaymentIsNoMode", "111", "20", "20", "", kIssue, 100000.0, 2500.0, kNull, 0},
    {"NullPaymentIsNoMode", "111", "20", "20", kNull, kIssue, 100000.0, 2500.0, kNull, 0},
    // No commencement date: NewMat2 is not called (a call would fail and be logged).
    {"NullIssueDateLeavesMatAmt", "111", "20", "20", "M", kNull, 100000.0, 2500.0, kNull, 0},
    // The term read as a number, halves to even: 12.5 -> 12 (1000 + 1200), 13.5 -> 14 (1000 + 1400).
    {"TermTwelveAndAHalfIsTwelve", "114", "12.5", "", "Y", kIssue, 1000.0, 0.0, 2200.0, 0},
    {"TermThirteenAndAHalfIsFourteen", "114", "13.5", "", "Y", kIssue, 1000.0, 0.0, 2400.0, 0},
    {"TermWithUnitsReadsItsNumber", "114", "15 yrs", "", "Y", kIssue, 1000.0, 0.0, 2500.0, 0},
    // Premium is read with Val as well (a Null premium would fail): plan 114 does not use it.
    {"ZeroPremium", "114", "20", "20", "Y", kIssue, 1000.0, 0.0, 3000.0, 0},
    // Plan 152 matures on its premium-paying term: JR, June 2004, 100000: AD 30 -> 3000, 99 projected
    // years at JM 29 -> 287100 (term 15); for term 99: AD 60 -> 6000, JM 56 -> 554400.
    {"Plan152UsesPpt", "152", "99", "15", "Y", kIssue, 100000.0, 0.0, 390100.0, 0},
    {"Plan0152UsesTerm", "0152", "99", "15", "Y", kIssue, 100000.0, 0.0, 660400.0, 0},
    // Failures: logged under UpdatePolicySchedule, the statement has no effect.
    // A Null term leaves MatTerm at 0: plan 114 pays the bare sum.
    {"NullTermKeepsMatTermZero", "114", kNull, "20", "Y", kIssue, 1000.0, 0.0, 1000.0, 1},
    // Plan 152 at term 0: no JR row covers term 0, so nothing is declared or projected: the sum.
    {"NullPptOfPlan152KeepsMatTermZero", "152", "99", kNull, "Y", kIssue, 100000.0, 0.0, 100000.0, 1},
    {"TermTooLargeKeepsMatTermZero", "114", "9999999999", "20", "Y", kIssue, 1000.0, 0.0, 1000.0, 1},
    {"NullSumLeavesMatAmt", "114", "20", "20", "Y", kIssue, kNull, 0.0, kNull, 1},
    {"NullPremiumLeavesMatAmt", "111", "20", "20", "Y", kIssue, 100000.0, kNull, kNull, 1},
};

INSTANTIATE_TEST_SUITE_P(Modes, MaturityAmountTest, ::testing::ValuesIn(kMaturityCases),
                         [](const ::testing::TestParamInfo<MaturityCase>& info) { return info.param.name; });

// A plan that is in the plan table gets its dates and its amount alike.
TEST(MaturityAmount, FoundPlanGetsDatesAndAmount)
{
    PolicyUnderImport policy;
    policy.addPlan(114, 20);

    const Variant matAmt = policy.complete("114", "20", "15", "Y", kIssue, 1000.0, 0.0);

    EXPECT_EQ(matAmt, Variant(3000.0));
    EXPECT_EQ(policy.row().field("matdt"), Variant(makeDate(2024, 6, 1)));
    EXPECT_EQ(policy.logEntries(), 0);
}

} // namespace
} // namespace orrin::testing

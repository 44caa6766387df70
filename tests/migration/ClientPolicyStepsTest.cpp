#include "MigrationTestSupport.h"

#include <gtest/gtest.h>

namespace orrin::migration::test {
namespace {

using ClientPolicySteps = MigrationTest;

// ---- Clients -----------------------------------------------------------------------------------

class Clients : public MigrationTest {
  protected:
    Clients()
    {
        // Physically out of order: the run must write them by family code, then person code.
        addSource("Client1",
                  {{{"FamilyCode", T("F2")},
                    {"PersCode", L(1)},
                    {"Name", T("Zoya")},
                    {"DOBR", D(1985, 7, 9)},
                    {"DOBA", D(1985, 7, 1)},
                    {"sex", T("F")}},
                   {{"FamilyCode", T("O'Brien")}, {"PersCode", L(1)}, {"Name", T("Pat")}, {"sex", T(" ")}},
                   {{"FamilyCode", T("F1")}, {"PersCode", L(2)}, {"Name", T("Ravi Jr")}, {"sex", T("")}},
                   {{"FamilyCode", T("F1")},
                    {"PersCode", L(1)},
                    {"Name", T("Ravi")},
                    {"DOBR", D(1960, 2, 29)},
                    {"sex", Nul()}}});
        addSource(
            "Client2",
            {{{"familycode", T("F1")}, {"perscode", L(1)}, {"MarDt", D(1995, 5, 20)}, {"Spouse", T("Lata")}},
             {{"familycode", T("F1")}, {"perscode", L(1)}, {"MarDt", D(2000, 1, 1)}, {"Spouse", T("Second")}},
             {{"familycode", T("O'Brien")},
              {"perscode", L(1)},
              {"MarDt", D(1990, 9, 9)},
              {"Spouse", T("Sam")}}});
        addSource("Client4",
                  {{{"familycode", T("F2")}, {"perscode", L(1)}, {"MobiNumb", T("9820012345")}},
                   {{"familycode", T("O'Brien")}, {"perscode", L(1)}, {"MobiNumb", T("0871234567")}}});
        addTarget("Client", {{{"FamilyCode", T("OLD")}}});
    }
};

TEST_F(Clients, AreWrittenInFamilyAndPersonOrderWithLookupsAndConstants)
{
    const RunReport report = runMigration();

    EXPECT_EQ(targetRows("SELECT * FROM Client ORDER BY rowid"),
              (Rows{{T("F1"), L(1), T("Ravi"), D(1960, 2, 29), Nul(), Nul(), T("Others"), T("Y"), T("Y"),
                     T("Y"), T("Y"), T("Y"), D(1995, 5, 20), T("Lata"), Nul(), T("A")},
                    {T("F1"), L(2), T("Ravi Jr"), Nul(), Nul(), T("C"), T("Others"), T("Y"), T("Y"), T("Y"),
                     T("Y"), T("Y"), Nul(), Nul(), Nul(), T("A")},
                    {T("F2"), L(1), T("Zoya"), D(1985, 7, 9), D(1985, 7, 1), T("F"), T("Others"), T("Y"),
                     T("Y"), T("Y"), T("Y"), T("Y"), Nul(), Nul(), T("9820012345"), T("A")},
                    {T("O'Brien"), L(1), T("Pat"), Nul(), Nul(), T(" "), T("Others"), T("Y"), T("Y"), T("Y"),
                     T("Y"), T("Y"), D(1990, 9, 9), T("Sam"), T("0871234567"), T("A")}}));
    EXPECT_TRUE(report.clean()) << "no lookup should have failed";
    EXPECT_EQ(report.steps.at(5).name, "Client1");
    EXPECT_EQ(report.steps.at(5).sourceRowsRead, 4);
    EXPECT_EQ(report.rowsWritten.at("Client"), 4);
}

TEST_F(ClientPolicySteps, ClientWithoutPersonCodeGetsEmptyLookupsAndTheFailuresAreLogged)
{
    addSource("Client1", {{{"FamilyCode", T("F1")}, {"PersCode", Nul()}, {"Name", T("Nobody")}}});
    addSource("Client2", {{{"familycode", T("F1")}, {"perscode", L(1)}, {"Spouse", T("Lata")}}});

    const RunReport report = runMigration();

    EXPECT_EQ(targetRows("SELECT FamilyCode, PersCode, Name, MAR_DT, PART_NAME, MOBILENO, cflag FROM Client"),
              (Rows{{T("F1"), Nul(), T("Nobody"), Nul(), Nul(), Nul(), T("A")}}));
    EXPECT_EQ(report.outcome, RunReport::Outcome::Finished);
    EXPECT_GE(report.logEntries, 3);
    EXPECT_FALSE(report.clean());
    EXPECT_EQ(report.logFile, logFile);
}

TEST_F(ClientPolicySteps, PersonCodeThatIsNotANumberCannotWidenTheLookup)
{
    // The person code lands in the lookup's condition; "1 or 1=1" must not match every row.
    sourceSql("DROP TABLE Client1");
    sourceSql("CREATE TABLE Client1 (FamilyCode TEXT(12) COLLATE NOCASE, PersCode TEXT(20) COLLATE NOCASE, "
              "Name TEXT(60) COLLATE NOCASE, DOBR DATETIME, DOBA DATETIME, sex TEXT(1) COLLATE NOCASE)");
    addSource("Client1", {{{"FamilyCode", T("F9")}, {"PersCode", T("1 or 1=1")}, {"Name", T("Mallory")}}});
    addSource("Client2", {{{"familycode", T("F1")}, {"perscode", L(1)}, {"Spouse", T("Lata")}}});

    ScriptedQuestion question(true);
    RecordingObserver observer;
    const RunReport report = runWith(question, observer);

    // The text does not fit the target's number field either; answered Yes, the row is saved without it.
    EXPECT_EQ(question.asked,
              std::vector<std::string>{
                  "Type mismatch: cannot store '1 or 1=1' in the number field 'Client.PersCode'."});
    EXPECT_EQ(targetRows("SELECT Name, PersCode, MAR_DT, PART_NAME, MOBILENO FROM Client"),
              (Rows{{T("Mallory"), Nul(), Nul(), Nul(), Nul()}}));
    EXPECT_GE(report.logEntries, 3) << "each lookup logs its refused condition";
}

// ---- Policies ----------------------------------------------------------------------------------

TEST_F(ClientPolicySteps, PolicyFieldsAreCopiedRecodedAndFlagged)
{
    addSource("Policies",
              {{{"PolicyNo", T("P001")},  {"ComDate", D(2001, 3, 15)}, {"Plan", T("0")},
                {"Term", T("20")},        {"PremTerm", T("15")},       {"Sum", Dbl(100000)},
                {"Payment", T("O")},      {"BranchNo", T("B1")},       {"MEDICAL", T("N")},
                {"AgencyCd", T("AG001")}, {"FUPDate", D(2024, 3, 15)}, {"PremWaiver", T("Y")},
                {"TermRider", T("N")},    {"Nominee", T("")},          {"Relation", T("Wife")},
                {"APPOINTEE", Nul()},     {"TRUSTEE", T("Bank")},      {"Age", S(30)},
                {"DAB", T("Y")},          {"LOAN", Dbl(5000.5)},       {"LOANDATE", D(2010, 1, 1)},
                {"Status", T("I")},       {"FamilyCode", T("F1")},     {"PersCode", L(1)},
                {"Premium", Dbl(5123.25)}}});
    addTarget("Policies", {{{"policy_no", T("OLD")}}});

    const RunReport report = runMigration();

    EXPECT_EQ(targetRows("SELECT * FROM Policies"),
              (Rows{{T("P001"),   D(2001, 3, 15), D(2001, 3, 15), T("0"),        T("20"),    T("15"),
                     Dbl(100000), T("S"),         T("B1"),        T("N"),        T("AG001"), D(2024, 3, 15),
                     T("Y"),      T("N"),         Nul(),          T("Wife"),     Nul(),      T("Bank"),
                     S(30),       T("Y"),         Dbl(5000.5),    D(2010, 1, 1), T("N"),     T("F1"),
                     L(1),        T("LOCATION"),  Dbl(5123.25),   T("A"),        Nul(),      Nul(),
                     Nul()}}));
    EXPECT_TRUE(report.clean());
}

TEST_F(ClientPolicySteps, PaymentModesStatusesAndNomineesFollowTheirTables)
{
    struct Case {
        const char* payment;
        const char* status;
        Variant nominee;
        Variant expectedPayment;
        const char* expectedStatus;
        Variant expectedNominee;
    };
    const std::string longNominee = "Smt. Lakshmi Venkataraman Subramaniam (mother)";
    const std::vector<Case> cases{
        {"O", "I", T(""), T("S"), "N", Nul()},
        {"S", "R", Nul(), T("P"), "T", Nul()},
        {"Q", "D", T(longNominee), T("Q"), "R", T(longNominee)},
        {"M", "F", T(" "), T("M"), "R", T(" ")},
        {"H", "L", T("Self"), T("H"), "N", T("Self")},
        {"Y", "r", T("Self"), T("Y"), "N", T("Self")},
        {"o", "d", T("Self"), T("o"), "N", T("Self")},
        {"s", "", T("Self"), T("s"), "N", T("Self")},
        {"", "i", T("Self"), T(""), "N", T("Self")},
        {nullptr, nullptr, T("Self"), Nul(), "N", T("Self")},
    };
    std::vector<Row> rows;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        rows.push_back({{"PolicyNo", T("P" + std::to_string(i))},
                        {"Plan", T("0")},
                        {"Payment", cases[i].payment ? T(cases[i].payment) : Nul()},
                        {"Status", cases[i].status ? T(cases[i].status) : Nul()},
                        {"Nominee", cases[i].nominee}});
    }
    addSource("Policies", rows);

    const RunReport report = runMigration();

    const Rows written = targetRows(
        "SELECT policy_no, Payment, stat_cd, Nominee, Loc_Desc, pflag FROM Policies ORDER BY rowid");
    ASSERT_EQ(written.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(written[i],
                  (std::vector<Variant>{T("P" + std::to_string(i)), c.expectedPayment, T(c.expectedStatus),
                                        c.expectedNominee, T("LOCATION"), T("A")}))
            << "payment " << (c.payment ? c.payment : "Null") << ", status "
            << (c.status ? c.status : "Null");
    }
    EXPECT_EQ(report.policiesTransferred, 10);
    EXPECT_EQ(transferredAfterRun, 10);
    EXPECT_EQ(report.rowsWritten.at("Policies"), 10);
}

TEST_F(ClientPolicySteps, NoPoliciesEmptiesPoliciesAndSbAndTransfersNothing)
{
    addTarget("Policies", {{{"policy_no", T("OLD")}}});
    addTarget("SB", {{{"policy_no", T("OLD")}, {"i_no", S(1)}}});
    RecordingObserver observer;
    ScriptedQuestion question;

    const RunReport report = runWith(question, observer);

    EXPECT_EQ(targetRows("SELECT * FROM Policies"), Rows{});
    EXPECT_EQ(targetRows("SELECT * FROM SB"), Rows{});
    EXPECT_EQ(report.policiesTransferred, 0);
    EXPECT_EQ(observer.pumps, 0) << "the calculations never ran";
}

TEST_F(ClientPolicySteps, DatesAndMaturityAmountOfTheCalculationsAreSavedWithTheRow)
{
    addTarget("plans", {{{"plan", L(3)},
                         {"PlanName", T("Endowment")},
                         {"pflag", T("A")},
                         {"premage", S(0)},
                         {"PremTerm", S(20)},
                         {"Term", T("")},
                         {"benefit", T("")}}});
    addTarget("SB", {{{"policy_no", T("OLD")}, {"i_no", S(1)}}});
    addSource("Policies", {{{"PolicyNo", T("P3")},
                            {"ComDate", D(2001, 3, 15)},
                            {"Plan", T("3")},
                            {"Term", T("20")},
                            {"PremTerm", T("15")},
                            {"Sum", Dbl(100000)},
                            {"Payment", T("Y")},
                            {"Premium", Dbl(5000)}},
                           {{"PolicyNo", T("P4")},
                            {"ComDate", D(2000, 2, 29)},
                            {"Plan", T("3")},
                            {"Term", T("21")},
                            {"PremTerm", T("21")},
                            {"Sum", Dbl(250000)},
                            {"Payment", T("O")},
                            {"Premium", Dbl(90000)}}});
    RecordingObserver observer;
    ScriptedQuestion question;

    runWith(question, observer);

    EXPECT_EQ(targetRows("SELECT policy_no, Payment, matdt, PremEndDt, MatAmt FROM Policies ORDER BY rowid"),
              (Rows{{T("P3"), T("Y"), D(2021, 3, 15), D(2016, 3, 15), Dbl(100000)},
                    {T("P4"), T("S"), D(2021, 2, 28), D(2000, 2, 29), Dbl(250000)}}));
    EXPECT_EQ(targetRows("SELECT * FROM SB WHERE policy_no = 'OLD'"), Rows{});
    EXPECT_EQ(observer.pumps, 2) << "the window's events run once per policy";
    EXPECT_EQ(question.asked, std::vector<std::string>{});
}

TEST_F(ClientPolicySteps, StepsAreAnnouncedInRunOrder)
{
    RecordingObserver observer;
    ScriptedQuestion question;
    const RunReport report = runWith(question, observer);
    EXPECT_EQ(observer.steps, (std::vector<std::string>{"Agmast", "LocMast", "BrnMast", "company", "Family",
                                                        "Client", "Policies"}));
    std::vector<std::string> names;
    for (const auto& step : report.steps) {
        names.push_back(step.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Agmast", "LocMast", "BrnMast", "company", "Family", "Client1",
                                               "Policies"}));
    EXPECT_TRUE(report.clean());
}

TEST_F(ClientPolicySteps, SourceDatabaseIsNotChangedByARun)
{
    fillEveryTable();
    const auto before = testing::query(source, testing::sourcePassword(), "SELECT * FROM Policies");
    runMigration();
    EXPECT_EQ(testing::query(source, testing::sourcePassword(), "SELECT * FROM Policies"), before);
    EXPECT_EQ(testing::query(source, testing::sourcePassword(), "SELECT LocCd, LocDesc FROM LocMast"),
              (Rows{{L(7), T("North")}}));
}

} // namespace
} // namespace orrin::migration::test

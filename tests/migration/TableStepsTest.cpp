#include "MigrationTestSupport.h"

#include <gtest/gtest.h>

namespace orrin::migration::test {
namespace {

using TableSteps = MigrationTest;

// ---- Agent, login and Times ----------------------------------------------------------------

TEST_F(TableSteps, EmptyAgmastClearsLoginAndAgMastAndWritesNoTimesRow)
{
    addTarget("Login", {{{"Ag_Code", T("OLD")}}});
    addTarget("AgMast", {{{"Agency_Cd", T("OLD")}}});
    addTarget("Times", {{{"LoginName", T("Old Agent")}, {"Show_Tip", S(0)}}});

    const RunReport report = runMigration();

    EXPECT_EQ(report.outcome, RunReport::Outcome::Finished);
    EXPECT_EQ(targetRows("SELECT * FROM Login"), Rows{});
    EXPECT_EQ(targetRows("SELECT * FROM AgMast"), Rows{});
    EXPECT_EQ(targetRows("SELECT LoginName, Show_Tip FROM Times"), (Rows{{T("Old Agent"), S(0)}}));
}

class ThreeAgents : public MigrationTest {
  protected:
    ThreeAgents()
    {
        addSource("Agmast", {{{"AgencyCd", T("AG001")},
                              {"Name", T("Asha Rao")},
                              {"Address1", T("12 MG Road")},
                              {"Address2", T("Fort")},
                              {"Address3", T("Mumbai")},
                              {"Address4", Nul()},
                              {"TelNo1", Nul()},
                              {"TelNo2", Nul()},
                              {"BranchNo", T("B12")},
                              {"AgentSince", D(1998, 6, 1)},
                              {"RenDate", D(2025, 5, 31)},
                              {"LicenceNo", T("L-778")},
                              {"Email", T("asha@example.in")}},
                             {{"AgencyCd", T("AG002")},
                              {"Name", T("Vikram Shah")},
                              {"Address1", T("")},
                              {"Address2", Nul()},
                              {"Address3", T("Pune")},
                              {"Address4", T("411001")},
                              {"TelNo1", T("020 555")},
                              {"TelNo2", T("98200")},
                              {"BranchNo", T("B13")},
                              {"AgentSince", D(2001, 1, 15)},
                              {"RenDate", Nul()},
                              {"LicenceNo", Nul()}},
                             {{"AgencyCd", T("AG003")},
                              {"Name", T("Meera Nair")},
                              {"Address1", T("A")},
                              {"Address2", T("B")},
                              {"Address3", Nul()},
                              {"Address4", Nul()},
                              {"TelNo1", T("1")},
                              {"LicenceNo", T("L3")}}});
    }
};

TEST_F(ThreeAgents, LoginComesFromTheFirstAgentOnly)
{
    runMigration();
    EXPECT_EQ(targetRows("SELECT Ag_Code, Name, Desig, Address1, Address2, Address3, Phone, Pwd FROM Login"),
              (Rows{{T("AG001"), T("Asha Rao"), T("None"), T("12 MG Road"), T("Fort"), T("Mumbai "), T(" "),
                     Nul()}}));
}

TEST_F(ThreeAgents, OneTimesRowWithSixteenBitOnes)
{
    runMigration();
    EXPECT_EQ(targetRows("SELECT LoginName, Show_Tip, Show_Aarti, AGENT FROM Times"),
              (Rows{{T("Asha Rao"), S(1), S(1), S(1)}}));
}

TEST_F(ThreeAgents, EveryAgentGoesToAgMastWithItsConstants)
{
    const RunReport report = runMigration();
    EXPECT_EQ(targetRows("SELECT * FROM AgMast ORDER BY rowid"),
              (Rows{{T("AG001"), T("Asha Rao"), Nul(), T("12 MG Road"), T("Fort"), T("Mumbai "), T("B12"),
                     D(1998, 6, 1), T("None"), D(2025, 5, 31), T("L-778"), T("A")},
                    {T("AG002"), T("Vikram Shah"), Nul(), T(""), Nul(), T("Pune 411001"), T("B13"),
                     D(2001, 1, 15), T("None"), Nul(), Nul(), T("A")},
                    {T("AG003"), T("Meera Nair"), Nul(), T("A"), T("B"), T(" "), Nul(), Nul(), T("None"),
                     Nul(), T("L3"), T("A")}}));
    ASSERT_FALSE(report.steps.empty());
    EXPECT_EQ(report.steps[0].name, "Agmast");
    EXPECT_EQ(report.steps[0].sourceRowsRead, 3);
    EXPECT_EQ(report.rowsWritten.at("Login"), 1);
    EXPECT_EQ(report.rowsWritten.at("Times"), 1);
    EXPECT_EQ(report.rowsWritten.at("AgMast"), 3);
}

TEST_F(ThreeAgents, SecondRunAddsASecondTimesRowAndReplacesEverythingElse)
{
    runMigration();
    runMigration();
    EXPECT_EQ(targetRows("SELECT LoginName FROM Times ORDER BY rowid"),
              (Rows{{T("Asha Rao")}, {T("Asha Rao")}}));
    EXPECT_EQ(targetRows("SELECT count(*) FROM Login"), (Rows{{Variant(std::int32_t{1})}}));
    EXPECT_EQ(targetRows("SELECT Agency_Cd FROM AgMast ORDER BY rowid"),
              (Rows{{T("AG001")}, {T("AG002")}, {T("AG003")}}));
}

TEST_F(TableSteps, LoginPhoneJoinsBothNumbersWithOneBlank)
{
    addSource("Agmast", {{{"AgencyCd", T("AG9")},
                          {"Name", T("Om")},
                          {"TelNo1", T("022 2345")},
                          {"TelNo2", T("98200 12345")}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT Phone, Address3 FROM Login"), (Rows{{T("022 2345 98200 12345"), T(" ")}}));
}

// ---- Locations, branches, companies ----------------------------------------------------------

TEST_F(TableSteps, LocationsAreRenumberedBehindNoLocation)
{
    addSource("LocMast", {{{"LocCd", L(5)}, {"LocDesc", T("North")}},
                          {{"LocCd", L(8)}, {"LocDesc", T("South")}},
                          {{"LocCd", L(2)}, {"LocDesc", T("East")}}});
    addTarget("LocMast", {{{"Loc_Cd", L(40)}, {"Loc_Desc", T("Old")}}});

    const RunReport report = runMigration();

    EXPECT_EQ(targetRows("SELECT Loc_Cd, Loc_Desc FROM LocMast ORDER BY rowid"),
              (Rows{{L(1), T("No Location")}, {L(2), T("North")}, {L(3), T("South")}, {L(4), T("East")}}));
    EXPECT_EQ(report.rowsWritten.at("LocMast"), 4);
    EXPECT_EQ(report.steps.at(1).name, "LocMast");
    EXPECT_EQ(report.steps.at(1).sourceRowsRead, 3);
}

TEST_F(TableSteps, EmptyLocMastWritesNoNoLocationRow)
{
    addTarget("LocMast", {{{"Loc_Cd", L(40)}, {"Loc_Desc", T("Old")}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT * FROM LocMast"), Rows{});
}

TEST_F(TableSteps, LocationWithNullDescriptionKeepsNull)
{
    addSource("LocMast", {{{"LocDesc", Nul()}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT Loc_Cd, Loc_Desc FROM LocMast ORDER BY rowid"),
              (Rows{{L(1), T("No Location")}, {L(2), Nul()}}));
}

TEST_F(TableSteps, BranchesTurnOnlyAnEmptyFourthLineIntoNull)
{
    addSource("BrnMast", {{{"BranchNo", T("B1")},
                           {"BrMgr", T("Mr Iyer")},
                           {"Division", T("Mumbai I")},
                           {"Address1", T("")},
                           {"Address2", Nul()},
                           {"Address3", T("")},
                           {"Address4", T("")}},
                          {{"BranchNo", T("B2")},
                           {"BrMgr", Nul()},
                           {"Division", T("Pune")},
                           {"Address1", T("Station Rd")},
                           {"Address2", T("Camp")},
                           {"Address3", T("Thane")},
                           {"Address4", T("Maharashtra")}},
                          {{"BranchNo", T("B3")}, {"Address4", T(" ")}},
                          {{"BranchNo", T("B4")}, {"Address4", Nul()}}});
    runMigration();
    EXPECT_EQ(
        targetRows("SELECT * FROM BrnMast ORDER BY rowid"),
        (Rows{{T("B1"), T("Mr Iyer"), T("Mumbai I"), T(""), Nul(), T(""), Nul(), T("A")},
              {T("B2"), Nul(), T("Pune"), T("Station Rd"), T("Camp"), T("Thane"), T("Maharashtra"), T("A")},
              {T("B3"), Nul(), Nul(), Nul(), Nul(), Nul(), T(" "), T("A")},
              {T("B4"), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), T("A")}}));
}

TEST_F(TableSteps, CompaniesAreCopiedFieldForField)
{
    addSource("company", {{{"pacode", T("C1")}, {"CompanyName", T("LIC of India")}},
                          {{"pacode", T("C2")}, {"CompanyName", Nul()}},
                          {{"pacode", T("")}, {"CompanyName", T("Blank code")}}});
    addTarget("company", {{{"pacode", T("OLD")}, {"CompanyName", T("Gone")}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT * FROM company ORDER BY rowid"),
              (Rows{{T("C1"), T("LIC of India")}, {T("C2"), Nul()}, {T(""), T("Blank code")}}));
}

// ---- Families ----------------------------------------------------------------------------------

TEST_F(TableSteps, FamilyAddressesAreCutToTwentyFiveCharactersAndEmptiesBecomeNull)
{
    const std::string twentySix = "Flat 1203, Sea View Towers";
    const std::string telephone40 = "022 2345 6789 / 022 2345 6790 / 98200 12";
    ASSERT_EQ(telephone40.size(), 40u);
    // 27 characters, 3 of them two bytes long: a cut after 25 bytes would keep only 22 characters.
    const std::string accented = "M\xC4\x81him Causeway, B\xC4\x81ndr\xC4\x81 West";
    addSource("Family", {{{"FamilyCode", T("F1")},
                          {"RAdd1", T("123456789012345678901234567890")},
                          {"RAdd2", T("1234567890123456789012345")},
                          {"RAdd3", T("")},
                          {"RAdd4", Nul()},
                          {"RPin", T("400001-ABCDEFGHIJKLMNOPQRSTUVWXYZ")},
                          {"CAdd1", T("   ")},
                          {"CAdd2", T(std::string(30, ' '))},
                          {"CAdd3", T(accented)},
                          {"CAdd4", T(twentySix)},
                          {"CPin", T("")},
                          {"RTel", T(telephone40)},
                          {"CTel", T("")},
                          {"PagerMobile", Nul()},
                          {"LOCCD", L(3)},
                          {"headname", T("Ravi Kumar")},
                          {"dob", D(1970, 2, 28)},
                          {"sex", T("M")}},
                         {{"FamilyCode", T("F2")}}});
    addTarget("Family", {{{"FamilyCode", T("OLD")}}});

    runMigration();

    EXPECT_EQ(
        targetRows("SELECT * FROM Family ORDER BY rowid"),
        (Rows{{T("F1"), T("1234567890123456789012345"), T("1234567890123456789012345"), Nul(), Nul(),
               T("400001-ABCDEFGHIJKLMNOPQR"), T("   "), T(std::string(25, ' ')),
               T("M\xC4\x81him Causeway, B\xC4\x81ndr\xC4\x81 We"), T("Flat 1203, Sea View Tower"), Nul(),
               T(telephone40), Nul(), Nul(), L(3), T("Ravi Kumar"), D(1970, 2, 28), T("M"), T("A")},
              {T("F2"), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(), Nul(),
               Nul(), Nul(), Nul(), Nul(), Nul(), T("A")}}));
}

TEST_F(TableSteps, FamilyLocationCodeIsCopiedNotTranslated)
{
    addSource("LocMast", {{{"LocCd", L(3)}, {"LocDesc", T("North")}}});
    addSource("Family", {{{"FamilyCode", T("F1")}, {"LOCCD", L(3)}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT Loc_Cd FROM Family"), (Rows{{L(3)}}));
}

TEST_F(TableSteps, EmptyFamilyTableLeavesTheTargetEmpty)
{
    addTarget("Family", {{{"FamilyCode", T("OLD")}}});
    runMigration();
    EXPECT_EQ(targetRows("SELECT * FROM Family"), Rows{});
}

} // namespace
} // namespace orrin::migration::test

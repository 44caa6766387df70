#include "MigrationTestSupport.h"

#include "store/Connection.h"
#include "store/Statement.h"

#include <gtest/gtest.h>

#include <memory>

namespace orrin::migration::test {
namespace {

class RunFailures : public MigrationTest {
  protected:
    // A source Family table without its RTel column.
    void dropResidentialTelephone()
    {
        sourceSql("DROP TABLE Family");
        sourceSql(
            "CREATE TABLE Family (FamilyCode TEXT(12), RAdd1 TEXT(80), RAdd2 TEXT(80), RAdd3 TEXT(80), "
            "RAdd4 TEXT(80), RPin TEXT(30), CAdd1 TEXT(80), CAdd2 TEXT(80), CAdd3 TEXT(80), CAdd4 TEXT(80), "
            "CPin TEXT(30), CTel TEXT(80), PagerMobile TEXT(80), LOCCD LONG, headname TEXT(60), "
            "dob DATETIME, sex TEXT(1))");
    }
};

const char* const kNoRTel = "Item cannot be found in the collection corresponding to the requested name or "
                            "ordinal: there is no field "
                            "'RTel' in 'Family'.";

TEST_F(RunFailures, MissingSourceFieldAskedYesLeavesThatFieldNullAndSavesTheRow)
{
    dropResidentialTelephone();
    addSource("Family",
              {{{"FamilyCode", T("F1")}, {"CTel", T("022 1")}}, {{"FamilyCode", T("F2")}, {"CTel", T("")}}});
    ScriptedQuestion question(true);
    RecordingObserver observer;

    const RunReport report = runWith(question, observer);

    EXPECT_EQ(question.asked, (std::vector<std::string>{kNoRTel, kNoRTel}));
    EXPECT_EQ(targetRows("SELECT FamilyCode, TelNos_R, TelNos_O, fflag FROM Family ORDER BY rowid"),
              (Rows{{T("F1"), Nul(), T("022 1"), T("A")}, {T("F2"), Nul(), Nul(), T("A")}}));
    EXPECT_EQ(report.outcome, RunReport::Outcome::Finished);
    EXPECT_EQ(report.skippedStatements, 2);
    EXPECT_EQ(report.steps.at(4).name, "Family");
    EXPECT_EQ(report.steps.at(4).failedStatements, 2);
    EXPECT_EQ(report.steps.at(4).sourceRowsRead, 2);
    EXPECT_EQ(report.rowsWritten.at("Family"), 2);
    EXPECT_FALSE(report.clean());
}

TEST_F(RunFailures, MissingSourceFieldAskedNoStopsAndLeavesEveryTargetTableAsItWas)
{
    fillEveryTable();
    dropResidentialTelephone();
    addSource("Family", {{{"FamilyCode", T("F1")}}});
    const auto before = targetSnapshot();
    ScriptedQuestion question(false);
    RecordingObserver observer;

    const RunReport report = runWith(question, observer);

    EXPECT_EQ(question.asked, std::vector<std::string>{kNoRTel});
    EXPECT_EQ(report.outcome, RunReport::Outcome::Stopped);
    EXPECT_EQ(report.reason, kNoRTel);
    EXPECT_EQ(report.skippedStatements, 0);
    EXPECT_EQ(report.steps.at(4).failedStatements, 1);
    EXPECT_EQ(report.rowsWritten.at("AgMast"), 0) << "nothing the run wrote was kept";
    EXPECT_EQ(targetSnapshot(), before);
    EXPECT_EQ(observer.steps.back(), "Family") << "the run ended in the family step";
}

// A source that cannot be opened leaves nothing to migrate: going on would only empty the target.
// So the run ends there, without a question, whatever the answer would have been.
TEST_F(RunFailures, MissingSourceDatabaseEndsTheRunWhateverTheAnswer)
{
    fillEveryTable();
    std::filesystem::remove(source);
    const auto before = targetSnapshot();
    for (const bool answer : {false, true}) {
        ScriptedQuestion question(answer);
        RecordingObserver observer;

        const RunReport report = runWith(question, observer);

        EXPECT_TRUE(question.asked.empty()) << answer;
        EXPECT_EQ(report.outcome, RunReport::Outcome::Stopped) << answer;
        EXPECT_FALSE(report.stoppedByUser) << answer;
        EXPECT_NE(report.reason.find("Could not find file"), std::string::npos) << report.reason;
        EXPECT_NE(report.reason.find("zrv.accdb"), std::string::npos) << report.reason;
        EXPECT_EQ(report.connectionFailures, 1) << answer;
        EXPECT_TRUE(report.steps.empty()) << answer;
        EXPECT_EQ(targetSnapshot(), before) << answer;
    }
}

TEST_F(RunFailures, MissingSourceTableEndsItsLoopAfterTheFailingEofTest)
{
    sourceSql("DROP TABLE LocMast");
    addTarget("LocMast", {{{"Loc_Cd", L(9)}, {"Loc_Desc", T("Old")}}});
    ScriptedQuestion question(true);
    RecordingObserver observer;

    const RunReport report = runWith(question, observer);

    EXPECT_EQ(report.outcome, RunReport::Outcome::Finished);
    EXPECT_EQ(report.steps.at(1).name, "LocMast");
    EXPECT_EQ(report.steps.at(1).failedStatements, 3) << "the open, the EOF test and the close";
    EXPECT_EQ(report.steps.at(1).sourceRowsRead, 0);
    EXPECT_EQ(question.asked.size(), 3u);
    EXPECT_EQ(targetRows("SELECT * FROM LocMast"), Rows{});
}

TEST_F(RunFailures, RefusedSaveLosesOnlyThatRowAndNothingLeaksIntoTheNext)
{
    testing::execute(target, testing::targetPassword(),
                     "CREATE TRIGGER refuse_bad BEFORE INSERT ON company WHEN NEW.pacode = 'BAD' "
                     "BEGIN SELECT RAISE(ABORT, 'company BAD refused'); END");
    addSource("company", {{{"pacode", T("C1")}, {"CompanyName", T("One")}},
                          {{"pacode", T("BAD")}, {"CompanyName", T("Two")}},
                          {{"pacode", T("C3")}, {"CompanyName", Nul()}}});
    ScriptedQuestion question(true);
    RecordingObserver observer;

    const RunReport report = runWith(question, observer);

    ASSERT_EQ(question.asked.size(), 1u);
    EXPECT_NE(question.asked[0].find("company BAD refused"), std::string::npos) << question.asked[0];
    EXPECT_EQ(targetRows("SELECT * FROM company ORDER BY rowid"),
              (Rows{{T("C1"), T("One")}, {T("C3"), Nul()}}));
    EXPECT_EQ(report.rowsWritten.at("company"), 2);
    EXPECT_EQ(report.steps.at(3).sourceRowsRead, 3);
}

TEST_F(RunFailures, ValueTooLongForItsFieldIsLeftUnsetAndTheRowIsSaved)
{
    const std::string seventy(70, 'n');
    addSource("Agmast", {{{"AgencyCd", T("AG1")}, {"Name", T(seventy)}, {"Address1", T("Road")}}});
    ScriptedQuestion question(true);
    RecordingObserver observer;

    const RunReport report = runWith(question, observer);

    // Name fails in Login, in Times and in AgMast; every row is saved without it.
    EXPECT_EQ(question.asked.size(), 3u);
    EXPECT_EQ(targetRows("SELECT Ag_Code, Name, Address1 FROM Login"), (Rows{{T("AG1"), Nul(), T("Road")}}));
    EXPECT_EQ(targetRows("SELECT LoginName, Show_Tip FROM Times"), (Rows{{Nul(), S(1)}}));
    EXPECT_EQ(targetRows("SELECT Agency_Cd, Name, aflag FROM AgMast"), (Rows{{T("AG1"), Nul(), T("A")}}));
    EXPECT_EQ(report.steps.at(0).failedStatements, 3);
}

TEST_F(RunFailures, FailingDeleteKeepsTheOldRowsBesideTheCopiedOnes)
{
    addTarget("BrnMast", {{{"BranchNo", T("OLD")}}});
    testing::execute(
        target, testing::targetPassword(),
        "CREATE TRIGGER keep_branches BEFORE DELETE ON BrnMast BEGIN SELECT RAISE(ABORT, 'kept'); END");
    addSource("BrnMast", {{{"BranchNo", T("B1")}}});
    ScriptedQuestion question(true);
    RecordingObserver observer;

    runWith(question, observer);

    EXPECT_EQ(question.asked.size(), 1u);
    EXPECT_EQ(targetRows("SELECT BranchNo, bflag FROM BrnMast ORDER BY rowid"),
              (Rows{{T("OLD"), Nul()}, {T("B1"), T("A")}}));
}

TEST_F(RunFailures, StopAskedForDuringThePolicyStepRollsEverythingBack)
{
    fillEveryTable();
    addSource("Policies", {{{"PolicyNo", T("P2")}, {"Plan", T("0")}}});
    const auto before = targetSnapshot();
    ScriptedQuestion question(true);
    RecordingObserver observer;
    MigrationRun* running = nullptr;
    beforeRun = [&](MigrationRun& run) { running = &run; };
    observer.onPump = [&] { running->requestStop(); };

    const RunReport report = runWith(question, observer);

    EXPECT_EQ(report.outcome, RunReport::Outcome::Stopped);
    EXPECT_EQ(observer.pumps, 1) << "the run stops at the first yield after the request";
    EXPECT_EQ(question.asked, std::vector<std::string>{});
    EXPECT_EQ(targetSnapshot(), before);
}

TEST_F(RunFailures, CommitThatCannotFinishIsNeverASuccess)
{
    fillEveryTable();
    const auto before = targetSnapshot();
    ScriptedQuestion question(true);
    RecordingObserver observer;
    // Another reader keeps the target open in the middle of a read, so the commit cannot get the
    // file to itself.
    std::unique_ptr<store::Connection> reader;
    observer.onPump = [&] {
        reader = std::make_unique<store::Connection>();
        reader->openFile(target, testing::targetPassword(), store::OpenMode::ReadOnly);
        ASSERT_TRUE(reader->statement("SELECT * FROM Times").step());
    };

    const RunReport report = runWith(question, observer);
    reader.reset();

    EXPECT_EQ(report.outcome, RunReport::Outcome::Abandoned);
    EXPECT_NE(report.reason.find("could not be saved"), std::string::npos) << report.reason;
    EXPECT_EQ(targetSnapshot(), before);
}

} // namespace
} // namespace orrin::migration::test

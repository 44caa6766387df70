// A run that stops, or that meets a lock, leaves the target's tables exactly as they were, never
// writes the source, and leaves no stray file beside the two databases.

#include "reliability/ImportHarness.h"

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

const std::string kJustTheDatabases = "LIC.mdb\nzrv.accdb\n";

class ReliabilityNothingLost : public ImportHarness {
  protected:
    // A value in the last step that the target cannot take: every earlier table has been cleared
    // and refilled by the time the question comes.
    void spoilTheLastPolicy()
    {
        onSource("UPDATE Policies SET Nominee = '" + std::string(300, 'N') +
                 "' WHERE rowid = (SELECT max(rowid) FROM Policies)");
    }
};

struct StopCase {
    const char* name;
    const char* onError;
    const char* answers; // typed at the question(s) when asking
    int questions;       // questions asked before the run stopped
};

class ReliabilityStopAtQuestion : public ReliabilityNothingLost,
                                  public ::testing::WithParamInterface<StopCase> {};

TEST_P(ReliabilityStopAtQuestion, LeavesTargetAsBeforeAndSourceUntouched)
{
    const StopCase& c = GetParam();
    spoilTheLastPolicy();
    onSource("UPDATE Family SET headname = '" + std::string(70, 'H') + "' WHERE rowid = 1");
    takeSnapshot();

    const ProcessResult result =
        runProgram(importProgram(),
                   {"--orrin-db", folder().string(), "--agent-db", folder().string(), "--bonus-db",
                    bonus().string(), "--error-log", logFile().string(), "--on-error", c.onError, "--quiet"},
                   c.answers);

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    std::size_t asked = 0;
    for (std::size_t at = result.err.find("Do you want to continue ?"); at != std::string::npos;
         at = result.err.find("Do you want to continue ?", at + 1))
        ++asked;
    EXPECT_EQ(asked, static_cast<std::size_t>(c.questions)) << describe(result);
    EXPECT_NE(result.err.find("orrin-import: stopped: "), std::string::npos) << describe(result);
    EXPECT_NE(result.out.find("rolled back"), std::string::npos) << describe(result);
    expectTargetAsBefore();
    expectSourceUntouched();
    EXPECT_EQ(folderListing(folder()), kJustTheDatabases);
}

const StopCase kStopCases[] = {
    {"OnErrorStopAtTheFirstQuestion", "stop", "", 1},
    {"AskAnsweredNoAtTheFirstQuestion", "ask", "n\n", 1},
    {"AskAnsweredYesThenNo", "ask", "y\nn\n", 2},
    {"AskWithTheInputAtItsEnd", "ask", "yes\n", 2},
};

INSTANTIATE_TEST_SUITE_P(Answers, ReliabilityStopAtQuestion, ::testing::ValuesIn(kStopCases),
                         [](const ::testing::TestParamInfo<StopCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ReliabilityNothingLost, FinishedRunsNeverWriteTheSource)
{
    spoilTheLastPolicy();
    takeSnapshot();

    const ProcessResult clean = runImport("continue");
    ASSERT_TRUE(endedOnItsOwn(clean));
    EXPECT_EQ(clean.exitCode, 3) << describe(clean);
    expectSourceUntouched();
    EXPECT_EQ(folderListing(folder()), kJustTheDatabases);

    const ProcessResult again = runImport("continue");
    ASSERT_TRUE(endedOnItsOwn(again));
    EXPECT_EQ(again.exitCode, 3) << describe(again);
    expectSourceUntouched();
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    // The spoilt field is left unset; the row is still saved.
    EXPECT_EQ(targetValue("SELECT count(*) FROM Policies WHERE Nominee IS NULL"), "1");
}

TEST_F(ReliabilityNothingLost, ReadOnlySourceFileIsEnough)
{
    fs::permissions(source(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    takeSnapshot();

    const ProcessResult result = runImport("stop");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    expectSourceUntouched();
}

} // namespace
} // namespace orrin::reliability

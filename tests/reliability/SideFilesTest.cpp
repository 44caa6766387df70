// The files beside the two databases: the bonus database the maturity amounts read and the error
// log. A missing or incomplete bonus database is logged; a log that cannot be written reaches the
// run's question. Neither may crash the run or let it report success.

#include "reliability/ImportHarness.h"

#include <fstream>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

class ReliabilitySideFiles : public ImportHarness {
  protected:
    std::string logText() const { return fs::exists(logFile()) ? fileBytes(logFile()) : std::string(); }

    // A log path that nobody can create, not even the superuser: its folder is a plain file.
    fs::path unwritableLog() const
    {
        const fs::path blocker = scratch() / "not a folder";
        std::ofstream(blocker) << "a file where the log folder should be\n";
        return blocker / "Error Log.txt";
    }
};

TEST_F(ReliabilitySideFiles, MissingBonusDatabaseIsLoggedAndEveryPolicySaved)
{
    const fs::path missing = scratch() / "program" / "gone.mdb";
    takeSnapshot();

    const ProcessResult result = runImport("stop", {"--bonus-db", missing.string()});

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_NE(logText().find("Could not find file '" + missing.string() + "'"), std::string::npos)
        << logText();
    EXPECT_NE(logText().find("Err.Source      : Public Function DFirst2("), std::string::npos);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    EXPECT_FALSE(fs::exists(missing)) << "looking the file up must not create it";
    expectSourceUntouched();
}

TEST_F(ReliabilitySideFiles, BonusDatabaseWithoutNewBonusIsLoggedAndEveryPolicySaved)
{
    testing::execute(bonus(), testing::targetPassword(), "DROP TABLE NewBonus");
    takeSnapshot();

    const ProcessResult result = runImport("stop");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_NE(logText().find("NewBonus"), std::string::npos) << logText();
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    expectSourceUntouched();
}

TEST_F(ReliabilitySideFiles, UnwritableLogReachesTheQuestionAndStopChangesNothing)
{
    const fs::path log = unwritableLog();
    takeSnapshot();

    // Without a bonus database every policy's maturity amount fails and wants a log entry.
    const ProcessResult result =
        runImport("stop", {"--bonus-db", (scratch() / "gone.mdb").string(), "--error-log", log.string()});

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_NE(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find(log.string()), std::string::npos) << describe(result);
    expectTargetAsBefore();
    expectSourceUntouched();
}

TEST_F(ReliabilitySideFiles, UnwritableLogAnsweredContinueFinishesNotClean)
{
    const fs::path log = unwritableLog();

    const ProcessResult result =
        runImport("continue", {"--bonus-db", (scratch() / "gone.mdb").string(), "--error-log", log.string()});

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_NE(result.err.find(log.string()), std::string::npos) << describe(result);
    EXPECT_NE(result.out.find("finished, but not cleanly"), std::string::npos) << describe(result);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    EXPECT_FALSE(fs::exists(log));
}

} // namespace
} // namespace orrin::reliability

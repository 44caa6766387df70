// The files beside the two databases: the bonus database the maturity amounts read and the error
// log. A missing or incomplete bonus database is logged; a log that cannot be written ends the run.
// Neither may crash the run or let it report success.

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

    // Under "continue": "stop" does not start the run without its bonus database.
    const ProcessResult result = runImport("continue", {"--bonus-db", missing.string()});

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

// A log that cannot be written ends the run, rolled back, whatever the answer to errors: the
// reasons of the failed calculations would be recorded nowhere.
struct UnwritableLogCase {
    const char* name;
    const char* onError;
};

class ReliabilityUnwritableLog : public ReliabilitySideFiles,
                                 public ::testing::WithParamInterface<UnwritableLogCase> {};

TEST_P(ReliabilityUnwritableLog, EndsTheRunWithoutAQuestionAndChangesNothing)
{
    const fs::path log = unwritableLog();
    takeSnapshot();

    // Without the bonus table every policy's maturity amount fails and wants a log entry (a bonus
    // database that is missing would not let "stop" start at all).
    testing::execute(bonus(), testing::targetPassword(), "DROP TABLE NewBonus");
    const ProcessResult result = runImport(GetParam().onError, {"--error-log", log.string()});

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find("orrin-import: stopped: Cannot write the error log '" + log.string() + "'"),
              std::string::npos)
        << describe(result);
    EXPECT_NE(result.out.find("stopped, rolled back: the target is unchanged"), std::string::npos)
        << describe(result);
    expectTargetAsBefore();
    expectSourceUntouched();
    EXPECT_FALSE(fs::exists(log));
}

INSTANTIATE_TEST_SUITE_P(Answers, ReliabilityUnwritableLog,
                         ::testing::Values(UnwritableLogCase{"Stop", "stop"},
                                           UnwritableLogCase{"Continue", "continue"}),
                         [](const ::testing::TestParamInfo<UnwritableLogCase>& info) {
                             return std::string(info.param.name);
                         });

// A bonus database that is there but cannot be read is said before the run, as a missing one is;
// the run goes on, each maturity lookup logged.
struct UnreadableBonusCase {
    const char* name;
    void (*make)(const fs::path& bonus, const fs::path& source);
    const char* reason;
};

class ReliabilityUnreadableBonus : public ReliabilitySideFiles,
                                   public ::testing::WithParamInterface<UnreadableBonusCase> {};

TEST_P(ReliabilityUnreadableBonus, IsSaidBeforeTheRun)
{
    fs::remove(bonus());
    GetParam().make(bonus(), source());

    const ProcessResult result = runImport("continue");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_NE(result.err.find("orrin-import: warning: the bonus database '" + bonus().string() +
                              "' cannot be read (Cannot open '" + bonus().string() +
                              "': " + GetParam().reason +
                              "); every maturity amount that needs bonus years will be "
                              "an error log entry"),
              std::string::npos)
        << describe(result);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReliabilityUnreadableBonus,
    ::testing::Values(
        UnreadableBonusCase{"Empty", [](const fs::path& b, const fs::path&) { std::ofstream(b) << ""; },
                            "the file is empty (0 bytes), not a database file."},
        UnreadableBonusCase{"AFolder", [](const fs::path& b, const fs::path&) { fs::create_directories(b); },
                            "it is a folder, not a database file."},
        UnreadableBonusCase{"Text", [](const fs::path& b, const fs::path&) { std::ofstream(b) << "rates\n"; },
                            "not a valid password, or not a database file."},
        UnreadableBonusCase{"AnotherPassword",
                            [](const fs::path& b, const fs::path& source) { fs::copy_file(source, b); },
                            "not a valid password, or not a database file."}),
    [](const ::testing::TestParamInfo<UnreadableBonusCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace orrin::reliability

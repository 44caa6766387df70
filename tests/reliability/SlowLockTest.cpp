// Other programs holding locks on the run's files. The run waits at most 30 s in all for locks,
// shows each wait on its progress line, and then gives up with "FILE is in use by another program",
// leaving the target as it was. Each case waits out the whole 30 s, so these are the slow ones.

#include "reliability/ImportHarness.h"

#include <chrono>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kPatience = 30.0;

class ReliabilitySlowLocks : public ImportHarness {
  protected:
    // A sqlcipher shell on file that runs the statements and keeps its transaction until the test
    // ends (the object going kills it).
    static std::unique_ptr<BackgroundProgram> holder(const fs::path& file, const std::string& password,
                                                     const std::string& statements)
    {
        auto shell = std::make_unique<BackgroundProgram>("/usr/bin/sqlcipher",
                                                         std::vector<std::string>{file.string()});
        shell->send("PRAGMA key='" + password + "';\n" + statements + "\nSELECT 'holding';\n");
        EXPECT_TRUE(shell->waitForOutput("holding", std::chrono::seconds(20))) << "the lock was not taken";
        return shell;
    }

    // The run with its progress on stderr (no --quiet), timed.
    ProcessResult timedRun(const std::string& onError, double& seconds)
    {
        const auto started = Clock::now();
        const ProcessResult result = runProgram(
            importProgram(), {"--orrin-db", folder().string(), "--agent-db", folder().string(), "--bonus-db",
                              bonus().string(), "--error-log", logFile().string(), "--on-error", onError});
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        return result;
    }
};

struct LockCase {
    const char* name;
    const char* file;       // "source", "target" or "bonus": whose lock is held
    const char* statements; // what the holding program runs
    int exitCode;
    const char* message; // the run's answer says this
};

class ReliabilityLockMatrix : public ReliabilitySlowLocks, public ::testing::WithParamInterface<LockCase> {};

// A reader in the target during the whole run (60 s and more): the run does its work, then gives
// up at the commit after 30 s of waiting. A writer holding the source: the source never opens.
// A bonus database locked by its writer: every maturity lookup fails and is logged, but the waits
// together cost 30 s once, not 3 s per policy.
const LockCase kLockCases[] = {
    {"ReaderHoldingTheTarget", "target", "BEGIN;\nSELECT count(*) FROM Policies;", 1,
     "LIC.mdb is in use by another program"},
    {"WriterHoldingTheSourceUnderContinue", "source", "BEGIN EXCLUSIVE;", 1,
     "zrv.accdb is in use by another program"},
    {"WriterHoldingTheBonusDatabase", "bonus", "BEGIN EXCLUSIVE;", 3, "finished, but not cleanly"},
};

void PrintTo(const LockCase& c, std::ostream* out)
{
    *out << c.name;
}

TEST_P(ReliabilityLockMatrix, GivesUpAfterThirtySecondsInAll)
{
    const LockCase& c = GetParam();
    takeSnapshot();
    const std::string which = c.file;
    const fs::path held = which == "source" ? source() : which == "target" ? target() : bonus();
    const auto shell =
        holder(held, which == "source" ? testing::sourcePassword() : testing::targetPassword(), c.statements);

    double seconds = 0;
    const ProcessResult result = timedRun("continue", seconds);

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, c.exitCode) << describe(result);
    EXPECT_NE((result.err + result.out).find(c.message), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find("waiting for " + held.string() + ", in use by another program"),
              std::string::npos)
        << describe(result);
    EXPECT_GE(seconds, kPatience - 0.5);
    EXPECT_LT(seconds, kPatience + 15) << "the run waited longer than its patience";
    if (c.exitCode == 1) {
        EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
        expectTargetFileWholeAsBefore();
    }
    expectSourceUntouched();
}

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilityLockMatrix, ::testing::ValuesIn(kLockCases),
                         [](const ::testing::TestParamInfo<LockCase>& info) {
                             return std::string(info.param.name);
                         });

// A second run on a target that a first run holds (here waiting at its question) stops before it
// runs a single statement, instead of failing every one of them and calling that a finished run.
// The first run then goes on and stops as its answer says.
TEST_F(ReliabilitySlowLocks, SecondRunAtOnceStopsBeforeItsFirstStatement)
{
    onSource("UPDATE Policies SET Nominee = '" + std::string(300, 'N') + "' WHERE rowid = 1");
    takeSnapshot();
    BackgroundProgram first(importProgram(),
                            {"--orrin-db", folder().string(), "--agent-db", folder().string(), "--bonus-db",
                             bonus().string(), "--error-log", logFile().string(), "--on-error", "ask",
                             "--quiet"},
                            true);
    ASSERT_TRUE(first.waitForOutput("Do you want to continue ?", std::chrono::seconds(60)))
        << "the first run did not reach its question";

    double seconds = 0;
    const ProcessResult second = timedRun("continue", seconds);

    ASSERT_TRUE(endedOnItsOwn(second));
    EXPECT_EQ(second.exitCode, 1) << describe(second);
    EXPECT_NE(second.err.find("orrin-import: stopped: Cannot write to the database: " + target().string() +
                              " is in use by another program."),
              std::string::npos)
        << describe(second);
    EXPECT_EQ(second.err.find("Do you want to continue ?"), std::string::npos) << describe(second);
    EXPECT_NE(second.out.find("Policies transferred:      0\n"), std::string::npos) << describe(second);
    EXPECT_LT(seconds, kPatience + 15);

    first.send("n\n");
    EXPECT_EQ(first.waitForExit(std::chrono::seconds(60)), 1);
    expectTargetFileWholeAsBefore();
    expectSourceUntouched();
    EXPECT_EQ(folderListing(folder()), "LIC.mdb\nzrv.accdb\n");
}

} // namespace
} // namespace orrin::reliability

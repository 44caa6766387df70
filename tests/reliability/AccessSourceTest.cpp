// The same agent as real Access files and in the program's SQLCipher form: a run from the Access
// source and bonus database gives the same target tables, the same exit status and the same error
// log (file names aside) as the run from the SQLCipher pair.

#include "reliability/DatabaseDump.h"
#include "reliability/ImportHarness.h"
#include "reliability/ProcessRunner.h"
#include "store/KnownDatabases.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace orrin::reliability {
namespace {

const std::filesystem::path kAgent = std::filesystem::path(ORRIN_ACCESS_SAMPLES) / "agent";

std::string textOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every occurrence of from replaced by to.
std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

struct RunOutcome {
    ProcessResult result;
    std::string target; // the target's tables, dumped by the sqlcipher shell
    std::string log;    // the error log with the run's folders replaced by names
};

RunOutcome runFrom(const testing::TempDir& dir, const std::string& sourceFolder,
                   const std::string& bonusFolder)
{
    const auto targetFolder = dir.path() / ("target-" + sourceFolder);
    std::filesystem::create_directories(targetFolder);
    const auto target = targetFolder / "LIC.mdb";
    std::filesystem::copy_file(kAgent / "sqlcipher" / "LIC.mdb", target);
    const auto log = dir.path() / ("log-" + sourceFolder + ".txt");
    RunOutcome outcome;
    outcome.result = runProgram(importProgram(),
                                {"--orrin-db", (kAgent / sourceFolder / "zrv.accdb").string(), "--bonus-db",
                                 (kAgent / bonusFolder / "lic.mdb").string(), "--agent-db", target.string(),
                                 "--error-log", log.string(), "--on-error", "continue", "--quiet"});
    outcome.target = dumpDatabase(target, std::string(kCalvanePassword));
    std::string logText = std::filesystem::exists(log) ? textOf(log) : std::string();
    logText = replaced(logText, (kAgent / sourceFolder).string(), "SOURCE");
    logText = replaced(logText, (kAgent / bonusFolder).string(), "BONUS");
    logText = replaced(logText, targetFolder.string(), "TARGET");
    // The clock's lines differ between two runs however alike they are.
    logText = std::regex_replace(logText, std::regex("(Date|Time) : [^\n]*"), "$1 : (when)");
    logText = std::regex_replace(logText, std::regex("[0-9]+ second\\(s\\) elapsed"), "(so long) elapsed");
    outcome.log = logText;
    return outcome;
}

TEST(AccessSource, ARunFromTheAccessFilesMatchesTheRunFromTheSqlcipherFiles)
{
    testing::TempDir dir;
    const RunOutcome fromAccess = runFrom(dir, "access", "access-bonus");
    const RunOutcome fromSqlcipher = runFrom(dir, "sqlcipher", "sqlcipher-bonus");
    ASSERT_TRUE(endedOnItsOwn(fromAccess.result)) << describe(fromAccess.result);
    ASSERT_TRUE(endedOnItsOwn(fromSqlcipher.result)) << describe(fromSqlcipher.result);
    EXPECT_EQ(fromAccess.result.exitCode, fromSqlcipher.result.exitCode) << describe(fromAccess.result);
    // The run must have done something, so that equal targets mean something.
    EXPECT_NE(fromSqlcipher.target,
              dumpDatabase(kAgent / "sqlcipher" / "LIC.mdb", std::string(kCalvanePassword)));
    EXPECT_TRUE(fromAccess.target == fromSqlcipher.target) << "the targets differ";
    EXPECT_FALSE(fromSqlcipher.log.empty()) << "the sample's awkward values write error-log entries";
    EXPECT_EQ(fromAccess.log, fromSqlcipher.log);
}

} // namespace
} // namespace orrin::reliability

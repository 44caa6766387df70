// The bonus database may be the agent's own LIC.mdb: named with --bonus-db, or found as lic.mdb
// beside the program when the program sits in the agent's folder. A sample large enough for the
// run's transaction to spill to the file gives the same target tables and the same error log as a
// run with a separate bonus database, without any lookup waiting on the run's lock.

#include "reliability/ImportHarness.h"

#include "sample/SampleWriter.h"

#include <sstream>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

// The error log without its Date and Time lines, which differ from run to run.
std::string logWithoutTimes(const fs::path& log)
{
    std::istringstream lines(fs::exists(log) ? fileBytes(log) : std::string());
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Date : ", 0) != 0 && line.rfind("Time : ", 0) != 0)
            kept += line + "\n";
    }
    return kept;
}

class ReliabilityBonusInTarget : public ::testing::Test {
  protected:
    static constexpr std::int64_t kPolicies = 20000;

    void SetUp() override
    {
        fs::create_directories(pristine());
        fs::create_directories(programFolder());
        sample::SampleOptions options;
        options.policies = kPolicies;
        options.seed = 3;
        const sample::SampleWriter writer(options); // with the usual share of awkward values
        writer.writeSource(pristine() / "zrv.accdb");
        writer.writeTarget(pristine() / "LIC.mdb");
        sample::SampleWriter::writeBonusDatabase(programFolder() / "lic.mdb");
    }

    fs::path pristine() const { return m_dir.path() / "pristine"; }
    fs::path programFolder() const { return m_dir.path() / "program"; }
    // Every run uses the same folder and log names, so that messages naming them read the same.
    fs::path agent() const { return m_dir.path() / "agent"; }
    fs::path log() const { return m_dir.path() / "log" / "Error Log.txt"; }

    // A fresh copy of the sample agent, then one run of program on it.
    ProcessResult runOnFreshAgent(const fs::path& program, const std::vector<std::string>& bonusOption)
    {
        fs::remove_all(agent());
        fs::remove_all(log().parent_path());
        fs::create_directories(agent());
        fs::create_directories(log().parent_path());
        fs::copy_file(pristine() / "zrv.accdb", agent() / "zrv.accdb");
        fs::copy_file(pristine() / "LIC.mdb", agent() / "LIC.mdb");
        if (program.parent_path() == agent())
            fs::copy_file(importProgram(), program);
        std::vector<std::string> arguments{"--orrin-db",     agent().string(), "--agent-db",
                                           agent().string(), "--error-log",    log().string(),
                                           "--on-error",     "continue",       "--quiet"};
        arguments.insert(arguments.end(), bonusOption.begin(), bonusOption.end());
        // A run whose lookups wait on the lock takes seconds per policy: the limit ends it.
        return runProgram(program, arguments, {}, std::chrono::seconds(90));
    }

  private:
    testing::TempDir m_dir;
};

TEST_F(ReliabilityBonusInTarget, SameTablesAndLogWhetherTheBonusDatabaseIsACopyOrTheTargetItself)
{
    struct Way {
        const char* name;
        fs::path program;
        std::vector<std::string> bonusOption;
    };
    const Way ways[] = {
        {"a separate bonus database",
         importProgram(),
         {"--bonus-db", (programFolder() / "lic.mdb").string()}},
        {"--bonus-db naming the target", importProgram(), {"--bonus-db", (agent() / "LIC.mdb").string()}},
        {"the program in the agent's folder, lic.mdb beside it", agent() / "orrin-import", {}},
    };
    std::string firstTables;
    std::string firstLog;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const ProcessResult result = runOnFreshAgent(way.program, way.bonusOption);
        ASSERT_TRUE(endedOnItsOwn(result));
        // The sample's awkward values write log entries: finished, not cleanly.
        ASSERT_EQ(result.exitCode, 3) << describe(result);
        EXPECT_EQ(
            runSqlShell(agent() / "LIC.mdb", testing::targetPassword(), "SELECT count(*) FROM Policies;\n"),
            std::to_string(kPolicies) + "\n");

        const std::string tables = dumpDatabase(agent() / "LIC.mdb", testing::targetPassword());
        const std::string logText = logWithoutTimes(log());
        EXPECT_NE(logText.find("Err.Number"), std::string::npos) << "the sample wrote no log entries";
        EXPECT_EQ(logText.find("locked"), std::string::npos) << "a lookup waited on the run's lock";
        if (firstTables.empty()) {
            firstTables = tables;
            firstLog = logText;
            continue;
        }
        EXPECT_TRUE(tables == firstTables) << "the target's tables differ from the run with a separate copy";
        EXPECT_TRUE(logText == firstLog) << "the error log differs from the run with a separate copy";
    }
}

} // namespace
} // namespace orrin::reliability

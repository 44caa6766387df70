// Whole runs compared with results kept from an earlier build: every table the run writes, value by
// value with doubles to the last bit, and the error log without its date and time lines. A change
// to how the run or the calculations are built must leave these exactly as they were. After a
// change meant to alter results, ORRIN_WRITE_RESULTS=1 rewrites the kept files (review their diff).

#include "reliability/ImportHarness.h"
#include "sample/SampleWriter.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

const char* const kRunTables[] = {"Login",   "Times",  "AgMast", "LocMast",  "BrnMast",
                                  "company", "Family", "Client", "Policies", "SB"};

fs::path keptResults()
{
    return fs::path(ORRIN_TEST_DATA) / "run-results";
}

// Every row of a table in rowid order, one line each: text quoted, numbers in full (a double with
// 17 significant digits, so two doubles print alike only when they are equal), NULL for Null.
std::string tableText(const fs::path& file, const std::string& table)
{
    std::string columns;
    std::istringstream info(
        runSqlShell(file, testing::targetPassword(), "PRAGMA table_info(\"" + table + "\");\n"));
    for (std::string line; std::getline(info, line);) {
        const std::size_t first = line.find('|');
        const std::size_t second = line.find('|', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string column = "\"" + line.substr(first + 1, second - first - 1) + "\"";
        columns += (columns.empty() ? "" : " || ',' || ") +
                   ("CASE typeof(" + column + ") WHEN 'real' THEN printf('%!.17g', " + column +
                    ") ELSE quote(" + column + ") END");
    }
    return table + "\n" +
           runSqlShell(file, testing::targetPassword(),
                       "SELECT " + columns + " FROM \"" + table + "\" ORDER BY rowid;\n");
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where two texts first part, with the line on each side, so that a failure shows what changed
// instead of a megabyte of text.
::testing::AssertionResult sameText(const std::string& kept, const std::string& now, const std::string& what)
{
    if (kept == now)
        return ::testing::AssertionSuccess();
    std::istringstream a(kept);
    std::istringstream b(now);
    std::string lineA;
    std::string lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB)
            break;
        if (moreA != moreB || lineA != lineB)
            return ::testing::AssertionFailure()
                   << what << " differs from the kept result at line " << number
                   << "\n  kept: " << (moreA ? lineA : "<end>") << "\n  now:  " << (moreB ? lineB : "<end>");
    }
    return ::testing::AssertionFailure() << what << " differs from the kept result in its line ends";
}

enum class Input { Sample, AgentFiles };
enum class Bonus { Separate, Target, Missing };

struct ResultCase {
    const char* name; // also the folder of the kept results
    Input input;
    std::int64_t policies;
    std::uint64_t seed;
    double dirtyRate;
    Bonus bonus;
    int exitCode;
};

class ReliabilitySameResults : public ::testing::TestWithParam<ResultCase> {
  protected:
    testing::TempDir m_dir;
};

TEST_P(ReliabilitySameResults, TablesAndLogAsKept)
{
    const ResultCase& c = GetParam();
    const fs::path agent = m_dir.path() / "agent";
    fs::path bonus = m_dir.path() / "program" / "lic.mdb";
    const fs::path log = m_dir.path() / "log" / "Error Log.txt";
    fs::create_directories(agent);
    fs::create_directories(bonus.parent_path());
    fs::create_directories(log.parent_path());
    if (c.input == Input::Sample) {
        sample::SampleOptions options;
        options.policies = c.policies;
        options.seed = c.seed;
        options.dirtyRate = c.dirtyRate;
        const sample::SampleWriter writer(options);
        writer.writeSource(agent / "zrv.accdb");
        writer.writeTarget(agent / "LIC.mdb");
        sample::SampleWriter::writeBonusDatabase(bonus);
    } else {
        const fs::path files = fs::path(ORRIN_TEST_DATA) / "access" / "agent";
        fs::copy_file(files / "sqlcipher" / "zrv.accdb", agent / "zrv.accdb");
        fs::copy_file(files / "sqlcipher" / "LIC.mdb", agent / "LIC.mdb");
        fs::copy_file(files / "sqlcipher-bonus" / "lic.mdb", bonus);
    }
    if (c.bonus == Bonus::Target)
        bonus = agent / "LIC.mdb";
    else if (c.bonus == Bonus::Missing)
        bonus = m_dir.path() / "nowhere" / "lic.mdb";

    const ProcessResult result =
        runProgram(importProgram(),
                   {"--orrin-db", agent.string(), "--agent-db", agent.string(), "--bonus-db", bonus.string(),
                    "--error-log", log.string(), "--on-error", "continue", "--quiet"},
                   {}, std::chrono::seconds(600));
    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, c.exitCode) << describe(result);

    std::string tables;
    for (const char* table : kRunTables)
        tables += tableText(agent / "LIC.mdb", table);
    const std::string logText = comparableLog(log, m_dir.path().string());

    const fs::path kept = keptResults() / c.name;
    const char* write = std::getenv("ORRIN_WRITE_RESULTS");
    if (write != nullptr && std::string(write) == "1") {
        fs::create_directories(kept);
        std::ofstream(kept / "tables.txt", std::ios::binary) << tables;
        std::ofstream(kept / "error-log.txt", std::ios::binary) << logText;
        GTEST_SKIP() << "results written to " << kept;
    }
    ASSERT_TRUE(fs::exists(kept / "tables.txt")) << "no kept results in " << kept;
    EXPECT_TRUE(sameText(readFile(kept / "tables.txt"), tables, "the tables"));
    EXPECT_TRUE(sameText(readFile(kept / "error-log.txt"), logText, "the error log"));
}

const ResultCase kResultCases[] = {
    {"AwkwardSample", Input::Sample, 1000, 7, 0.1, Bonus::Separate, 3},
    {"BonusInTarget", Input::Sample, 400, 8, 0.03, Bonus::Target, 3},
    {"AgentFiles", Input::AgentFiles, 0, 0, 0, Bonus::Separate, 3},
    {"NoBonusDatabase", Input::Sample, 50, 9, 0.02, Bonus::Missing, 3},
};

INSTANTIATE_TEST_SUITE_P(Runs, ReliabilitySameResults, ::testing::ValuesIn(kResultCases),
                         [](const ::testing::TestParamInfo<ResultCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

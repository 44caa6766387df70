#include "support/Fixture.h"
#include "value/Variant.h"

#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace orrin::cli {
namespace {

using Rows = std::vector<std::vector<Variant>>;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Runs the built orrin-import on fixture databases in a fresh folder.
class OrrinImport : public ::testing::Test {
  protected:
    OrrinImport()
    {
        std::filesystem::create_directories(m_dir.path() / "orrin");
        std::filesystem::create_directories(m_dir.path() / "calvane");
        source = testing::createSourceDb(m_dir.path() / "orrin");
        target = testing::createTargetDb(m_dir.path() / "calvane");
        bonus = testing::createBonusDb(m_dir.path() / "lic.mdb");
        logFile = m_dir.path() / "Error Log.txt";
        testing::insertRows(source, testing::sourcePassword(), "Agmast",
                            {{{"AgencyCd", Variant("AG1")}, {"Name", Variant("Asha Rao")}}});
        testing::insertRows(source, testing::sourcePassword(), "LocMast", {{{"LocDesc", Variant("North")}}});
        testing::insertRows(target, testing::targetPassword(), "company", {{{"pacode", Variant("OLD")}}});
    }

    // The database options, the bonus database and the error log, then the extra arguments.
    std::vector<std::string> standard(std::vector<std::string> extra = {}) const
    {
        std::vector<std::string> arguments{"--orrin-db", source.string(), "--agent-db",  target.string(),
                                           "--bonus-db", bonus.string(),  "--error-log", logFile.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    Result run(const std::vector<std::string>& arguments, const std::string& input = "") const
    {
        const char* binaryDir = std::getenv("ORRIN_TEST_BINARY_DIR");
        const std::filesystem::path binary =
            std::filesystem::path(binaryDir != nullptr ? binaryDir : ".") / "src" / "orrin-import";
        const auto in = m_dir.path() / "stdin.txt";
        const auto out = m_dir.path() / "stdout.txt";
        const auto err = m_dir.path() / "stderr.txt";
        std::ofstream(in, std::ios::binary) << input;
        std::string command = shellQuoted(binary.string());
        for (const auto& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        command += " <" + shellQuoted(in.string()) + " >" + shellQuoted(out.string()) + " 2>" +
                   shellQuoted(err.string());
        const int status = std::system(command.c_str());
        Result result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFile(out);
        result.err = readFile(err);
        return result;
    }

    std::map<std::string, Rows> targetTables() const
    {
        std::map<std::string, Rows> tables;
        for (const char* table :
             {"Login", "Times", "AgMast", "LocMast", "company", "Family", "Client", "Policies", "SB"}) {
            tables[table] = testing::query(target, testing::targetPassword(),
                                           std::string("SELECT * FROM ") + table + " ORDER BY rowid");
        }
        return tables;
    }

    // A source Family table without RTel: one failing statement per family row.
    void breakFamily()
    {
        testing::execute(source, testing::sourcePassword(), "DROP TABLE Family");
        testing::execute(
            source, testing::sourcePassword(),
            "CREATE TABLE Family (FamilyCode TEXT(12), RAdd1 TEXT(80), RAdd2 TEXT(80), RAdd3 TEXT(80), "
            "RAdd4 TEXT(80), RPin TEXT(30), CAdd1 TEXT(80), CAdd2 TEXT(80), CAdd3 TEXT(80), "
            "CAdd4 TEXT(80), CPin TEXT(30), CTel TEXT(80), PagerMobile TEXT(80), LOCCD LONG, "
            "headname TEXT(60), dob DATETIME, sex TEXT(1))");
        testing::insertRows(source, testing::sourcePassword(), "Family", {{{"FamilyCode", Variant("F1")}}});
    }

    testing::TempDir m_dir;
    std::filesystem::path source;
    std::filesystem::path target;
    std::filesystem::path bonus;
    std::filesystem::path logFile;
};

const char* const kNoRTel = "Item cannot be found in the collection corresponding to the requested name or "
                            "ordinal: there is no field "
                            "'RTel' in 'Family'.";

TEST_F(OrrinImport, HelpPrintsUsageAndSucceeds)
{
    const Result result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("Usage: orrin-import --orrin-db PATH --agent-db PATH", 0), 0u) << result.out;
    EXPECT_EQ(result.err, "");
}

TEST_F(OrrinImport, VersionNamesTheProgramAndItsSqlEngine)
{
    const Result result = run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "orrin-import 1.0.0\nSQLite " + std::string(sqlite3_libversion()) +
                              ", with the SQLCipher form\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(OrrinImport, BadUsageExitsTwoWithTheUsageOnStderr)
{
    const Result result = run({"--orrin-db", source.string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: orrin-import"), std::string::npos);
    EXPECT_NE(result.err.find("Please choose both database paths !!!"), std::string::npos);
}

TEST_F(OrrinImport, UnknownAnswerToErrorsIsBadUsage)
{
    EXPECT_EQ(run(standard({"--on-error", "sometimes"})).exitCode, 2);
}

TEST_F(OrrinImport, CleanRunExitsZeroAndPrintsTheSummary)
{
    const Result result = run(standard({"--quiet"}));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "") << "quiet, and nothing failed";
    EXPECT_NE(result.out.find("LocMast                    2\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Outcome:                   finished cleanly\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(testing::query(target, testing::targetPassword(),
                             "SELECT Loc_Cd, Loc_Desc FROM LocMast ORDER BY rowid"),
              (Rows{{Variant(std::int32_t{1}), Variant("No Location")},
                    {Variant(std::int32_t{2}), Variant("North")}}));
    EXPECT_EQ(testing::query(target, testing::targetPassword(), "SELECT * FROM company"), Rows{});
}

TEST_F(OrrinImport, FoldersWorkAsWellAsFilePaths)
{
    std::ofstream(target.parent_path() / "other.mdb") << "the name picked; LIC.mdb beside it is opened";
    const Result result = run({"--orrin-db", source.parent_path().string(), "--agent-db",
                               (target.parent_path() / "other.mdb").string(), "--bonus-db", bonus.string(),
                               "--error-log", logFile.string(), "--quiet"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(testing::query(target, testing::targetPassword(), "SELECT Ag_Code FROM Login"),
              (Rows{{Variant("AG1")}}));
}

TEST_F(OrrinImport, ProgressGoesToStderrUnlessQuiet)
{
    const Result result = run(standard());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find(" second(s) elapsed   (Policies Transferred : 0)  [Agmast]\n"),
              std::string::npos)
        << result.err;
}

// A path that names nothing (a typed folder) is refused before anything is opened: its parent
// folder's databases are not the ones meant.
TEST_F(OrrinImport, DatabasePathThatNamesNothingIsAUsageError)
{
    const auto before = targetTables();
    for (const bool sourceMissing : {true, false}) {
        const std::string missing = (target.parent_path() / "typo_folder").string();
        const Result result = run({"--orrin-db", sourceMissing ? missing : source.string(), "--agent-db",
                                   sourceMissing ? target.string() : missing, "--bonus-db", bonus.string(),
                                   "--error-log", logFile.string(), "--on-error", "continue", "--quiet"});
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_NE(result.err.find(std::string(sourceMissing ? "--orrin-db" : "--agent-db") +
                                  ": no such file or folder: '" + missing + "'"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(targetTables(), before);
}

TEST_F(OrrinImport, TargetThatIsNotADatabaseStopsWithExitOne)
{
    std::filesystem::create_directories(m_dir.path() / "wrong");
    std::ofstream(m_dir.path() / "wrong" / "LIC.mdb") << "this is not a database";
    const Result result =
        run({"--orrin-db", source.string(), "--agent-db", (m_dir.path() / "wrong").string(), "--bonus-db",
             bonus.string(), "--error-log", logFile.string(), "--on-error", "stop", "--quiet"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("LIC.mdb"), std::string::npos) << result.err;
    EXPECT_EQ(readFile(m_dir.path() / "wrong" / "LIC.mdb"), "this is not a database");
}

TEST_F(OrrinImport, StopAtAFailingStatementLeavesTheTargetUnchanged)
{
    breakFamily();
    const auto before = targetTables();
    const Result result = run(standard({"--on-error", "stop", "--quiet"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(std::string(kNoRTel) + "\n\nDo you want to continue ?\nNo\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(targetTables(), before);
}

TEST_F(OrrinImport, WithoutATerminalTheDefaultAnswerIsStop)
{
    breakFamily();
    const auto before = targetTables();
    EXPECT_EQ(run(standard({"--quiet"})).exitCode, 1);
    EXPECT_EQ(targetTables(), before);
}

TEST_F(OrrinImport, ContinuingPastAFailureExitsThree)
{
    breakFamily();
    const Result result = run(standard({"--on-error", "continue", "--quiet"}));
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("\n\nDo you want to continue ?\nYes\n"), std::string::npos) << result.err;
    EXPECT_EQ(
        testing::query(target, testing::targetPassword(), "SELECT FamilyCode, TelNos_R, fflag FROM Family"),
        (Rows{{Variant("F1"), Variant::null(), Variant("A")}}));
}

TEST_F(OrrinImport, AskReadsTheAnswerFromInput)
{
    breakFamily();
    EXPECT_EQ(run(standard({"--on-error", "ask", "--quiet"}), "y\n").exitCode, 3);
    const auto before = targetTables();
    EXPECT_EQ(run(standard({"--on-error", "ask", "--quiet"}), "n\n").exitCode, 1);
    EXPECT_EQ(targetTables(), before);
}

TEST_F(OrrinImport, SummaryJsonDescribesTheRun)
{
    breakFamily();
    const auto json = m_dir.path() / "summary.json";
    const Result result =
        run(standard({"--on-error", "continue", "--quiet", "--summary-json", json.string()}));
    ASSERT_EQ(result.exitCode, 3);
    std::string text = readFile(json);
    // The time taken is the one figure that changes from run to run.
    const auto seconds = text.find("  \"seconds\": ");
    ASSERT_NE(seconds, std::string::npos) << text;
    text = text.substr(0, seconds);
    EXPECT_EQ(text, "{\n"
                    "  \"outcome\": \"finished\",\n"
                    "  \"clean\": false,\n"
                    "  \"exitCode\": 3,\n"
                    "  \"reason\": \"\",\n"
                    "  \"rowsWritten\": {\n"
                    "    \"Login\": 1,\n"
                    "    \"Times\": 1,\n"
                    "    \"AgMast\": 1,\n"
                    "    \"LocMast\": 2,\n"
                    "    \"BrnMast\": 0,\n"
                    "    \"company\": 0,\n"
                    "    \"Family\": 1,\n"
                    "    \"Client\": 0,\n"
                    "    \"Policies\": 0\n"
                    "  },\n"
                    "  \"steps\": [\n"
                    "    {\"name\": \"Agmast\", \"sourceRowsRead\": 1, \"failedStatements\": 0},\n"
                    "    {\"name\": \"LocMast\", \"sourceRowsRead\": 1, \"failedStatements\": 0},\n"
                    "    {\"name\": \"BrnMast\", \"sourceRowsRead\": 0, \"failedStatements\": 0},\n"
                    "    {\"name\": \"company\", \"sourceRowsRead\": 0, \"failedStatements\": 0},\n"
                    "    {\"name\": \"Family\", \"sourceRowsRead\": 1, \"failedStatements\": 1},\n"
                    "    {\"name\": \"Client1\", \"sourceRowsRead\": 0, \"failedStatements\": 0},\n"
                    "    {\"name\": \"Policies\", \"sourceRowsRead\": 0, \"failedStatements\": 0}\n"
                    "  ],\n"
                    "  \"connectionFailures\": 0,\n"
                    "  \"skippedStatements\": 1,\n"
                    "  \"policiesTransferred\": 0,\n"
                    "  \"errorLogEntries\": 0,\n"
                    "  \"errorLog\": \"" +
                        logFile.string() + "\",\n");
}

// Without the bonus database every maturity amount that needs bonus years would go to the error
// log: said before the run, and the answer to errors decides whether it starts.
struct MissingBonusCase {
    const char* name;
    std::vector<std::string> onError; // the option, or none for the default (stop without a terminal)
    const char* input;
    int exitCode;
    std::string said; // how the error stream begins; % is the missing file
};

class MissingBonus : public OrrinImport, public ::testing::WithParamInterface<MissingBonusCase> {};

TEST_P(MissingBonus, IsAnsweredBeforeTheRun)
{
    const std::string missing = (m_dir.path() / "no-bonus" / "lic.mdb").string();
    const auto before = targetTables();
    std::vector<std::string> arguments{"--orrin-db",    source.string(),  "--agent-db",
                                       target.string(), "--bonus-db",     missing,
                                       "--error-log",   logFile.string(), "--quiet"};
    arguments.insert(arguments.end(), GetParam().onError.begin(), GetParam().onError.end());
    const Result result = run(arguments, GetParam().input);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    std::string said = GetParam().said;
    for (auto at = said.find('%'); at != std::string::npos; at = said.find('%', at + missing.size()))
        said.replace(at, 1, missing);
    EXPECT_EQ(result.err.substr(0, said.size()), said) << result.err;
    if (GetParam().exitCode == 1)
        EXPECT_EQ(targetTables(), before);
    else
        EXPECT_NE(targetTables(), before);
}

const std::string kNoBonusQuestion =
    "the bonus database '%' does not exist; every maturity amount that needs bonus years will be an error "
    "log entry\n\nDo you want to continue ? [y/N] ";
const std::string kNoBonusStopped =
    "orrin-import: stopped: the bonus database '%' does not exist; nothing was written\n";

INSTANTIATE_TEST_SUITE_P(
    OrrinImport, MissingBonus,
    ::testing::Values(
        MissingBonusCase{
            "ContinueWarnsAndRuns",
            {"--on-error", "continue"},
            "",
            0,
            "orrin-import: warning: the bonus database '%' does not exist; every maturity amount "
            "that needs bonus years will be an error log entry\n"},
        MissingBonusCase{"StopWritesNothing", {"--on-error", "stop"}, "", 1, kNoBonusStopped},
        MissingBonusCase{"TheDefaultWithoutATerminalStops", {}, "", 1, kNoBonusStopped},
        MissingBonusCase{"AskAnsweredNoWritesNothing",
                         {"--on-error", "ask"},
                         "n\n",
                         1,
                         kNoBonusQuestion + "No\n" + kNoBonusStopped},
        MissingBonusCase{"AskAnsweredYesRuns", {"--on-error", "ask"}, "y\n", 0, kNoBonusQuestion + "Yes\n"}),
    [](const ::testing::TestParamInfo<MissingBonusCase>& info) { return std::string(info.param.name); });

TEST_F(OrrinImport, SummaryFileThatCannotBeWrittenIsCaughtBeforeTheRun)
{
    const auto before = targetTables();
    const Result result =
        run(standard({"--quiet", "--summary-json", (m_dir.path() / "no" / "such" / "s.json").string()}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(targetTables(), before);
}

} // namespace
} // namespace orrin::cli

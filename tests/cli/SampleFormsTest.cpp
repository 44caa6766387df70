// The sample in both forms, for three seeds: the Access files hold, through our reader and through
// libmdb, the rows of the SQLCipher files; the encrypted zrv.accdb opens with the Orrin password
// only; the target has the Calvane database's indexes; and a run on the Access pair gives the
// target tables and error log of the run on the SQLCipher pair.

#include "common/Shell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace orrin::cli {
namespace {

using orrin::testing::csvRecords;
using orrin::testing::runCommand;
using orrin::testing::shellQuoted;

namespace fs = std::filesystem;

const std::string kOrrin = "%Q7k!Lw2~(&9}R";
const std::string kCalvane = "QZMRAKS";

fs::path program(const char* name)
{
    const char* dir = std::getenv("ORRIN_TEST_BINARY_DIR");
    return fs::path(dir != nullptr ? dir : ".") / "src" / name;
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string dumpCommand(const fs::path& file, const std::string& password)
{
    return program("orrin-import-dump").string() + " " + shellQuoted(file.string()) +
           (password.empty() ? "" : " --password " + shellQuoted(password));
}

// Our reader's dump without its format line (which names the kind of file).
std::string tablesOf(const fs::path& file, const std::string& password)
{
    const auto [dump, status] = runCommand(dumpCommand(file, password) + " 2>&1");
    EXPECT_EQ(status, 0) << dump;
    std::string kept;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("{\"format\"", 0) != 0)
            kept += line + "\n";
    return kept;
}

// The tables of a dump and each one's declared column types.
std::map<std::string, std::vector<std::string>> tableTypes(const std::string& dump)
{
    std::map<std::string, std::vector<std::string>> tables;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("{\"table\":\"", 0) != 0)
            continue;
        const std::string name = line.substr(10, line.find('"', 10) - 10);
        auto& types = tables[name];
        const std::size_t open = line.find("\"columns\":[");
        const std::size_t close = line.find(']', open);
        for (std::size_t at = line.find('"', open + 11); at != std::string::npos && at < close;
             at = line.find('"', line.find('"', at + 1) + 1)) {
            const std::string column = line.substr(at + 1, line.find('"', at + 1) - at - 1);
            types.push_back(column.substr(column.rfind(':') + 1));
        }
    }
    return tables;
}

// libmdb's export of a table equals our reader's CSV of the SQLCipher form: texts and whole numbers
// exactly, doubles as numbers, dates in the same form. An empty field stands for Null in both.
void expectLibmdbAgrees(const fs::path& access, const fs::path& sqlcipher, const std::string& password,
                        const std::string& table, const std::vector<std::string>& types)
{
    SCOPED_TRACE(access.string() + " " + table);
    const auto [count, countStatus] =
        runCommand("mdb-count " + shellQuoted(access.string()) + " " + shellQuoted(table) + " 2>&1");
    const auto [theirs, status] =
        runCommand("mdb-export -T '%Y-%m-%d %H:%M:%S' " + shellQuoted(access.string()) + " " +
                   shellQuoted(table) + " 2>&1");
    const auto [ours, ourStatus] = runCommand(dumpCommand(sqlcipher, password) + " --table " +
                                              shellQuoted(table) + " --format csv 2>&1");
    ASSERT_EQ(status, 0) << theirs;
    ASSERT_EQ(ourStatus, 0) << ours;
    const auto a = csvRecords(theirs);
    const auto b = csvRecords(ours);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(count, std::to_string(a.size() - 1) + "\n");
    for (std::size_t r = 0; r < a.size(); ++r) {
        ASSERT_EQ(a[r].size(), types.size()) << "row " << r;
        ASSERT_EQ(b[r].size(), types.size()) << "row " << r;
        for (std::size_t c = 0; c < types.size(); ++c) {
            const std::string& x = a[r][c];
            const std::string& y = b[r][c];
            if (r > 0 && types[c] == "DOUBLE" && !x.empty() && !y.empty())
                EXPECT_NEAR(std::strtod(x.c_str(), nullptr), std::strtod(y.c_str(), nullptr),
                            1e-9 * std::fabs(std::strtod(y.c_str(), nullptr)))
                    << "row " << r << " column " << c;
            else if (r > 0 && types[c] == "DATETIME")
                EXPECT_EQ(x, y.empty() || y.size() == 19 ? y : y + " 00:00:00")
                    << "row " << r << " column " << c;
            else
                EXPECT_EQ(x, y) << "row " << r << " column " << c;
        }
    }
}

// orrin-import on folder's pair with the bonus database: the error log without the folder's name
// and without the date and time of each entry.
std::string runIn(const fs::path& folder, const fs::path& bonus)
{
    const fs::path log = folder / "Error Log.txt";
    const std::string command =
        program("orrin-import").string() + " --orrin-db " + shellQuoted((folder / "zrv.accdb").string()) +
        " --agent-db " + shellQuoted((folder / "LIC.mdb").string()) + " --bonus-db " +
        shellQuoted(bonus.string()) + " --error-log " + shellQuoted(log.string()) + " --summary-json " +
        shellQuoted((folder / "summary.json").string()) + " --on-error continue --quiet > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3)) << status;
    // The summary gives the commit's time apart, a part of the whole run's.
    const std::string summary = readFile(folder / "summary.json");
    const auto figure = [&](const std::string& key) {
        const std::size_t at = summary.find("\"" + key + "\": ");
        return at == std::string::npos ? -1.0 : std::strtod(summary.c_str() + at + key.size() + 4, nullptr);
    };
    EXPECT_GT(figure("commitSeconds"), 0.0) << summary;
    EXPECT_LT(figure("commitSeconds"), figure("seconds")) << summary;
    std::string text;
    std::istringstream lines(readFile(log));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Date : ", 0) != 0 && line.rfind("Time : ", 0) != 0)
            text += line + "\n";
    for (std::size_t at; (at = text.find(folder.string())) != std::string::npos;)
        text.erase(at, folder.string().size());
    return text;
}

struct Seed {
    int seed;
    int policies;
    const char* dirty;
};

const Seed kSeeds[] = {{3, 150, "0.05"}, {17, 400, "0.02"}, {2026, 60, "0.3"}};

TEST(SampleForms, AccessFormHoldsTheSqlcipherRowsAndRunsTheSame)
{
    for (const Seed& s : kSeeds) {
        SCOPED_TRACE("seed " + std::to_string(s.seed));
        const fs::path root =
            fs::temp_directory_path() /
            ("orrin-sample-forms-" + std::to_string(::getpid()) + "-" + std::to_string(s.seed));
        fs::remove_all(root);
        const fs::path access = root / "access";
        const fs::path sqlcipher = root / "sqlcipher";
        for (const auto& [folder, format] :
             {std::pair{access, "access"}, std::pair{sqlcipher, "sqlcipher"}}) {
            // The Access form is the default.
            const std::string formatFlag = std::string(format) == "access" ? "" : " --format sqlcipher";
            const auto [out, status] = runCommand(
                program("orrin-import-sample").string() + " --out " + shellQuoted(folder.string()) +
                " --bonus-db " + shellQuoted((folder / "bonus" / "lic.mdb").string()) + " --policies " +
                std::to_string(s.policies) + " --seed " + std::to_string(s.seed) + " --dirty " + s.dirty +
                formatFlag + " 2>&1");
            ASSERT_EQ(status, 0) << out;
        }

        // The kind of each file, and its password.
        const auto [zrvHead, zrvStatus] =
            runCommand(dumpCommand(access / "zrv.accdb", kOrrin) + " 2>&1 | head -1");
        EXPECT_EQ(zrvHead, "{\"format\":\"ACE 14\"}\n");
        EXPECT_EQ(runCommand(dumpCommand(access / "LIC.mdb", kCalvane) + " 2>&1 | head -1").output,
                  "{\"format\":\"Jet 4\"}\n");
        for (const auto& [file, wrong] :
             {std::pair{access / "zrv.accdb", std::string()}, std::pair{access / "zrv.accdb", kCalvane},
              std::pair{access / "zrv.accdb", kOrrin + "x"}, std::pair{access / "LIC.mdb", std::string()},
              std::pair{access / "LIC.mdb", kOrrin},
              std::pair{access / "bonus" / "lic.mdb", std::string("qzmraks")}}) {
            // An empty password given is the only one tried, as every password given is.
            const auto [message, status] =
                runCommand(program("orrin-import-dump").string() + " " + shellQuoted(file.string()) +
                           " --password " + shellQuoted(wrong) + " 2>&1");
            EXPECT_EQ(status, 1) << file << " opened with '" << wrong << "'";
            EXPECT_NE(message.find("password"), std::string::npos) << message;
        }

        // The same tables and rows through our reader; through libmdb for the Jet 4 files.
        const std::vector<std::tuple<std::string, std::string>> files{
            {"zrv.accdb", kOrrin}, {"LIC.mdb", kCalvane}, {"bonus/lic.mdb", kCalvane}};
        for (const auto& [name, password] : files) {
            const std::string ours = tablesOf(access / name, password);
            EXPECT_GT(ours.size(), 1000u) << name;
            EXPECT_EQ(ours, tablesOf(sqlcipher / name, password)) << name;
            if (name == "zrv.accdb")
                continue;
            for (const auto& [table, types] : tableTypes(ours)) {
                std::vector<std::string> kinds;
                for (const auto& t : types)
                    kinds.push_back(t.substr(0, t.find('(')));
                expectLibmdbAgrees(access / name, sqlcipher / name, password, table, kinds);
            }
        }
        const auto [schema, schemaStatus] =
            runCommand("mdb-schema " + shellQuoted((access / "LIC.mdb").string()) + " mysql 2>/dev/null");
        for (const char* index :
             {"ALTER TABLE `Policies` ADD INDEX `ix_policy_no` (`policy_no`);",
              "ALTER TABLE `SB` ADD INDEX `ix_policy_no` (`policy_no`);",
              "ALTER TABLE `Family` ADD INDEX `ix_FamilyCode` (`FamilyCode`);",
              "ALTER TABLE `Client` ADD INDEX `ix_FamilyCode_PersCode` (`FamilyCode`, `PersCode`);",
              "ALTER TABLE `plans` ADD INDEX `ix_plan` (`plan`);",
              "ALTER TABLE `NewBonus` ADD INDEX `ix_BonusCat_YY` (`BonusCat`, `YY`);"})
            EXPECT_NE(schema.find(index), std::string::npos) << index;
        EXPECT_EQ(schema.find("UNIQUE"), std::string::npos);

        // The run on each pair.
        const std::string accessLog = runIn(access, access / "bonus" / "lic.mdb");
        const std::string sqlcipherLog = runIn(sqlcipher, sqlcipher / "bonus" / "lic.mdb");
        EXPECT_NE(accessLog.find("Err.Number"), std::string::npos);
        EXPECT_TRUE(accessLog == sqlcipherLog) << "the error logs differ";
        const std::string accessTarget = tablesOf(access / "LIC.mdb", kCalvane);
        EXPECT_NE(accessTarget.find("{\"table\":\"Policies\",\"rows\":"), std::string::npos);
        EXPECT_EQ(accessTarget.find("{\"table\":\"Policies\",\"rows\":0,"), std::string::npos);
        EXPECT_EQ(accessTarget, tablesOf(sqlcipher / "LIC.mdb", kCalvane));
        fs::remove_all(root);
    }
}

} // namespace
} // namespace orrin::cli

// The whole run with real Access files on both sides: the Orrin source zrv.accdb (ACE) into a copy
// of the Calvane LIC.mdb (Jet 4) gives the same target tables and the same error log as the run on
// the SQLCipher pair of the same agent; the file written is read by libmdb as well.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orrin::cli {
namespace {

namespace fs = std::filesystem;
const fs::path kAgent = fs::path(ORRIN_ACCESS_SAMPLES) / "agent";

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command; its standard output.
std::string output(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

fs::path program(const char* name)
{
    const char* dir = std::getenv("ORRIN_TEST_BINARY_DIR");
    return fs::path(dir != nullptr ? dir : ".") / "src" / name;
}

// The dump's lines without the format line (which names the file's kind).
std::string tablesOf(const fs::path& file, const std::string& password)
{
    std::string dump = output(program("orrin-import-dump").string() + " '" + file.string() + "'" +
                              (password.empty() ? "" : " --password '" + password + "'"));
    std::string kept;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("{\"format\"", 0) != 0)
            kept += line + "\n";
    return kept;
}

// Runs orrin-import on the databases of folder (zrv.accdb and LIC.mdb) with the bonus database;
// the error log with the folder's name taken out.
std::string runIn(const fs::path& folder, const fs::path& bonus)
{
    const fs::path log = folder / "Error Log.txt";
    const std::string command =
        program("orrin-import").string() + " --orrin-db '" + (folder / "zrv.accdb").string() +
        "' --agent-db '" + (folder / "LIC.mdb").string() + "' --bonus-db '" + bonus.string() +
        "' --error-log '" + log.string() + "' --on-error continue --quiet > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3)) << status;
    // Without the folder's name, and without the clock's lines.
    std::string text;
    std::istringstream lines(readFile(log));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Date : ", 0) != 0 && line.rfind("Time : ", 0) != 0)
            text += line + "\n";
    for (std::size_t at; (at = text.find(folder.string())) != std::string::npos;)
        text.erase(at, folder.string().size());
    return text;
}

TEST(AccessTarget, TheRunOnTheAccessPairEqualsTheRunOnTheSqlcipherPair)
{
    const fs::path root = fs::temp_directory_path() / ("orrin-access-target-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path access = root / "access";
    const fs::path sqlcipher = root / "sqlcipher";
    fs::create_directories(access);
    fs::create_directories(sqlcipher);
    for (const char* name : {"zrv.accdb", "LIC.mdb"}) {
        fs::copy_file(kAgent / "access" / name, access / name);
        fs::copy_file(kAgent / "sqlcipher" / name, sqlcipher / name);
    }

    const std::string accessLog = runIn(access, kAgent / "access-bonus" / "lic.mdb");
    const std::string sqlcipherLog = runIn(sqlcipher, kAgent / "sqlcipher-bonus" / "lic.mdb");
    EXPECT_FALSE(accessLog.empty());
    EXPECT_EQ(accessLog, sqlcipherLog);

    const std::string accessTables = tablesOf(access / "LIC.mdb", "");
    EXPECT_GT(accessTables.size(), 10000u);
    EXPECT_EQ(accessTables, tablesOf(sqlcipher / "LIC.mdb", "QZMRAKS"));

    // libmdb finds the rows the run wrote.
    const std::string count =
        output("mdb-count '" + (access / "LIC.mdb").string() + "' Policies 2>/dev/null");
    EXPECT_EQ(count, "300\n");
    fs::remove_all(root);
}

// Ten runs in a row on the same target: the pages each run frees are used by the next, so the file
// stays the size the first run gave it.
TEST(AccessTarget, TenRunsKeepTheFileSize)
{
    const fs::path root = fs::temp_directory_path() / ("orrin-access-ten-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    for (const char* name : {"zrv.accdb", "LIC.mdb"})
        fs::copy_file(kAgent / "access" / name, root / name);
    std::uintmax_t first = 0;
    for (int run = 1; run <= 10; ++run) {
        runIn(root, kAgent / "access-bonus" / "lic.mdb");
        if (run == 1)
            first = fs::file_size(root / "LIC.mdb");
    }
    EXPECT_LE(fs::file_size(root / "LIC.mdb"), first + first / 10) << "after the first run: " << first;
    fs::remove_all(root);
}

// What stops a run before or at its commit leaves the target byte for byte as it was, with a
// message that says why.
TEST(AccessTarget, BadSituationsLeaveTheTargetAsItWas)
{
    struct Case {
        const char* name;
        const char* lockFile; // created beside the target
        bool smallFileLimit;  // the file size limit below the target's size
        const char* message;
    };
    const Case cases[] = {
        {"the Calvane application has the file open", "LIC.ldb", false,
         "is open in the Calvane application: close the Calvane application, or remove"},
        {"the disk is full when the file is written", nullptr, true, "Cannot save the changes to"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = fs::temp_directory_path() / ("orrin-access-bad-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        for (const char* name : {"zrv.accdb", "LIC.mdb"})
            fs::copy_file(kAgent / "access" / name, root / name);
        if (c.lockFile != nullptr)
            std::ofstream(root / c.lockFile) << "locked";
        const std::string before = readFile(root / "LIC.mdb");
        const std::string limit =
            c.smallFileLimit ? "ulimit -f " + std::to_string(before.size() / 2048) + "; " : std::string();
        const std::string command =
            "bash -c \"" + limit + program("orrin-import").string() + " --orrin-db '" +
            (root / "zrv.accdb").string() + "' --agent-db '" + (root / "LIC.mdb").string() +
            "' --bonus-db '" + (kAgent / "access-bonus" / "lic.mdb").string() + "' --error-log '" +
            (root / "log.txt").string() + "' --on-error continue 2>&1; echo exit=\\$?\"";
        const std::string out = output(command);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_NE(out.find("exit=1"), std::string::npos) << out;
        EXPECT_EQ(readFile(root / "LIC.mdb"), before);
        for (const auto& entry : fs::directory_iterator(root))
            EXPECT_EQ(entry.path().filename().string().find(".orrin-"), std::string::npos) << entry.path();
        fs::remove_all(root);
    }
}

} // namespace
} // namespace orrin::cli

#include "reliability/DatabaseDump.h"

#include "reliability/ProcessRunner.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace orrin::reliability {

namespace {

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (const char c : text) {
        result += c;
        if (c == '\'')
            result += '\'';
    }
    return result + "'";
}

std::filesystem::path shell()
{
    return "/usr/bin/sqlcipher";
}

} // namespace

std::string runSqlShell(const std::filesystem::path& file, const std::string& password,
                        const std::string& script)
{
    const std::string input = "PRAGMA key=" + quoted(password) + ";\n.bail on\n.headers off\n" + script;
    const ProcessResult result = runProgram(shell(), {file.string()}, input, std::chrono::seconds(120));
    if (result.exitCode != 0 || !result.err.empty())
        throw std::runtime_error("sqlcipher could not read " + file.string() + ": " + describe(result));
    return result.out;
}

std::string dumpDatabase(const std::filesystem::path& file, const std::string& password)
{
    const std::string names =
        runSqlShell(file, password, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;\n");
    std::string script = "SELECT type, name, sql FROM sqlite_master ORDER BY type, name;\n";
    std::istringstream lines(names);
    for (std::string table; std::getline(lines, table);) {
        if (table.empty())
            continue;
        script += ".mode insert " + table + "\nSELECT * FROM \"" + table + "\" ORDER BY rowid;\n.mode list\n";
    }
    return runSqlShell(file, password, script);
}

std::string fileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string comparableLog(const std::filesystem::path& log, const std::string& runFolder)
{
    std::ifstream in(log, std::ios::binary);
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Date : ", 0) == 0 || line.rfind("Time : ", 0) == 0)
            continue;
        for (std::size_t at = line.find(runFolder); at != std::string::npos; at = line.find(runFolder, at))
            line.replace(at, runFolder.size(), "<run>");
        kept += line + "\n";
    }
    return kept;
}

std::string folderListing(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names)
        listing += name + "\n";
    return listing;
}

} // namespace orrin::reliability

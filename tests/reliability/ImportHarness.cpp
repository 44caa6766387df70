#include "reliability/ImportHarness.h"

#include "sample/SampleWriter.h"
#include "value/Conversions.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace orrin::reliability {

namespace {

std::filesystem::path binaryDir()
{
    const char* dir = std::getenv("ORRIN_TEST_BINARY_DIR");
    if (dir == nullptr)
        throw std::runtime_error("ORRIN_TEST_BINARY_DIR is not set: run the tests through ctest");
    return dir;
}

} // namespace

std::filesystem::path importProgram()
{
    return binaryDir() / "src" / "orrin-import";
}

std::filesystem::path sampleProgram()
{
    return binaryDir() / "src" / "orrin-import-sample";
}

ImportHarness::ImportHarness()
{
    std::filesystem::create_directories(folder());
    std::filesystem::create_directories(bonus().parent_path());
    std::filesystem::create_directories(logFile().parent_path());
    sample::SampleOptions options;
    options.policies = kPolicies;
    options.seed = 11;
    options.dirtyRate = 0;
    const sample::SampleWriter writer(options);
    writer.writeSource(source());
    writer.writeTarget(target());
    sample::SampleWriter::writeBonusDatabase(bonus());
}

ProcessResult ImportHarness::runImport(const std::string& orrinDb, const std::string& agentDb,
                                       const std::string& onError, const std::vector<std::string>& extra)
{
    std::vector<std::string> arguments{"--orrin-db", orrinDb, "--agent-db", agentDb,
                                       "--on-error", onError, "--quiet"};
    auto named = [&](const std::string& option) {
        for (const std::string& argument : extra) {
            if (argument == option)
                return true;
        }
        return false;
    };
    if (!named("--bonus-db"))
        arguments.insert(arguments.end(), {"--bonus-db", bonus().string()});
    if (!named("--error-log"))
        arguments.insert(arguments.end(), {"--error-log", logFile().string()});
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return runProgram(importProgram(), arguments);
}

ProcessResult ImportHarness::runImport(const std::string& onError, const std::vector<std::string>& extra)
{
    return runImport(folder().string(), folder().string(), onError, extra);
}

void ImportHarness::onSource(const std::string& sql)
{
    testing::execute(source(), testing::sourcePassword(), sql);
}

void ImportHarness::dropSourceField(const std::string& table, const std::string& field)
{
    // One line per column: cid|name|type|notnull|default|pk.
    std::istringstream columns(
        runSqlShell(source(), testing::sourcePassword(), "PRAGMA table_info(\"" + table + "\");\n"));
    std::string kept;
    std::string declared;
    for (std::string line; std::getline(columns, line);) {
        std::vector<std::string> parts;
        std::istringstream fields(line);
        for (std::string part; std::getline(fields, part, '|');)
            parts.push_back(part);
        if (parts.size() < 3 || parts[1] == field)
            continue;
        const std::string name = "\"" + parts[1] + "\"";
        kept += (kept.empty() ? "" : ", ") + name;
        declared += (declared.empty() ? "" : ", ") + name + " " + parts[2];
    }
    onSource("CREATE TABLE reshaped (" + declared + ")");
    onSource("INSERT INTO reshaped SELECT " + kept + " FROM \"" + table + "\" ORDER BY rowid");
    onSource("DROP TABLE \"" + table + "\"");
    onSource("ALTER TABLE reshaped RENAME TO \"" + table + "\"");
}

void ImportHarness::takeSnapshot()
{
    m_targetBefore = dumpDatabase(target(), testing::targetPassword());
    m_sourceBytes = fileBytes(source());
}

void ImportHarness::expectTargetAsBefore() const
{
    ASSERT_FALSE(m_targetBefore.empty()) << "takeSnapshot() was not called";
    EXPECT_TRUE(dumpDatabase(target(), testing::targetPassword()) == m_targetBefore)
        << "the target's tables differ from what they held before the run";
}

void ImportHarness::expectSourceUntouched() const
{
    ASSERT_FALSE(m_sourceBytes.empty()) << "takeSnapshot() was not called";
    EXPECT_TRUE(fileBytes(source()) == m_sourceBytes) << "the source database's bytes changed";
}

void ImportHarness::expectTargetFileWholeAsBefore() const
{
    ASSERT_FALSE(m_targetBefore.empty()) << "takeSnapshot() was not called";
    const std::filesystem::path alone = m_dir.path() / "target alone";
    std::filesystem::remove_all(alone);
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(target(), alone / "LIC.mdb");
    EXPECT_EQ(runSqlShell(alone / "LIC.mdb", testing::targetPassword(), "PRAGMA integrity_check;\n"), "ok\n")
        << "the target file alone is not whole";
    EXPECT_TRUE(dumpDatabase(alone / "LIC.mdb", testing::targetPassword()) == m_targetBefore)
        << "the target file alone differs from what it held before the run";
    std::filesystem::remove_all(alone);
}

std::string ImportHarness::targetValue(const std::string& sql) const
{
    const auto rows = testing::query(target(), testing::targetPassword(), sql);
    if (rows.empty() || rows.front().empty())
        return {};
    return joinText(rows.front().front());
}

std::int64_t ImportHarness::targetCount(const std::string& table) const
{
    return static_cast<std::int64_t>(Val(targetValue("SELECT count(*) FROM \"" + table + "\"")));
}

::testing::AssertionResult endedOnItsOwn(const ProcessResult& result)
{
    if (result.timedOut)
        return ::testing::AssertionFailure() << "the run hung and was killed\n" << describe(result);
    if (result.signal != 0)
        return ::testing::AssertionFailure() << "the run crashed (signal " << result.signal << ")\n"
                                             << describe(result);
    if (result.exitCode != 0 && result.exitCode != 1 && result.exitCode != 3)
        return ::testing::AssertionFailure() << "unexpected exit status\n" << describe(result);
    if (result.err.find("AddressSanitizer") != std::string::npos ||
        result.err.find("runtime error:") != std::string::npos)
        return ::testing::AssertionFailure() << "a sanitizer reported a fault\n" << describe(result);
    return ::testing::AssertionSuccess();
}

} // namespace orrin::reliability

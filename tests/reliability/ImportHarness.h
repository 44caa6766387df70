#pragma once

#include "reliability/DatabaseDump.h"
#include "reliability/ProcessRunner.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orrin::reliability {

// The built programs, found through the build folder the tests were configured in.
std::filesystem::path importProgram();
std::filesystem::path sampleProgram();

// A small clean sample agent in a fresh folder each: the source and target in one folder (as an
// agent keeps them), the bonus database and the error log elsewhere. Every run goes through the
// orrin-import program itself, exactly as a script would call it.
class ImportHarness : public ::testing::Test {
  protected:
    static constexpr std::int64_t kPolicies = 25;

    ImportHarness();

    std::filesystem::path folder() const { return m_dir.path() / "agent"; }
    std::filesystem::path source() const { return folder() / "zrv.accdb"; }
    std::filesystem::path target() const { return folder() / "LIC.mdb"; }
    std::filesystem::path bonus() const { return m_dir.path() / "program" / "lic.mdb"; }
    std::filesystem::path logFile() const { return m_dir.path() / "log" / "Error Log.txt"; }
    const std::filesystem::path& scratch() const { return m_dir.path(); }

    // orrin-import with the given database options and answer, the harness's bonus database and log
    // unless the extra arguments name their own, and --quiet.
    ProcessResult runImport(const std::string& orrinDb, const std::string& agentDb,
                            const std::string& onError, const std::vector<std::string>& extra = {});
    // The usual run on the harness's own folder.
    ProcessResult runImport(const std::string& onError, const std::vector<std::string>& extra = {});

    // A statement on the source database (to make it awkward before a run).
    void onSource(const std::string& sql);
    // Rebuilds a source table without one of its fields (the engine cannot drop a column).
    void dropSourceField(const std::string& table, const std::string& field);

    // What the target and the source hold before the run, for the "nothing changed" checks.
    void takeSnapshot();
    void expectTargetAsBefore() const;
    // Stronger: the target file alone, copied without any journal beside it, passes the engine's
    // integrity check and holds exactly what it held before the run.
    void expectTargetFileWholeAsBefore() const;
    void expectSourceUntouched() const;

    // A value of the target: the first column of the first row of a query, as text ("" for none).
    std::string targetValue(const std::string& sql) const;
    std::int64_t targetCount(const std::string& table) const;

  private:
    testing::TempDir m_dir;
    std::string m_targetBefore;
    std::string m_sourceBytes;
};

// A run that must not have crashed or hung: it ended by itself with one of the contract's statuses.
::testing::AssertionResult endedOnItsOwn(const ProcessResult& result);

} // namespace orrin::reliability

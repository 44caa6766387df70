// How the run reads the two path options: folders or files, with or without a separator, with
// blanks, quotes and non-ASCII characters in them.

#include "reliability/ImportHarness.h"

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

class ReliabilityPathText : public ImportHarness {
  protected:
    ProcessResult runIn(const fs::path& workingDirectory, const std::string& orrinDb,
                        const std::string& agentDb)
    {
        return runProgram(importProgram(),
                          {"--orrin-db", orrinDb, "--agent-db", agentDb, "--bonus-db", bonus().string(),
                           "--error-log", logFile().string(), "--on-error", "stop", "--quiet"},
                          {}, std::chrono::seconds(120), workingDirectory);
    }
};

// A bare file name, with no separator at all, names the file in the current folder.
TEST_F(ReliabilityPathText, BareFileNamesOpenInTheCurrentFolder)
{
    takeSnapshot();
    const ProcessResult result = runIn(folder(), "zrv.accdb", "LIC.mdb");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    expectSourceUntouched();
}

// A bare name that is not in the current folder names nothing: refused before anything opens.
TEST_F(ReliabilityPathText, BareFileNameMissingFromTheCurrentFolderIsRefused)
{
    takeSnapshot();
    const ProcessResult result = runIn(scratch(), "zrv.accdb", "LIC.mdb");

    EXPECT_EQ(result.exitCode, 2) << describe(result);
    EXPECT_NE(result.err.find("--orrin-db: no such file or folder: 'zrv.accdb'"), std::string::npos)
        << describe(result);
    expectTargetAsBefore();
}

struct FolderCase {
    const char* name;
    const char* folder;
    bool asFile; // pass the file paths rather than the folder
};

void PrintTo(const FolderCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReliabilityFolderName : public ReliabilityPathText, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(ReliabilityFolderName, RunsCleanly)
{
    const FolderCase& c = GetParam();
    const fs::path moved = scratch() / c.folder; // UTF-8 bytes, as Linux keeps names
    fs::create_directories(moved.parent_path());
    fs::rename(folder(), moved);
    const std::string orrinDb = c.asFile ? (moved / "zrv.accdb").string() : moved.string();
    const std::string agentDb = c.asFile ? (moved / "LIC.mdb").string() : moved.string() + "/";

    const ProcessResult result = runIn(scratch(), orrinDb, agentDb);

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    EXPECT_EQ(testing::query(moved / "LIC.mdb", testing::targetPassword(), "SELECT count(*) FROM Policies")
                  .at(0)
                  .at(0),
              Variant(std::int32_t{kPolicies}));
    EXPECT_EQ(folderListing(moved), "LIC.mdb\nzrv.accdb\n");
}

const FolderCase kFolders[] = {
    {"Blanks", "agent data/with  two blanks", false},
    {"BlanksAsFilePaths", "agent data/with  two blanks", true},
    {"NonAscii", "एजेंट डेटा/Ärger ünd ß", false},
    {"NonAsciiAsFilePaths", "एजेंट डेटा/Ärger ünd ß", true},
    {"QuotesAndEquals", "O'Brien's=data/x", false},
};

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilityFolderName, ::testing::ValuesIn(kFolders),
                         [](const ::testing::TestParamInfo<FolderCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

namespace orrin::reliability {
namespace {

// A ";" is a legal character of a Linux folder name, but the connection texts are built by pasting
// the folder in unquoted, so the text is cut there and another file may be opened instead ("a;Data
// Source=/elsewhere/" names a second data source). Disabled until the connection texts carry such a
// folder intact; enable it with that change.
TEST_F(ReliabilityPathText, SemicolonInTheFolderNameOpensThatFolder)
{
    const fs::path moved = scratch() / "agent;data";
    fs::rename(folder(), moved);

    const ProcessResult result = runIn(scratch(), moved.string(), moved.string());

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 0) << describe(result);
}

} // namespace
} // namespace orrin::reliability

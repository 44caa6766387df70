// Databases that cannot be opened: missing folders and files, wrong passwords, files that are not
// databases. Each run must end by itself with a clear message and change neither file.

#include "reliability/ImportHarness.h"

#include <fstream>
#include <functional>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

// Where a case puts the run's two databases: the texts passed as --orrin-db and --agent-db.
struct Placement {
    std::string orrinDb;
    std::string agentDb;
    fs::path broken; // the file the run cannot open (may not exist)
};

struct BadFileCase {
    const char* name;
    std::function<Placement(const fs::path& good, const fs::path& scratch)> place;
    const char* fileNamed; // the message names this file
    const char* reason;    // and says this
    bool refused = false;  // a usage error (status 2) before anything is opened, not a stopped run
};

void writeFile(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

// A folder holding a copy of one good database and, under the other name, something else.
Placement withSource(const fs::path& good, const fs::path& scratch,
                     const std::function<void(const fs::path&)>& make)
{
    const fs::path folder = scratch / "broken";
    fs::create_directories(folder);
    make(folder / "zrv.accdb");
    fs::copy_file(good / "LIC.mdb", folder / "LIC.mdb");
    return {folder.string(), folder.string(), folder / "zrv.accdb"};
}

Placement withTarget(const fs::path& good, const fs::path& scratch,
                     const std::function<void(const fs::path&)>& make)
{
    const fs::path folder = scratch / "broken";
    fs::create_directories(folder);
    fs::copy_file(good / "zrv.accdb", folder / "zrv.accdb");
    make(folder / "LIC.mdb");
    return {folder.string(), folder.string(), folder / "LIC.mdb"};
}

void anotherKey(const fs::path& file)
{
    runSqlShell(file, "not the password",
                "CREATE TABLE Policies (PolicyNo TEXT);\nINSERT INTO Policies VALUES ('1');\n");
}

void firstHalfOf(const fs::path& from, const fs::path& file)
{
    const std::string bytes = fileBytes(from);
    writeFile(file, bytes.substr(0, bytes.size() / 2));
}

const char* kNotFound = "Could not find file";
const char* kNoSuchPath = "no such file or folder";

// The status and the first line of the run's answer: a usage error, or a run stopped at the open.
void expectRefusedOrStopped(const BadFileCase& c, const ProcessResult& result)
{
    if (c.refused) {
        EXPECT_EQ(result.exitCode, 2) << describe(result);
        EXPECT_EQ(result.out, "") << describe(result);
    } else {
        EXPECT_EQ(result.exitCode, 1) << describe(result);
        EXPECT_NE(result.err.find("orrin-import: stopped: "), std::string::npos) << describe(result);
        EXPECT_NE(result.out.find("stopped, rolled back: the target is unchanged"), std::string::npos)
            << describe(result);
    }
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find(c.fileNamed), std::string::npos) << describe(result);
}
const char* kNotDatabase = "not a valid password, or not a database file";
const char* kEmpty = "the file is empty (0 bytes), not a database file";

const BadFileCase kCases[] = {
    {"MissingOrrinFolder",
     [](const fs::path& good, const fs::path& scratch) {
         return Placement{(scratch / "no such folder").string() + "/", good.string(),
                          scratch / "no such folder" / "zrv.accdb"};
     },
     "no such folder", kNoSuchPath, true},
    {"MissingAgentFolder",
     [](const fs::path& good, const fs::path& scratch) {
         return Placement{good.string(), (scratch / "no such folder").string() + "/",
                          scratch / "no such folder" / "LIC.mdb"};
     },
     "no such folder", kNoSuchPath, true},
    {"MissingZrvAccdb",
     [](const fs::path& good, const fs::path& scratch) {
         fs::create_directories(scratch / "empty");
         return Placement{(scratch / "empty").string(), good.string(), scratch / "empty" / "zrv.accdb"};
     },
     "zrv.accdb", kNotFound},
    {"MissingLicMdb",
     [](const fs::path& good, const fs::path& scratch) {
         fs::create_directories(scratch / "empty");
         return Placement{good.string(), (scratch / "empty").string(), scratch / "empty" / "LIC.mdb"};
     },
     "LIC.mdb", kNotFound},
    {"SourceIsText",
     [](const fs::path& good, const fs::path& scratch) {
         return withSource(good, scratch,
                           [](const fs::path& f) { writeFile(f, "Policy list\r\n12345, Asha\r\n"); });
     },
     "zrv.accdb", kNotDatabase},
    {"SourceIsZeroBytes",
     [](const fs::path& good, const fs::path& scratch) {
         return withSource(good, scratch, [](const fs::path& f) { writeFile(f, ""); });
     },
     "zrv.accdb", kEmpty},
    {"TargetIsText",
     [](const fs::path& good, const fs::path& scratch) {
         return withTarget(good, scratch, [](const fs::path& f) { writeFile(f, "not a database\n"); });
     },
     "LIC.mdb", kNotDatabase},
    {"TargetIsZeroBytes",
     [](const fs::path& good, const fs::path& scratch) {
         return withTarget(good, scratch, [](const fs::path& f) { writeFile(f, ""); });
     },
     "LIC.mdb", kEmpty},
    {"TargetIsAFolder",
     [](const fs::path& good, const fs::path& scratch) {
         return withTarget(good, scratch, [](const fs::path& f) { fs::create_directories(f); });
     },
     "LIC.mdb", "it is a folder, not a database file"},
    {"SourceHasTheTargetsPassword",
     [](const fs::path& good, const fs::path& scratch) {
         return withSource(good, scratch, [&](const fs::path& f) { fs::copy_file(good / "LIC.mdb", f); });
     },
     "zrv.accdb", kNotDatabase},
    {"TargetHasTheSourcesPassword",
     [](const fs::path& good, const fs::path& scratch) {
         return withTarget(good, scratch, [&](const fs::path& f) { fs::copy_file(good / "zrv.accdb", f); });
     },
     "LIC.mdb", kNotDatabase},
    {"SourceOfAnotherKey",
     [](const fs::path& good, const fs::path& scratch) { return withSource(good, scratch, anotherKey); },
     "zrv.accdb", kNotDatabase},
    {"TargetOfAnotherKey",
     [](const fs::path& good, const fs::path& scratch) { return withTarget(good, scratch, anotherKey); },
     "LIC.mdb", kNotDatabase},
    {"SourceTruncatedInTheMiddle",
     [](const fs::path& good, const fs::path& scratch) {
         return withSource(good, scratch, [&](const fs::path& f) { firstHalfOf(good / "zrv.accdb", f); });
     },
     "zrv.accdb", kNotDatabase},
    {"TargetTruncatedInTheMiddle",
     [](const fs::path& good, const fs::path& scratch) {
         return withTarget(good, scratch, [&](const fs::path& f) { firstHalfOf(good / "LIC.mdb", f); });
     },
     "LIC.mdb", kNotDatabase},
};

// Names instead of bytes in gtest's messages.
void PrintTo(const BadFileCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReliabilityBadFile : public ImportHarness, public ::testing::WithParamInterface<BadFileCase> {};

// Stopping at the first question: status 1, the message names the file and why, no file changed.
TEST_P(ReliabilityBadFile, StopsWithAClearMessageAndChangesNothing)
{
    const BadFileCase& c = GetParam();
    const Placement placement = c.place(folder(), scratch());
    const bool brokenExists = fs::exists(placement.broken);
    const std::string brokenBefore = brokenExists ? fileBytes(placement.broken) : "";
    takeSnapshot();

    const ProcessResult result = runImport(placement.orrinDb, placement.agentDb, "stop");

    ASSERT_TRUE(result.exitCode == 2 || endedOnItsOwn(result)) << describe(result);
    expectRefusedOrStopped(c, result);
    EXPECT_EQ(fs::exists(placement.broken), brokenExists);
    if (brokenExists) {
        EXPECT_TRUE(fileBytes(placement.broken) == brokenBefore) << "the unreadable file was changed";
    }
    expectTargetAsBefore();
    expectSourceUntouched();
}

// Answering every question with continue changes nothing either: a database that does not open
// ends the run at once (going on could only empty the target), and the file it could not open is
// not touched. The target file alone, journal aside, is whole.
TEST_P(ReliabilityBadFile, ContinuingStopsAtTheFailedOpenAndChangesNothing)
{
    const BadFileCase& c = GetParam();
    const Placement placement = c.place(folder(), scratch());
    const bool brokenExists = fs::exists(placement.broken);
    const std::string brokenBefore = brokenExists ? fileBytes(placement.broken) : "";
    takeSnapshot();

    const ProcessResult result = runImport(placement.orrinDb, placement.agentDb, "continue");

    ASSERT_TRUE(result.exitCode == 2 || endedOnItsOwn(result)) << describe(result);
    expectRefusedOrStopped(c, result);
    EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_EQ(fs::exists(placement.broken), brokenExists);
    if (brokenExists) {
        EXPECT_TRUE(fileBytes(placement.broken) == brokenBefore) << "the unreadable file was changed";
    }
    expectTargetFileWholeAsBefore();
    expectSourceUntouched();
}

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilityBadFile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<BadFileCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

// Files the run writes (the summary and the error log) named over the databases it reads, or in
// shapes that could hang or betray it: each is refused before anything is opened, with a message
// that names it, and every database is left as it was.

#include "reliability/ImportHarness.h"

#include <sys/stat.h>

#include <fstream>
#include <functional>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

// Where the harness keeps its files, for the cases to name them.
struct Paths {
    fs::path folder; // the agent's folder: zrv.accdb and LIC.mdb
    fs::path source;
    fs::path target;
    fs::path bonus;
    fs::path scratch; // a folder of the test's own
};

struct OutputCase {
    const char* name;
    const char* option;                         // --summary-json or --error-log
    std::function<fs::path(const Paths&)> file; // what the option names
    const char* message;                        // the refusal says this
};

class ReliabilityOutputFiles : public ImportHarness, public ::testing::WithParamInterface<OutputCase> {
  protected:
    Paths paths() const { return {folder(), source(), target(), bonus(), scratch()}; }
};

const char* kOverTarget = "would be written over the Calvane database";
const char* kOverSource = "would be written over the Orrin database";
const char* kOverBonus = "would be written over the bonus database";

fs::path linked(const fs::path& link, const fs::path& to)
{
    fs::create_symlink(to, link);
    return link;
}

const OutputCase kCases[] = {
    {"SummaryOnTheTarget", "--summary-json", [](const Paths& p) { return p.target; }, kOverTarget},
    {"SummaryOnTheSource", "--summary-json", [](const Paths& p) { return p.source; }, kOverSource},
    {"SummaryOnTheBonusDatabase", "--summary-json", [](const Paths& p) { return p.bonus; }, kOverBonus},
    {"SummaryOnTheTargetInOtherLetterCase", "--summary-json",
     [](const Paths& p) { return p.folder / "lic.MDB"; }, kOverTarget},
    {"SummaryOnTheTargetsJournal", "--summary-json",
     [](const Paths& p) { return p.folder / "LIC.mdb-journal"; }, kOverTarget},
    {"SummaryThroughALinkToTheTarget", "--summary-json",
     [](const Paths& p) { return linked(p.scratch / "summary.json", p.target); }, kOverTarget},
    {"SummaryThroughAnotherPathToTheSource", "--summary-json",
     [](const Paths& p) { return p.folder / ".." / "agent" / "." / "zrv.accdb"; }, kOverSource},
    {"ErrorLogOnTheTarget", "--error-log", [](const Paths& p) { return p.target; }, kOverTarget},
    {"ErrorLogOnTheSource", "--error-log", [](const Paths& p) { return p.source; }, kOverSource},
    {"ErrorLogOnTheBonusDatabase", "--error-log", [](const Paths& p) { return p.bonus; }, kOverBonus},
    {"ErrorLogThroughAHardLinkToTheSource", "--error-log",
     [](const Paths& p) {
         fs::create_hard_link(p.source, p.scratch / "log.txt");
         return p.scratch / "log.txt";
     },
     kOverSource},
    {"ErrorLogThatIsAFifo", "--error-log",
     [](const Paths& p) {
         const fs::path fifo = p.scratch / "log.fifo";
         ::mkfifo(fifo.c_str(), 0600);
         return fifo;
     },
     "is not a regular file"},
    {"ErrorLogThatIsALinkInASharedFolder", "--error-log",
     [](const Paths& p) { return linked(p.scratch / "Error Log.txt", p.scratch / "elsewhere.txt"); },
     "is a symbolic link"},
    {"SummaryInAFolderThatIsNotThere", "--summary-json",
     [](const Paths& p) { return p.scratch / "nowhere" / "s.json"; },
     "its folder is missing or not writable"},
};

void PrintTo(const OutputCase& c, std::ostream* out)
{
    *out << c.name;
}

TEST_P(ReliabilityOutputFiles, IsRefusedBeforeAnythingIsOpened)
{
    const OutputCase& c = GetParam();
    const fs::path file = c.file(paths());
    const std::string bonusBefore = fileBytes(bonus());
    takeSnapshot();

    const ProcessResult result = runImport("continue", {c.option, file.string()});

    EXPECT_EQ(result.exitCode, 2) << describe(result);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find(file.filename().string()), std::string::npos) << describe(result);
    EXPECT_EQ(result.out, "") << describe(result);
    expectTargetFileWholeAsBefore();
    expectSourceUntouched();
    EXPECT_TRUE(fileBytes(bonus()) == bonusBefore) << "the bonus database changed";
    EXPECT_EQ(folderListing(folder()), "LIC.mdb\nzrv.accdb\n");
}

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilityOutputFiles, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OutputCase>& info) {
                             return std::string(info.param.name);
                         });

// The summary replaces an older one whole, at the end, and a new error log is its owner's alone.
TEST_F(ImportHarness, SummaryIsWrittenWholeAndTheLogIsPrivate)
{
    const fs::path summary = scratch() / "summary.json";
    std::ofstream(summary) << "an older summary";
    onSource("UPDATE Policies SET Plan = 'ABC' WHERE rowid = 1"); // one calculation logs an entry

    const ProcessResult result = runImport("continue", {"--summary-json", summary.string()});

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    const std::string json = fileBytes(summary);
    EXPECT_EQ(json.rfind("{\n  \"outcome\": \"finished\"", 0), 0u) << json;
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(folderListing(scratch() / "agent"), "LIC.mdb\nzrv.accdb\n");
    struct stat log {};
    ASSERT_EQ(::stat(logFile().c_str(), &log), 0) << "no error log entry was written";
    EXPECT_EQ(log.st_mode & 0777, 0600u);
}

} // namespace
} // namespace orrin::reliability

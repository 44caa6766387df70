// An Access target (a copy of the agent's real Jet 4 LIC.mdb) under a hostile or unlucky user:
// what is done to it, to the source, the bonus database or the error log's folder before the run,
// or by another program while the run waits at its question.
// Each row says the exit status, a piece of the message, and what the file holds afterwards: what
// it held just before the commit (the run's start, or what the other program left), or the
// complete result of undisturbed runs, each read by our own dump and by mdbtools.

#include "reliability/ImportHarness.h"

#include "common/Shell.h"
#include "jet/table/Database.h"
#include "jet/table/UsageMap.h"
#include "jet/write/TableWriter.h"
#include "platform/ComputerName.h"
#include "sample/AccessCopy.h"
#include "sample/SqlFile.h"
#include "store/KnownDatabases.h"

#include <fstream>
#include <memory>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

const fs::path kAgent = fs::path(ORRIN_ACCESS_SAMPLES) / "agent";

// What a file holds afterwards.
enum class Holds { AsLeft, Complete };

// One entry of the engine's lock file: computer and user, 32 bytes each, zero-padded.
std::string lockEntry(const std::string& computer, const std::string& user)
{
    std::string entry(64, '\0');
    entry.replace(0, computer.size(), computer);
    entry.replace(32, user.size(), user);
    return entry;
}

void append(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::app) << bytes;
}

class AccessTargetHold;

struct HoldCase {
    const char* name;
    void (*before)(AccessTargetHold&); // may be nullptr
    void (*during)(AccessTargetHold&); // at the run's question; nullptr: the run stops before it
    int exitCode;
    const char* message;
    Holds holds;
    int completeRuns;     // undisturbed runs whose result Holds::Complete means
    bool summary = false; // the run writes --summary-json into a folder of its own
    const char* onError = "ask";
    const char* answer = "y\n"; // typed at the question
};

void PrintTo(const HoldCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccessTargetHold : public ImportHarness, public ::testing::WithParamInterface<HoldCase> {
  public:
    using ImportHarness::bonus;
    using ImportHarness::dropSourceField;
    using ImportHarness::folder;
    using ImportHarness::logFile;
    using ImportHarness::onSource;
    using ImportHarness::scratch;
    using ImportHarness::source;
    using ImportHarness::target;

    AccessTargetHold()
    {
        fs::remove(target());
        fs::copy_file(kAgent / "access" / "LIC.mdb", target());
        // A value the target cannot take, in the last policy: the run asks about it, and waits.
        onSource("UPDATE Policies SET Nominee = '" + std::string(300, 'N') +
                 "' WHERE rowid = (SELECT max(rowid) FROM Policies)");
    }

    fs::path lockFile() const { return folder() / "LIC.ldb"; }
    fs::path dumpProgram() const { return importProgram().parent_path() / "orrin-import-dump"; }

    std::vector<std::string> arguments(const std::string& onError, bool quiet = true) const
    {
        std::vector<std::string> a{
            "--orrin-db",     folder().string(), "--agent-db",       folder().string(), "--bonus-db",
            bonus().string(), "--error-log",     logFile().string(), "--on-error",      onError};
        if (quiet)
            a.push_back("--quiet");
        return a;
    }

    // The target as our dump and as mdbtools read it (the status of each, then what it printed).
    std::string readers(const fs::path& file) const
    {
        const auto ours = testing::runCommand(testing::shellQuoted(dumpProgram().string()) + " " +
                                              testing::shellQuoted(file.string()) + " 2>/dev/null");
        std::string text = "dump " + std::to_string(ours.status) + "\n" + ours.output;
        for (const char* table : {"Policies", "SB", "Client", "FINALBONUS", "Times"}) {
            const auto theirs = testing::runCommand("mdb-export " + testing::shellQuoted(file.string()) +
                                                    " " + table + " 2>/dev/null");
            text += std::string("mdb-export ") + table + " " + std::to_string(theirs.status) + "\n" +
                    theirs.output;
        }
        return text;
    }

    // What undisturbed runs make of the same target, in a folder of their own.
    std::string completeResult(int runs)
    {
        const fs::path other = scratch() / "undisturbed";
        fs::create_directories(other);
        fs::copy_file(source(), other / "zrv.accdb", fs::copy_options::overwrite_existing);
        fs::copy_file(kAgent / "access" / "LIC.mdb", other / "LIC.mdb", fs::copy_options::overwrite_existing);
        for (int i = 0; i < runs; ++i) {
            const ProcessResult r = runImport(other.string(), other.string(), "continue");
            EXPECT_EQ(r.exitCode, 3) << describe(r);
        }
        return readers(other / "LIC.mdb");
    }

    std::unique_ptr<BackgroundProgram> second; // a second run started during the first
};

// 1. Another program changes the file while the run goes on.
void growInPlace(AccessTargetHold& t)
{
    append(t.target(), std::string(4096, '\0'));
}
void cutToNothing(AccessTargetHold& t)
{
    fs::resize_file(t.target(), 0);
}
void moveAnotherDatabaseOver(AccessTargetHold& t)
{
    const fs::path other = t.scratch() / "other.mdb";
    fs::copy_file(fs::path(ORRIN_ACCESS_SAMPLES) / "nwind.mdb", other);
    fs::rename(other, t.target());
}
void saveThroughTheEngine(AccessTargetHold& t)
{
    auto db = jet::Database::open(t.target(), kCalvanePassword);
    std::vector<std::vector<jet::Value>> rows;
    auto cursor = db->rows(db->table("FINALBONUS"));
    while (cursor.next())
        rows.push_back(cursor.values());
    rows.resize(rows.size() / 2);
    jet::TableWriter writer(*db);
    writer.replaceRows("FINALBONUS", rows);
    writer.commit();
}
// 2. Other programs that open the file.
void startASecondRun(AccessTargetHold& t)
{
    t.second = std::make_unique<BackgroundProgram>(importProgram(), t.arguments("continue", false), true);
    EXPECT_TRUE(t.second->waitForOutput("in use by another program", seconds(20)))
        << t.second->output(seconds(1));
}
void calvaneJoinsTheLockFile(AccessTargetHold& t)
{
    append(t.lockFile(), lockEntry("AGENT-PC", "Admin"));
}
void calvaneHasItOpen(AccessTargetHold& t)
{
    append(t.lockFile(), lockEntry("AGENT-PC", "Admin"));
}
void aKilledRunLeftItsLockFile(AccessTargetHold& t)
{
    append(t.lockFile(), lockEntry(platform::computerName(), "orrin-import"));
}
// 3. A target reached through a symbolic link.
void targetThroughALink(AccessTargetHold& t)
{
    fs::create_directories(t.scratch() / "real");
    fs::rename(t.target(), t.scratch() / "real" / "LIC.mdb");
    fs::create_symlink(t.scratch() / "real" / "LIC.mdb", t.target());
}
// The folder of the run's summary goes away before the run ends.
void removeTheSummaryFolder(AccessTargetHold& t)
{
    fs::remove_all(t.scratch() / "summary");
}
// 4. A target that lost its last page.
void loseTheLastPage(AccessTargetHold& t)
{
    fs::resize_file(t.target(), fs::file_size(t.target()) - 4096);
}

// 5. A page of the source's Policies table that is no page at all (the Access sample's zrv.accdb).
std::uint32_t damageTheSourcesPolicies(AccessTargetHold& t)
{
    fs::remove(t.source());
    fs::copy_file(kAgent / "access" / "zrv.accdb", t.source());
    std::uint32_t page = 0;
    {
        auto db = jet::Database::open(t.source(), kOrrinPassword);
        page = jet::UsageMap::read(db->file(), db->table("Policies").ownedPages).pages.front();
    }
    std::fstream file(t.source(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(std::streamoff(page) * 4096);
    file << std::string(4096, 'Z');
    return page;
}
// 6 and 10. A bonus database under another password, encrypted as Access 2010 encrypts.
void anAgileBonusDatabaseOfAnotherPassword(AccessTargetHold& t)
{
    fs::copy_file(fs::path(ORRIN_ACCESS_SAMPLES) / "encrypted" / "password--ace-2010-agile.accdb", t.bonus(),
                  fs::copy_options::overwrite_existing);
}
// 7. A file where the error log's folder should be, and no bonus database: every maturity amount
// that needs bonus years is an entry the log cannot take.
void aFileInPlaceOfTheLogFolder(AccessTargetHold& t)
{
    fs::remove(t.bonus());
    fs::remove_all(t.logFile().parent_path());
    std::ofstream(t.logFile().parent_path()) << "not a folder\n";
}
// 8. The source as an unencrypted Access file whose Family table lacks a field the run reads, so
// that the run asks at each family, before it reads a policy.
void aPlainAccessSource(AccessTargetHold& t)
{
    t.onSource("UPDATE Policies SET Nominee = 'N' WHERE length(Nominee) > 255");
    t.dropSourceField("Family", "RTel");
    const fs::path plain = t.scratch() / "plain.accdb";
    {
        const sample::SqlFile sql(t.source(), testing::sourcePassword());
        sample::copyToAccess(sql.handle(), sample::AccessTemplate::Ace2010, plain, "",
                             sample::orrinIndexes());
    }
    fs::rename(plain, t.source());
}
// Another program adds a policy to it, writing the file in place.
void addAPolicyToTheSource(AccessTargetHold& t)
{
    const fs::path changed = t.scratch() / "changed.accdb";
    fs::copy_file(t.source(), changed, fs::copy_options::overwrite_existing);
    {
        auto db = jet::Database::open(changed, "");
        const jet::TableDef& policies = db->table("Policies");
        std::vector<std::vector<jet::Value>> rows;
        auto cursor = db->rows(policies);
        while (cursor.next())
            rows.push_back(cursor.values());
        rows.push_back(rows.back());
        rows.back()[static_cast<std::size_t>(policies.columnIndex("PolicyNo"))].text = "999000999";
        jet::TableWriter writer(*db);
        writer.replaceRows("Policies", rows);
        writer.commit();
    }
    std::ofstream(t.source(), std::ios::binary | std::ios::in | std::ios::out) << fileBytes(changed);
}
// 11. An empty file named LIC.mdb.
void anEmptyTarget(AccessTargetHold& t)
{
    fs::resize_file(t.target(), 0);
}

const char* const kYesToAll = "y\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\n";
const char* const kChanged = "LIC.mdb was changed by another program during the import; nothing was written.";

const HoldCase kHoldCases[] = {
    {"AnotherProgramGrowsTheTargetInPlace", nullptr, growInPlace, 1, kChanged, Holds::AsLeft, 0},
    {"TheTargetIsCutToNothing", nullptr, cutToNothing, 1, kChanged, Holds::AsLeft, 0},
    {"AnotherDatabaseIsMovedOverTheTarget", nullptr, moveAnotherDatabaseOver, 1, kChanged, Holds::AsLeft, 0},
    {"AnotherProgramSavesTheTarget", nullptr, saveThroughTheEngine, 1, kChanged, Holds::AsLeft, 0},
    {"ASecondRunWaitsAndRunsAfterTheFirst", nullptr, startASecondRun, 3, "Outcome:", Holds::Complete, 2},
    {"TheCalvaneApplicationOpensTheTargetDuringTheRun", nullptr, calvaneJoinsTheLockFile, 1,
     "LIC.mdb is in use by another program (", Holds::AsLeft, 0},
    {"TheCalvaneApplicationHasTheTargetOpen", calvaneHasItOpen, nullptr, 1,
     "LIC.mdb' is open in the Calvane application: close the Calvane application, or remove", Holds::AsLeft,
     0},
    {"ALockFileAKilledRunLeftIsTakenOver", aKilledRunLeftItsLockFile, [](AccessTargetHold&) {}, 3,
     "Outcome:", Holds::Complete, 1},
    {"TheTargetIsASymbolicLink", targetThroughALink, [](AccessTargetHold&) {}, 3, "Outcome:", Holds::Complete,
     1},
    {"TheTargetLostItsLastPage", loseTheLastPage, nullptr, 1, "LIC.mdb is damaged: page ", Holds::AsLeft, 0},
    {"TheSummaryCannotBeWrittenAfterTheCommit", nullptr, removeTheSummaryFolder, 3,
     "' could not be written; the import was saved", Holds::Complete, 1, true},
    {"ASourceTableIsDamaged", [](AccessTargetHold& t) { damageTheSourcesPolicies(t); }, nullptr, 1,
     "zrv.accdb is damaged: page ", Holds::AsLeft, 0, false, "continue"},
    {"TheBonusDatabaseCannotBeReadUnderStop", anAgileBonusDatabaseOfAnotherPassword, nullptr, 1,
     "lic.mdb is not right.); nothing was written", Holds::AsLeft, 0, false, "stop"},
    {"TheBonusDatabaseCannotBeReadUnderAskAnsweredNo", anAgileBonusDatabaseOfAnotherPassword, nullptr, 1,
     "Do you want to continue ? [y/N] \nNo\norrin-import: stopped: the bonus database", Holds::AsLeft, 0},
    {"TheBonusDatabaseCannotBeReadUnderContinue", anAgileBonusDatabaseOfAnotherPassword, nullptr, 3,
     "lic.mdb is not right.); every maturity amount that needs bonus years", Holds::Complete, 1, false,
     "continue"},
    {"TheErrorLogCannotBeWritten", aFileInPlaceOfTheLogFolder, nullptr, 1,
     "orrin-import: stopped: Cannot write the error log '", Holds::AsLeft, 0, false, "continue"},
    {"APolicyIsAddedToThePlainAccessSource", aPlainAccessSource, addAPolicyToTheSource, 3,
     "Outcome:", Holds::Complete, 1, false, "ask", kYesToAll},
    {"TheTargetIsEmpty", anEmptyTarget, nullptr, 1,
     "LIC.mdb': the file is empty (0 bytes), not a database file.", Holds::AsLeft, 0},
    {"ARunAnsweredNoKeepsNoPolicy", nullptr, [](AccessTargetHold&) {}, 1,
     "none kept: the import was rolled back", Holds::AsLeft, 0, false, "ask", "n\n"},
};

TEST_P(AccessTargetHold, AnswersAndLeavesTheTargetWhole)
{
    const HoldCase& c = GetParam();
    if (c.before != nullptr)
        c.before(*this);
    const std::string complete = c.holds == Holds::Complete ? completeResult(c.completeRuns) : std::string();

    std::vector<std::string> args = arguments(c.onError, false);
    if (c.summary) {
        fs::create_directories(scratch() / "summary");
        args.insert(args.end(), {"--summary-json", (scratch() / "summary" / "run.json").string()});
    }
    BackgroundProgram run(importProgram(), args, true);
    if (c.during != nullptr) {
        ASSERT_TRUE(run.waitForOutput("Do you want to continue ?", seconds(60))) << run.output(seconds(1));
        c.during(*this);
    }
    // What the file holds when the run goes on to its commit.
    const fs::path left = scratch() / "left.mdb";
    fs::copy_file(target(), left);
    const std::string leftBytes = fileBytes(left);
    const std::string leftRead = readers(left);

    if (c.during != nullptr)
        run.send(c.answer);
    const int status = run.waitForExit(seconds(60));
    const std::string& said = run.output(seconds(1));
    EXPECT_EQ(status, c.exitCode) << said;
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
    if (c.holds == Holds::AsLeft) {
        EXPECT_TRUE(fileBytes(target()) == leftBytes) << "the target is not what it held before the commit";
        EXPECT_EQ(readers(target()), leftRead);
    } else {
        if (second != nullptr) {
            EXPECT_EQ(second->waitForExit(seconds(60)), 3) << second->output(seconds(1));
        }
        EXPECT_EQ(readers(target()), complete);
    }
    if (c.before == targetThroughALink) {
        EXPECT_TRUE(fs::is_symlink(target())) << "the link was replaced by a file";
    }
    // The run's own lock file goes with it; another program's stays.
    const bool othersLockFile = c.before == calvaneHasItOpen || c.during == calvaneJoinsTheLockFile;
    EXPECT_EQ(fs::exists(lockFile()), othersLockFile);
    for (const auto& entry : fs::directory_iterator(folder()))
        EXPECT_EQ(entry.path().filename().string().find(".orrin-"), std::string::npos) << entry.path();
}

// A source table that does not read (a damaged page of an Access zrv.accdb) ends the run under
// "continue": going on would only leave its target table emptied.
TEST_F(AccessTargetHold, ADamagedSourceTableEndsTheRunWhateverTheAnswer)
{
    const std::uint32_t page = damageTheSourcesPolicies(*this);
    const std::string before = fileBytes(target());
    const std::string read = readers(target());

    const ProcessResult result = runImport("continue");
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_NE(result.err.find("zrv.accdb is damaged: page " + std::to_string(page)), std::string::npos)
        << describe(result);
    EXPECT_EQ(result.err.find("Do you want to continue ?"), std::string::npos) << describe(result);
    EXPECT_TRUE(fileBytes(target()) == before) << "the target changed";
    EXPECT_EQ(readers(target()), read);
}

// A relative path keeps its letters in the message: "agent/LIC.mdb", never "Agent/LIC.mdb".
TEST_F(AccessTargetHold, ARelativePathIsShownAsGiven)
{
    loseTheLastPage(*this);
    const ProcessResult result =
        runProgram(importProgram(),
                   {"--orrin-db", "agent", "--agent-db", "agent/LIC.mdb", "--bonus-db", bonus().string(),
                    "--error-log", logFile().string(), "--on-error", "continue", "--quiet"},
                   "", seconds(120), scratch());
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_NE(result.err.find("orrin-import: stopped: agent/LIC.mdb is damaged: page "), std::string::npos)
        << describe(result);
}

INSTANTIATE_TEST_SUITE_P(Cases, AccessTargetHold, ::testing::ValuesIn(kHoldCases),
                         [](const ::testing::TestParamInfo<HoldCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

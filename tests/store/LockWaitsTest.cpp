// Lock waits out of one budget for all of a run's connections, read snapshots, and the journal
// replay that makes a target whole again after a writer went away in the middle of a transaction.
#include "store/LockWaits.h"
#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/StoreError.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace orrin::store {
namespace {

namespace fs = std::filesystem;
using orrin::testing::TempDir;
using Clock = std::chrono::steady_clock;

const std::string kPassword = "QZMRAKS";

double secondsSince(Clock::time_point started)
{
    return std::chrono::duration<double>(Clock::now() - started).count();
}

// What an open under a lock gave: its error (empty when it opened) and how long it took.
struct Attempt {
    std::int32_t number = 0;
    std::string message;
    double seconds = 0;
};

Attempt openUnder(LockWaits& waits, const fs::path& file)
{
    Attempt attempt;
    const auto started = Clock::now();
    Connection connection;
    connection.setLockWaits(&waits);
    try {
        connection.openFile(file, kPassword, OpenMode::ReadOnly);
    } catch (const Error& error) {
        attempt.number = error.number();
        attempt.message = error.description();
    }
    attempt.seconds = secondsSince(started);
    return attempt;
}

// A file held by a writer costs the budget once: the first open waits it out and is told, the next
// fails at once; both say the file is in use.
TEST(LockWaits, OneBudgetForEveryConnectionOfARun)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    Connection holder;
    holder.openFile(file, kPassword, OpenMode::ReadWrite);
    holder.execute("BEGIN EXCLUSIVE");

    LockWaits waits(std::chrono::milliseconds(400));
    std::vector<std::string> notices;
    waits.setWaitingNotice([&](const std::string& waitingFor) { notices.push_back(waitingFor); });

    const Attempt first = openUnder(waits, file);
    const Attempt second = openUnder(waits, file);

    for (const Attempt* attempt : {&first, &second}) {
        EXPECT_EQ(attempt->number, code::InUse);
        EXPECT_EQ(attempt->message,
                  "Cannot open the database: " + file.string() + " is in use by another program.");
    }
    EXPECT_GE(first.seconds, 0.39);
    EXPECT_LT(second.seconds, 0.2) << "the second wait was not taken out of the same budget";
    EXPECT_EQ(notices, std::vector<std::string>{file.string()});
    EXPECT_TRUE(waits.spent());
    holder.execute("ROLLBACK");
}

// A writer that must spill pages while a reader holds the file waits, then carries on with the
// pages in memory: no statement fails, so the wait that ran out is remembered for the run to see.
TEST(LockWaits, AWaitThatRanOutIsRememberedEvenWhenNoStatementFails)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    Connection reader;
    reader.openFile(file, kPassword, OpenMode::ReadOnly);
    reader.beginReadSnapshot();

    LockWaits waits(std::chrono::milliseconds(200));
    Connection writer;
    writer.setLockWaits(&waits);
    writer.openFile(file, kPassword, OpenMode::ReadWrite);
    writer.execute("PRAGMA cache_size = 2");
    writer.beginTransaction();
    EXPECT_FALSE(waits.gaveUpOn(file.string()));
    for (int i = 0; i < 2000; ++i)
        writer.execute("INSERT INTO company (pacode, CompanyName) VALUES (?, ?)",
                       {Variant(std::to_string(i)), Variant(std::string(100, 'x'))});

    EXPECT_TRUE(waits.gaveUpOn(file.string()));
    EXPECT_FALSE(waits.gaveUpOn("another file"));
    writer.rollback();
}

TEST(LockWaits, AStopEndsTheWaitAtOnce)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    Connection holder;
    holder.openFile(file, kPassword, OpenMode::ReadWrite);
    holder.execute("BEGIN EXCLUSIVE");
    LockWaits waits(std::chrono::seconds(20));
    waits.setStopCheck([] { return true; });

    const Attempt attempt = openUnder(waits, file);

    EXPECT_EQ(attempt.number, code::InUse);
    EXPECT_LT(attempt.seconds, 1.0);
    holder.execute("ROLLBACK");
}

// A lock that goes away within the budget is simply waited for.
TEST(LockWaits, ALockReleasedInTimeIsWaitedFor)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    Connection holder;
    holder.openFile(file, kPassword, OpenMode::ReadWrite);
    holder.beginTransaction();
    LockWaits waits(std::chrono::seconds(5));
    int released = 0;
    waits.setWaitingNotice([&](const std::string&) {
        if (released++ == 0)
            holder.rollback(); // the other program finishes while we wait
    });

    Connection writer;
    writer.setLockWaits(&waits);
    writer.openFile(file, kPassword, OpenMode::ReadWrite);
    EXPECT_NO_THROW(writer.beginTransaction());
    EXPECT_EQ(released, 1);
    writer.rollback();
}

// Rows another program commits after the snapshot began are not seen until it ends; meanwhile no
// other program can commit at all.
TEST(ReadSnapshot, SeesTheFileAsItWasWhenItBegan)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    orrin::testing::execute(file, kPassword, "INSERT INTO company (pacode) VALUES ('A')");
    Connection reader;
    reader.openFile(file, kPassword, OpenMode::ReadOnly);
    reader.beginReadSnapshot();

    LockWaits waits(std::chrono::milliseconds(200));
    Connection writer;
    writer.setLockWaits(&waits);
    writer.openFile(file, kPassword, OpenMode::ReadWrite);
    writer.beginTransaction();
    writer.execute("INSERT INTO company (pacode) VALUES ('B')");
    std::int32_t number = 0;
    try {
        writer.commit();
    } catch (const Error& error) {
        number = error.number();
    }
    EXPECT_EQ(number, code::InUse) << "a commit got past the reader's snapshot";

    Statement& count = reader.statement("SELECT count(*) FROM company");
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).number(), 1);
    count.reset();
    reader.close();
    writer.commit(); // the reader has let go
    EXPECT_EQ(orrin::testing::query(file, kPassword, "SELECT count(*) FROM company").at(0).at(0).number(), 2);
}

// A writer that dies in the middle of a big transaction leaves a grown file and a hot journal: the
// file alone is not what it was. Replaying makes it so and removes the journal.
TEST(ReplayJournal, MakesTheFileAloneWholeAgain)
{
    TempDir dir;
    const fs::path file = orrin::testing::createTargetDb(dir.path());
    orrin::testing::execute(file, kPassword, "INSERT INTO company (pacode) VALUES ('kept')");
    const auto before = orrin::testing::query(file, kPassword, "SELECT * FROM company ORDER BY rowid");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Connection writer;
        writer.openFile(file, kPassword, OpenMode::ReadWrite);
        writer.execute("PRAGMA cache_size = 2"); // spill to the file long before the commit
        writer.beginTransaction();
        writer.execute("DELETE FROM company");
        for (int i = 0; i < 3000; ++i)
            writer.execute("INSERT INTO company (pacode, CompanyName) VALUES (?, ?)",
                           {Variant(std::to_string(i)), Variant(std::string(100, 'x'))});
        _exit(0); // gone, with the transaction open
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const fs::path journal = file.string() + "-journal";
    ASSERT_TRUE(fs::exists(journal)) << "the writer left no journal, so there is nothing to replay";

    replayJournal(file, kPassword, nullptr);

    EXPECT_FALSE(fs::exists(journal));
    const fs::path alone = dir.path() / "alone" / "LIC.mdb";
    fs::create_directories(alone.parent_path());
    fs::copy_file(file, alone);
    EXPECT_EQ(orrin::testing::query(alone, kPassword, "PRAGMA integrity_check").at(0).at(0).text(), "ok");
    EXPECT_EQ(orrin::testing::query(alone, kPassword, "SELECT * FROM company ORDER BY rowid"), before);
}

TEST(ReplayJournal, AFileThatDoesNotOpenNamesTheJournal)
{
    TempDir dir;
    const fs::path file = dir.path() / "LIC.mdb";
    std::string message;
    try {
        replayJournal(file, kPassword, nullptr);
    } catch (const Error& error) {
        message = error.description();
    }
    EXPECT_EQ(message.rfind("The journal '" + file.string() +
                                "-journal' could not be replayed: Could not find file",
                            0),
              0u)
        << message;
}

} // namespace
} // namespace orrin::store

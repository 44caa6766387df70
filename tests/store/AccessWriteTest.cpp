// A Connection opened for writing on an Access file: the run's transaction changes the tables in
// memory; commit writes the changed tables into the file (and nothing else), rollback or a failed
// write leaves the file as it was; Access's own messages for duplicates and missing values; the
// Calvane application's lock file keeps the run from starting.

#include "jet/table/Database.h"
#include "store/Connection.h"
#include "store/KnownDatabases.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace orrin::store {
namespace {

using orrin::testing::TempDir;
namespace fs = std::filesystem;

const fs::path kSamples = ORRIN_ACCESS_SAMPLES;

using orrin::testing::errorText;

std::vector<char> bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path copySample(const TempDir& dir, const std::string& sample)
{
    const fs::path to = dir.path() / fs::path(sample).filename();
    fs::copy_file(kSamples / sample, to, fs::copy_options::overwrite_existing);
    return to;
}

double count(Connection& c, const std::string& sql)
{
    Statement s(c.handle(), sql, c.fileName(), &c);
    EXPECT_TRUE(s.step());
    return s.column(0).number();
}

// The pages of the file's table definition page numbers for the tables named, read by the format
// library: the pages a write of other tables must leave alone.
std::vector<char> pagesOfTable(const fs::path& file, const std::string& table)
{
    auto db = jet::Database::open(file, "");
    const auto& def = db->table(table);
    std::vector<char> bytes;
    for (const auto p : def.pages) {
        const auto page = db->file().page(p);
        bytes.insert(bytes.end(), page.begin(), page.end());
    }
    auto cursor = db->rows(def);
    while (cursor.next()) {
        const auto page = db->file().page(cursor.page());
        bytes.insert(bytes.end(), page.begin(), page.end());
    }
    return bytes;
}

TEST(AccessWrite, CommitWritesTheChangedTablesAndNothingElse)
{
    TempDir dir;
    const fs::path path = copySample(dir, "agent/access/LIC.mdb");
    const auto plansBefore = pagesOfTable(path, "plans");
    {
        Connection c;
        c.openFile(path, "", OpenMode::ReadWrite);
        c.beginTransaction();
        c.execute("DELETE FROM SB");
        c.execute("INSERT INTO SB (policy_no, sb_duedate, sb_amount, i_no) VALUES (?, ?, ?, ?)",
                  {Variant("P-1"), Variant(Date{40000.0}), Variant(1234.5), Variant(1.0)});
        c.execute(
            "INSERT INTO Policies (policy_no, Nominee) VALUES (?, ?)",
            {Variant("P-\xE0\xA4\xB0\xE0\xA4\xBE\xE0\xA4\xAE"), Variant("\xC5\x9Ar\xC4\xABniv\xC4\x81san")});
        c.execute("UPDATE Family SET Address1 = 'Moved'");
        c.commit();
        c.close();
    }
    Connection r;
    r.openFile(path, "", OpenMode::ReadOnly);
    EXPECT_EQ(count(r, "SELECT count(*) FROM SB"), 1);
    EXPECT_EQ(count(r, "SELECT sb_amount FROM SB"), 1234.5);
    EXPECT_EQ(count(r, "SELECT count(*) FROM Policies"), 4);
    EXPECT_EQ(count(r, "SELECT count(*) FROM Policies WHERE Nominee = '\xC5\x9Ar\xC4\xABniv\xC4\x81san'"), 1);
    EXPECT_EQ(count(r, "SELECT count(*) FROM Family WHERE Address1 = 'Moved'"), 3);
    EXPECT_EQ(pagesOfTable(path, "plans"), plansBefore);
}

TEST(AccessWrite, RollbackAndAFailedWriteLeaveTheFileAsItWas)
{
    struct Case {
        const char* name;
        bool failWrite;
    };
    for (const Case c : {Case{"rollback", false}, Case{"disk full at commit", true}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path path = copySample(dir, "agent/access/LIC.mdb");
        const auto before = bytesOf(path);
        Connection con;
        con.openFile(path, "", OpenMode::ReadWrite);
        con.beginTransaction();
        con.execute("DELETE FROM NewBonus");
        if (c.failWrite) {
            rlimit saved{};
            ::getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = before.size() / 2;
            ::setrlimit(RLIMIT_FSIZE, &small);
            const std::string message = errorText([&] { con.commit(); });
            ::setrlimit(RLIMIT_FSIZE, &saved);
            EXPECT_NE(message.find("Cannot save the changes to '" + path.string() + "'"), std::string::npos)
                << message;
            EXPECT_TRUE(con.inTransaction());
        }
        con.rollback();
        con.close();
        EXPECT_EQ(bytesOf(path), before);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
}

TEST(AccessWrite, UniqueIndexesAndRequiredFieldsRefuseWithAccessMessages)
{
    TempDir dir;
    const fs::path path = copySample(dir, "jet4/indexes-2000.mdb");
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    struct Case {
        const char* sql;
        std::string message;
    };
    const Case cases[] = {
        {"INSERT INTO Table2 (id, data) VALUES (1, 'again')",
         "The changes you requested to the table were not successful because they would create duplicate "
         "values in "
         "the index, primary key, or relationship. Change the data in the field or fields that contain "
         "duplicate "
         "data, remove the index, or redefine the index to permit duplicate entries and try again."},
        {"UPDATE Table2 SET id = 2 WHERE id = 1",
         "The changes you requested to the table were not successful because they would create duplicate "
         "values in "
         "the index, primary key, or relationship. Change the data in the field or fields that contain "
         "duplicate "
         "data, remove the index, or redefine the index to permit duplicate entries and try again."},
        {"INSERT INTO Table2 (data) VALUES ('no key')", "Index or primary key cannot contain a Null value."},
    };
    for (const auto& cs : cases) {
        SCOPED_TRACE(cs.sql);
        EXPECT_EQ(errorText([&] { c.execute(cs.sql); }), cs.message);
    }
    c.rollback();
}

TEST(AccessWrite, TheCalvaneApplicationsLockFileKeepsTheRunFromStarting)
{
    struct Case {
        const char* sample;
        const char* lock;
    };
    for (const Case cs : {Case{"agent/access/LIC.mdb", "LIC.ldb"}, Case{"agent/access/LIC.mdb", "lic.LDB"},
                          Case{"ace/indexes-2010.accdb", "indexes-2010.laccdb"}}) {
        SCOPED_TRACE(cs.lock);
        TempDir dir;
        const fs::path path = copySample(dir, cs.sample);
        std::ofstream(dir.path() / cs.lock) << "x";
        Connection c;
        EXPECT_EQ(errorText([&] { c.openFile(path, "", OpenMode::ReadWrite); }),
                  "'" + path.string() +
                      "' is open in the Calvane application: close the Calvane application, or remove " +
                      (dir.path() / cs.lock).string() + " if it is left over from a crash.");
        EXPECT_FALSE(c.isOpen());
        // Reading is not writing: the lock does not matter then.
        EXPECT_NO_THROW(c.openFile(path, "", OpenMode::ReadOnly));
    }
}

// A run killed while it wrote the file left its new copy beside it; the next run for writing
// removes it, and nothing else.
TEST(AccessWrite, CopiesAKilledWriteLeftAreRemoved)
{
    TempDir dir;
    const fs::path path = copySample(dir, "agent/access/LIC.mdb");
    for (const char* name :
         {"LIC.mdb.orrin-a1B2c3", "LIC.mdb.orrin-zzzzzz", "LIC.mdb.orrin-keep", "other.orrin-abcdef"})
        std::ofstream(dir.path() / name) << "partial";
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    EXPECT_FALSE(fs::exists(dir.path() / "LIC.mdb.orrin-a1B2c3"));
    EXPECT_FALSE(fs::exists(dir.path() / "LIC.mdb.orrin-zzzzzz"));
    EXPECT_TRUE(fs::exists(dir.path() / "LIC.mdb.orrin-keep"));
    EXPECT_TRUE(fs::exists(dir.path() / "other.orrin-abcdef"));
    EXPECT_TRUE(fs::exists(path));
}

// The file is read whole when it is opened: what another program does to it afterwards (writes it
// in place, cuts it short, renames another file over it) never reaches the tables the connection
// loads, and is never a signal. Read-only (the source) and for writing (the target) alike.
TEST(AccessWrite, TablesLoadFromTheFileAsItWasWhenOpened)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path& file, const fs::path& scratch)> meddle;
    };
    const Case cases[] = {
        {"cut to nothing", [](const fs::path& file, const fs::path&) { fs::resize_file(file, 0); }},
        {"cut to half",
         [](const fs::path& file, const fs::path&) { fs::resize_file(file, fs::file_size(file) / 2); }},
        {"overwritten in place with another database",
         [](const fs::path& file, const fs::path&) {
             std::ofstream out(file, std::ios::binary | std::ios::in | std::ios::out);
             std::ifstream other(kSamples / "nwind.mdb", std::ios::binary);
             out << other.rdbuf();
         }},
        {"another database renamed over it",
         [](const fs::path& file, const fs::path& scratch) {
             fs::copy_file(kSamples / "nwind.mdb", scratch / "other.mdb");
             fs::rename(scratch / "other.mdb", file);
         }},
    };
    for (const auto& c : cases) {
        for (const OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
            SCOPED_TRACE(std::string(c.name) +
                         (mode == OpenMode::ReadOnly ? ", read-only" : ", for writing"));
            TempDir dir;
            const fs::path path = copySample(dir, "agent/access/LIC.mdb");
            Connection connection;
            connection.openFile(path, std::string(kCalvanePassword), mode);
            c.meddle(path, dir.path());
            EXPECT_EQ(count(connection, "SELECT count(*) FROM FINALBONUS"), 12.0);
            EXPECT_EQ(count(connection, "SELECT sum(FAB) FROM FINALBONUS"), 570.0);
            EXPECT_EQ(count(connection, "SELECT count(*) FROM Policies"), 3.0);
        }
    }
}

} // namespace
} // namespace orrin::store

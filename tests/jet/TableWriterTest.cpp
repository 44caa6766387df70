// Writing tables back: every table of the Access-made samples replaced with new rows (the old ones
// shuffled, new ones, Nulls, long and non-ASCII text, dates far from today), the file written, and
// then read back by our reader and by libmdb's tools: the same rows; every index lists the rows in
// key order and finds each by its key; the pages of everything else are as they were.

#include "jet/write/TableWriter.h"
#include "jet/base/FileReplace.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexPage.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/table/UsageMap.h"
#include "jet/write/FieldWriter.h"
#include "jet/write/IndexRowKey.h"

#include "common/Shell.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orrin::jet;
namespace fs = std::filesystem;

namespace {

// Standard output of a shell command.
std::string run(const std::string& command)
{
    return orrin::testing::runCommand(command).output;
}

const fs::path kSamples = ORRIN_ACCESS_SAMPLES;

// A fresh folder per test, removed afterwards.
class TempFolder {
  public:
    TempFolder()
    {
        m_path = fs::temp_directory_path() /
                 ("orrin-writer-" + std::to_string(::getpid()) + "-" + std::to_string(s_next++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }
    fs::path copy(const std::string& sample) const
    {
        const fs::path to = m_path / fs::path(sample).filename();
        fs::copy_file(kSamples / sample, to, fs::copy_options::overwrite_existing);
        return to;
    }

  private:
    static inline int s_next = 0;
    fs::path m_path;
};

std::vector<std::uint8_t> bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::vector<Value>> rowsOf(Database& db, const std::string& table)
{
    std::vector<std::vector<Value>> rows;
    auto cursor = db.rows(db.table(table));
    while (cursor.next())
        rows.push_back(cursor.values());
    return rows;
}

bool inUniqueIndex(const TableDef& def, const ColumnDef& column)
{
    for (const auto& index : def.realIndexes)
        if (index.unique())
            for (const auto& ic : index.columns)
                if (ic.columnNumber == column.number)
                    return true;
    return false;
}

std::string repeatText(const std::string& unit, std::size_t characters)
{
    std::string s;
    std::size_t n = 0;
    while (n < characters) {
        s += unit[n % unit.size()];
        ++n;
    }
    return s;
}

// A new value for a column, different for each i (so unique indexes stay unique).
Value newValue(const TableDef& def, const ColumnDef& c, int i)
{
    static const char* const kTexts[] = {"\xC5\x9Ar\xC4\xABniv\xC4\x81san",
                                         "\xE0\xA4\xB0\xE0\xA4\xBE\xE0\xA4\xAE", "plain ASCII", ""};
    Value v;
    switch (c.type) {
    case coltype::Boolean:
        v.kind = Value::Kind::Bool;
        v.integer = i % 2;
        break;
    case coltype::Byte:
        v.kind = Value::Kind::Integer;
        v.integer = 200 - i;
        break;
    case coltype::Int:
        v.kind = Value::Kind::Integer;
        v.integer = -3000 + 7 * i;
        break;
    case coltype::Long:
    case coltype::Complex:
        v.kind = Value::Kind::Integer;
        v.integer = 1000000 + i;
        break;
    case coltype::Money:
        v.kind = Value::Kind::Currency;
        v.integer = -123456789 + 10001 * i;
        break;
    case coltype::Float:
        v.kind = Value::Kind::Double;
        v.real = -2.5 + i;
        break;
    case coltype::Double:
        v.kind = Value::Kind::Double;
        v.real = 1e10 / (i + 3);
        break;
    case coltype::BigInt:
        v.kind = Value::Kind::Double;
        v.real = -9000000000.0 + i;
        break;
    case coltype::DateTime:
        v.kind = Value::Kind::DateTime;
        // 1803-07-14 06:00 (before 1900), 2163-05-31 18:00 (after 2100), then days in between
        v.real = i == 0 ? -35232.25 : i == 1 ? 95000.75 : 40000.5 + i;
        break;
    case coltype::Guid: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "{%08X-1234-5678-9ABC-DEF0123456%02X}", 0xA0000000u + unsigned(i),
                      i & 0xFF);
        v.kind = Value::Kind::Text;
        v.text = buf;
        break;
    }
    case coltype::Numeric:
        v.kind = Value::Kind::Double;
        v.real = c.scale > 0 ? 0.5 + i : double(i);
        break;
    case coltype::Text: {
        const std::size_t room = c.textLength(def.version);
        std::string t = std::string(kTexts[i % 4]) + " " + std::to_string(i);
        while (utf16Length(t) > room)
            t.pop_back();
        v.kind = Value::Kind::Text;
        v.text = t;
        break;
    }
    case coltype::Memo: {
        static const std::size_t kLengths[] = {0, 100, 3000, 70000};
        v.kind = Value::Kind::Text;
        v.text =
            repeatText(i % 2 ? "\xE0\xA4\xB0\xE0\xA4\xBE\xE0\xA4\xAE abc " : "memo text ", kLengths[i % 4]);
        if (i % 2 && !v.text.empty()) // cut at a character boundary: three-byte characters
            v.text = repeatText("\xE0\xA4\xB0", kLengths[i % 4] * 3).substr(0, kLengths[i % 4] * 3);
        v.text += std::to_string(i);
        break;
    }
    case coltype::Ole:
    case coltype::Binary: {
        v.kind = Value::Kind::Bytes;
        const std::size_t n =
            c.type == coltype::Binary ? std::min<std::size_t>(c.length, 5 + i) : 5000 + 100 * i;
        for (std::size_t k = 0; k < n; ++k)
            v.bytes.push_back(std::uint8_t(k * 7 + i));
        break;
    }
    default:
        break; // left Null
    }
    return v;
}

// The old rows shuffled, four new rows, and a row of Nulls (except where a unique index or an
// AutoNumber needs a value).
std::vector<std::vector<Value>> newRowsFor(const TableDef& def, std::vector<std::vector<Value>> old,
                                           std::mt19937& random)
{
    std::shuffle(old.begin(), old.end(), random);
    for (int i = 0; i < 5; ++i) {
        std::vector<Value> row;
        for (const auto& c : def.columns) {
            Value v = newValue(def, c, i);
            if (i == 4 && !inUniqueIndex(def, c) && (c.flags & colflag::AutoLong) == 0 &&
                c.type != coltype::Boolean)
                v.setNull();
            row.push_back(v);
        }
        old.push_back(row);
    }
    return old;
}

// "" for equal texts, else where they part (long texts are not printed whole).
std::string difference(const std::string& a, const std::string& b)
{
    if (a == b)
        return "";
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at byte " + std::to_string(i) + ": '" + a.substr(i, 20) + "' / '" +
           b.substr(i, 20) + "'";
}

void expectSameValue(const Value& a, const Value& b, const std::string& where)
{
    EXPECT_EQ(int(a.kind), int(b.kind)) << where;
    switch (a.kind) {
    case Value::Kind::Text:
        EXPECT_EQ(difference(a.text, b.text), "") << where;
        break;
    case Value::Kind::Bytes:
        EXPECT_EQ(a.bytes, b.bytes) << where;
        break;
    case Value::Kind::Double:
    case Value::Kind::DateTime:
        EXPECT_EQ(a.real, b.real) << where;
        break;
    case Value::Kind::Null:
        break;
    default:
        EXPECT_EQ(a.integer, b.integer) << where;
        break;
    }
}

// Each index of the table lists the rows in key order, and finds each by its own key.
void expectIndexesHoldTheRows(Database& db, const TableDef& def, const std::string& name,
                              const std::vector<std::vector<Value>>& back, const std::string& file)
{
    std::vector<std::pair<std::uint32_t, std::uint8_t>> places;
    auto cursor = db.rows(def);
    while (cursor.next())
        places.emplace_back(cursor.page(), std::uint8_t(cursor.row()));
    ASSERT_EQ(places.size(), back.size());
    for (const auto& index : def.realIndexes) {
        const IndexRowKey keys(def, index, name);
        std::vector<IndexEntry> expected;
        for (std::size_t r = 0; r < back.size(); ++r)
            if (!(index.ignoreNulls() && keys.allNull(back[r])))
                expected.push_back(IndexEntry{keys.keyOf(back[r]), places[r].first, places[r].second, 0});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(readIndexEntries(db.file(), index.firstPage), expected) << name;
        const auto source = [&](std::uint32_t n) { return db.file().page(n); };
        for (const auto& e : expected)
            EXPECT_TRUE(findIndexEntry(source, file, index.firstPage, e)) << name;
    }
}

// The fields of a table as libmdb's mdb-export prints them (CSV, text quoted, quotes doubled).
std::vector<std::vector<std::string>> exportedRows(const fs::path& file, const std::string& table)
{
    const std::string out =
        run("mdb-export -H -0 NULL -b strip '" + file.string() + "' '" + table + "' 2>/dev/null");
    return orrin::testing::csvRecords(out);
}

const char* const kWritable[] = {
    "jet4/indexes-2000.mdb",
    "jet4/compound-index-2003.mdb",
    "jet4/big-index-2003.mdb",
    "jet4/types-2000.mdb",
    "jet4/types-2003.mdb",
    "jet4/deleted-rows-2003.mdb",
    "jet4/unicode-compression-2003.mdb",
    "jet4/numeric-2003.mdb",
    "jet4/overflow-rows-2003.mdb",
    "ace/indexes-2010.accdb",
    "ace/currency-2016.accdb",
    "ace/types-2007.accdb",
    "ace/old-dates-2007.accdb",
    "ace/long-text-2016.accdb",
    "ace/deleted-column-2016.accdb",
    "agent/access/LIC.mdb",
};

TEST(TableWriter, EveryTableRoundTripsThroughOurReaderAndLibmdb)
{
    std::mt19937 random(1208);
    for (const char* sample : kWritable) {
        SCOPED_TRACE(sample);
        TempFolder folder;
        const fs::path path = folder.copy(sample);
        std::map<std::string, std::vector<std::vector<Value>>> written;
        std::set<std::uint32_t> changed;
        const auto before = bytesOf(path);
        {
            auto db = Database::open(path, "");
            TableWriter writer(*db);
            for (const auto& entry : db->tables()) {
                const TableDef& def = db->table(entry.name);
                auto rows = newRowsFor(def, rowsOf(*db, entry.name), random);
                ASSERT_NO_THROW(writer.replaceRows(entry.name, rows)) << entry.name;
                written[entry.name] = std::move(rows);
            }
            ASSERT_NO_THROW(writer.commit());
            changed = writer.changedPages();
        }

        // Every page the writer did not change is as it was.
        const auto after = bytesOf(path);
        ASSERT_GE(after.size(), before.size());
        for (std::size_t n = 0; n < before.size() / 4096; ++n) {
            if (changed.count(std::uint32_t(n)) == 0) {
                EXPECT_TRUE(std::equal(before.begin() + n * 4096, before.begin() + (n + 1) * 4096,
                                       after.begin() + n * 4096))
                    << "page " << n;
            }
        }

        auto db = Database::open(path, "");
        for (const auto& [name, rows] : written) {
            SCOPED_TRACE(name);
            const TableDef& def = db->table(name);
            EXPECT_EQ(def.rowCount, rows.size());
            const auto back = rowsOf(*db, name);
            ASSERT_EQ(back.size(), rows.size());
            for (std::size_t r = 0; r < rows.size(); ++r)
                for (std::size_t c = 0; c < def.columns.size(); ++c) {
                    if ((def.columns[c].flags & colflag::AutoLong) != 0 && rows[r][c].isNull())
                        continue; // numbered by the writer
                    expectSameValue(back[r][c], rows[r][c],
                                    "row " + std::to_string(r) + " " + def.columns[c].name);
                }

            expectIndexesHoldTheRows(*db, def, name, back, path.string());

            // libmdb: the row count, and the text and whole-number fields.
            EXPECT_EQ(run("mdb-count '" + path.string() + "' '" + name + "' 2>/dev/null"),
                      std::to_string(rows.size()) + "\n");
            const auto exported = exportedRows(path, name);
            ASSERT_EQ(exported.size(), back.size());
            for (std::size_t r = 0; r < back.size(); ++r) {
                ASSERT_EQ(exported[r].size(), def.columns.size());
                for (std::size_t c = 0; c < def.columns.size(); ++c) {
                    const Value& v = back[r][c];
                    const auto type = def.columns[c].type;
                    if (v.isNull()) {
                        EXPECT_EQ(exported[r][c], "NULL")
                            << name << " row " << r << " " << def.columns[c].name;
                    } else if (type == coltype::Text || type == coltype::Memo) {
                        // mdb-export prints at most 199,998 bytes of a field.
                        const std::string& theirs = exported[r][c];
                        const std::string ours =
                            theirs.size() == 199998 ? v.text.substr(0, theirs.size()) : v.text;
                        EXPECT_EQ(difference(theirs, ours), "")
                            << name << " row " << r << " " << def.columns[c].name;
                    } else if (type == coltype::Long || type == coltype::Int || type == coltype::Byte) {
                        EXPECT_EQ(exported[r][c], std::to_string(v.integer)) << name << " row " << r;
                    }
                }
            }
        }
    }
}

// Rows for a big table: the table's own rows repeated with new key values, so that the data needs
// many pages, the indexes several levels, and the usage maps more than an inline map covers.
std::vector<std::vector<Value>> manyRows(const TableDef& def, const std::vector<std::vector<Value>>& old,
                                         std::size_t count)
{
    std::vector<std::vector<Value>> rows;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<Value> row = old[i % old.size()];
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
            const ColumnDef& column = def.columns[c];
            if (column.type == coltype::Long)
                row[c] = newValue(def, column, int(i));
            else if (column.type == coltype::Text && i % 3 != 0)
                row[c] = newValue(def, column, int(i));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TEST(TableWriter, LargeTablesGrowTheFileAndItsMaps)
{
    struct Case {
        const char* sample;
        const char* table;
        std::size_t rows;
    };
    const Case cases[] = {
        {"jet4/compound-index-2003.mdb", "Table1", 40000}, // inline maps must become reference maps
        {"agent/access/LIC.mdb", "Policies", 12000},       // wide rows: thousands of pages
        {"ace/indexes-2010.accdb", "Table1", 60000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        TempFolder folder;
        const fs::path path = folder.copy(c.sample);
        std::vector<std::vector<Value>> rows;
        {
            auto db = Database::open(path, "");
            const TableDef& def = db->table(c.table);
            rows = manyRows(def, rowsOf(*db, c.table), c.rows);
            TableWriter writer(*db);
            writer.replaceRows(c.table, rows);
            writer.commit();
            EXPECT_GT(writer.pageCount(), 512u);
        }
        auto db = Database::open(path, "");
        const TableDef& def = db->table(c.table);
        const auto back = rowsOf(*db, c.table);
        ASSERT_EQ(back.size(), rows.size());
        for (std::size_t r = 0; r < rows.size(); r += 97)
            for (std::size_t k = 0; k < def.columns.size(); ++k)
                expectSameValue(back[r][k], rows[r][k], "row " + std::to_string(r));
        for (const auto& index : def.realIndexes)
            EXPECT_EQ(readIndexEntries(db->file(), index.firstPage).size(), rows.size());
        EXPECT_EQ(run("mdb-count '" + path.string() + "' '" + c.table + "' 2>/dev/null"),
                  std::to_string(rows.size()) + "\n");
        // Every other table still reads.
        for (const auto& entry : db->tables())
            EXPECT_NO_THROW(rowsOf(*db, entry.name)) << entry.name;
    }
}

// Repeated runs reuse the pages the previous run freed: the file does not keep growing.
TEST(TableWriter, TenRunsInARowKeepTheFileSize)
{
    TempFolder folder;
    const fs::path path = folder.copy("agent/access/LIC.mdb");
    std::mt19937 random(7);
    std::uintmax_t firstSize = 0;
    std::vector<std::vector<Value>> policies;
    {
        auto db = Database::open(path, "");
        policies = manyRows(db->table("Policies"), rowsOf(*db, "Policies"), 3000);
    }
    for (int run = 1; run <= 10; ++run) {
        auto db = Database::open(path, "");
        TableWriter writer(*db);
        for (const auto& entry : db->tables()) {
            // The same rows each time, in another order.
            auto rows = entry.name == "Policies" ? policies : rowsOf(*db, entry.name);
            std::shuffle(rows.begin(), rows.end(), random);
            writer.replaceRows(entry.name, rows);
        }
        writer.commit();
        if (run == 1)
            firstSize = fs::file_size(path);
    }
    EXPECT_LE(fs::file_size(path), firstSize + firstSize / 10) << "first " << firstSize;
    auto db = Database::open(path, "");
    EXPECT_EQ(rowsOf(*db, "Policies").size(), 3000u);
}

// A write that fails leaves the file as it was and no temporary file behind, with a message that
// says why.
TEST(TableWriter, AFailedWriteLeavesTheFileAsItWas)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path& folder, const fs::path& file)> before;
        std::function<void(const fs::path& folder, const fs::path& file)> after;
        const char* message;
        bool needsNonRoot;
    };
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const Case cases[] = {
        {"the disk is full (file size limit)",
         [&](const fs::path&, const fs::path& file) {
             rlimit small = saved;
             small.rlim_cur = fs::file_size(file) / 2;
             ::setrlimit(RLIMIT_FSIZE, &small);
         },
         [&](const fs::path&, const fs::path&) { ::setrlimit(RLIMIT_FSIZE, &saved); },
         "writing the new copy failed", false},
        {"the folder is read-only",
         [](const fs::path& folder, const fs::path&) {
             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
         },
         [](const fs::path& folder, const fs::path&) { fs::permissions(folder, fs::perms::owner_all); },
         "cannot create a file in its folder", true},
        {"the file is read-only",
         [](const fs::path&, const fs::path& file) { fs::permissions(file, fs::perms::owner_read); },
         [](const fs::path&, const fs::path& file) {
             fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
         },
         "read-only", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsNonRoot && ::geteuid() == 0) {
            std::cout << "  (skipped as root, which may write anywhere: " << c.name << ")\n";
            continue;
        }
        TempFolder folder;
        const fs::path path = folder.copy("agent/access/LIC.mdb");
        const auto before = bytesOf(path);
        auto db = Database::open(path, "");
        TableWriter writer(*db);
        auto rows = rowsOf(*db, "NewBonus");
        std::reverse(rows.begin(), rows.end());
        writer.replaceRows("NewBonus", rows);
        c.before(folder.path(), path);
        try {
            writer.commit();
            ADD_FAILURE() << "committed";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Io);
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        c.after(folder.path(), path);
        EXPECT_EQ(bytesOf(path), before);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    }
}

// What the writer refuses, before anything is written.
TEST(TableWriter, RefusesRowsThatDoNotFit)
{
    struct Case {
        const char* name;
        const char* table;
        std::function<void(const TableDef&, std::vector<std::vector<Value>>&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"a duplicate in a unique index", "Table1",
         [](const TableDef&, std::vector<std::vector<Value>>& rows) { rows.push_back(rows.front()); },
         "duplicate values in the index"},
        {"text longer than its field", "Table1",
         [](const TableDef& def, std::vector<std::vector<Value>>& rows) {
             for (std::size_t c = 0; c < def.columns.size(); ++c)
                 if (def.columns[c].type == coltype::Text) {
                     rows.front()[c].kind = Value::Kind::Text;
                     rows.front()[c].text = std::string(300, 'x');
                 }
         },
         "longer than"},
        {"a number out of range", "Table1",
         [](const TableDef& def, std::vector<std::vector<Value>>& rows) {
             for (std::size_t c = 0; c < def.columns.size(); ++c)
                 if (def.columns[c].type == coltype::Long) {
                     rows.front()[c].kind = Value::Kind::Integer;
                     rows.front()[c].integer = std::int64_t(1) << 40;
                 }
         },
         "does not fit"},
        {"a row with too few values", "Table1",
         [](const TableDef&, std::vector<std::vector<Value>>& rows) { rows.front().pop_back(); }, "values"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const fs::path path = folder.copy("jet4/indexes-2000.mdb");
        auto db = Database::open(path, "");
        TableWriter writer(*db);
        auto rows = rowsOf(*db, c.table);
        c.spoil(db->table(c.table), rows);
        try {
            writer.replaceRows(c.table, rows);
            ADD_FAILURE() << "written";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Unsupported);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_THROW(writer.commit(), Error);
    }
}

// Protected files stay protected: the pages written are encoded or encrypted as the file's others,
// the password still opens the file and nothing else does.
TEST(TableWriter, ProtectedFilesKeepTheirProtection)
{
    struct Case {
        const char* sample;
        const char* password;
    };
    const Case cases[] = {
        {"encrypted/none--jet4-rc4-encoded.mdb", ""},
        {"encrypted/password--jet4-2003-password.mdb", "password"},
        {"encrypted/Test123--ace-2007-rc4-cryptoapi.accdb", "Test123"},
        {"encrypted/password--ace-2010-agile.accdb", "password"},
        {"encrypted/1234--ace-2013-agile.accdb", "1234"},
    };
    std::mt19937 random(99);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        TempFolder folder;
        const fs::path path = folder.copy(c.sample);
        std::map<std::string, std::vector<std::vector<Value>>> written;
        {
            auto db = Database::open(path, c.password);
            TableWriter writer(*db);
            for (const auto& entry : db->tables()) {
                auto rows = newRowsFor(db->table(entry.name), rowsOf(*db, entry.name), random);
                writer.replaceRows(entry.name, rows);
                written[entry.name] = std::move(rows);
            }
            writer.commit();
        }
        EXPECT_FALSE(written.empty());
        auto db = Database::open(path, c.password);
        for (const auto& [name, rows] : written) {
            const auto back = rowsOf(*db, name);
            ASSERT_EQ(back.size(), rows.size()) << name;
            const TableDef& def = db->table(name);
            for (std::size_t r = 0; r < rows.size(); ++r)
                for (std::size_t k = 0; k < def.columns.size(); ++k)
                    if (!((def.columns[k].flags & colflag::AutoLong) != 0 && rows[r][k].isNull()))
                        expectSameValue(back[r][k], rows[r][k], name + " row " + std::to_string(r));
            expectIndexesHoldTheRows(*db, def, name, back, path.string());
        }
        if (std::string(c.password).empty())
            continue;
        try {
            Database::open(path, "not the password");
            ADD_FAILURE() << "opened with a wrong password";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::WrongPassword);
        }
    }
}

// A Null in an AutoNumber field takes the next number after the table's last one; the table
// definition keeps the last number given.
TEST(TableWriter, AutoNumbersContinueFromTheTable)
{
    int tables = 0;
    for (const char* sample : kWritable) {
        TempFolder folder;
        const fs::path path = folder.copy(sample);
        std::map<std::string, std::pair<std::size_t, std::uint32_t>>
            expected; // table: column, first new number
        {
            auto db = Database::open(path, "");
            TableWriter writer(*db);
            for (const auto& entry : db->tables()) {
                const TableDef& def = db->table(entry.name);
                std::size_t autoColumn = def.columns.size();
                for (std::size_t c = 0; c < def.columns.size(); ++c)
                    if ((def.columns[c].flags & colflag::AutoLong) != 0)
                        autoColumn = c;
                if (autoColumn == def.columns.size())
                    continue;
                auto rows = rowsOf(*db, entry.name);
                std::uint32_t last = def.autoNumber;
                for (const auto& row : rows)
                    last = std::max<std::uint32_t>(last, std::uint32_t(row[autoColumn].integer));
                for (int i = 0; i < 2; ++i) {
                    std::vector<Value> row;
                    for (const auto& c : def.columns)
                        row.push_back(newValue(def, c, 10 + i));
                    row[autoColumn].setNull();
                    rows.push_back(row);
                }
                writer.replaceRows(entry.name, rows);
                expected[entry.name] = {autoColumn, last + 1};
            }
            writer.commit();
        }
        auto db = Database::open(path, "");
        for (const auto& [name, what] : expected) {
            SCOPED_TRACE(std::string(sample) + " " + name);
            const auto back = rowsOf(*db, name);
            ASSERT_GE(back.size(), 2u);
            EXPECT_EQ(back[back.size() - 2][what.first].integer, std::int64_t(what.second));
            EXPECT_EQ(back.back()[what.first].integer, std::int64_t(what.second + 1));
            EXPECT_EQ(db->table(name).autoNumber, what.second + 1);
            expectIndexesHoldTheRows(*db, db->table(name), name, back, path.string());
            ++tables;
        }
    }
    EXPECT_GT(tables, 0);
}

// Emptying every table: no data pages, empty indexes, and every reader finds no rows.
TEST(TableWriter, TablesCanBeEmptied)
{
    for (const char* sample : {"jet4/indexes-2000.mdb", "ace/indexes-2010.accdb", "agent/access/LIC.mdb"}) {
        SCOPED_TRACE(sample);
        TempFolder folder;
        const fs::path path = folder.copy(sample);
        std::vector<std::string> names;
        {
            auto db = Database::open(path, "");
            TableWriter writer(*db);
            for (const auto& entry : db->tables()) {
                writer.replaceRows(entry.name, std::vector<std::vector<Value>>{});
                names.push_back(entry.name);
            }
            writer.commit();
        }
        auto db = Database::open(path, "");
        for (const auto& name : names) {
            EXPECT_TRUE(rowsOf(*db, name).empty()) << name;
            EXPECT_EQ(db->table(name).rowCount, 0u) << name;
            for (const auto& index : db->table(name).realIndexes)
                EXPECT_TRUE(readIndexEntries(db->file(), index.firstPage).empty()) << name;
            EXPECT_EQ(run("mdb-count '" + path.string() + "' '" + name + "' 2>/dev/null"), "0\n") << name;
        }
    }
}

} // namespace

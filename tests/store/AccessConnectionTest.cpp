// A Connection on an Access file: opened by what its first page says, read-only, each table copied
// into memory when a statement first names it, with the store's type names, UNIQUE and NOT NULL.

#include "jet/table/Database.h"
#include "store/Connection.h"
#include "store/KnownDatabases.h"
#include "store/Recordset.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "support/Fixture.h"

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace orrin::store {
namespace {

using orrin::testing::TempDir;

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

using orrin::testing::errorText;

// Tables the memory database holds, read around the store so that nothing is loaded by asking.
int loadedTables(const Connection& connection)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(connection.handle(), "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1,
                       &raw, nullptr);
    sqlite3_step(raw);
    const int count = sqlite3_column_int(raw, 0);
    sqlite3_finalize(raw);
    return count;
}

TEST(AccessConnection, OpensByTheFirstPageNeverByTheName)
{
    struct Case {
        const char* name;
        std::filesystem::path file;
        const char* copiedAs; // nullptr: opened in place
        std::string password;
        bool access;
        const char* format;
    };
    const Case cases[] = {
        {"ACE 12 file", kSamples / "agent/access/zrv.accdb", nullptr, "", true, "ACE 12"},
        {"Jet 4 file given a password it does not have", kSamples / "agent/access/LIC.mdb", nullptr,
         std::string(kCalvanePassword), true, "Jet 4"},
        {"Jet 3 file", kSamples / "nwind.mdb", nullptr, "", true, "Jet 3"},
        {"Access file named like a SQLCipher file", kSamples / "jet4/types-2000.mdb", "data.db", "", true,
         "Jet 4"},
        {"SQLCipher file named .accdb", kSamples / "agent/sqlcipher/zrv.accdb", nullptr,
         std::string(kOrrinPassword), false, "SQLCipher"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::path file = c.file;
        if (c.copiedAs != nullptr) {
            file = dir.path() / c.copiedAs;
            std::filesystem::copy_file(c.file, file);
        }
        Connection connection;
        connection.openFile(file, c.password, OpenMode::ReadOnly);
        EXPECT_EQ(connection.isAccess(), c.access);
        EXPECT_EQ(connection.formatName(), c.format);
        EXPECT_FALSE(connection.tableNames().empty());
    }
}

TEST(AccessConnection, AProtectedFileOpensWithItsPasswordOnly)
{
    struct Case {
        const char* file;
        const char* password;
    };
    const Case cases[] = {
        {"password--jet4-2003-password.mdb", "password"},
        {"Test123--ace-2007-rc4-cryptoapi.accdb", "Test123"},
        {"1234--ace-2013-agile.accdb", "1234"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto path = kSamples / "encrypted" / c.file;
        Connection right;
        right.openFile(path, c.password, OpenMode::ReadOnly);
        const auto tables = right.tableNames();
        ASSERT_FALSE(tables.empty());
        Statement count(right.handle(), "SELECT count(*) FROM \"" + tables.front() + "\"", right.fileName(),
                        &right);
        ASSERT_TRUE(count.step());
        EXPECT_GT(count.column(0).number(), 0);
        for (const std::string wrong : {"wrong", ""}) {
            Connection refused;
            EXPECT_EQ(errorText([&] { refused.openFile(path, wrong, OpenMode::ReadOnly); }),
                      "The password of " + path.string() + " is not right.");
            EXPECT_FALSE(refused.isOpen());
        }
    }
}

TEST(AccessConnection, LoadsOnlyTheTablesItsStatementsName)
{
    Connection connection;
    connection.openFile(kSamples / "agent/access/zrv.accdb", "", OpenMode::ReadOnly);
    EXPECT_EQ(loadedTables(connection), 0);
    Statement count(connection.handle(), "SELECT count(*) FROM policies", connection.fileName(), &connection);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).number(), 300);
    EXPECT_EQ(loadedTables(connection), 1);
    // A join names two more; a second statement on a loaded table loads nothing.
    Statement join(connection.handle(),
                   "SELECT count(*) FROM [Family] f JOIN Client1 c ON c.FamilyCode = f.FamilyCode "
                   "JOIN Policies p ON p.FamilyCode = f.FamilyCode",
                   connection.fileName(), &connection);
    ASSERT_TRUE(join.step());
    EXPECT_EQ(loadedTables(connection), 3);
    EXPECT_EQ(connection.tableInfo("AGMAST").name, "Agmast");
    EXPECT_EQ(loadedTables(connection), 4);
    // A table the file does not have stays the engine's "no such table".
    EXPECT_NE(errorText([&] {
                  Statement(connection.handle(), "SELECT * FROM Nowhere", connection.fileName(), &connection);
              }).find("no such table: Nowhere"),
              std::string::npos);
}

TEST(AccessConnection, RowsKeepTheStoredOrderAndTheStoresTypes)
{
    const auto path = kSamples / "agent/access/zrv.accdb";
    Connection connection;
    connection.openFile(path, "", OpenMode::ReadOnly);
    const TableInfo& info = connection.tableInfo("Policies");
    ASSERT_GE(info.find("ComDate"), 0);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(info.find("ComDate"))].type.kind,
              ColumnType::Kind::DateTime);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(info.find("PolicyNo"))].type.kind,
              ColumnType::Kind::Text);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(info.find("PolicyNo"))].type.size, 20u);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(info.find("Age"))].type.kind, ColumnType::Kind::Short);

    // rowid order is the file's order, value for value.
    const auto source = jet::Database::open(path, "");
    const jet::TableDef& def = source->table("Policies");
    auto cursor = source->rows(def);
    Recordset policies;
    policies.open("SELECT PolicyNo, ComDate FROM Policies ORDER BY rowid", connection);
    int rows = 0;
    while (cursor.next()) {
        ASSERT_FALSE(policies.eof());
        EXPECT_EQ(policies.field("PolicyNo").text(), cursor.values()[0].text) << "row " << rows;
        const Variant date = policies.field("ComDate");
        if (cursor.values()[1].isNull()) {
            EXPECT_TRUE(date.isNull()) << "row " << rows;
        } else {
            ASSERT_TRUE(date.isDate()) << "row " << rows;
            EXPECT_EQ(date.date().serial, cursor.values()[1].real) << "row " << rows;
        }
        policies.moveNext();
        ++rows;
    }
    EXPECT_TRUE(policies.eof());
    EXPECT_EQ(rows, 300);
}

// Required columns are checked for the rows written after the load (a trigger), never for the rows
// the file holds, which load whatever they hold.
TEST(AccessConnection, UniqueIndexesBecomeKeyIndexesAndRequiredColumnsTriggers)
{
    const auto schemaOf = [](Connection& connection, const std::string& name) {
        Statement schema(connection.handle(), "SELECT sql FROM sqlite_master WHERE name = '" + name + "'",
                         connection.fileName(), &connection);
        return schema.step() ? schema.column(0, ColumnType{ColumnType::Kind::Text}).text() : std::string();
    };
    Connection connection;
    connection.openFile(kSamples / "jet4/indexes-2000.mdb", "", OpenMode::ReadOnly);
    const TableInfo& table2 = connection.tableInfo("Table2");
    const std::string sql = schemaOf(connection, "Table2");
    // Declared by the storage class of their values; their types come from the table definition.
    EXPECT_NE(sql.find("\"id\" INTEGER,"), std::string::npos) << sql;
    EXPECT_NE(sql.find("\"data\" TEXT COLLATE NOCASE"), std::string::npos) << sql;
    ASSERT_EQ(table2.columns.size(), 2u);
    EXPECT_EQ(table2.columns[0].type.name(), "LONG");
    EXPECT_EQ(table2.columns[1].type.name(), "TEXT(50)");
    // The unique index is one on the key the file's index gives a row; "data" has none.
    const std::string key = schemaOf(connection, "Table2__key0");
    EXPECT_EQ(key, "CREATE UNIQUE INDEX \"Table2__key0\" ON \"Table2\" (access_key(0, \"id\"))");
    EXPECT_EQ(sql.find("UNIQUE"), std::string::npos) << sql;
    EXPECT_EQ(schemaOf(connection, "Table2__key1"), "");
    const std::string trigger = schemaOf(connection, "Table2__rules_insert");
    EXPECT_NE(trigger.find("'Index or primary key cannot contain a Null value.') WHERE NEW.\"id\" IS NULL"),
              std::string::npos)
        << trigger; // primary key

    // Columns set Required outside any index are checked too.
    Connection nwind;
    nwind.openFile(kSamples / "nwind.mdb", "", OpenMode::ReadOnly);
    const TableInfo& orderDetails = nwind.tableInfo("Order Details");
    EXPECT_EQ(orderDetails.columns[orderDetails.find("UnitPrice")].type.name(), "CURRENCY");
    EXPECT_EQ(orderDetails.columns[orderDetails.find("Discount")].type.name(), "SINGLE");
    const std::string detailsTrigger = schemaOf(nwind, "Order Details__rules_insert");
    EXPECT_NE(detailsTrigger.find("''Order Details.UnitPrice'' field."), std::string::npos) << detailsTrigger;
    EXPECT_NE(detailsTrigger.find("''Order Details.Discount'' field."), std::string::npos) << detailsTrigger;
}

TEST(AccessConnection, RefusesWritingAndSaysWhy)
{
    // Opened read-only; writing through a connection opened for writing: AccessWriteTest.cpp.
    const auto path = kSamples / "agent/access/LIC.mdb";
    Connection reader;
    reader.openFile(path, "", OpenMode::ReadOnly);
    struct Case {
        const char* sql;
    };
    for (const Case c : {Case{"DELETE FROM Policies"}, Case{"INSERT INTO SB (policy_no) VALUES ('1')"},
                         Case{"CREATE TABLE Extra (a LONG)"}, Case{"UPDATE Family SET FamilyCode = 'x'"}}) {
        SCOPED_TRACE(c.sql);
        EXPECT_NE(errorText([&] { reader.execute(c.sql); }).find("readonly"), std::string::npos);
    }
    Statement count(reader.handle(), "SELECT count(*) FROM Policies", reader.fileName(), &reader);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).number(), 3);
}

} // namespace
} // namespace orrin::store

// The memory copy of an Access table keeps the file's other (non-unique) indexes as well, so that a
// lookup by key, asked once per policy, finds its rows through an index instead of reading the
// whole table.

#include "store/Connection.h"
#include "store/Statement.h"

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orrin::store {
namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

// SQLite's plan for a query, one line per step.
std::string planOf(const Connection& connection, const std::string& sql)
{
    std::string plan;
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(connection.handle(), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &raw, nullptr);
    while (sqlite3_step(raw) == SQLITE_ROW)
        plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(raw, 3))) + "\n";
    sqlite3_finalize(raw);
    return plan;
}

TEST(AccessLookupIndex, LookupsByAnIndexedKeyUseTheFilesIndex)
{
    struct Case {
        const char* file;
        const char* table;
        const char* lookup; // a lookup on the key of a non-unique index of the file
    };
    const Case cases[] = {
        {"agent/access/LIC.mdb", "NewBonus", "SELECT * FROM NewBonus WHERE BonusCat = 'A' AND YY = 2001"},
        {"agent/access/LIC.mdb", "Policies", "SELECT * FROM Policies WHERE policy_no = '1'"},
        {"agent/access/zrv.accdb", "Client2",
         "SELECT * FROM Client2 WHERE familycode = 'F1' AND perscode = 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookup);
        Connection connection;
        connection.openFile(kSamples / c.file, "", OpenMode::ReadOnly);
        Statement load(connection.handle(), std::string("SELECT count(*) FROM ") + c.table,
                       connection.fileName(), &connection);
        ASSERT_TRUE(load.step());
        EXPECT_NE(planOf(connection, c.lookup).find("USING INDEX"), std::string::npos)
            << planOf(connection, c.lookup);
        // A column no index starts with is still read whole.
        EXPECT_EQ(planOf(connection, std::string("SELECT * FROM ") + c.table + " WHERE rowid + 0 = 1")
                      .find("USING INDEX"),
                  std::string::npos);
    }
}

} // namespace
} // namespace orrin::store

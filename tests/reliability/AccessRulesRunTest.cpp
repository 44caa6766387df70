// A whole run into an Access target whose tables carry the rules Access's table designer gives
// them: LocMast keyed on an AutoNumber the run does not set (as Access adds one to a table saved
// without a key), a Required column with a DefaultValue, and defaults on columns the run leaves
// alone (text, number, Yes/No, Date()). The run must write every row it writes into the same
// target without those rules, the engine filling in the rest; read back by our reader and by
// mdbtools.

#include "reliability/DatabaseDump.h"
#include "reliability/ImportHarness.h"

#include "common/Shell.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

const fs::path kAgent = fs::path(ORRIN_ACCESS_SAMPLES) / "agent";
const char* const kRunTables[] = {"Login",   "Times",  "AgMast", "LocMast",  "BrnMast",
                                  "company", "Family", "Client", "Policies", "SB"};

// The columns each table gains, and whether they come first (as Access puts the key it adds).
struct Added {
    const char* table;
    jet::NewColumn column;
    bool first = false;
};

std::vector<Added> addedColumns()
{
    using namespace jet::coltype;
    return {
        {"LocMast", {"LocID", Long, 0, 0, 0, true}, true},
        {"Policies", {"Status2", Text, 10, 0, 0, false, true, std::nullopt, "\"In force\""}},
        {"Policies", {"Entered", DateTime, 0, 0, 0, false, false, std::nullopt, "Date()"}},
        {"Family", {"Verified", Boolean, 0, 0, 0, false, false, std::nullopt, "True"}},
        {"Client", {"Points", Long, 0, 0, 0, false, false, std::nullopt, "0"}},
        {"Client", {"Remark", Text, 20, 0, 0, false, false, std::nullopt, "'none'"}},
    };
}

// The agent's Jet 4 target made again from Access's empty database, with its tables, indexes and
// rows, and the added columns (the AutoNumber numbering the rows already there).
void makeTargetWithRules(const fs::path& from, const fs::path& to)
{
    auto original = jet::Database::open(from, "");
    std::vector<jet::NewTable> tables;
    const auto added = addedColumns();
    for (const auto& entry : original->tables()) {
        const jet::TableDef& def = original->table(entry.name);
        jet::NewTable table{entry.name, {}, {}};
        for (const auto& a : added)
            if (a.first && entry.name == a.table)
                table.columns.push_back(a.column);
        for (const auto& c : def.columns) {
            jet::NewColumn column{c.name, c.type};
            column.length = static_cast<std::uint16_t>(c.type == jet::coltype::Text ? c.length / 2 : 0);
            column.precision = c.precision;
            column.scale = c.scale;
            table.columns.push_back(column);
        }
        for (const auto& a : added)
            if (!a.first && entry.name == a.table)
                table.columns.push_back(a.column);
        for (const auto& index : def.indexes) {
            jet::NewIndex copy{index.name, {}};
            for (const auto& key : def.realIndexes[index.realIndex].columns)
                for (const auto& c : def.columns)
                    if (c.number == key.columnNumber)
                        copy.columns.push_back(c.name);
            table.indexes.push_back(copy);
        }
        if (entry.name == "LocMast")
            table.indexes.push_back(jet::NewIndex{"PrimaryKey", {"LocID"}, true});
        tables.push_back(std::move(table));
    }
    jet::createDatabase(fs::path(ORRIN_ACCESS_SAMPLES) / "templates/empty-jet4-2003.mdb", to, "", tables);

    auto made = jet::Database::open(to, "");
    jet::TableWriter writer(*made);
    for (const auto& table : tables) {
        const jet::TableDef& def = original->table(table.name);
        auto cursor = original->rows(def);
        writer.replaceRows(table.name, [&](std::vector<jet::Value>& row) {
            if (!cursor.next())
                return false;
            row.assign(table.columns.size(), jet::Value{});
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const int at = def.columnIndex(table.columns[c].name);
                if (at >= 0)
                    row[c] = cursor.values()[static_cast<std::size_t>(at)];
            }
            return true;
        });
    }
    writer.commit();
}

std::string describeValue(const jet::Value& v)
{
    switch (v.kind) {
    case jet::Value::Kind::Null:
        return "Null";
    case jet::Value::Kind::Text:
        return "'" + v.text + "'";
    case jet::Value::Kind::Double:
    case jet::Value::Kind::DateTime: {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v.real);
        return text;
    }
    case jet::Value::Kind::Bytes:
        return std::to_string(v.bytes.size()) + " bytes";
    default:
        return std::to_string(v.integer);
    }
}

// Each row of table in file as text, the given columns only, in stored order.
std::vector<std::string> rowsOf(const fs::path& file, const std::string& table,
                                const std::vector<std::string>& columns)
{
    auto db = jet::Database::open(file, "");
    const jet::TableDef& def = db->table(table);
    std::vector<std::string> rows;
    auto cursor = db->rows(def);
    while (cursor.next()) {
        std::string row;
        for (const auto& column : columns)
            row += describeValue(cursor.values()[static_cast<std::size_t>(def.columnIndex(column))]) + "|";
        rows.push_back(row);
    }
    return rows;
}

// The run, in an agent folder of its own under root, on the given target.
ProcessResult runOn(const fs::path& root, const fs::path& target)
{
    fs::create_directories(root / "agent");
    fs::create_directories(root / "program");
    fs::copy_file(kAgent / "access" / "zrv.accdb", root / "agent" / "zrv.accdb");
    fs::copy_file(target, root / "agent" / "LIC.mdb");
    fs::copy_file(kAgent / "access-bonus" / "lic.mdb", root / "program" / "lic.mdb");
    return runProgram(importProgram(),
                      {"--orrin-db", (root / "agent").string(), "--agent-db", (root / "agent").string(),
                       "--bonus-db", (root / "program" / "lic.mdb").string(), "--error-log",
                       (root / "Error Log.txt").string(), "--on-error", "continue", "--quiet"},
                      {}, std::chrono::seconds(300));
}

// Today's date as mdb-export -T '%Y-%m-%d' writes it.
std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string exported(const fs::path& file, const std::string& table, const std::string& fields)
{
    // The unit separator between fields: the sample's awkward text holds commas and tabs.
    return orrin::testing::runCommand("d=$(printf '\\037'); mdb-export -H -Q -d \"$d\" -T '%Y-%m-%d' " +
                                      orrin::testing::shellQuoted(file.string()) + " " + table +
                                      " | cut -d \"$d\" -f" + fields +
                                      " --output-delimiter=, | sort | uniq -c")
        .output;
}

// One line of uniq -c: the count, then the line.
std::string counted(std::size_t count, const std::string& line)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%7zu ", count);
    return prefix + line + "\n";
}

TEST(AccessRulesRun, EveryRowGoesInAndTheEngineFillsTheRest)
{
    orrin::testing::TempDir dir;
    const fs::path ruled = dir.path() / "ruled.mdb";
    makeTargetWithRules(kAgent / "access" / "LIC.mdb", ruled);
    // The rows already there took the AutoNumber's first numbers.
    EXPECT_EQ(rowsOf(ruled, "LocMast", {"LocID"}), (std::vector<std::string>{"1|", "2|", "3|"}));

    const std::string dayBefore = today();
    const ProcessResult plain = runOn(dir.path() / "plain", kAgent / "access" / "LIC.mdb");
    const ProcessResult withRules = runOn(dir.path() / "rules", ruled);
    const std::string dayAfter = today();
    ASSERT_TRUE(endedOnItsOwn(plain));
    ASSERT_TRUE(endedOnItsOwn(withRules));
    EXPECT_EQ(withRules.exitCode, plain.exitCode) << describe(withRules);
    const std::string plainLog =
        comparableLog(dir.path() / "plain" / "Error Log.txt", (dir.path() / "plain").string());
    const std::string rulesLog =
        comparableLog(dir.path() / "rules" / "Error Log.txt", (dir.path() / "rules").string());
    EXPECT_EQ(rulesLog, plainLog);

    // Every row of every table the run writes, field for field, as in the target without rules.
    const fs::path plainTarget = dir.path() / "plain" / "agent" / "LIC.mdb";
    const fs::path rulesTarget = dir.path() / "rules" / "agent" / "LIC.mdb";
    std::map<std::string, std::size_t> counts;
    for (const char* table : kRunTables) {
        SCOPED_TRACE(table);
        auto db = jet::Database::open(plainTarget, "");
        std::vector<std::string> columns;
        for (const auto& c : db->table(table).columns)
            columns.push_back(c.name);
        const auto expected = rowsOf(plainTarget, table, columns);
        EXPECT_EQ(rowsOf(rulesTarget, table, columns), expected);
        counts[table] = expected.size();
    }
    EXPECT_EQ(counts["Policies"], 300u);

    // The AutoNumber went on from the rows the run deleted; the defaults filled what the run left.
    std::vector<std::string> numbers;
    for (std::size_t n = 4; n < 4 + counts["LocMast"]; ++n)
        numbers.push_back(std::to_string(n) + "|");
    EXPECT_EQ(rowsOf(rulesTarget, "LocMast", {"LocID"}), numbers);
    const std::string policies = exported(rulesTarget, "Policies", "32,33");
    EXPECT_TRUE(policies == counted(300, "In force," + dayBefore) ||
                policies == counted(300, "In force," + dayAfter))
        << policies;
    EXPECT_EQ(exported(rulesTarget, "Family", "20"), counted(counts["Family"], "1"));
    EXPECT_EQ(exported(rulesTarget, "Client", "17,18"), counted(counts["Client"], "0,none"));
}

} // namespace
} // namespace orrin::reliability

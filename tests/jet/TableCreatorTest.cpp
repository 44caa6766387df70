// New tables in databases made from Access's own empty databases: created, filled through the
// table writer, and read back by our reader and by libmdb's tools, every index finding every row by
// its own key; the definitions match those another Access library wrote for the same tables; bad
// table descriptions are refused and leave nothing behind.

#include "jet/write/TableCreator.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexPage.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/IndexRowKey.h"
#include "jet/write/TableWriter.h"

#include "common/Shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
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

fs::path freshFolder(const std::string& name)
{
    const fs::path p =
        fs::temp_directory_path() / ("orrin-creator-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

// A table with a column of every type the writer creates, and a single and a compound index.
NewTable everyType()
{
    return NewTable{"Every Type",
                    {{"Code", coltype::Text, 12},
                     {"Flag", coltype::Boolean, 0},
                     {"Small", coltype::Byte, 0},
                     {"Count", coltype::Int, 0},
                     {"Number", coltype::Long, 0},
                     {"Amount", coltype::Money, 0},
                     {"Ratio", coltype::Float, 0},
                     {"Sum", coltype::Double, 0},
                     {"Due", coltype::DateTime, 0},
                     {"Name", coltype::Text, 255},
                     {"Note", coltype::Memo, 0}},
                    {{"ix_Code", {"Code"}}, {"ix_Name_Number", {"Name", "Number"}}}};
}

NewTable plain()
{
    return NewTable{
        "plans", {{"plan", coltype::Long, 0}, {"PlanName", coltype::Text, 60}}, {{"ix_plan", {"plan"}}}};
}

Value integer(std::int64_t v, Value::Kind kind = Value::Kind::Integer)
{
    Value x;
    x.kind = kind;
    x.integer = v;
    return x;
}
Value real(double v, Value::Kind kind = Value::Kind::Double)
{
    Value x;
    x.kind = kind;
    x.real = v;
    return x;
}
Value text(std::string v)
{
    Value x;
    x.kind = Value::Kind::Text;
    x.text = std::move(v);
    return x;
}

// Rows for everyType(): Nulls now and then, repeated keys, non-ASCII text, a long memo.
std::vector<std::vector<Value>> rowsFor(std::size_t count, std::mt19937& random)
{
    std::vector<std::vector<Value>> rows;
    const char* names[] = {"Patil", "D'Souza", "Śrīnivāsan", "राम", "", "Iyer"};
    for (std::size_t r = 0; r < count; ++r) {
        std::vector<Value> row(11);
        row[0] = text("C" + std::to_string(random() % 50));
        row[1] = integer(random() % 2, Value::Kind::Bool);
        row[2] = integer(random() % 256);
        row[3] = integer(static_cast<std::int64_t>(random() % 60000) - 30000);
        row[4] = integer(static_cast<std::int64_t>(random() % 2000000) - 1000000);
        row[5] = integer(static_cast<std::int64_t>(random() % 100000000), Value::Kind::Currency);
        row[6] = real(0.5 * (random() % 100));
        row[7] = real((random() % 1000000) / 7.0);
        row[8] = real(20000.0 + random() % 30000, Value::Kind::DateTime);
        row[9] = text(names[random() % 6]);
        row[10] = text(std::string(random() % 3 == 0 ? 5000 : 20, 'x'));
        if (random() % 7 == 0)
            for (const std::size_t c : {0, 3, 7, 9})
                row[c].setNull();
        rows.push_back(std::move(row));
    }
    return rows;
}

void expectSame(const Value& a, const Value& b, const std::string& where)
{
    ASSERT_EQ(a.kind, b.kind) << where;
    switch (a.kind) {
    case Value::Kind::Text:
        EXPECT_EQ(a.text, b.text) << where;
        break;
    case Value::Kind::Double:
    case Value::Kind::DateTime:
        EXPECT_DOUBLE_EQ(a.real, b.real) << where;
        break;
    case Value::Kind::Null:
        break;
    default:
        EXPECT_EQ(a.integer, b.integer) << where;
        break;
    }
}

struct Case {
    const char* templateFile;
    const char* password;
    bool libmdbReads; // libmdb cannot open an encrypted .accdb
};

const Case kCases[] = {
    {"templates/empty-jet4-2000.mdb", "", true},
    {"templates/empty-jet4-2003.mdb", "Calvane-7", true},
    {"templates/empty-ace-2007.accdb", "", true},
    {"templates/empty-ace-2010.accdb", "", true},
    {"templates/empty-ace-2010.accdb", "Orrin pass", false},
};

TEST(TableCreator, NewTablesFilledReadBackThroughOurReaderAndLibmdbWithEveryIndexFindingItsRows)
{
    std::mt19937 random(13);
    int k = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.templateFile) + " password '" + c.password + "'");
        const fs::path folder = freshFolder("fill" + std::to_string(k++));
        const fs::path file = folder / fs::path(c.templateFile).filename();
        const std::vector<NewTable> tables{everyType(), plain()};
        ASSERT_NO_THROW(createDatabase(kSamples / c.templateFile, file, c.password, tables));
        std::map<std::string, std::vector<std::vector<Value>>> rows{{"Every Type", rowsFor(700, random)},
                                                                    {"plans", {}}};
        for (int p = 1; p <= 3; ++p)
            rows["plans"].push_back({integer(p), text("Plan " + std::to_string(p))});
        {
            auto db = Database::open(file, c.password);
            ASSERT_EQ(db->tables().size(), 2u);
            EXPECT_EQ(db->tables()[0].name, "Every Type");
            EXPECT_EQ(db->tables()[1].name, "plans");
            TableWriter writer(*db);
            for (const auto& [name, r] : rows)
                ASSERT_NO_THROW(writer.replaceRows(name, r)) << name;
            ASSERT_NO_THROW(writer.commit());
        }
        if (*c.password != 0) {
            EXPECT_THROW(Database::open(file, "wrong"), Error);
        }

        auto db = Database::open(file, c.password);
        for (const auto& [name, written] : rows) {
            SCOPED_TRACE(name);
            const TableDef& def = db->table(name);
            std::vector<std::vector<Value>> back;
            std::vector<std::pair<std::uint32_t, std::uint8_t>> places;
            auto cursor = db->rows(def);
            while (cursor.next()) {
                back.push_back(cursor.values());
                places.emplace_back(cursor.page(), static_cast<std::uint8_t>(cursor.row()));
            }
            ASSERT_EQ(back.size(), written.size());
            // The memo field has usage maps of its own, as Access gives it.
            ASSERT_EQ(def.columnUsageMaps.size(), name == "Every Type" ? 1u : 0u);
            if (!def.columnUsageMaps.empty()) {
                EXPECT_EQ(def.columnUsageMaps[0].columnNumber, 10);
            }
            for (std::size_t r = 0; r < back.size(); ++r)
                for (std::size_t col = 0; col < def.columns.size(); ++col)
                    expectSame(back[r][col], written[r][col],
                               "row " + std::to_string(r) + " " + def.columns[col].name);
            for (const auto& index : def.realIndexes) {
                EXPECT_FALSE(index.unique());
                const IndexRowKey keys(def, index, name);
                std::vector<IndexEntry> expected;
                for (std::size_t r = 0; r < back.size(); ++r)
                    expected.push_back(IndexEntry{keys.keyOf(back[r]), places[r].first, places[r].second, 0});
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(readIndexEntries(db->file(), index.firstPage), expected);
                const auto source = [&](std::uint32_t n) { return db->file().page(n); };
                for (const auto& e : expected)
                    EXPECT_TRUE(findIndexEntry(source, file.string(), index.firstPage, e));
            }
            if (!c.libmdbReads)
                continue;
            EXPECT_EQ(run("mdb-count '" + file.string() + "' '" + name + "' 2>&1"),
                      std::to_string(written.size()) + "\n");
            // mdb-export: one line per row (the memo has no line breaks), the codes in stored order.
            const std::string exported = run("mdb-export -H -Q '" + file.string() + "' '" + name + "' 2>&1");
            std::string expectedText;
            for (const auto& row : written) {
                expectedText +=
                    row[0].isNull()
                        ? std::string()
                        : (row[0].kind == Value::Kind::Text ? row[0].text : std::to_string(row[0].integer));
                expectedText += ",";
                if (name == "plans") {
                    expectedText += row[1].text;
                }
                expectedText += "\n";
            }
            std::string firstFields;
            std::size_t lineStart = 0;
            while (lineStart < exported.size()) {
                const std::size_t end = exported.find('\n', lineStart);
                const std::string line = exported.substr(lineStart, end - lineStart);
                const std::size_t comma = line.find(',');
                firstFields += line.substr(0, comma) + ",";
                if (name == "plans")
                    firstFields += line.substr(comma + 1);
                firstFields += "\n";
                lineStart = end == std::string::npos ? exported.size() : end + 1;
            }
            EXPECT_EQ(firstFields, expectedText);
        }
        if (c.libmdbReads) {
            EXPECT_EQ(run("mdb-tables -1 '" + file.string() + "'"), "Every Type\nplans\n");
            const std::string schema = run("mdb-schema '" + file.string() + "' mysql 2>/dev/null");
            for (const char* index :
                 {"ALTER TABLE `Every Type` ADD INDEX `ix_Code` (`Code`);",
                  "ALTER TABLE `Every Type` ADD INDEX `ix_Name_Number` (`Name`, `Number`);",
                  "ALTER TABLE `plans` ADD INDEX `ix_plan` (`plan`);"})
                EXPECT_NE(schema.find(index), std::string::npos) << index << "\n" << schema;
        }
        fs::remove_all(folder);
    }
}

// The target tables as another Access library created them in agent/access/LIC.mdb (from the same
// schema): the same column and index descriptors from ours. Text fields differ in one flag only:
// ours allow the compressed form of Unicode text, as Access sets new text fields, that library's not.
TEST(TableCreator, DefinitionsMatchThoseAnotherLibraryWroteForTheSameTables)
{
    auto theirs = Database::open(kSamples / "agent/access/LIC.mdb", "");
    std::vector<NewTable> tables;
    for (const auto& entry : theirs->tables()) {
        const TableDef& def = theirs->table(entry.name);
        NewTable t{entry.name, {}, {}};
        for (const auto& c : def.columns)
            t.columns.push_back({c.name, c.type, c.textLength(def.version)});
        for (const auto& index : def.indexes) {
            NewIndex ni{index.name, {}};
            for (const auto& ic : def.realIndexes[index.realIndex].columns)
                ni.columns.push_back(def.columnByNumber(ic.columnNumber)->name);
            t.indexes.push_back(ni);
        }
        tables.push_back(t);
    }
    const fs::path folder = freshFolder("compare");
    const fs::path file = folder / "LIC.mdb";
    ASSERT_NO_THROW(createDatabase(kSamples / "templates/empty-jet4-2003.mdb", file, "", tables));
    auto ours = Database::open(file, "");
    for (const auto& t : tables) {
        SCOPED_TRACE(t.name);
        const TableDef& a = ours->table(t.name);
        const TableDef& b = theirs->table(t.name);
        EXPECT_EQ(a.tableType, b.tableType);
        EXPECT_EQ(a.varColumnCount, b.varColumnCount);
        ASSERT_EQ(a.columns.size(), b.columns.size());
        for (std::size_t i = 0; i < a.columns.size(); ++i) {
            const ColumnDef& x = a.columns[i];
            const ColumnDef& y = b.columns[i];
            EXPECT_EQ(std::tie(x.name, x.type, x.number, x.varIndex, x.index, x.sortOrder, x.flags,
                               x.fixedOffset, x.length),
                      std::tie(y.name, y.type, y.number, y.varIndex, y.index, y.sortOrder, y.flags,
                               y.fixedOffset, y.length))
                << x.name;
        }
        ASSERT_EQ(a.realIndexes.size(), b.realIndexes.size());
        for (std::size_t i = 0; i < a.realIndexes.size(); ++i) {
            EXPECT_EQ(a.realIndexes[i].flags, b.realIndexes[i].flags);
            ASSERT_EQ(a.realIndexes[i].columns.size(), b.realIndexes[i].columns.size());
            for (std::size_t j = 0; j < a.realIndexes[i].columns.size(); ++j) {
                EXPECT_EQ(a.realIndexes[i].columns[j].columnNumber, b.realIndexes[i].columns[j].columnNumber);
                EXPECT_EQ(a.realIndexes[i].columns[j].ascending, b.realIndexes[i].columns[j].ascending);
            }
            EXPECT_EQ(a.indexes[i].name, b.indexes[i].name);
            EXPECT_EQ(a.indexes[i].type, b.indexes[i].type);
        }
    }
    fs::remove_all(folder);
}

// Two tables with the rules Access's table designer sets, and an enforced relationship.
std::vector<NewTable> tablesWithRules()
{
    NewTable families{"Families",
                      {{"FamilyCode", coltype::Text, 10},
                       {"Head", coltype::Text, 50, 0, 0, false, true},
                       {"Created", coltype::DateTime, 0, 0, 0, false, false, std::nullopt, "Now()"},
                       {"Flag", coltype::Text, 1, 0, 0, false, true, false, "\"A\""}},
                      {{"PrimaryKey", {"FamilyCode"}, true}}};
    NewTable members{
        "Members",
        {{"ID", coltype::Long, 0, 0, 0, true},
         {"FamilyCode", coltype::Text, 10},
         {"Age", coltype::Int, 0, 0, 0, false, false, std::nullopt, "", ">=18", "Age must be at least 18"},
         {"Active", coltype::Boolean, 0, 0, 0, false, false, std::nullopt, "True"},
         {"Mobile", coltype::Text, 15}},
        {{"PrimaryKey", {"ID"}, true}, {"Mobile", {"Mobile"}, false, true, true}},
        "[Age]<120",
        "Too old for a policy"};
    return {families, members};
}

TEST(TableCreator, RulesPropertiesAndRelationshipsReadBackThroughOurReaderAndMdbtools)
{
    const std::vector<NewRelationship> relationships{
        {"FamiliesMembers", "Members", "Families", {"FamilyCode"}, {"FamilyCode"}, true, false, true}};
    for (const char* templateFile : {"templates/empty-jet4-2003.mdb", "templates/empty-ace-2010.accdb"}) {
        SCOPED_TRACE(templateFile);
        const fs::path folder = freshFolder("rules");
        const fs::path file = folder / fs::path(templateFile).filename();
        ASSERT_NO_THROW(createDatabase(kSamples / templateFile, file, "", tablesWithRules(), relationships));
        {
            // Two rows without an ID: the writer numbers them from the table's next number.
            auto db = Database::open(file, "");
            TableWriter writer(*db);
            Value none;
            writer.replaceRows("Families", {{text("F1"), text("Asha"), none, text("A")}});
            writer.replaceRows("Members",
                               {{none, text("F1"), integer(30), integer(1, Value::Kind::Bool), none},
                                {none, text("F1"), integer(40), integer(0, Value::Kind::Bool), none}});
            writer.commit();
        }

        auto db = Database::open(file, "");
        const TableDef& members = db->table("Members");
        EXPECT_EQ(members.columns[0].flags & colflag::AutoLong, colflag::AutoLong);
        EXPECT_EQ(members.columns[1].flags & colflag::AutoLong, 0);
        EXPECT_EQ(members.autoNumber, 2u);
        ASSERT_EQ(members.indexes.size(), 2u);
        EXPECT_TRUE(members.indexes[0].primaryKey());
        EXPECT_FALSE(members.indexes[1].primaryKey());
        const RealIndexDef& key = members.realIndexes[members.indexes[0].realIndex];
        const RealIndexDef& mobile = members.realIndexes[members.indexes[1].realIndex];
        EXPECT_EQ(std::tuple(key.unique(), key.required(), key.ignoreNulls()), std::tuple(true, true, false));
        EXPECT_EQ(std::tuple(mobile.unique(), mobile.required(), mobile.ignoreNulls()),
                  std::tuple(true, false, true));

        const Properties families = db->properties("Families");
        EXPECT_FALSE(families.required("FamilyCode"));
        EXPECT_TRUE(families.required("Head"));
        EXPECT_TRUE(families.required("Flag"));
        EXPECT_EQ(families.text("Created", "DefaultValue"), "Now()");
        EXPECT_EQ(families.text("Flag", "DefaultValue"), "\"A\"");
        EXPECT_FALSE(families.flag("Flag", "AllowZeroLength", true));
        EXPECT_TRUE(families.flag("Head", "AllowZeroLength", true));
        const Properties memberProperties = db->properties("Members");
        EXPECT_EQ(memberProperties.text("Age", "ValidationRule"), ">=18");
        EXPECT_EQ(memberProperties.text("Age", "ValidationText"), "Age must be at least 18");
        EXPECT_EQ(memberProperties.text("Active", "DefaultValue"), "True");
        EXPECT_EQ(memberProperties.text("", "ValidationRule"), "[Age]<120");
        EXPECT_EQ(memberProperties.text("", "ValidationText"), "Too old for a policy");

        const auto read = db->relationships();
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].name, "FamiliesMembers");
        EXPECT_EQ(read[0].table, "Members");
        EXPECT_EQ(read[0].referencedTable, "Families");
        EXPECT_EQ(read[0].columns, std::vector<std::string>{"FamilyCode"});
        EXPECT_EQ(read[0].referencedColumns, std::vector<std::string>{"FamilyCode"});
        EXPECT_EQ(std::tuple(read[0].enforced(), read[0].cascadeUpdates(), read[0].cascadeDeletes()),
                  std::tuple(true, false, true));

        const std::string quoted = orrin::testing::shellQuoted(file.string());
        EXPECT_EQ(run("mdb-prop " + quoted + " Families"),
                  "name: Head\n\tRequired: yes\n\n"
                  "name: Created\n\tDefaultValue: Now()\n\n"
                  "name: Flag\n\tAllowZeroLength: no\n\tDefaultValue: \"A\"\n\tRequired: yes\n\n");
        EXPECT_EQ(run("mdb-prop " + quoted + " Members"),
                  "name: (none)\n\tValidationRule: [Age]<120\n\tValidationText: Too old for a policy\n\n"
                  "name: Age\n\tValidationRule: >=18\n\tValidationText: Age must be at least 18\n\n"
                  "name: Active\n\tDefaultValue: True\n\n");
        EXPECT_EQ(
            run("mdb-schema --no-drop-table --default-values --not-empty " + quoted +
                " postgres 2>&1 | grep -v -e '^--' -e '^$' -e 'COMMENT ON'"),
            "SET client_encoding = 'UTF-8';\n"
            "CREATE TABLE IF NOT EXISTS \"families\"\n (\n"
            "\t\"familycode\"\t\t\tVARCHAR (10), \n"
            "\t\"head\"\t\t\tVARCHAR (50) NOT NULL, \n"
            "\t\"created\"\t\t\tTIMESTAMP WITHOUT TIME ZONE DEFAULT Now(), \n"
            "\t\"flag\"\t\t\tVARCHAR (1) NOT NULL DEFAULT 'A'\n);\n"
            "ALTER TABLE \"families\" ADD CHECK (\"flag\" <>'');\n"
            "ALTER TABLE \"families\" ADD CONSTRAINT \"families_pkey\" PRIMARY KEY (\"familycode\");\n"
            "CREATE TABLE IF NOT EXISTS \"members\"\n (\n"
            "\t\"id\"\t\t\tSERIAL, \n"
            "\t\"familycode\"\t\t\tVARCHAR (10), \n"
            "\t\"age\"\t\t\tINTEGER, \n"
            "\t\"active\"\t\t\tBOOLEAN NOT NULL DEFAULT True, \n"
            "\t\"mobile\"\t\t\tVARCHAR (15)\n);\n"
            "ALTER TABLE \"members\" ADD CONSTRAINT \"members_pkey\" PRIMARY KEY (\"id\");\n"
            "CREATE UNIQUE INDEX \"members_mobile_idx\" ON \"members\" (\"mobile\");\n"
            "ALTER TABLE \"Members\" ADD CONSTRAINT \"members_familycode_fk\" FOREIGN KEY (\"familycode\") "
            "REFERENCES \"Families\"(\"familycode\") ON DELETE CASCADE DEFERRABLE INITIALLY IMMEDIATE;\n");
        EXPECT_EQ(run("mdb-export " + quoted + " Members"),
                  "ID,FamilyCode,Age,Active,Mobile\n1,\"F1\",30,1,\n2,\"F1\",40,0,\n");
        fs::remove_all(folder);
    }
}

TEST(TableCreator, RefusesBadDescriptionsAndLeavesNoFile)
{
    const NewTable good = plain();
    NewTable twice = good;
    NewTable unknownColumn = good;
    unknownColumn.indexes = {{"ix", {"nope"}}};
    NewTable emptyText = good;
    emptyText.columns[1].length = 0;
    NewTable badType = good;
    badType.columns[0].type = coltype::Guid;
    NewTable sameColumn = good;
    sameColumn.columns.push_back({"PLAN", coltype::Long, 0});
    NewTable noName = good;
    noName.name = "";
    NewTable tooManyIndexes = good;
    for (int i = 0; i < 60; ++i)
        tooManyIndexes.indexes.push_back({"ix" + std::to_string(i), {"plan"}});
    NewTable textAutoNumber = good;
    textAutoNumber.columns[1].autoNumber = true;
    NewTable twoAutoNumbers = good;
    twoAutoNumbers.columns[0].autoNumber = true;
    twoAutoNumbers.columns.push_back({"Other", coltype::Long, 0, 0, 0, true});
    NewTable twoPrimaryKeys = good;
    twoPrimaryKeys.indexes = {{"pk1", {"plan"}, true}, {"pk2", {"PlanName"}, true}};
    NewTable zeroLengthNumber = good;
    zeroLengthNumber.columns[0].allowZeroLength = false;
    const std::vector<std::vector<NewTable>> cases{
        {good, twice},    {unknownColumn},  {emptyText},      {badType},        {sameColumn},      {noName},
        {tooManyIndexes}, {textAutoNumber}, {twoAutoNumbers}, {twoPrimaryKeys}, {zeroLengthNumber}};
    const std::vector<NewRelationship> badRelationships{{"r", "plans", "Nowhere", {"plan"}, {"plan"}},
                                                        {"r", "plans", "plans", {"nope"}, {"plan"}},
                                                        {"r", "plans", "plans", {"plan"}, {}},
                                                        {"", "plans", "plans", {"plan"}, {"plan"}}};
    const fs::path folder = freshFolder("bad");
    const auto refused = [&](const std::vector<NewTable>& tables,
                             const std::vector<NewRelationship>& relationships) {
        const fs::path file = folder / "x.mdb";
        try {
            createDatabase(kSamples / "templates/empty-jet4-2000.mdb", file, "", tables, relationships);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Unsupported) << e.what();
        }
        EXPECT_TRUE(fs::is_empty(folder));
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        refused(cases[i], {});
    }
    for (std::size_t i = 0; i < badRelationships.size(); ++i) {
        SCOPED_TRACE("relationship " + std::to_string(i));
        refused({good}, {badRelationships[i]});
    }
    fs::remove_all(folder);
}

} // namespace

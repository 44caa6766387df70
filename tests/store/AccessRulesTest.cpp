// The Access engine's table rules on a file whose tables carry them (tests/data/access/rules/
// rules.mdb, see rules.mdb.txt): defaults and AutoNumber at AddNew; Required, AllowZeroLength and
// validation rules at Update; rows already in the file load whatever they hold.

#include "common/Shell.h"
#include "jet/table/Database.h"
#include "jet/write/TableWriter.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Statement.h"
#include "store/access/AccessExpression.h"
#include "support/Fixture.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace orrin::store {
namespace {

using orrin::testing::TempDir;
namespace fs = std::filesystem;

const fs::path kRules = fs::path(ORRIN_ACCESS_SAMPLES) / "rules";

using orrin::testing::errorText;

fs::path copyRules(const TempDir& dir)
{
    for (const char* name : {"rules.mdb", "rules-data.mdb"})
        fs::copy_file(kRules / name, dir.path() / name, fs::copy_options::overwrite_existing);
    return dir.path() / "rules.mdb";
}

TEST(AccessRules, ANewRowStartsWithTheDefaultsAndTheNextAutoNumber)
{
    TempDir dir;
    Connection c;
    c.openFile(copyRules(dir), "", OpenMode::ReadWrite);
    c.beginTransaction();
    Recordset members;
    members.open("Members", c);
    members.addNew();
    EXPECT_EQ(members.field("ID"), Variant(std::int32_t{6}));
    EXPECT_EQ(members.field("Premium"), Variant(0.0));
    EXPECT_EQ(members.field("Active"), Variant(true));
    EXPECT_EQ(members.field("Remarks"), Variant("none"));
    EXPECT_EQ(members.field("Sum"), Variant::null());

    Recordset families;
    families.open("Families", c);
    const double before = std::floor(access::localNow().serial * 86400.0);
    families.addNew();
    const double after = access::localNow().serial * 86400.0;
    EXPECT_EQ(families.field("Flag"), Variant("A"));
    const Variant created = families.field("Created");
    ASSERT_TRUE(created.isDate()) << describe(created);
    EXPECT_GE(std::round(created.date().serial * 86400.0), before);
    EXPECT_LE(std::round(created.date().serial * 86400.0), std::ceil(after));
    c.rollback();
}

// The counter never goes back: a delete of every row leaves it where it was, and the written
// definition keeps it, as our reader and mdbtools read it back.
TEST(AccessRules, TheAutoNumberGoesOnAfterADeleteAndTheFileKeepsIt)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    c.execute("Delete from Notes");
    Recordset notes;
    notes.open("Notes", c);
    for (const char* text : {"first", "second"}) {
        notes.addNew();
        notes.setField("Note", Variant(text));
        notes.update();
    }
    notes.close();
    c.commit();
    c.close();

    EXPECT_EQ(jet::Database::open(path, "")->table("Notes").autoNumber, 3u);
    EXPECT_EQ(orrin::testing::runCommand("mdb-export " + orrin::testing::shellQuoted(path.string()) +
                                         " Notes | cut -d, -f1,2")
                  .output,
              "Seq,Note\n2,\"first\"\n3,\"second\"\n");
}

// The run's pattern on a target whose key is an AutoNumber and whose columns have defaults and a
// Required column with a default: the table emptied, then AddNew, the mapped fields, Update for
// each source row. Every row goes in; the file keeps them, as mdbtools reads it.
TEST(AccessRules, TheRunsPatternWritesEveryRowIntoATableWithAnAutoNumberKeyAndDefaults)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    c.execute("Delete from Families"); // cascades to Members
    Recordset families;
    families.open("Families", c);
    families.addNew();
    families.setField("FamilyCode", Variant("F100"));
    families.setField("Head", Variant("Meera Iyer"));
    families.update();
    families.close();
    Recordset members;
    members.open("Members", c);
    for (const char* name : {"Meera Iyer", "Arjun Iyer", "Kavya Iyer"}) {
        members.addNew();
        members.setField("FamilyCode", Variant("F100"));
        members.setField("Name", Variant(name));
        members.update();
    }
    members.close();
    c.commit();
    c.close();
    const auto read = [&](const std::string& table, const std::string& columns) {
        return orrin::testing::runCommand("mdb-export " + orrin::testing::shellQuoted(path.string()) + " " +
                                          table + " | cut -d, -f" + columns)
            .output;
    };
    EXPECT_EQ(read("Families", "1,2,4"), "FamilyCode,Head,Flag\n\"F100\",\"Meera Iyer\",\"A\"\n");
    EXPECT_EQ(read("Members", "1,2,4,6,8,9"), "ID,FamilyCode,Name,Premium,Active,Remarks\n"
                                              "6,\"F100\",\"Meera Iyer\",0,1,\"none\"\n"
                                              "7,\"F100\",\"Arjun Iyer\",0,1,\"none\"\n"
                                              "8,\"F100\",\"Kavya Iyer\",0,1,\"none\"\n");
}

struct Refusal {
    const char* name;
    const char* table;
    std::vector<std::pair<const char*, Variant>> fields;
    const char* message;
};

class RefusedAtUpdate : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedAtUpdate, WithTheEnginesMessage)
{
    TempDir dir;
    Connection c;
    c.openFile(copyRules(dir), "", OpenMode::ReadWrite);
    c.beginTransaction();
    Recordset target;
    target.open(GetParam().table, c);
    const double rowsBefore = static_cast<double>(target.recordCount());
    target.addNew();
    for (const auto& [field, value] : GetParam().fields)
        target.setField(field, value);
    EXPECT_EQ(errorText([&] { target.update(); }), GetParam().message);
    EXPECT_EQ(static_cast<double>(target.recordCount()),
              rowsBefore + (std::string(GetParam().message) == "(no error)"));
    c.rollback();
}

const Variant kFamily("F001");

INSTANTIATE_TEST_SUITE_P(
    Rules, RefusedAtUpdate,
    ::testing::Values(
        Refusal{"RequiredColumnLeftEmpty",
                "Families",
                {{"FamilyCode", Variant("F009")}},
                "You must enter a value in the 'Families.Head' field."},
        Refusal{"NullInThePrimaryKey",
                "Families",
                {{"Head", Variant("Asha")}},
                "Index or primary key cannot contain a Null value."},
        Refusal{"RequiredColumnFilledByItsDefault",
                "Families",
                {{"FamilyCode", Variant("F009")}, {"Head", Variant("Asha")}},
                "(no error)"},
        Refusal{"ZeroLengthText",
                "Members",
                {{"FamilyCode", kFamily}, {"PersCode", Variant(std::int16_t{7})}, {"Name", Variant("")}},
                "Field 'Members.Name' cannot be a zero-length string."},
        Refusal{"ColumnRuleWithItsText",
                "Members",
                {{"FamilyCode", kFamily}, {"PersCode", Variant(std::int16_t{7})}, {"Age", Variant(17.0)}},
                "Age must be at least 18"},
        Refusal{"ColumnRuleThatIsNullPasses",
                "Members",
                {{"FamilyCode", kFamily}, {"PersCode", Variant(std::int16_t{7})}, {"Name", Variant("Ravi")}},
                "(no error)"},
        Refusal{"TableRuleWithItsText",
                "Members",
                {{"FamilyCode", kFamily},
                 {"PersCode", Variant(std::int16_t{7})},
                 {"Premium", Variant(1000.0)},
                 {"Sum", Variant(9999.0)}},
                "Premium too high for the sum"},
        Refusal{"TableRulePasses",
                "Members",
                {{"FamilyCode", kFamily},
                 {"PersCode", Variant(std::int16_t{7})},
                 {"Premium", Variant(1000.0)},
                 {"Sum", Variant(10000.0)}},
                "(no error)"}),
    [](const auto& info) { return std::string(info.param.name); });

const char* const kDuplicate =
    "The changes you requested to the table were not successful because they would create duplicate values "
    "in "
    "the index, primary key, or relationship. Change the data in the field or fields that contain duplicate "
    "data, "
    "remove the index, or redefine the index to permit duplicate entries and try again.";

struct Insert {
    const char* name;
    std::vector<const char*> statements; // all but the last succeed
    const char* lastError;               // of the last
};

class UniqueInTheSortOrder : public ::testing::TestWithParam<Insert> {};

TEST_P(UniqueInTheSortOrder, RefusesAtTheStatementNotAtTheWrite)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    // SQL statements, unlike AddNew, bring no defaults and no AutoNumber: they give every value.
    const auto& statements = GetParam().statements;
    for (std::size_t i = 0; i + 1 < statements.size(); ++i)
        EXPECT_EQ(errorText([&] { c.execute(statements[i]); }), "(no error)") << statements[i];
    EXPECT_EQ(errorText([&] { c.execute(statements.back()); }), GetParam().lastError);
    // What was let in, the file takes.
    EXPECT_NO_THROW(c.commit());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UniqueInTheSortOrder,
    ::testing::Values(
        Insert{"AccentedCapitalIsTheSameKey",
               {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('émile', 'x', 'A')",
                "INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('ÉMILE', 'y', 'A')"},
               kDuplicate},
        Insert{"LigatureIsItsTwoLetters",
               {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('aeon', 'x', 'A')",
                "INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('æon', 'y', 'A')"},
               kDuplicate},
        Insert{"TwoColumnKey",
               {"INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (6, 'f001', 2)"},
               kDuplicate},
        Insert{
            "ChangedIntoADuplicate", {"UPDATE Members SET Mobile = '9820012345' WHERE ID = 2"}, kDuplicate},
        Insert{"NullInAKeyIsNeverADuplicate",
               {"INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (6, 'F003', NULL)",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (7, 'F003', NULL)"},
               "(no error)"},
        Insert{"IgnoreNullsIndexTakesManyNulls",
               {"INSERT INTO Members (ID, FamilyCode, PersCode, Mobile) VALUES (6, 'F003', 1, NULL)",
                "INSERT INTO Members (ID, FamilyCode, PersCode, Mobile) VALUES (7, 'F003', 3, NULL)"},
               "(no error)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Families -> Members (FamilyCode), enforced, cascading deletes and updates; indexes-2000.mdb's
// Table3 -> Table1 and Table2 -> Table1, enforced, the first cascading updates only, the second
// deletes only.
struct Related {
    const char* name;
    const char* sample;
    const char* statement;
    const char* error;
    const char* countSql; // what is left afterwards
    double count;
    std::vector<const char*> before = {}; // statements that succeed first
};

class RelationshipKept : public ::testing::TestWithParam<Related> {};

TEST_P(RelationshipKept, AsTheEngineKeepsIt)
{
    TempDir dir;
    fs::path path;
    if (std::string(GetParam().sample) == "rules") {
        path = copyRules(dir);
    } else {
        path = dir.path() / "indexes-2000.mdb";
        fs::copy_file(fs::path(ORRIN_ACCESS_SAMPLES) / "jet4/indexes-2000.mdb", path);
    }
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    for (const char* statement : GetParam().before)
        EXPECT_EQ(errorText([&] { c.execute(statement); }), "(no error)") << statement;
    EXPECT_EQ(errorText([&] { c.execute(GetParam().statement); }), GetParam().error);
    Statement count(c.handle(), GetParam().countSql, c.fileName(), &c);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).number(), GetParam().count);
    c.commit();
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RelationshipKept,
    ::testing::Values(
        Related{"OrphanRefused", "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'F404', 1)",
                "You cannot add or change a record because a related record is required in table 'Families'.",
                "SELECT count(*) FROM Members", 5},
        Related{"ChildMovedToAMissingParentRefused", "rules",
                "UPDATE Members SET FamilyCode = 'F404' WHERE ID = 1",
                "You cannot add or change a record because a related record is required in table 'Families'.",
                "SELECT count(*) FROM Members WHERE FamilyCode = 'F001'", 2},
        Related{"NullForeignKeyPasses", "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, NULL, 1)", "(no error)",
                "SELECT count(*) FROM Members", 6},
        Related{"ParentCaseDiffersStillFound", "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'f002', 5)", "(no error)",
                "SELECT count(*) FROM Members", 6},
        Related{"ParentFoundInTheSortOrder",
                "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'émile', 1)",
                "(no error)",
                "SELECT count(*) FROM Members",
                6,
                {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('ÉMILE', 'x', 'A')"}},
        Related{"LigatureFindsItsTwoLetters",
                "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'æon', 1)",
                "(no error)",
                "SELECT count(*) FROM Members",
                6,
                {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('AEON', 'x', 'A')"}},
        Related{"AccentStillMatters",
                "rules",
                "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'emile', 1)",
                "You cannot add or change a record because a related record is required in table 'Families'.",
                "SELECT count(*) FROM Members",
                5,
                {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('ÉMILE', 'x', 'A')"}},
        Related{"DeleteCascadesInTheSortOrder",
                "rules",
                "DELETE FROM Families WHERE FamilyCode = 'AEON'",
                "(no error)",
                "SELECT count(*) FROM Members",
                5,
                {"INSERT INTO Families (FamilyCode, Head, Flag) VALUES ('AEON', 'x', 'A')",
                 "INSERT INTO Members (ID, FamilyCode, PersCode) VALUES (9, 'æon', 1)"}},
        Related{"DeleteCascades", "rules", "DELETE FROM Families WHERE FamilyCode = 'F001'", "(no error)",
                "SELECT count(*) FROM Members", 3},
        Related{"EmptyingTheParentEmptiesTheChild", "rules", "Delete from Families", "(no error)",
                "SELECT count(*) FROM Members", 0},
        Related{"UpdateCascades", "rules",
                "UPDATE Families SET FamilyCode = 'F010' WHERE FamilyCode = 'F003'", "(no error)",
                "SELECT count(*) FROM Members WHERE FamilyCode = 'F010'", 2},
        Related{"BlockedDelete", "indexes", "Delete from Table3",
                "The record cannot be deleted or changed because table 'Table1' includes related records.",
                "SELECT count(*) FROM Table3", 4},
        Related{"BlockedKeyChange", "indexes", "UPDATE Table2 SET id = 7 WHERE id = 1",
                "The record cannot be deleted or changed because table 'Table1' includes related records.",
                "SELECT count(*) FROM Table2 WHERE id = 1", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Rates is linked to C:\\Agent\\rules-data.mdb: the file of that name beside rules.mdb (in any letter
// case) is read and written; rules.mdb itself keeps its bytes.
TEST(AccessRules, ALinkedTableIsReadAndWrittenInItsOwnFile)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    fs::rename(dir.path() / "rules-data.mdb", dir.path() / "RULES-DATA.MDB");
    std::ifstream before(path, std::ios::binary);
    const std::string bytesBefore{std::istreambuf_iterator<char>(before), {}};
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    Recordset rates;
    rates.open("Rates", c);
    EXPECT_EQ(rates.recordCount(), 3);
    EXPECT_EQ(errorText([&] { c.execute("INSERT INTO Rates (Code, Rate) VALUES ('wl', 1)"); }), kDuplicate);
    rates.addNew();
    rates.setField("Code", Variant("TP"));
    rates.setField("Rate", Variant(61.25));
    rates.update();
    rates.close();
    c.commit();
    c.close();
    EXPECT_EQ(
        orrin::testing::runCommand(
            "mdb-export " + orrin::testing::shellQuoted((dir.path() / "RULES-DATA.MDB").string()) + " Rates")
            .output,
        "Code,Rate\n\"EN\",48\n\"WL\",52.5\n\"MB\",40\n\"TP\",61.25\n");
    std::ifstream after(path, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(after), {}) == bytesBefore);
    EXPECT_FALSE(fs::exists(dir.path() / "RULES-DATA.MDB.orrin-before"));
}

// The linked file is replaced first; when the target's own replace then fails (another program
// changed the target meanwhile), the linked file is put back as it was, so both stay as they were.
TEST(AccessRules, ALinkedFileIsPutBackWhenTheTargetCannotBeReplaced)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    const fs::path data = dir.path() / "rules-data.mdb";
    const auto bytesOf = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string dataBefore = bytesOf(data);
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    c.execute("INSERT INTO Rates (Code, Rate) VALUES ('TP', 61.25)");
    c.execute("UPDATE Families SET Head = 'Asha' WHERE FamilyCode = 'F001'");
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(4096, '\0');
    const std::string targetBefore = bytesOf(path);
    EXPECT_EQ(errorText([&] { c.commit(); }),
              path.string() + " was changed by another program during the import; nothing was written.");
    EXPECT_TRUE(bytesOf(data) == dataBefore);
    EXPECT_TRUE(bytesOf(path) == targetBefore);
    EXPECT_FALSE(fs::exists(dir.path() / "rules-data.mdb.orrin-before"));
    EXPECT_EQ(
        orrin::testing::runCommand("mdb-export " + orrin::testing::shellQuoted(data.string()) + " Rates")
            .output,
        "Code,Rate\n\"EN\",48\n\"WL\",52.5\n\"MB\",40\n");
}

TEST(AccessRules, ALinkedTablesMissingFileKeepsTheTargetFromOpening)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    fs::remove(dir.path() / "rules-data.mdb");
    Connection c;
    EXPECT_EQ(errorText([&] { c.openFile(path, "", OpenMode::ReadWrite); }),
              "The linked table 'Rates' of '" + path.string() +
                  "' lies in 'C:\\Agent\\rules-data.mdb', which is not in '" + dir.path().string() + "'.");
    EXPECT_FALSE(c.isOpen());
}

// A Required column with an old Null (the rule came after the row): the table loads, and the old
// row is written back as it was.
TEST(AccessRules, RowsThatBreakARuleAddedLaterStillLoad)
{
    TempDir dir;
    const fs::path path = copyRules(dir);
    {
        auto database = jet::Database::open(path, "");
        jet::TableWriter writer(*database);
        const jet::TableDef& def = database->table("Families");
        auto rows = database->rows(def);
        bool added = false;
        writer.replaceRows("Families", [&](std::vector<jet::Value>& row) {
            if (rows.next()) {
                row = rows.values();
                return true;
            }
            if (added)
                return false;
            row.assign(def.columns.size(), jet::Value{});
            row[0].kind = jet::Value::Kind::Text;
            row[0].text = "F004";
            added = true;
            return true;
        });
        writer.commit();
    }
    Connection c;
    c.openFile(path, "", OpenMode::ReadWrite);
    c.beginTransaction();
    Statement count(c.handle(), "SELECT count(*) FROM Families WHERE Head IS NULL", c.fileName(), &c);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).number(), 1.0);
    // New rows are still held to the rule.
    EXPECT_EQ(errorText([&] { c.execute("INSERT INTO Families (FamilyCode) VALUES ('F005')"); }),
              "You must enter a value in the 'Families.Head' field.");
    EXPECT_EQ(errorText([&] { c.execute("UPDATE Families SET Flag = '' WHERE FamilyCode = 'F001'"); }),
              "Field 'Families.Flag' cannot be a zero-length string.");
    c.rollback();
}

} // namespace
} // namespace orrin::store

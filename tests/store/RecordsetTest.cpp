#include "store/Recordset.h"
#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/StoreError.h"
#include "support/Fixture.h"
#include "value/DateValue.h"

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace orrin::store {
namespace {

using orrin::testing::Row;
using orrin::testing::TempDir;

std::int32_t errorNumber(const std::function<void()>& action, std::string* message = nullptr)
{
    try {
        action();
    } catch (const Error& error) {
        if (message != nullptr)
            *message = error.description();
        return error.number();
    }
    return 0;
}

Variant shortValue(int v)
{
    return Variant(static_cast<std::int16_t>(v));
}
Variant longValue(int v)
{
    return Variant(static_cast<std::int32_t>(v));
}

// A target database with an open connection on it.
class RecordsetTest : public ::testing::Test {
  protected:
    void SetUp() override { m_file = orrin::testing::createTargetDb(m_dir.path()); }
    void insert(const std::string& table, const std::vector<Row>& rows)
    {
        orrin::testing::insertRows(m_file, orrin::testing::targetPassword(), table, rows);
    }
    Connection& connection()
    {
        if (!m_connection.isOpen())
            m_connection.openFile(m_file, orrin::testing::targetPassword(), OpenMode::ReadWrite);
        return m_connection;
    }
    std::vector<std::vector<Variant>> query(const std::string& sql)
    {
        return orrin::testing::query(m_file, orrin::testing::targetPassword(), sql);
    }

    TempDir m_dir;
    std::filesystem::path m_file;
    Connection m_connection;
};

TEST_F(RecordsetTest, tableRowsComeInRowidOrder)
{
    insert("company", {{{"pacode", Variant("C")}}, {{"pacode", Variant("A")}}, {{"pacode", Variant("B")}}});
    for (const char* source : {"company", "Select * from Company", "  SELECT   *\tFROM   [company] ; "}) {
        Recordset rs;
        rs.open(source, connection());
        EXPECT_EQ(rs.tableName(), "company") << source;
        std::string seen;
        while (!rs.eof()) {
            seen += rs.field("PACODE").text();
            rs.moveNext();
        }
        EXPECT_EQ(seen, "CAB") << source;
    }
}

TEST_F(RecordsetTest, queryKeepsItsOwnOrder)
{
    insert("company", {{{"pacode", Variant("C")}}, {{"pacode", Variant("a")}}, {{"pacode", Variant("B")}}});
    Recordset rs;
    rs.open("Select pacode from company order by pacode", connection());
    EXPECT_TRUE(rs.tableName().empty());
    std::string seen;
    for (; !rs.eof(); rs.moveNext())
        seen += rs.field(0).text();
    EXPECT_EQ(seen, "aBC") << "text columns compare without regard to case";
}

TEST_F(RecordsetTest, recordCountIsExactAndPositionCountsFromOne)
{
    insert("SB",
           {{{"policy_no", Variant("1")}}, {{"policy_no", Variant("2")}}, {{"policy_no", Variant("3")}}});
    for (const char* source : {"SB", "Select * from SB where policy_no <> '9'"}) {
        Recordset rs;
        rs.open(source, connection());
        EXPECT_EQ(rs.recordCount(), 3) << source;
        EXPECT_EQ(rs.absolutePosition(), 1) << source;
        rs.moveNext();
        EXPECT_EQ(rs.absolutePosition(), 2) << source;
        EXPECT_EQ(rs.recordCount(), 3) << source;
        rs.moveNext();
        rs.moveNext();
        EXPECT_TRUE(rs.eof());
        EXPECT_EQ(rs.absolutePosition(), -3) << source;
        EXPECT_EQ(rs.recordCount(), 3) << source;
    }
}

TEST_F(RecordsetTest, emptyTableIsAtEofWithCountZero)
{
    Recordset rs;
    rs.open("Agmast", connection());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.eof());
}

TEST_F(RecordsetTest, movingOrReadingPastTheEndIsNoCurrentRow)
{
    insert("SB", {{{"policy_no", Variant("1")}}});
    Recordset rs;
    rs.open("SB", connection());
    rs.moveNext();
    ASSERT_TRUE(rs.eof());
    EXPECT_EQ(errorNumber([&] { rs.moveNext(); }), code::NoCurrentRow);
    EXPECT_EQ(errorNumber([&] { rs.field("policy_no"); }), code::NoCurrentRow);
}

TEST_F(RecordsetTest, unknownFieldIsNamed)
{
    insert("SB", {{{"policy_no", Variant("1")}}});
    Recordset rs;
    rs.open("SB", connection());
    std::string message;
    EXPECT_EQ(errorNumber([&] { rs.field("PolicyNo"); }, &message), code::ItemNotFound);
    EXPECT_NE(message.find("'PolicyNo'"), std::string::npos) << message;
    rs.addNew();
    EXPECT_EQ(errorNumber([&] { rs.setField("PolicyNo", Variant("1")); }, &message), code::ItemNotFound);
    EXPECT_NE(message.find("'PolicyNo'"), std::string::npos) << message;
}

TEST_F(RecordsetTest, unknownTableNamesTableAndFile)
{
    Recordset rs;
    std::string message;
    EXPECT_EQ(errorNumber([&] { rs.open("Polices", connection()); }, &message), code::NotFound);
    EXPECT_EQ(message, "Cannot find the table or query 'Polices' in '" + m_file.string() + "'.");
    EXPECT_FALSE(rs.isOpen());
}

TEST_F(RecordsetTest, rejectedQueryFailsAtOpenWithTextAndReason)
{
    Recordset rs;
    std::string message;
    const std::string sql = "Select * from Client1 order by FamilyCode";
    EXPECT_EQ(errorNumber([&] { rs.open(sql, connection()); }, &message), code::NotFound);
    EXPECT_NE(message.find(sql), std::string::npos) << message;
    EXPECT_NE(message.find("no such table: Client1"), std::string::npos) << message;
    EXPECT_FALSE(rs.isOpen());
}

TEST_F(RecordsetTest, openingAnOpenRecordsetAndClosingAClosedOneAreErrors)
{
    Recordset rs;
    rs.open("SB", connection());
    EXPECT_EQ(errorNumber([&] { rs.open("Policies", connection()); }), code::AlreadyOpen);
    rs.close();
    EXPECT_EQ(errorNumber([&] { rs.close(); }), code::Closed);
    EXPECT_EQ(errorNumber([&] { rs.eof(); }), code::Closed);
}

TEST_F(RecordsetTest, fieldsReadByTheirDeclaredType)
{
    insert("Policies", {{{"policy_no", Variant("123456789")},
                         {"Issue_Dt", Variant(makeDate(2001, 3, 15))},
                         {"Plan", Variant("014")},
                         {"Term", Variant("15 yrs")},
                         {"Sum", Variant(100000.0)},
                         {"Age", Variant(static_cast<std::int32_t>(35))},
                         {"PersCode", Variant(static_cast<std::int32_t>(3))},
                         {"matdt", Variant("not yet")}}});
    insert("NewBonus", {{{"BonusCat", Variant("EN")}, {"YY", Variant(static_cast<std::int32_t>(2001))}},
                        {{"BonusCat", Variant("EN")}, {"YY", Variant(static_cast<std::int32_t>(1999))}}});

    Recordset rs;
    rs.open("Policies", connection());
    EXPECT_EQ(rs.field("policy_no"), Variant("123456789"));
    EXPECT_EQ(rs.field("issue_dt"), Variant(makeDate(2001, 3, 15)));
    EXPECT_EQ(rs.field("Plan"), Variant("014"));
    EXPECT_EQ(rs.field("Term"), Variant("15 yrs"));
    EXPECT_EQ(rs.field("Sum"), Variant(100000.0));
    EXPECT_EQ(rs.field("Age"), shortValue(35));
    EXPECT_EQ(rs.field("PersCode"), longValue(3));
    EXPECT_EQ(rs.field("matdt"), Variant("not yet")) << "text that is no date reads as the text it is";
    EXPECT_EQ(rs.field("PremEndDt"), Variant::null());

    Recordset aggregate;
    aggregate.open("Select min(YY) from NewBonus where BonusCat='en'", connection());
    EXPECT_EQ(aggregate.field(0), longValue(1999)) << "an expression has no declared type";
}

TEST_F(RecordsetTest, datesAreStoredInTheirTextFormAndReadBackAsDates)
{
    {
        Recordset rs;
        rs.open("SB", connection());
        rs.addNew();
        rs.setField("policy_no", Variant("A"));
        rs.setField("sb_duedate", Variant(makeDate(2031, 3, 15)));
        rs.update();
        rs.addNew();
        rs.setField("policy_no", Variant("B"));
        rs.setField("sb_duedate", Variant(makeDate(2031, 3, 15, 10, 30, 5)));
        rs.update();
        rs.addNew();
        rs.setField("policy_no", Variant("C"));
        rs.setField("sb_duedate", Variant("29-Feb-2032"));
        rs.update();
        rs.close();
    }
    m_connection.close();
    const auto raw = query("SELECT sb_duedate || '', typeof(sb_duedate) FROM SB ORDER BY rowid");
    ASSERT_EQ(raw.size(), 3u);
    EXPECT_EQ(raw[0][0], Variant("2031-03-15"));
    EXPECT_EQ(raw[1][0], Variant("2031-03-15 10:30:05"));
    EXPECT_EQ(raw[2][0], Variant("2032-02-29"));
    EXPECT_EQ(raw[0][1], Variant("text"));

    Recordset rs;
    rs.open("SB", connection());
    EXPECT_EQ(rs.field("sb_duedate"), Variant(makeDate(2031, 3, 15)));
    rs.moveNext();
    EXPECT_EQ(rs.field("sb_duedate"), Variant(makeDate(2031, 3, 15, 10, 30, 5)));
    rs.moveNext();
    EXPECT_EQ(rs.field("sb_duedate"), Variant(makeDate(2032, 2, 29)));
}

TEST_F(RecordsetTest, pendingRowReadsAssignedValuesAndNullElsewhere)
{
    Recordset rs;
    rs.open("Policies", connection());
    rs.addNew();
    EXPECT_TRUE(rs.isAdding());
    rs.setField("PersCode", Variant("15"));
    rs.setField("Sum", longValue(50000));
    rs.setField("Plan", Variant(14.0));
    EXPECT_EQ(rs.field("perscode"), longValue(15));
    EXPECT_EQ(rs.field("Sum"), Variant(50000.0));
    EXPECT_EQ(rs.field("Plan"), Variant("14"));
    EXPECT_EQ(rs.field("matdt"), Variant::null());

    // A failed assignment leaves the field Null, even after an earlier good one.
    EXPECT_EQ(errorNumber([&] { rs.setField("Sum", Variant("abc")); }), err::TypeMismatch);
    EXPECT_EQ(rs.field("Sum"), Variant::null());
    rs.update();
    EXPECT_FALSE(rs.isAdding());
    rs.close();

    const auto rows = query("SELECT PersCode, Sum, Plan FROM Policies");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], longValue(15));
    EXPECT_EQ(rows[0][1], Variant::null());
    EXPECT_EQ(rows[0][2], Variant("14"));
}

TEST_F(RecordsetTest, tooLongTextIsRefusedAndTheRowStillSaves)
{
    Recordset rs;
    rs.open("Family", connection());
    rs.addNew();
    rs.setField("FamilyCode", Variant("F1"));
    std::string message;
    EXPECT_EQ(
        errorNumber([&] { rs.setField("Address1", Variant("Flat 12, Shanti Niketan Road")); }, &message),
        code::FieldTooSmall);
    EXPECT_EQ(message,
              "The field 'Family.Address1' is too small for the value 'Flat 12, Shanti Niketan Road' "
              "(28 characters, at most 25).");
    rs.update();
    rs.close();
    const auto rows = query("SELECT FamilyCode, Address1 FROM Family");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("F1"));
    EXPECT_EQ(rows[0][1], Variant::null());
}

TEST_F(RecordsetTest, unassignedFieldsTakeTheTableDefaults)
{
    connection().execute(
        "CREATE TABLE Flags (Code TEXT(5), State TEXT(1) DEFAULT 'A', Count SHORT DEFAULT 7)");
    Recordset rs;
    rs.open("Flags", connection());
    rs.addNew();
    rs.setField("Code", Variant("X"));
    rs.update();
    rs.addNew();
    rs.update();
    rs.close();
    m_connection.close();
    const auto rows = query("SELECT Code, State, Count FROM Flags ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<Variant>{Variant("X"), Variant("A"), shortValue(7)}));
    EXPECT_EQ(rows[1], (std::vector<Variant>{Variant::null(), Variant("A"), shortValue(7)}));
}

TEST_F(RecordsetTest, failedUpdateDiscardsThePendingRow)
{
    connection().execute("CREATE TABLE Codes (Code TEXT(5) NOT NULL UNIQUE, Note TEXT(20))");
    Recordset rs;
    rs.open("Codes", connection());
    rs.addNew();
    rs.setField("Code", Variant("A"));
    rs.setField("Note", Variant("first"));
    rs.update();

    rs.addNew();
    rs.setField("Code", Variant("A"));
    rs.setField("Note", Variant("duplicate"));
    std::string message;
    EXPECT_EQ(errorNumber([&] { rs.update(); }, &message), code::General);
    EXPECT_NE(message.find("UNIQUE"), std::string::npos) << message;
    EXPECT_FALSE(rs.isAdding());
    EXPECT_EQ(errorNumber([&] { rs.update(); }), code::NotInAddMode);

    rs.addNew();
    EXPECT_EQ(rs.field("Note"), Variant::null()) << "nothing of the failed row may leak into the next";
    rs.setField("Code", Variant("B"));
    rs.update();
    rs.close();
    m_connection.close();

    const auto rows = query("SELECT Code, Note FROM Codes ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<Variant>{Variant("A"), Variant("first")}));
    EXPECT_EQ(rows[1], (std::vector<Variant>{Variant("B"), Variant::null()}));
}

TEST_F(RecordsetTest, assigningWithoutAddNewIsAnError)
{
    Recordset rs;
    rs.open("SB", connection());
    EXPECT_EQ(errorNumber([&] { rs.setField("policy_no", Variant("1")); }), code::NotInAddMode);
    EXPECT_EQ(errorNumber([&] { rs.update(); }), code::NotInAddMode);

    Recordset query;
    query.open("Select policy_no from SB", connection());
    EXPECT_EQ(errorNumber([&] { query.addNew(); }), code::NotSupported);
}

TEST_F(RecordsetTest, secondAddNewSavesTheRowBeingAdded)
{
    Recordset rs;
    rs.open("SB", connection());
    rs.addNew();
    rs.setField("policy_no", Variant("1"));
    rs.addNew();
    rs.setField("policy_no", Variant("2"));
    rs.update();
    rs.close();
    const auto rows = query("SELECT policy_no FROM SB ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], Variant("1"));
    EXPECT_EQ(rows[1][0], Variant("2"));
}

// Refuses every read of the rows of one table: a statement that would read them cannot be prepared.
int denyReadingFamily(void*, int action, const char* table, const char*, const char*, const char*)
{
    if (action == SQLITE_READ && table != nullptr && std::strcmp(table, "Family") == 0)
        return SQLITE_DENY;
    return SQLITE_OK;
}

TEST_F(RecordsetTest, appendingNeverReadsTheRowsOfTheTable)
{
    insert("Family", {{{"FamilyCode", Variant("OLD")}}});
    ASSERT_EQ(sqlite3_set_authorizer(connection().handle(), denyReadingFamily, nullptr), SQLITE_OK);

    Recordset target;
    target.open("Family", connection());
    for (const char* code : {"F1", "F2"}) {
        target.addNew();
        target.setField("FamilyCode", Variant(code));
        target.setField("Loc_Cd", Variant("12"));
        EXPECT_EQ(target.field("FamilyCode"), Variant(code));
        target.update();
    }
    target.close();

    // The same guard stops a recordset that does read: the check above could have failed.
    Recordset reader;
    reader.open("Family", connection());
    EXPECT_NE(errorNumber([&] { reader.eof(); }), 0);
    reader.close();
    sqlite3_set_authorizer(connection().handle(), nullptr, nullptr);
    m_connection.close();

    const auto rows = query("SELECT FamilyCode, Loc_Cd FROM Family ORDER BY rowid");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (std::vector<Variant>{Variant("F1"), longValue(12)}));
    EXPECT_EQ(rows[2], (std::vector<Variant>{Variant("F2"), longValue(12)}));
}

TEST_F(RecordsetTest, rowsAppendedInARolledBackTransactionAreGone)
{
    insert("SB", {{{"policy_no", Variant("KEEP")}}});
    connection().beginTransaction();
    connection().execute("Delete from SB");
    Recordset rs;
    rs.open("SB", connection());
    rs.addNew();
    rs.setField("policy_no", Variant("NEW"));
    rs.update();
    EXPECT_EQ(rs.recordCount(), 1);
    rs.close();
    connection().rollback();
    m_connection.close();
    const auto rows = query("SELECT policy_no FROM SB");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("KEEP"));
}

TEST_F(RecordsetTest, closedConnectionStopsItsRecordsets)
{
    insert("SB", {{{"policy_no", Variant("1")}}});
    Recordset rs;
    rs.open("SB", connection());
    EXPECT_FALSE(rs.eof());
    m_connection.close();
    EXPECT_EQ(errorNumber([&] { rs.field("policy_no"); }), code::Closed);
    EXPECT_EQ(errorNumber([&] { rs.addNew(); }), code::Closed);
}

// Columns whose declared type gives them numeric affinity may hold what the engine made of a text;
// reading turns it back into the declared kind.
TEST(RecordsetStorage, storedContentsReadAsTheDeclaredKind)
{
    TempDir dir;
    const auto file = dir.path() / "kinds.mdb";
    createDatabase(file, "pw",
                   "CREATE TABLE Kinds (Note MEMO, Small SHORT, Flag YESNO, Price CURRENCY, Ratio SINGLE, "
                   "Whole LONG, Loose)");
    orrin::testing::execute(file, "pw",
                            "INSERT INTO Kinds VALUES (123, '12', 1, 10, 0.5, 3.0, 7), "
                            "('Plain words', 'abc', 0, 2.5, 2, 4.5, 'x')");
    Connection connection;
    connection.openFile(file, "pw", OpenMode::ReadOnly);
    Recordset rs;
    rs.open("Kinds", connection);
    EXPECT_EQ(rs.field("Note"), Variant("123"));
    EXPECT_EQ(rs.field("Small"), shortValue(12));
    EXPECT_EQ(rs.field("Flag"), Variant(true));
    EXPECT_EQ(rs.field("Price"), Variant(10.0));
    EXPECT_EQ(rs.field("Ratio"), Variant(0.5));
    EXPECT_EQ(rs.field("Whole"), longValue(3));
    EXPECT_EQ(rs.field("Loose"), longValue(7));
    rs.moveNext();
    EXPECT_EQ(rs.field("Note"), Variant("Plain words"));
    EXPECT_EQ(rs.field("Small"), Variant("abc"));
    EXPECT_EQ(rs.field("Flag"), Variant(false));
    EXPECT_EQ(rs.field("Price"), Variant(2.5));
    EXPECT_EQ(rs.field("Ratio"), Variant(2.0));
    EXPECT_EQ(rs.field("Whole"), Variant(4.5));
    EXPECT_EQ(rs.field("Loose"), Variant("x"));
}

} // namespace
} // namespace orrin::store

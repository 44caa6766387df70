#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "support/Fixture.h"
#include "value/DateValue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrin::store {
namespace {

using orrin::testing::TempDir;

class InsertStatementTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_file = orrin::testing::createTargetDb(m_dir.path());
        m_connection.openFile(m_file, orrin::testing::targetPassword(), OpenMode::ReadWrite);
    }
    // Every SB row as stored: the due date as its stored text.
    std::vector<std::vector<Variant>> sbRows()
    {
        return orrin::testing::query(
            m_file, orrin::testing::targetPassword(),
            "select policy_no, sb_duedate || '', sb_amount, i_no from SB order by rowid");
    }

    TempDir m_dir;
    std::filesystem::path m_file;
    Connection m_connection;
};

struct SbRow {
    const char* name;
    std::vector<std::pair<std::string, Variant>> assigned;
    std::vector<Variant> stored; // policy_no, sb_duedate as text, sb_amount, i_no
};

// Rows that assign different sets of fields, one after another on the same recordset: each is saved
// with exactly its own values, the fields it leaves out Null, whichever statement the row before used.
TEST_F(InsertStatementTest, eachRowKeepsExactlyTheFieldsItAssigns)
{
    const Variant null = Variant::null();
    const std::vector<SbRow> rows = {
        {"every field",
         {{"policy_no", Variant("P-1")},
          {"sb_duedate", Variant(makeDate(2024, 2, 29))},
          {"sb_amount", Variant(12500.5)},
          {"i_no", Variant(std::int32_t{1})}},
         {Variant("P-1"), Variant("2024-02-29"), Variant(12500.5), Variant(std::int16_t{1})}},
        {"two fields, in another order",
         {{"I_NO", Variant(std::int32_t{2})}, {"POLICY_NO", Variant("P-2")}},
         {Variant("P-2"), null, null, Variant(std::int16_t{2})}},
        {"no field at all", {}, {null, null, null, null}},
        {"every field again, new values",
         {{"policy_no", Variant("P-3/twenty-chars-max")},
          {"sb_duedate", Variant(makeDate(2031, 4, 1))},
          {"sb_amount", Variant(0.1)},
          {"i_no", Variant(std::int32_t{3})}},
         {Variant("P-3/twenty-chars-max"), Variant("2031-04-01"), Variant(0.1), Variant(std::int16_t{3})}},
        {"a date with a time of day",
         {{"policy_no", Variant("P-4")}, {"sb_duedate", Variant(makeDate(1999, 12, 31, 13, 5, 9))}},
         {Variant("P-4"), Variant("1999-12-31 13:05:09"), null, null}},
        {"a date in the first year a field holds",
         {{"policy_no", Variant("P-5")}, {"sb_duedate", Variant(makeDate(100, 1, 1))}},
         {Variant("P-5"), Variant("0100-01-01"), null, null}},
    };

    Recordset sb;
    sb.open("SB", m_connection);
    std::vector<std::vector<Variant>> expected;
    for (const SbRow& row : rows) {
        SCOPED_TRACE(row.name);
        sb.addNew();
        for (const auto& [field, value] : row.assigned)
            sb.setField(field, value);
        sb.update();
        expected.push_back(row.stored);
    }
    sb.close();

    const auto actual = sbRows();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        ASSERT_EQ(actual[i].size(), 4u);
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_EQ(describe(actual[i][c]), describe(expected[i][c])) << "column " << c;
    }
}

// The texts of a row are handed to the engine without a copy: a value assigned from a temporary
// must still be saved whole after the temporary is gone.
TEST_F(InsertStatementTest, textsAssignedFromTemporariesAreSavedWhole)
{
    Recordset sb;
    sb.open("SB", m_connection);
    for (int i = 0; i < 3; ++i) {
        sb.addNew();
        sb.setField("policy_no", Variant(std::string("POL-") + std::to_string(1000 + i)));
        sb.setField("i_no", Variant(std::int32_t{i}));
        sb.update();
    }
    sb.close();
    const auto actual = sbRows();
    ASSERT_EQ(actual.size(), 3u);
    EXPECT_EQ(describe(actual[0][0]), describe(Variant("POL-1000")));
    EXPECT_EQ(describe(actual[1][0]), describe(Variant("POL-1001")));
    EXPECT_EQ(describe(actual[2][0]), describe(Variant("POL-1002")));
}

TEST_F(InsertStatementTest, oneStatementPerSetOfColumns)
{
    const TableInfo& sb = m_connection.tableInfo("SB");
    Statement& allFour = m_connection.insertStatement(sb, {true, true, true, true});
    Statement& numberOnly = m_connection.insertStatement(sb, {true, false, false, false});
    Statement& none = m_connection.insertStatement(sb, {false, false, false, false});
    EXPECT_EQ(
        allFour.sql(),
        "INSERT INTO \"SB\" (\"policy_no\", \"sb_duedate\", \"sb_amount\", \"i_no\") VALUES (?, ?, ?, ?)");
    EXPECT_EQ(numberOnly.sql(), "INSERT INTO \"SB\" (\"policy_no\") VALUES (?)");
    EXPECT_EQ(none.sql(), "INSERT INTO \"SB\" DEFAULT VALUES");
    EXPECT_EQ(&m_connection.insertStatement(sb, {true, true, true, true}), &allFour);
    EXPECT_EQ(&m_connection.insertStatement(sb, {true, false, false, false}), &numberOnly);
    EXPECT_NE(&allFour, &numberOnly);
}

TEST_F(InsertStatementTest, aRecordsetKeepsItsColumnsAfterTheConnectionCloses)
{
    Recordset sb;
    sb.open("SB", m_connection);
    sb.addNew();
    sb.setField("policy_no", Variant("P-9"));
    m_connection.close();
    std::int32_t number = 0;
    try {
        sb.update();
    } catch (const orrin::Error& error) {
        number = error.number();
    }
    EXPECT_EQ(number, code::Closed); // an error, never a write through a handle that is gone
}

} // namespace
} // namespace orrin::store

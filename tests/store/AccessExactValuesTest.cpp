// An Access table's values in the store exactly as the file holds them: Memo text that looks like a
// number stays text, dates keep their double (milliseconds included), currency its 64-bit count of
// ten-thousandths, a Decimal(28,8) its digits; rows a run does not change go back into the file
// with the same values, and a run's new row keeps what it was given.

#include "jet/base/Value.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>

namespace orrin::store {
namespace {

namespace fs = std::filesystem;
using orrin::testing::TempDir;

const fs::path kSamples = ORRIN_ACCESS_SAMPLES;

// 2 January 2020 10:20:05.678, and 31 December 2019 23:59:59.6 (a tenth of a second before the
// next day: rounded to the second it would become 1 January 2020).
const double kWithMilliseconds = 43832.0 + (10 * 3600 + 20 * 60 + 5.678) / 86400.0;
const double kJustBeforeMidnight = 43830.0 + (23 * 3600 + 59 * 60 + 59.6) / 86400.0;
constexpr std::int64_t kLargestCurrency = std::numeric_limits<std::int64_t>::max();  // 922337203685477.5807
constexpr std::int64_t kSmallestCurrency = std::numeric_limits<std::int64_t>::min(); // -922337203685477.5808

struct Row {
    const char* label;
    const char* memo;
    double due;
    std::int64_t amount;
    const char* decimal;
};

const Row kRows[] = {
    {"leading zeros", "007", kWithMilliseconds, kLargestCurrency, "12345678901234567890.12345678"},
    {"decimal zero", "1.50", kJustBeforeMidnight, kSmallestCurrency, "-12345678901234567890.12345678"},
    {"blanks", "  42 ", 0.5, 1, "0.00000001"},
    {"exponent", "1e3", -1.25, -1, "1.5"},
    {"negative zero", "-0", 2958465.9999884259, 0, "0"},
};

jet::Value text(const std::string& value)
{
    jet::Value v;
    v.kind = jet::Value::Kind::Text;
    v.text = value;
    return v;
}

jet::Value number(jet::Value::Kind kind, double real, std::int64_t integer = 0)
{
    jet::Value v;
    v.kind = kind;
    v.real = real;
    v.integer = integer;
    return v;
}

// A Jet 4 file with the table "Exact" (Label, Note as Memo, Due, Amount as currency, Part as
// Decimal(28,8)) holding kRows.
fs::path exactFile(const TempDir& dir)
{
    const fs::path file = dir.path() / "exact.mdb";
    jet::createDatabase(kSamples / "templates/empty-jet4-2003.mdb", file, "",
                        {jet::NewTable{"Exact",
                                       {{"Label", jet::coltype::Text, 20},
                                        {"Note", jet::coltype::Memo},
                                        {"Due", jet::coltype::DateTime},
                                        {"Amount", jet::coltype::Money},
                                        {"Part", jet::coltype::Numeric, 0, 28, 8}},
                                       {}}});
    auto db = jet::Database::open(file, "");
    std::vector<std::vector<jet::Value>> rows;
    for (const Row& r : kRows)
        rows.push_back({text(r.label), text(r.memo), number(jet::Value::Kind::DateTime, r.due),
                        number(jet::Value::Kind::Currency, 0, r.amount), text(r.decimal)});
    jet::TableWriter writer(*db);
    writer.replaceRows("Exact", rows);
    writer.commit();
    return file;
}

std::vector<std::vector<jet::Value>> fileRows(const fs::path& file)
{
    auto db = jet::Database::open(file, "");
    auto cursor = db->rows(db->table("Exact"));
    std::vector<std::vector<jet::Value>> rows;
    while (cursor.next())
        rows.push_back(cursor.values());
    return rows;
}

std::uint64_t bitsOf(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The decimal as the file reader gives it: exact digits beyond a double's reach, else the double.
std::string decimalOf(const jet::Value& v)
{
    return v.kind == jet::Value::Kind::Text ? v.text : std::to_string(v.real);
}

TEST(AccessExactValues, TheRunReadsEveryValueAsTheFileHoldsIt)
{
    TempDir dir;
    const fs::path file = exactFile(dir);
    Connection connection;
    connection.openFile(file, "", OpenMode::ReadOnly);
    Recordset rows;
    rows.open("Exact", connection);
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.label);
        ASSERT_FALSE(rows.eof());
        EXPECT_EQ(rows.field("Note"), Variant(std::string(r.memo)));
        EXPECT_EQ(bitsOf(rows.field("Due").date().serial), bitsOf(r.due));
        EXPECT_EQ(rows.field("Amount"),
                  Variant(static_cast<double>(static_cast<long double>(r.amount) / 10000.0L)));
        EXPECT_EQ(rows.field("Part"), Variant(std::stod(r.decimal)));
        rows.moveNext();
    }
    EXPECT_TRUE(rows.eof());
}

TEST(AccessExactValues, UnchangedRowsGoBackWithTheirValuesAndANewRowKeepsItsOwn)
{
    TempDir dir;
    const fs::path file = exactFile(dir);
    const auto before = fileRows(file);
    ASSERT_EQ(before.size(), std::size(kRows));
    ASSERT_EQ(before[0][4].text, "12345678901234567890.12345678"); // beyond a double: the digits

    Connection connection;
    connection.openFile(file, "", OpenMode::ReadWrite);
    connection.beginTransaction();
    Recordset rows;
    rows.open("Exact", connection);
    rows.addNew();
    rows.setField("Label", Variant("run"));
    rows.setField("Note", Variant("07139053"));
    rows.setField("Due", Variant(Date{kWithMilliseconds}));
    rows.setField("Amount", Variant(12.3456));
    rows.setField("Part", Variant("98765432109876543210.87654321"));
    rows.update();
    rows.close();
    connection.commit();
    connection.close();

    const auto after = fileRows(file);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(kRows[i].label);
        EXPECT_EQ(after[i][1].text, before[i][1].text);
        EXPECT_EQ(after[i][2].kind, jet::Value::Kind::DateTime);
        EXPECT_EQ(bitsOf(after[i][2].real), bitsOf(kRows[i].due));
        EXPECT_EQ(after[i][3].kind, jet::Value::Kind::Currency);
        EXPECT_EQ(after[i][3].integer, kRows[i].amount);
        EXPECT_EQ(decimalOf(after[i][4]), decimalOf(before[i][4]));
    }
    const auto& added = after.back();
    EXPECT_EQ(added[1].text, "07139053");
    EXPECT_EQ(bitsOf(added[2].real), bitsOf(kWithMilliseconds));
    EXPECT_EQ(added[3].integer, 123456);
    EXPECT_EQ(added[4].text, "98765432109876543210.87654321");
}

} // namespace
} // namespace orrin::store

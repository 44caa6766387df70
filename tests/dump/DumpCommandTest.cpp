// orrin-import-dump: what it prints for Access and SQLCipher files, and its one-line errors.

#include "dump/DumpCommand.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"
#include "store/KnownDatabases.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>
#include <sstream>

namespace orrin::dump {
namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

struct Ran {
    int status;
    std::string out;
    std::string err;
};

Ran run(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = runDump(arguments, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text, const std::string& end = "\n")
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
        result.push_back(text.substr(start, at - start));
    return result;
}

TEST(DumpCommand, PrintsTablesAsJsonLines)
{
    const Ran ran = run({(kSamples / "jet4/types-2000.mdb").string(), "--table", "table1"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto printed = lines(ran.out);
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[0], R"x({"format":"Jet 4"})x");
    EXPECT_EQ(printed[1],
              R"x({"table":"Table1","rows":2,"columns":["A:TEXT(50)","B:TEXT(100)","C:BYTE","D:SHORT",)x"
              R"x("E:LONG","F:DOUBLE","G:DATETIME","H:CURRENCY","I:YESNO"]})x");
    EXPECT_EQ(printed[2],
              R"x({"t":"Table1","A":"abcdefg","B":"hijklmnop","C":2,"D":222,"E":333333333,"F":444.555,)x"
              R"x("G":"1974-09-21 00:00:00","H":3.5000,"I":true})x");
    EXPECT_EQ(printed[3],
              R"x({"t":"Table1","A":"a","B":"b","C":0,"D":0,"E":0,"F":0.0,"G":"1981-12-12 00:00:00",)x"
              R"x("H":0.0000,"I":false})x");
}

// Memo values that look like numbers print as the text they are, as the independent reader found
// them (expected/ace__deleted-column-2016.accdb.jsonl).
TEST(DumpCommand, PrintsMemoValuesAsText)
{
    const Ran ran = run({(kSamples / "ace/deleted-column-2016.accdb").string(), "--table", "~TMPCLP236321"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto printed = lines(ran.out);
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[2],
              R"x({"t":"~TMPCLP236321","col3":"3","col1":"1","col6":"6","col7":"7","col10":"10"})x");
    EXPECT_EQ(printed[3],
              R"x({"t":"~TMPCLP236321","col3":"9","col1":"7","col6":"12","col7":"13","col10":"16"})x");
}

// Currency digit for digit at both ends of its range, a Decimal(28,8) beyond a double, and Memo
// text that looks like a number, from a file written for the test.
TEST(DumpCommand, PrintsEveryDigitOfCurrencyAndDecimalAndMemoAsText)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("orrin-dump-exact-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = folder / "exact.mdb";
    namespace coltype = jet::coltype;
    jet::createDatabase(
        kSamples / "templates/empty-jet4-2003.mdb", file, "",
        {jet::NewTable{
            "Exact",
            {{"Note", coltype::Memo}, {"Amount", coltype::Money}, {"Part", coltype::Numeric, 0, 28, 8}},
            {}}});
    const auto value = [](jet::Value::Kind kind, std::string text, std::int64_t integer) {
        jet::Value v;
        v.kind = kind;
        v.text = std::move(text);
        v.integer = integer;
        return v;
    };
    using Kind = jet::Value::Kind;
    {
        auto db = jet::Database::open(file, "");
        jet::TableWriter writer(*db);
        writer.replaceRows("Exact", {{value(Kind::Text, "007", 0),
                                      value(Kind::Currency, "", std::numeric_limits<std::int64_t>::max()),
                                      value(Kind::Text, "12345678901234567890.12345678", 0)},
                                     {value(Kind::Text, "1e3", 0),
                                      value(Kind::Currency, "", std::numeric_limits<std::int64_t>::min()),
                                      value(Kind::Text, "-0.00000001", 0)}});
        writer.commit();
    }
    const Ran ran = run({file.string()});
    std::filesystem::remove_all(folder);
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto printed = lines(ran.out);
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[1],
              R"x({"table":"Exact","rows":2,"columns":["Note:MEMO","Amount:CURRENCY","Part:DECIMAL"]})x");
    EXPECT_EQ(
        printed[2],
        R"x({"t":"Exact","Note":"007","Amount":922337203685477.5807,"Part":12345678901234567890.12345678})x");
    EXPECT_EQ(printed[3], R"x({"t":"Exact","Note":"1e3","Amount":-922337203685477.5808,"Part":-1e-08})x");
}

TEST(DumpCommand, PrintsTheSameRowsFromTheAccessAndTheSqlcipherFormOfAFile)
{
    const Ran access = run({(kSamples / "agent/access/zrv.accdb").string()});
    const Ran sqlcipher =
        run({(kSamples / "agent/sqlcipher/zrv.accdb").string(), "--password", std::string(kOrrinPassword)});
    ASSERT_EQ(access.status, 0) << access.err;
    ASSERT_EQ(sqlcipher.status, 0) << sqlcipher.err;
    EXPECT_EQ(lines(access.out).front(), R"x({"format":"ACE 12"})x");
    EXPECT_EQ(lines(sqlcipher.out).front(), R"x({"format":"SQLCipher"})x");
    EXPECT_EQ(lines(access.out).size(), 818u); // the format line, 9 tables and their 808 rows
    EXPECT_TRUE(access.out.substr(access.out.find('\n')) == sqlcipher.out.substr(sqlcipher.out.find('\n')));
}

TEST(DumpCommand, PrintsOneTableAsCsvWithQuoting)
{
    const Ran ran = run({(kSamples / "DateTestDatabase.mdb").string(), "--format", "csv"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto printed = lines(ran.out, "\r\n");
    ASSERT_EQ(printed.size(), 8u); // the header, six rows, one of them with a quoted line end
    EXPECT_EQ(printed[0], "IDCol,DateTimeCol,DateCol,TimeCol,LongTextCol,ShortTextCol");
    EXPECT_EQ(printed[4], "4,0632-01-01 00:00:00,0633-01-01 00:00:00,0634-01-01 00:00:00,Pre-1000 years,"
                          "Pre-1000 years");
    EXPECT_NE(ran.out.find("6,2021-12-02 00:00:00,2021-12-02 00:00:00,2021-12-02 00:00:00,\"New line\r\nin "
                           "field\",No new line\r\n"),
              std::string::npos);
    const Ran quotes = run({(kSamples / "nwind.mdb").string(), "--table", "Customers", "--format=csv"});
    ASSERT_EQ(quotes.status, 0) << quotes.err;
    EXPECT_NE(quotes.out.find("\"Rua do Paço, 67\""), std::string::npos);
}

TEST(DumpCommand, FailuresAreOneLineWithTheirStatus)
{
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string firstLine;
    };
    const std::string missing = (kSamples / "nowhere.mdb").string();
    const std::string text = (kSamples / "README.md").string();
    const std::string cipher = (kSamples / "agent/sqlcipher/LIC.mdb").string();
    const std::string nwind = (kSamples / "nwind.mdb").string();
    const Case cases[] = {
        {"missing file", {missing}, 1, "orrin-import-dump: Could not find file '" + missing + "'."},
        {"not a database",
         {text},
         1,
         "orrin-import-dump: Cannot open '" + text + "': not a valid password, or not a database file."},
        {"wrong password",
         {cipher, "--password", "nope"},
         1,
         "orrin-import-dump: Cannot open '" + cipher + "': not a valid password, or not a database file."},
        {"unknown table",
         {nwind, "--table", "Nope"},
         1,
         "orrin-import-dump: There is no table 'Nope' in '" + nwind + "'."},
        {"csv of several tables",
         {nwind, "--format", "csv"},
         2,
         "orrin-import-dump: csv prints one table: name it with --table"},
        {"unknown format",
         {nwind, "--format", "xml"},
         2,
         "orrin-import-dump: --format is jsonl or csv, not 'xml'"},
        {"no file", {}, 2, "orrin-import-dump: name the database file to print"},
        {"two files",
         {nwind, nwind},
         2,
         "orrin-import-dump: one database file only (" + nwind + ", " + nwind + ")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Ran ran = run(c.arguments);
        EXPECT_EQ(ran.status, c.status);
        EXPECT_EQ(lines(ran.err).front(), c.firstLine);
        if (c.status == 1) {
            EXPECT_EQ(lines(ran.err).size(), 1u);
        }
        EXPECT_EQ(ran.out.find("\"t\""), std::string::npos);
    }
    const Ran help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: orrin-import-dump FILE", 0), 0u);
}

} // namespace
} // namespace orrin::dump

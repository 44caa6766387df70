#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/DatabaseLocation.h"
#include "store/KnownDatabases.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "support/Fixture.h"

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace orrin::store {
namespace {

using orrin::testing::TempDir;

const char* const kSmallSchema = "CREATE TABLE Notes (Title TEXT(20), Amount DOUBLE, Due DATETIME);";

using orrin::testing::errorText;

std::int64_t countRows(const std::filesystem::path& file, const std::string& password,
                       const std::string& table)
{
    const auto rows = orrin::testing::query(file, password, "SELECT count(*) FROM " + table);
    return static_cast<std::int64_t>(rows.at(0).at(0).number());
}

TEST(ConnectionOpen, missingFileNamesTheFile)
{
    TempDir dir;
    const auto file = dir.path() / "zrv.accdb";
    Connection connection;
    std::int32_t number = 0;
    EXPECT_EQ(errorText([&] { connection.openFile(file, "pw", OpenMode::ReadOnly); }, &number),
              "Could not find file '" + file.string() + "'.");
    EXPECT_EQ(number, code::General);
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(std::filesystem::exists(file)) << "opening must never create the file";
}

struct BadFile {
    const char* name;
    const char* contents; // nullptr: a database made with the password below
    const char* createdWith;
    const char* reason; // what the message says after the file's name
};

const char* const kNotDatabase = "not a valid password, or not a database file.";
const char* const kEmpty = "the file is empty (0 bytes), not a database file.";

class ConnectionOpenBadFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(ConnectionOpenBadFile, isRefusedWithAClearMessage)
{
    TempDir dir;
    const auto file = dir.path() / "LIC.mdb";
    if (GetParam().contents != nullptr)
        std::ofstream(file, std::ios::binary) << GetParam().contents;
    else
        createDatabase(file, GetParam().createdWith, kSmallSchema);
    const auto sizeBefore = std::filesystem::file_size(file);

    for (const OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
        Connection connection;
        std::int32_t number = 0;
        EXPECT_EQ(errorText([&] { connection.openFile(file, "QZMRAKS", mode); }, &number),
                  "Cannot open '" + file.string() + "': " + GetParam().reason);
        EXPECT_EQ(number, code::General);
        EXPECT_FALSE(connection.isOpen());
    }
    EXPECT_EQ(std::filesystem::file_size(file), sizeBefore) << "a refused file must stay as it was";
}

INSTANTIATE_TEST_SUITE_P(Files, ConnectionOpenBadFile,
                         ::testing::Values(BadFile{"WrongPassword", nullptr, "another", kNotDatabase},
                                           BadFile{"PlainUnencryptedDatabase", nullptr, "", kNotDatabase},
                                           BadFile{"TextFile", "Name,Amount\r\nRavi,1500\r\n", nullptr,
                                                   kNotDatabase},
                                           BadFile{"ZeroBytes", "", nullptr, kEmpty}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionOpen, bothProvidersReachTheSameFile)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    for (const std::string_view provider : {kAceProvider, kJetProvider}) {
        Connection connection;
        connection.open("Provider=" + std::string(provider) + ";Data Source=" + dir.folderText() +
                        "\\LIC.mdb;Jet OLEDB:Database Password=QZMRAKS");
        EXPECT_TRUE(connection.isOpen()) << provider;
        EXPECT_EQ(connection.path(), file);
    }
}

TEST(ConnectionOpen, unknownProviderIsNamed)
{
    TempDir dir;
    orrin::testing::createTargetDb(dir.path());
    Connection connection;
    const std::string message = errorText([&] {
        connection.open("Provider=Microsoft.ACE.OLEDB.16.0;Data Source=" + dir.folderText() +
                        "\\LIC.mdb;Jet OLEDB:Database Password=QZMRAKS");
    });
    EXPECT_NE(message.find("'Microsoft.ACE.OLEDB.16.0'"), std::string::npos) << message;
    EXPECT_FALSE(connection.isOpen());
}

TEST(ConnectionOpen, punctuatedPasswordArrivesIntact)
{
    TempDir dir;
    orrin::testing::createSourceDb(dir.path());
    const std::string text = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + dir.folderText() +
                             "\\zrv.accdb;Jet OLEDB:Database Password=%Q7k!Lw2~(&9}R";
    Connection connection;
    connection.open(text, OpenMode::ReadOnly);
    EXPECT_TRUE(connection.isOpen());

    // One character short is a different password.
    Connection shorter;
    EXPECT_THROW(shorter.open(text.substr(0, text.size() - 1), OpenMode::ReadOnly), Error);
}

TEST(ConnectionOpen, daoNameWithUpperCaseExtensionFindsTheFile)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    Connection connection;
    connection.openDao(dir.folderText() + "\\LIC.MDB", ";pwd=QZMRAKS");
    EXPECT_EQ(connection.path(), file);
}

TEST(ConnectionOpen, twoCaseVariantsOfTheNameAreAnError)
{
    TempDir dir;
    orrin::testing::createTargetDb(dir.path());
    orrin::testing::createBonusDb(dir.path() / "lic.mdb");
    Connection connection;
    const std::string message =
        errorText([&] { connection.openDao(dir.folderText() + "\\LIC.MDB", ";pwd=QZMRAKS"); });
    EXPECT_NE(message.find("'LIC.mdb', 'lic.mdb'"), std::string::npos) << message;
}

TEST(ConnectionOpen, openingTwiceAndClosingTwiceAreErrors)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    Connection connection;
    connection.openFile(file, "QZMRAKS", OpenMode::ReadWrite);
    std::int32_t number = 0;
    errorText([&] { connection.openFile(file, "QZMRAKS", OpenMode::ReadWrite); }, &number);
    EXPECT_EQ(number, code::AlreadyOpen);
    connection.close();
    errorText([&] { connection.close(); }, &number);
    EXPECT_EQ(number, code::Closed);
    errorText([&] { connection.execute("DELETE FROM SB"); }, &number);
    EXPECT_EQ(number, code::Closed);
}

TEST(ConnectionOpen, readOnlyConnectionCannotWrite)
{
    TempDir dir;
    const auto file = orrin::testing::createSourceDb(dir.path());
    orrin::testing::insertRows(file, orrin::testing::sourcePassword(), "company",
                               {{{"pacode", Variant("P1")}}});
    {
        Connection connection;
        connection.openFile(file, orrin::testing::sourcePassword(), OpenMode::ReadOnly);
        EXPECT_THROW(connection.execute("DELETE FROM company"), Error);
    }
    EXPECT_EQ(countRows(file, orrin::testing::sourcePassword(), "company"), 1);
}

TEST(ConnectionOpen, readOnlyFileIsRefusedForWriting)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes read-only files";
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    std::filesystem::permissions(file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    Connection connection;
    const std::string message = errorText([&] { connection.openFile(file, "QZMRAKS", OpenMode::ReadWrite); });
    EXPECT_EQ(message, "Cannot open '" + file.string() +
                           "' for writing: the file is read-only or its folder cannot be written.");
    Connection reader;
    reader.openFile(file, "QZMRAKS", OpenMode::ReadOnly);
    EXPECT_TRUE(reader.isOpen());
}

TEST(CreateDatabase, refusesAnExistingFileAndLeavesItAlone)
{
    TempDir dir;
    const auto file = dir.path() / "LIC.mdb";
    std::ofstream(file) << "keep me";
    const std::string message = errorText([&] { createDatabase(file, "QZMRAKS", kSmallSchema); });
    EXPECT_EQ(message, "Cannot create the database '" + file.string() + "': the file already exists.");
    std::ifstream in(file);
    std::string contents;
    std::getline(in, contents);
    EXPECT_EQ(contents, "keep me");
}

TEST(CreateDatabase, rejectedSchemaLeavesNoFile)
{
    TempDir dir;
    const auto file = dir.path() / "broken.mdb";
    EXPECT_THROW(createDatabase(file, "QZMRAKS", "CREATE TABLE Broken (;"), Error);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ConnectionExecute, bindsParametersAndKeepsStatementsByText)
{
    TempDir dir;
    const auto file = dir.path() / "notes.mdb";
    createDatabase(file, "pw", kSmallSchema);
    Connection connection;
    connection.openFile(file, "pw", OpenMode::ReadWrite);
    connection.execute("INSERT INTO Notes (Title, Amount) VALUES (?, ?)",
                       {Variant("x' or '1'='1"), Variant(2.5)});
    connection.execute("INSERT INTO Notes (Title, Amount) VALUES (?, ?)", {Variant("b"), Variant::null()});
    EXPECT_EQ(&connection.statement("SELECT Title FROM Notes"),
              &connection.statement("SELECT Title FROM Notes"));
    connection.execute("DELETE FROM Notes WHERE Title = ?", {Variant("x' or '1'='1")});
    connection.close();

    const auto rows = orrin::testing::query(file, "pw", "SELECT Title, Amount FROM Notes ORDER BY rowid");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("b"));
    EXPECT_EQ(rows[0][1], Variant::null());
}

TEST(ConnectionExecute, rejectsTwoStatementsInOneText)
{
    TempDir dir;
    const auto file = dir.path() / "notes.mdb";
    createDatabase(file, "pw", kSmallSchema);
    Connection connection;
    connection.openFile(file, "pw", OpenMode::ReadWrite);
    connection.execute("INSERT INTO Notes (Title) VALUES ('a')");
    std::int32_t number = 0;
    errorText([&] { connection.execute("DELETE FROM Notes; DROP TABLE Notes"); }, &number);
    EXPECT_EQ(number, code::BadQuery);
    connection.close();
    EXPECT_EQ(countRows(file, "pw", "Notes"), 1);
}

struct EngineFailure {
    const char* name;
    const char* sql;
    std::int32_t number;
};

class ConnectionExecuteFailure : public ::testing::TestWithParam<EngineFailure> {};

TEST_P(ConnectionExecuteFailure, carriesTheProviderNumberAndNamesTheFile)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    Connection connection;
    connection.openFile(file, "QZMRAKS", OpenMode::ReadWrite);
    std::int32_t number = 0;
    const std::string message = errorText([&] { connection.execute(GetParam().sql); }, &number);
    EXPECT_EQ(number, GetParam().number) << message;
    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    EXPECT_NE(message.find(GetParam().sql), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ConnectionExecuteFailure,
    ::testing::Values(EngineFailure{"MissingTable", "Delete from Nowhere", code::NotFound},
                      EngineFailure{"UnknownColumn", "Delete from SB where nothing = 1", code::UnknownField},
                      EngineFailure{"SyntaxError", "Delete frm SB", code::BadQuery}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionTableInfo, namesAsTheSchemaSpellsThemAndTypes)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    Connection connection;
    connection.openFile(file, "QZMRAKS", OpenMode::ReadOnly);
    const TableInfo& info = connection.tableInfo("POLICIES");
    EXPECT_EQ(info.name, "Policies");
    const int plan = info.find("plan");
    ASSERT_GE(plan, 0);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(plan)].name, "Plan");
    EXPECT_EQ(info.columns[static_cast<std::size_t>(plan)].type.kind, ColumnType::Kind::Text);
    EXPECT_EQ(info.columns[static_cast<std::size_t>(plan)].type.size, 10u);
    EXPECT_EQ(info.find("nothing"), -1);
    EXPECT_EQ(&connection.tableInfo("policies"), &info);

    std::int32_t number = 0;
    const std::string message = errorText([&] { connection.tableInfo("Policy"); }, &number);
    EXPECT_EQ(number, code::NotFound);
    EXPECT_EQ(message, "Cannot find the table or query 'Policy' in '" + file.string() + "'.");
}

TEST(ConnectionTransaction, rollbackLeavesContentsUnchanged)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    const std::string pw = orrin::testing::targetPassword();
    orrin::testing::insertRows(file, pw, "company", {{{"pacode", Variant("OLD")}}});
    {
        Connection connection;
        connection.openFile(file, pw, OpenMode::ReadWrite);
        connection.beginTransaction();
        EXPECT_TRUE(connection.inTransaction());
        connection.execute("Delete from company");
        connection.execute("INSERT INTO company (pacode) VALUES ('NEW')");
        connection.rollback();
        EXPECT_FALSE(connection.inTransaction());
    }
    auto rows = orrin::testing::query(file, pw, "SELECT pacode FROM company");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("OLD"));

    {
        Connection connection;
        connection.openFile(file, pw, OpenMode::ReadWrite);
        connection.beginTransaction();
        connection.execute("Delete from company");
        connection.execute("INSERT INTO company (pacode) VALUES ('NEW')");
        connection.commit();
    }
    rows = orrin::testing::query(file, pw, "SELECT pacode FROM company");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("NEW"));
}

TEST(ConnectionTransaction, closingWithATransactionOpenRollsItBack)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    const std::string pw = orrin::testing::targetPassword();
    {
        Connection connection;
        connection.openFile(file, pw, OpenMode::ReadWrite);
        connection.beginTransaction();
        connection.execute("INSERT INTO company (pacode) VALUES ('NEW')");
    }
    EXPECT_EQ(countRows(file, pw, "company"), 0);
}

TEST(ConnectionTransaction, abandonedTransactionStopsEveryFurtherStatement)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    const std::string pw = orrin::testing::targetPassword();
    orrin::testing::insertRows(file, pw, "company", {{{"pacode", Variant("OLD")}}});

    Connection connection;
    connection.openFile(file, pw, OpenMode::ReadWrite);
    Recordset target;
    target.open("company", connection);
    connection.beginTransaction();
    connection.execute("Delete from company");
    EXPECT_FALSE(connection.transactionLost());

    // What the engine does on its own after a disk-full or I/O failure.
    ASSERT_EQ(sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(connection.transactionLost());
    EXPECT_FALSE(connection.inTransaction());

    std::int32_t number = 0;
    std::string message = errorText([&] { connection.execute("Delete from company"); }, &number);
    EXPECT_EQ(number, code::Abandoned);
    EXPECT_NE(message.find("the database engine abandoned the run's transaction"), std::string::npos)
        << message;

    target.addNew();
    target.setField("pacode", Variant("NEW"));
    errorText([&] { target.update(); }, &number);
    EXPECT_EQ(number, code::Abandoned);

    Recordset reader;
    errorText([&] { reader.open("SELECT pacode FROM company", connection); }, &number);
    EXPECT_EQ(number, code::Abandoned);

    errorText([&] { connection.commit(); }, &number);
    EXPECT_EQ(number, code::Abandoned);

    connection.rollback();
    EXPECT_FALSE(connection.transactionLost());
    target.close();
    connection.close();

    const auto rows = orrin::testing::query(file, pw, "SELECT pacode FROM company");
    ASSERT_EQ(rows.size(), 1u) << "nothing may have been written outside the transaction";
    EXPECT_EQ(rows[0][0], Variant("OLD"));
}

TEST(ConnectionTransaction, failureThatEndsTheTransactionIsReportedAsAbandoned)
{
    TempDir dir;
    const auto file = dir.path() / "codes.mdb";
    createDatabase(file, "pw",
                   "CREATE TABLE Codes (Code TEXT(5) UNIQUE ON CONFLICT ROLLBACK);"
                   "INSERT INTO Codes VALUES ('OLD');");
    Connection connection;
    connection.openFile(file, "pw", OpenMode::ReadWrite);
    connection.beginTransaction();
    connection.execute("DELETE FROM Codes");
    connection.execute("INSERT INTO Codes VALUES ('A')");

    std::int32_t number = 0;
    const std::string message =
        errorText([&] { connection.execute("INSERT INTO Codes VALUES ('A')"); }, &number);
    EXPECT_EQ(number, code::Abandoned);
    EXPECT_NE(message.find("the database engine abandoned the run's transaction"), std::string::npos)
        << message;
    EXPECT_NE(message.find("UNIQUE constraint failed: Codes.Code"), std::string::npos) << message;

    errorText([&] { connection.execute("INSERT INTO Codes VALUES ('B')"); }, &number);
    EXPECT_EQ(number, code::Abandoned);
    connection.rollback();
    connection.close();

    const auto rows = orrin::testing::query(file, "pw", "SELECT Code FROM Codes");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("OLD"));
}

TEST(ConnectionTransaction, fileLockedByAnotherProgramFailsAfterAShortWait)
{
    TempDir dir;
    const auto file = orrin::testing::createTargetDb(dir.path());
    Connection holder;
    holder.openFile(file, "QZMRAKS", OpenMode::ReadWrite);
    holder.beginTransaction();
    holder.execute("INSERT INTO company (pacode) VALUES ('A')");

    Connection second;
    second.openFile(file, "QZMRAKS", OpenMode::ReadWrite);
    const std::string message = errorText([&] { second.beginTransaction(); });
    EXPECT_EQ(message, "Cannot write to the database: " + file.string() + " is in use by another program.");
    EXPECT_FALSE(second.inTransaction());
    holder.rollback();
}

// The shell reads what the store wrote, and the store reads what the shell wrote: the files are
// plain SQLCipher files with the database password as key.
std::string runShell(const std::filesystem::path& file, const std::string& script)
{
    const std::string command =
        "/usr/bin/sqlcipher '" + file.string() + "' 2>&1 <<'ORRIN_EOF'\n" + script + "\nORRIN_EOF\n";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ::pclose(pipe);
    }
    return output;
}

TEST(ConnectionInterop, shellReadsWhatTheStoreWrote)
{
    if (!std::filesystem::exists("/usr/bin/sqlcipher"))
        GTEST_SKIP() << "the sqlcipher shell is not installed";
    TempDir dir;
    const auto file = orrin::testing::createSourceDb(dir.path());
    orrin::testing::insertRows(file, orrin::testing::sourcePassword(), "company",
                               {{{"pacode", Variant("P7")}, {"CompanyName", Variant("Shanti Traders")}}});
    EXPECT_EQ(
        runShell(file, "PRAGMA key='%Q7k!Lw2~(&9}R';\nSELECT pacode || '|' || CompanyName FROM company;"),
        "P7|Shanti Traders\n");
    EXPECT_EQ(runShell(file, "PRAGMA key='wrong';\nSELECT count(*) FROM company;").find("P7"),
              std::string::npos);
}

TEST(ConnectionInterop, storeReadsWhatTheShellWrote)
{
    if (!std::filesystem::exists("/usr/bin/sqlcipher"))
        GTEST_SKIP() << "the sqlcipher shell is not installed";
    TempDir dir;
    const auto file = dir.path() / "LIC.mdb";
    runShell(
        file,
        "PRAGMA key='QZMRAKS';\nCREATE TABLE SB (policy_no TEXT(20), sb_duedate DATETIME, sb_amount DOUBLE);"
        "\nINSERT INTO SB VALUES ('123456789', '2031-03-15', 25000.5);");
    ASSERT_TRUE(std::filesystem::exists(file));
    const auto rows =
        orrin::testing::query(file, "QZMRAKS", "SELECT policy_no, sb_duedate, sb_amount FROM SB");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Variant("123456789"));
    EXPECT_EQ(rows[0][1], Variant(Date{47922.0})); // 15 March 2031
    EXPECT_EQ(rows[0][2], Variant(25000.5));
    Connection wrong;
    EXPECT_THROW(wrong.openFile(file, "QZMRAKs", OpenMode::ReadOnly), Error);
}

} // namespace
} // namespace orrin::store

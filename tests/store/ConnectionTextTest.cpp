#include "store/DatabaseFile.h"
#include "store/DatabaseLocation.h"
#include "store/SqlCipherForm.h"
#include "store/StoreError.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orrin::store {
namespace {

struct ParseCase {
    const char* name;
    const char* text;
    const char* provider;
    const char* dataSource;
    const char* password;
};

class ConnectionTextParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ConnectionTextParse, readsProviderFileAndPassword)
{
    const ParseCase& c = GetParam();
    const DatabaseLocation text = DatabaseLocation::parse(c.text);
    EXPECT_EQ(text.provider, c.provider);
    EXPECT_EQ(text.dataSource, c.dataSource);
    EXPECT_EQ(text.password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConnectionTextParse,
    ::testing::Values(
        ParseCase{"SourceTextWithPunctuatedPasswordIntact",
                  "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\Zarvo\\Data\\\\zrv.accdb;"
                  "Jet OLEDB:Database Password=%Q7k!Lw2~(&9}R",
                  "Microsoft.ACE.OLEDB.12.0", "C:\\Zarvo\\Data\\\\zrv.accdb", "%Q7k!Lw2~(&9}R"},
        ParseCase{"TargetTextWithJetProvider",
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/agent/\\LIC.mdb;Jet OLEDB:Database "
                  "Password=QZMRAKS",
                  "Microsoft.Jet.OLEDB.4.0", "/data/agent/\\LIC.mdb", "QZMRAKS"},
        ParseCase{
            "KeysInAnyCaseAndOrder",
            "jet oledb:database password=QZMRAKS;DATA SOURCE=/x/LIC.mdb;provider=microsoft.jet.oledb.4.0",
            "microsoft.jet.oledb.4.0", "/x/LIC.mdb", "QZMRAKS"},
        ParseCase{
            "EqualsSignInsidePasswordKept",
            "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/x/zrv.accdb;Jet OLEDB:Database Password=a=b",
            "Microsoft.ACE.OLEDB.12.0", "/x/zrv.accdb", "a=b"},
        ParseCase{"NoPasswordGivesEmptyPassword", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\\LIC.mdb",
                  "Microsoft.Jet.OLEDB.4.0", "\\LIC.mdb", ""},
        ParseCase{"QuotedDataSourceKeepsItsSemicolon",
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a;Data Source=/b/\\LIC.mdb\";"
                  "Jet OLEDB:Database Password=QZMRAKS",
                  "Microsoft.Jet.OLEDB.4.0", "/a;Data Source=/b/\\LIC.mdb", "QZMRAKS"},
        ParseCase{"DoubledQuoteInsideAQuotedValueIsOneQuote",
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/x\"\"y;z/LIC.mdb\";Jet OLEDB:Database "
                  "Password=QZMRAKS",
                  "Microsoft.Jet.OLEDB.4.0", "/x\"y;z/LIC.mdb", "QZMRAKS"}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder is pasted into the connection text; whatever it holds, parsing gives it back whole, with
// the provider and the password (one of them with "=" and "(" in it).
TEST(ConnectionText, builtTextsReadBackUnchanged)
{
    for (const char* folder :
         {"/plain/", "/semi;colon/", "/a;Data Source=/b/", "\"/starts/with/quote/", "/quote\"inside;/", ""}) {
        for (const DatabaseLocation& built :
             {DatabaseLocation{"Microsoft.Jet.OLEDB.4.0", std::string(folder) + "\\LIC.mdb", "QZMRAKS"},
              DatabaseLocation{"Microsoft.ACE.OLEDB.12.0", std::string(folder) + "\\zrv.accdb",
                               "%Q7k!Lw2~(&9}R"}}) {
            const std::string text = built.text();
            const DatabaseLocation parsed = DatabaseLocation::parse(text);
            EXPECT_EQ(parsed.provider, built.provider) << text;
            EXPECT_EQ(parsed.dataSource, built.dataSource) << text;
            EXPECT_EQ(parsed.password, built.password) << text;
        }
    }
    // Plain paths stay exactly as they were written.
    EXPECT_EQ(quoteConnectionValue("C:\\Zarvo\\Data\\\\zrv.accdb"), "C:\\Zarvo\\Data\\\\zrv.accdb");
}

TEST(ConnectionText, unknownProviderIsNamedInTheError)
{
    try {
        DatabaseLocation::parse(
            "Provider=SQLOLEDB.1;Data Source=/x/LIC.mdb;Jet OLEDB:Database Password=QZMRAKS");
        FAIL() << "an unknown provider was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), code::General);
        EXPECT_EQ(error.description(),
                  "Provider cannot be found: 'SQLOLEDB.1'. It may not be properly installed.");
    }
}

TEST(ConnectionText, textWithoutDataSourceIsRefused)
{
    EXPECT_THROW(
        DatabaseLocation::parse("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=QZMRAKS"),
        Error);
}

TEST(ConnectionText, daoFormTakesPasswordFromConnectText)
{
    const DatabaseLocation text = DatabaseLocation::parseDao("/data/agent/\\LIC.MDB", ";pwd=QZMRAKS");
    EXPECT_EQ(text.provider, kJetProvider);
    EXPECT_EQ(text.dataSource, "/data/agent/\\LIC.MDB");
    EXPECT_EQ(text.password, "QZMRAKS");
}

void touch(const std::filesystem::path& file)
{
    std::ofstream(file) << "x";
}

TEST(ResolveDataSource, backslashesAndDoubledSeparatorsFoldIntoOne)
{
    testing::TempDir dir;
    std::filesystem::create_directory(dir.path() / "Data");
    touch(dir.path() / "Data" / "zrv.accdb");
    const std::string text = dir.path().string() + "\\Data\\\\zrv.accdb";
    EXPECT_EQ(resolveDataSource(text), dir.path() / "Data" / "zrv.accdb");
    EXPECT_EQ(resolveDataSource(dir.path().string() + "//Data///zrv.accdb"),
              dir.path() / "Data" / "zrv.accdb");
}

struct CaseMatch {
    const char* name;
    const char* onDisk;
    const char* asked;
};

class ResolveByCase : public ::testing::TestWithParam<CaseMatch> {};

TEST_P(ResolveByCase, findsTheOneFileThatDiffersOnlyInCase)
{
    testing::TempDir dir;
    touch(dir.path() / GetParam().onDisk);
    EXPECT_EQ(resolveDataSource(dir.folderText() + "\\" + GetParam().asked), dir.path() / GetParam().onDisk);
}

INSTANTIATE_TEST_SUITE_P(Names, ResolveByCase,
                         ::testing::Values(CaseMatch{"UpperExtensionFindsMixed", "LIC.mdb", "LIC.MDB"},
                                           CaseMatch{"MixedFindsLower", "lic.mdb", "LIC.mdb"},
                                           CaseMatch{"LowerFindsUpper", "LIC.MDB", "lic.mdb"},
                                           CaseMatch{"ExactNameStaysExact", "zrv.accdb", "zrv.accdb"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResolveDataSource, exactNameWinsOverCaseVariants)
{
    testing::TempDir dir;
    touch(dir.path() / "LIC.mdb");
    touch(dir.path() / "lic.mdb");
    EXPECT_EQ(resolveDataSource((dir.path() / "lic.mdb").string()), dir.path() / "lic.mdb");
}

TEST(ResolveDataSource, twoCaseVariantsAreAnErrorNamingBoth)
{
    testing::TempDir dir;
    touch(dir.path() / "LIC.mdb");
    touch(dir.path() / "lic.mdb");
    try {
        resolveDataSource((dir.path() / "LIC.MDB").string());
        FAIL() << "an ambiguous name was resolved";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), code::General);
        EXPECT_NE(error.description().find("'LIC.mdb', 'lic.mdb'"), std::string::npos) << error.description();
    }
}

TEST(ResolveDataSource, missingFileStaysAsGiven)
{
    testing::TempDir dir;
    EXPECT_EQ(resolveDataSource(dir.folderText() + "\\zrv.accdb"), dir.path() / "zrv.accdb");
}

// The Windows build has no SQLCipher: a database with a password is refused with the reason, and no
// file is made (the build with the SQLCipher form makes one, which the other tests show).
TEST(CreateDatabaseWithoutSqlCipher, SaysTheFormIsNotInThisBuildAndMakesNoFile)
{
    if (kSqlCipherBuilt)
        GTEST_SKIP() << "this build has the SQLCipher form";
    orrin::testing::TempDir dir;
    const auto file = dir.path() / "LIC.mdb";
    try {
        createDatabase(file, "QZMRAKS", "CREATE TABLE t (a INTEGER);");
        FAIL() << "a keyed database was made";
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), "Cannot create the database '" + file.string() +
                                           "': this build of the program does not include the SQLCipher "
                                           "form; it reads and writes Access files.");
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
} // namespace orrin::store

#include "calc/PlanRow.h"
#include "store/StoreError.h"

#include "ScheduleFixture.h"

#include <functional>

namespace orrin::testing {
namespace {

const std::string kDFirst2Label = calc::labels::DFirst2;
const std::string kOrrinLabel = calc::labels::OrrinDFirst;

class LookupsTest : public ScheduleTest {
  protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        insertRows(bonus, targetPassword(), "NewBonus",
                   {
                       bonusRow("EN", 1996, 48.0),
                       bonusRow("EN", 1997, 49.0),
                       bonusRow("EN", 1997, 51.0), // a second match: the first row wins
                       bonusRow("EN", 2010, 45.0),
                       bonusRow("MB", 2001, Variant::null()),
                   });
        std::filesystem::create_directories(dir.path() / "orrin");
        source = createSourceDb(dir.path() / "orrin");
        // As the client step hands it: the chosen folder, a separator, then "\zrv.accdb".
        dbPath = (dir.path() / "orrin").string() + "/\\zrv.accdb";
        insertRows(source, sourcePassword(), "Client2",
                   {
                       {{"familycode", Variant("F0012")},
                        {"perscode", Variant(std::int32_t{3})},
                        {"MarDt", date(1990, 5, 17)},
                        {"Spouse", Variant("Meera")}},
                       {{"familycode", Variant("O'Brien")},
                        {"perscode", Variant(std::int32_t{1})},
                        {"MarDt", date(1985, 1, 2)},
                        {"Spouse", Variant("Siobhan")}},
                       {{"familycode", Variant("F0012")},
                        {"perscode", Variant(std::int32_t{1})},
                        {"MarDt", Variant::null()},
                        {"Spouse", Variant("Ravi")}},
                       {{"familycode", Variant("F0012")},
                        {"perscode", Variant(std::int32_t{3})},
                        {"MarDt", date(1999, 9, 9)},
                        {"Spouse", Variant("Second row")}},
                       {{"familycode", Variant("")},
                        {"perscode", Variant(std::int32_t{7})},
                        {"MarDt", Variant::null()},
                        {"Spouse", Variant("No family")}},
                   });
    }

    static Row bonusRow(const char* category, int year, const Variant& rate)
    {
        return {{"BonusCat", Variant(category)},
                {"YY", Variant(static_cast<std::int32_t>(year))},
                {"FromTerm", Variant(std::int32_t{10})},
                {"ToTerm", Variant(std::int32_t{35})},
                {"BonusJM", rate}};
    }

    std::vector<std::string> numbers()
    {
        std::vector<std::string> result;
        for (const LogEntry& entry : logEntries())
            result.push_back(entry.number);
        return result;
    }

    std::filesystem::path source;
    std::string dbPath;
};

struct DFirst2Case {
    const char* name;
    const char* field;
    const char* condition;
    Variant expected;
};

TEST_F(LookupsTest, DFirst2Answers)
{
    const DFirst2Case cases[] = {
        {"first year of a category", "min(YY)", "BonusCat='EN'", Variant(std::int32_t{1996})},
        {"last year of a category", "max(YY)", "BonusCat='EN'", Variant(std::int32_t{2010})},
        {"first matching row in the store's order", "BonusJM", "BonusCat='EN' and YY=1997", Variant(49.0)},
        {"category compared without regard to case", "BonusJM", "BonusCat='en' and YY=2010", Variant(45.0)},
        {"no matching row gives the empty text", "BonusJM", "BonusCat='EN' and YY=2030", Variant("")},
        {"a Null first column is Null", "BonusJM", "BonusCat='MB'", Variant::null()},
        {"an aggregate over no rows is Null, not the empty text", "min(YY)", "BonusCat='XX'",
         Variant::null()},
        {"no condition reads the whole table", "min(YY)", "", Variant(std::int32_t{1996})},
    };
    for (const DFirst2Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(module.DFirst2(c.field, "NewBonus", c.condition), c.expected));
        // Asked again, the answer is the same (it may come from memory).
        EXPECT_TRUE(same(module.DFirst2(c.field, "NewBonus", c.condition), c.expected));
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(LookupsTest, DFirst2QueryTheEngineRejectsLogsFourEntriesAndReturnsEmpty)
{
    struct Case {
        const char* name;
        const char* field;
        const char* table;
        const char* condition;
    };
    const Case cases[] = {
        {"a condition of one blank", "min(YY)", "NewBonus", " "},
        {"a table that does not exist", "min(YY)", "NoSuchTable", ""},
        {"a field that does not exist", "NoSuchField", "NewBonus", "BonusCat='EN'"},
    };
    std::int64_t before = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(module.DFirst2(c.field, c.table, c.condition), Variant()));
        EXPECT_EQ(module.logEntriesWritten() - before, 4); // open, count, read, close of the recordset
        before = module.logEntriesWritten();
    }
    for (const LogEntry& entry : logEntries())
        EXPECT_EQ(entry.source, kDFirst2Label);
}

TEST_F(LookupsTest, DFirst2WithoutBonusDatabaseLogsEveryStepAndRetriesNextCall)
{
    module.setBonusDatabase(dir.path() / "empty-folder" / "lic.mdb");
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "NewBonus", "BonusCat='EN'"), Variant()));
    std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 6u); // open, recordset open, count, read field, recordset close, close
    EXPECT_EQ(entries[0].number, "-2147467259 ");
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].number, " 3704 "); // each later step finds its object closed
    for (const LogEntry& entry : entries)
        EXPECT_EQ(entry.source, kDFirst2Label);
    EXPECT_NE(entries[0].description.find("lic.mdb"), std::string::npos) << entries[0].description;

    // The failed open is not kept: the next call tries again and logs again.
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "NewBonus", "BonusCat='EN'"), Variant()));
    EXPECT_EQ(logEntries().size(), 12u);

    // Once the file is there, the same lookup answers (a failure is never remembered).
    std::filesystem::create_directories(dir.path() / "empty-folder");
    std::filesystem::copy_file(bonus, dir.path() / "empty-folder" / "lic.mdb");
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "NewBonus", "BonusCat='EN'"), Variant(std::int32_t{1996})));
    EXPECT_EQ(logEntries().size(), 12u);
}

TEST_F(LookupsTest, DFirst2FailureIsNotRememberedOnceTheTableExists)
{
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "ExtraBonus", ""), Variant()));
    EXPECT_EQ(module.logEntriesWritten(), 4);
    execute(bonus, targetPassword(), "CREATE TABLE ExtraBonus (YY SHORT)");
    execute(bonus, targetPassword(), "INSERT INTO ExtraBonus VALUES (2004)");
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "ExtraBonus", ""), Variant(std::int32_t{2004})));
    EXPECT_EQ(module.logEntriesWritten(), 4);
}

TEST_F(LookupsTest, DFirst2ReadsTheBonusDatabaseNotTheTarget)
{
    // The target holds other bonus rows; DFirst2 must not see them.
    insertRows(target, targetPassword(), "NewBonus", {bonusRow("EN", 1980, 10.0)});
    EXPECT_TRUE(same(module.DFirst2("min(YY)", "NewBonus", "BonusCat='EN'"), Variant(std::int32_t{1996})));
}

TEST_F(LookupsTest, OrrinDFirstAnswers)
{
    struct Case {
        const char* name;
        const char* field;
        const char* condition;
        Variant expected;
    };
    const Case cases[] = {
        {"spouse of a client", "Spouse", "familycode = 'F0012' And perscode = 1", Variant("Ravi")},
        {"first of two matching rows", "Spouse", "familycode = 'F0012' And perscode = 3", Variant("Meera")},
        {"a date", "MarDt", "familycode = 'F0012' And perscode = 3", date(1990, 5, 17)},
        {"a Null field", "MarDt", "familycode = 'F0012' And perscode = 1", Variant::null()},
        {"no matching row is Null", "Spouse", "familycode = 'F0099' And perscode = 1", Variant::null()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(module.OrrinDFirst(c.field, "Client2", dbPath, c.condition), c.expected));
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(LookupsTest, OrrinDFirstOnAMissingDatabaseLogsSixEntries)
{
    const std::string missing = (dir.path() / "nowhere").string() + "/\\zrv.accdb";
    EXPECT_TRUE(same(module.OrrinDFirst("Spouse", "Client2", missing, "perscode = 1"), Variant()));
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 6u);
    for (const LogEntry& entry : entries)
        EXPECT_EQ(entry.source, kOrrinLabel);
}

TEST_F(LookupsTest, OrrinDFirstWithTheWrongPasswordFails)
{
    // A target-password file where the Orrin database should be: the open is refused.
    std::filesystem::create_directories(dir.path() / "wrong");
    createBonusDb(dir.path() / "wrong" / "zrv.accdb");
    EXPECT_TRUE(
        same(module.OrrinDFirst("Spouse", "Client2", (dir.path() / "wrong" / "zrv.accdb").string(), ""),
             Variant()));
    EXPECT_EQ(module.logEntriesWritten(), 6);
}

struct PersonCase {
    const char* name;
    Variant familyCode;
    Variant persCode;
    Variant expected;
};

TEST_F(LookupsTest, OrrinDFirstForPersonFindsTheClientsRow)
{
    const PersonCase cases[] = {
        {"numeric person code", Variant("F0012"), Variant(std::int32_t{1}), Variant("Ravi")},
        {"person code stored as text", Variant("F0012"), Variant("1"), Variant("Ravi")},
        {"person code with blanks around it", Variant("F0012"), Variant(" 3 "), Variant("Meera")},
        {"first of two matching rows", Variant("F0012"), Variant(std::int32_t{3}), Variant("Meera")},
        {"a family code with a quote", Variant("O'Brien"), Variant(std::int32_t{1}), Variant("Siobhan")},
        {"family code compared without regard to case", Variant("f0012"), Variant(1.0), Variant("Ravi")},
        {"a Null family code reads as the empty code", Variant::null(), Variant(std::int32_t{7}),
         Variant("No family")},
        {"no such client", Variant("F0012"), Variant(std::int32_t{2}), Variant::null()},
        {"a fractional person code matches nobody", Variant("F0012"), Variant("1.5"), Variant::null()},
    };
    for (const PersonCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(module.OrrinDFirstForPerson("Spouse", "Client2", dbPath, c.familyCode, c.persCode),
                         c.expected));
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(LookupsTest, OrrinDFirstForPersonRejectsAPersonCodeThatIsNotANumber)
{
    const PersonCase cases[] = {
        {"Null person code", Variant("F1"), Variant::null(), Variant()},
        {"an attempt to widen the condition", Variant("F0012"), Variant("3 or 1=1"), Variant()},
        {"a letter", Variant("F0012"), Variant("abc"), Variant()},
    };
    std::int64_t before = 0;
    for (const PersonCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(module.OrrinDFirstForPerson("Spouse", "Client2", dbPath, c.familyCode, c.persCode),
                         c.expected));
        EXPECT_EQ(module.logEntriesWritten() - before, 4); // recordset open, count, read, close
        before = module.logEntriesWritten();
    }
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[0].source, kOrrinLabel);
    EXPECT_EQ(entries[0].number, std::to_string(store::code::BadQuery) + " ");
    EXPECT_EQ(
        entries[0].description,
        "Syntax error in query expression 'familycode = 'F1' And perscode = ': the person code is not a "
        "number.");
    EXPECT_EQ(
        entries[4].description,
        "Syntax error in query expression 'familycode = 'F0012' And perscode = 3 or 1=1': the person code "
        "is not a number.");
}

// An index may list equal keys in another order than the rows were stored in; "the first row" of a
// lookup is still the store's first. Each case first shows that its index does reorder the plain
// query, so the case could not pass by chance.
TEST_F(LookupsTest, FirstRowIsTheStoresFirstWhateverIndexTheFileHas)
{
    addPlan(14, Variant::null(), Variant(std::int16_t{20}), Variant("0510"), Variant::null());
    addPlan(14, Variant::null(), Variant(std::int16_t{21}), Variant("0001"), Variant::null());
    struct Case {
        const char* name;
        std::filesystem::path file;
        std::string password;
        const char* index;
        const char* plainQuery; // without an order: the index's first row
        Variant indexFirst;
        std::function<Variant()> lookup;
        Variant expected;
    };
    const std::vector<Case> cases = {
        {"DFirst2", bonus, targetPassword(), "CREATE INDEX ix ON NewBonus (BonusCat, YY, BonusJM DESC)",
         "select BonusJM from NewBonus where BonusCat='EN' and YY=1997", Variant(51.0),
         [&] { return module.DFirst2("BonusJM", "NewBonus", "BonusCat='EN' and YY=1997"); }, Variant(49.0)},
        {"the client step's lookup", source, sourcePassword(),
         "CREATE INDEX ix ON Client2 (familycode, perscode, Spouse DESC)",
         "select Spouse from Client2 where familycode='F0012' and perscode=3", Variant("Second row"),
         [&] {
             return module.OrrinDFirstForPerson("Spouse", "Client2", dbPath, Variant("F0012"),
                                                Variant(std::int32_t{3}));
         },
         Variant("Meera")},
        {"the plan query", target, targetPassword(), "CREATE INDEX ix ON plans (plan, Term)",
         "select PremTerm from plans where plan=14 and pflag <>'D'", Variant(std::int16_t{21}),
         [&] {
             calc::PlanRow row;
             row.open(&database, Variant(std::int32_t{14}));
             return row.field("PremTerm");
         },
         Variant(std::int16_t{20})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        execute(c.file, c.password, c.index);
        const auto plain = query(c.file, c.password, c.plainQuery);
        ASSERT_FALSE(plain.empty());
        ASSERT_TRUE(same(plain.front().front(), c.indexFirst)) << "the index does not reorder the rows";
        EXPECT_TRUE(same(c.lookup(), c.expected));
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(LookupsTest, DefaultBonusDatabaseIsLicMdbBesideOrBelowTheProgram)
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path found = calc::DataImport::defaultBonusDatabase();
    EXPECT_EQ(found.filename(), "lic.mdb");
    const std::filesystem::path beside = program.parent_path() / "lic.mdb";
    const std::filesystem::path installed =
        (program.parent_path() / ".." / "share" / "orrin-import" / "lic.mdb").lexically_normal();
    if (std::filesystem::exists(beside) || !std::filesystem::exists(installed))
        EXPECT_EQ(found, beside);
    else
        EXPECT_EQ(found, installed);
}

} // namespace
} // namespace orrin::testing

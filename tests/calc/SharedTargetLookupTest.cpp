// Lookups whose database file turns out to be the run's target read through the target connection
// the run lends them: however the file is named, while the run's transaction holds the file locked,
// without waiting and without a second connection.

#include "ScheduleFixture.h"

namespace orrin::testing {
namespace {

namespace fs = std::filesystem;

class SharedTargetLookupTest : public ScheduleTest {
  protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        // The target's own bonus rows differ from the separate bonus database's (first EN year 1996),
        // so every answer shows which file was read.
        insertRows(target, targetPassword(), "NewBonus",
                   {{{"BonusCat", Variant("EN")}, {"YY", Variant(std::int32_t{1980})}},
                    {{"BonusCat", Variant("EN")}, {"YY", Variant(std::int32_t{1990})}}});
        insertRows(bonus, targetPassword(), "NewBonus",
                   {{{"BonusCat", Variant("EN")}, {"YY", Variant(std::int32_t{1996})}}});
    }

    Variant firstYear(const fs::path& bonusDatabase, const std::string& condition = "BonusCat='EN'")
    {
        module.setBonusDatabase(bonusDatabase);
        return module.DFirst2("min(YY)", "NewBonus", condition);
    }
};

TEST_F(SharedTargetLookupTest, everyNameOfTheTargetReadsThroughItWhileTheRunHoldsItLocked)
{
    fs::create_directories(dir.path() / "elsewhere");
    const fs::path symlink = dir.path() / "elsewhere" / "linked.mdb";
    fs::create_symlink(target, symlink);
    const fs::path hardLink = dir.path() / "elsewhere" / "hard.mdb";
    fs::create_hard_link(target, hardLink);
    const fs::path copy = dir.path() / "elsewhere" / "copy.mdb";
    fs::copy_file(target, copy);
    insertRows(copy, targetPassword(), "NewBonus",
               {{{"BonusCat", Variant("EN")}, {"YY", Variant(std::int32_t{1975})}}});

    // The run's transaction as it is once it has spilled to the file: nobody else may read it now.
    database.execute("BEGIN EXCLUSIVE");
    module.session().connections().shareTarget(database, targetPassword());

    struct Case {
        const char* name;
        fs::path bonusDatabase;
        Variant expected;
    };
    const Case cases[] = {
        {"lic.mdb beside LIC.mdb, the program's own folder being the agent's", dir.path() / "lic.mdb",
         Variant(std::int32_t{1980})},
        {"the target's own name", target, Variant(std::int32_t{1980})},
        {"a name with a doubled separator", dir.path().string() + "//LIC.mdb", Variant(std::int32_t{1980})},
        {"a symbolic link to the target", symlink, Variant(std::int32_t{1980})},
        {"a hard link to the target", hardLink, Variant(std::int32_t{1980})},
        {"a copy is another file, read on its own", copy, Variant(std::int32_t{1975})},
        {"the separate bonus database", bonus, Variant(std::int32_t{1996})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(firstYear(c.bonusDatabase), c.expected));
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
    database.execute("ROLLBACK");
}

TEST_F(SharedTargetLookupTest, theTargetUnderAnotherPasswordIsRefusedAtOnce)
{
    database.execute("BEGIN EXCLUSIVE");
    module.session().connections().shareTarget(database, targetPassword());
    const Variant spouse = module.OrrinDFirst("Spouse", "Client2", target.string(), "perscode = 1");
    database.execute("ROLLBACK");

    EXPECT_TRUE(same(spouse, Variant()));
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 6u); // the open, then each later step on the unopened connection
    EXPECT_EQ(entries[0].description,
              "Cannot open '" + target.string() + "': not a valid password, or not a database file.");
}

TEST_F(SharedTargetLookupTest, aReleasedTargetIsReadThroughALookupConnectionOfItsOwn)
{
    // Rows the run's transaction holds are seen only through the run's own connection.
    database.beginTransaction();
    database.execute("INSERT INTO NewBonus (BonusCat, YY) VALUES ('EN', 1970)");
    module.session().connections().shareTarget(database, targetPassword());
    EXPECT_TRUE(same(firstYear(dir.path() / "lic.mdb"), Variant(std::int32_t{1970})));

    module.session().connections().release(database);
    EXPECT_TRUE(
        same(firstYear(dir.path() / "lic.mdb", "BonusCat='EN' and YY<2000"), Variant(std::int32_t{1980})));

    module.session().connections().shareTarget(database, targetPassword());
    module.session().connections().closeLookups();
    EXPECT_TRUE(
        same(firstYear(dir.path() / "lic.mdb", "BonusCat='EN' and YY>1900"), Variant(std::int32_t{1980})));
    EXPECT_TRUE(database.isOpen()); // lent, never closed by the lookups
    database.rollback();
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

} // namespace
} // namespace orrin::testing

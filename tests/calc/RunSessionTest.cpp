// A run's session: it stands in front of the module's standing session while it lives, keeps the
// lookups' files and answers for the run (a bonus database replaced during the run is not read), and
// lets them go at its end.

#include "calc/RunSession.h"
#include "calc/ScheduleFixture.h"

#include <fstream>

namespace orrin::testing {
namespace {

class RunSessionTest : public ScheduleTest {
  protected:
    void writeBonusYear(const std::filesystem::path& file, std::int16_t year)
    {
        insertRows(file, targetPassword(), "NewBonus",
                   {{{"BonusCat", Variant("EN")}, {"YY", Variant(year)}, {"BonusJM", Variant(1.0)}}});
    }
    Variant lastYear() { return module.DFirst2("max(YY)", "NewBonus", "BonusCat='EN'"); }
    // Puts another bonus database in the old one's place (the old file lives on while it is open).
    void replaceBonusDatabase(std::int16_t year)
    {
        std::filesystem::rename(bonus, dir.path() / "old-lic.mdb");
        createBonusDb(bonus);
        writeBonusYear(bonus, year);
    }
};

TEST_F(RunSessionTest, standsInFrontOfTheStandingSessionWhileItLives)
{
    calc::RunSession& standing = module.session();
    {
        calc::RunSession run(module);
        EXPECT_EQ(&module.session(), &run);
        run.setTarget(&database);
        EXPECT_EQ(standing.target(), nullptr);
    }
    EXPECT_EQ(&module.session(), &standing);
}

struct FileCase {
    const char* name;
    bool endTheRunFirst;
    std::int32_t expected;
};

class RunSessionFiles : public RunSessionTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(RunSessionFiles, keepsTheLookupsFilesUntilItsEnd)
{
    writeBonusYear(bonus, 2001);
    std::optional<calc::RunSession> run;
    run.emplace(module);
    EXPECT_TRUE(same(lastYear(), Variant(std::int32_t{2001})));
    replaceBonusDatabase(2002);
    if (GetParam().endTheRunFirst)
        run.reset();
    EXPECT_TRUE(same(lastYear(), Variant(GetParam().expected)));
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sessions, RunSessionFiles,
                         ::testing::Values(FileCase{"DuringTheRun", false, 2001},
                                           FileCase{"AfterTheRun", true, 2002}),
                         [](const auto& info) { return std::string(info.param.name); });

// A bonus database that does not open is not opened again in the run: each lookup fails the same
// way and is logged, without reading the file (or deriving its key) once more. Put right, it is
// read by the next run.
TEST_F(RunSessionTest, aFileThatDidNotOpenIsNotOpenedAgainInTheRun)
{
    std::filesystem::remove(bonus);
    std::ofstream(bonus) << "not a database\n";
    std::optional<calc::RunSession> run;
    run.emplace(module);
    EXPECT_TRUE(lastYear().isEmpty());
    const auto entriesOfOneLookup = module.logEntriesWritten();
    EXPECT_GT(entriesOfOneLookup, 0);
    createBonusDb(dir.path() / "good.mdb");
    writeBonusYear(dir.path() / "good.mdb", 2003);
    std::filesystem::rename(dir.path() / "good.mdb", bonus);
    EXPECT_TRUE(lastYear().isEmpty());
    EXPECT_EQ(module.logEntriesWritten(), 2 * entriesOfOneLookup);
    run.reset();
    EXPECT_TRUE(same(lastYear(), Variant(std::int32_t{2003})));
}

} // namespace
} // namespace orrin::testing

#include "sample/SampleWriter.h"

#include "SampleTestSupport.h"
#include "store/Connection.h"
#include "support/Fixture.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace orrin::testing {
namespace {

const std::string kTargetKey = targetPassword();

// Every plan number the policy calculations name: the bonus categories, the plan rules and the
// survival-benefit special cases.
const std::set<int> kNamedPlans = {2,   3,   5,   7,   8,   11,  14,  18,  41,  47,  48,  50,  73,  74,  75,
                                   76,  88,  89,  90,  91,  93,  94,  95,  101, 102, 103, 104, 105, 106, 107,
                                   108, 109, 110, 111, 112, 113, 114, 121, 123, 124, 125, 126, 128, 131, 132,
                                   133, 135, 136, 137, 141, 142, 143, 147, 148, 149, 150, 151, 152, 154, 155,
                                   156, 157, 158, 159, 160, 162, 166, 174, 175, 179, 192, 196};

class ReferenceTables : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        std::filesystem::create_directories(s_dir->path() / "bonus");
        sample::SampleWriter writer({10, 3, 0.0});
        writer.writeTarget(target());
        sample::SampleWriter::writeBonusDatabase(bonus());
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::filesystem::path target() { return s_dir->path() / "LIC.mdb"; }
    static std::filesystem::path bonus() { return s_dir->path() / "bonus" / "lic.mdb"; }
    static TempDir* s_dir;
};
TempDir* ReferenceTables::s_dir = nullptr;

struct Band {
    double fromTerm, toTerm, fromSA, toSA;
    bool covers(int term, double sum) const
    {
        return term >= fromTerm && term <= toTerm && sum >= fromSA && sum <= toSA;
    }
};

TEST_F(ReferenceTables, EveryNamedPlanHasALiveRow)
{
    std::set<int> live;
    for (const auto& row : query(target(), kTargetKey, "SELECT plan FROM plans WHERE pflag <> 'D'"))
        live.insert(static_cast<int>(row[0].number()));
    EXPECT_EQ(live, kNamedPlans);
}

TEST_F(ReferenceTables, WithdrawnRowsAreThereAndPlan27HasOnlyOne)
{
    EXPECT_GE(scalar(target(), kTargetKey, "SELECT count(*) FROM plans WHERE pflag = 'D'"), 3);
    EXPECT_EQ(scalar(target(), kTargetKey, "SELECT count(*) FROM plans WHERE plan = 27 AND pflag <> 'D'"), 0);
    EXPECT_EQ(scalar(target(), kTargetKey, "SELECT count(*) FROM plans WHERE plan = 27"), 1);
    EXPECT_EQ(scalar(target(), kTargetKey, "SELECT count(*) FROM plans WHERE plan = 999"), 0);
}

TEST_F(ReferenceTables, Plans103And152HaveNoInstalmentTextSoTheirOwnSchedulesApply)
{
    const auto rows =
        query(target(), kTargetKey,
              "SELECT plan, Term, benefit FROM plans WHERE plan IN (103, 152) AND pflag <> 'D'");
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        EXPECT_TRUE(row[1].isNull()) << row[0].number();
        EXPECT_TRUE(row[2].isNull()) << row[0].number();
    }
}

TEST_F(ReferenceTables, MoneyBackPlansCarryTwoDigitInstalmentTexts)
{
    const auto rows = query(target(), kTargetKey,
                            "SELECT plan, Term, benefit FROM plans WHERE pflag <> 'D' AND Term IS NOT NULL");
    EXPECT_GE(rows.size(), 10u);
    for (const auto& row : rows) {
        const std::string years = row[1].text();
        const std::string shares = row[2].text();
        SCOPED_TRACE("plan " + std::to_string(row[0].number()));
        EXPECT_EQ(years.size() % 2, 0u);
        EXPECT_EQ(years.size(), shares.size());
        EXPECT_LE(years.size(), 16u); // at most eight instalments
        EXPECT_EQ((years + shares).find_first_not_of("0123456789"), std::string::npos);
        for (std::size_t k = 2; k < years.size(); k += 2)
            EXPECT_LT(std::stoi(years.substr(k - 2, 2)), std::stoi(years.substr(k, 2)));
    }
    const auto plan75 =
        query(target(), kTargetKey, "SELECT Term, benefit FROM plans WHERE plan = 75 AND pflag <> 'D'");
    ASSERT_EQ(plan75.size(), 1u);
    EXPECT_EQ(plan75[0][0].text(), "051015");
    EXPECT_EQ(plan75[0][1].text(), "202020");
}

TEST_F(ReferenceTables, NewBonusCoversEveryCategoryYearTermAndSumOnce)
{
    const auto rows =
        query(target(), kTargetKey,
              "SELECT BonusCat, YY, FromTerm, ToTerm, FromSA, ToSA, BonusAD, BonusJM FROM NewBonus");
    std::map<std::pair<std::string, int>, std::vector<Band>> bands;
    for (const auto& row : rows) {
        bands[{row[0].text(), static_cast<int>(row[1].number())}].push_back(
            {row[2].number(), row[3].number(), row[4].number(), row[5].number()});
        const double ad = row[6].number();
        const double jm = row[7].number();
        EXPECT_GE(jm, 30);
        EXPECT_LE(jm, 70);
        EXPECT_TRUE(ad == 0 || (ad >= 30 && ad <= 70)) << ad;
        if (ad == 0) {
            EXPECT_EQ(row[1].number(), 2015) << "only the latest year may lack the April-to-December rate";
        }
    }
    const char* categories[] = {"WL", "EN", "JMJS", "MB", "JS", "JDJS", "JA", "JR"};
    const double sums[] = {10000, 99999, 100000, 250000, 499999, 500000, 1000000};
    for (const char* category : categories) {
        for (int year = 1980; year <= 2015; ++year) {
            const auto found = bands.find({category, year});
            ASSERT_NE(found, bands.end()) << category << " " << year;
            for (int term = 9; term <= 35; ++term) {
                for (const double sum : sums) {
                    const auto matches = std::count_if(found->second.begin(), found->second.end(),
                                                       [&](const Band& b) { return b.covers(term, sum); });
                    EXPECT_EQ(matches, 1) << category << " " << year << " term " << term << " sum " << sum;
                }
            }
        }
    }
    EXPECT_EQ(bands.size(), 8u * 36u);
}

TEST_F(ReferenceTables, FinalBonusStartsAtFifteenYears)
{
    const auto rows =
        query(target(), kTargetKey, "SELECT FromTerm, ToTerm, FromSA, ToSA, FAB FROM FINALBONUS");
    std::vector<Band> bands;
    for (const auto& row : rows) {
        bands.push_back({row[0].number(), row[1].number(), row[2].number(), row[3].number()});
        EXPECT_GE(row[0].number(), 15);
        EXPECT_GT(row[4].number(), 0);
    }
    for (int term = 9; term <= 35; ++term) {
        for (const double sum : {10000.0, 100000.0, 1000000.0}) {
            const auto matches =
                std::count_if(bands.begin(), bands.end(), [&](const Band& b) { return b.covers(term, sum); });
            EXPECT_EQ(matches, term >= 15 ? 1 : 0) << "term " << term << " sum " << sum;
        }
    }
}

TEST_F(ReferenceTables, BonusDatabaseHoldsTheSameBonusRowsAndNothingElse)
{
    EXPECT_TRUE(allRows(bonus(), kTargetKey, "NewBonus") == allRows(target(), kTargetKey, "NewBonus"));
    EXPECT_TRUE(allRows(bonus(), kTargetKey, "FINALBONUS") == allRows(target(), kTargetKey, "FINALBONUS"));
    EXPECT_GT(scalar(bonus(), kTargetKey, "SELECT count(*) FROM NewBonus"), 0);
    for (const char* table : {"plans", "Policies", "SB", "Family", "Client", "Times"})
        EXPECT_EQ(scalar(bonus(), kTargetKey, std::string("SELECT count(*) FROM ") + table), 0) << table;
    store::Connection wrong;
    EXPECT_THROW(wrong.openFile(bonus(), sourcePassword(), store::OpenMode::ReadOnly), Error);
}

TEST(ReferenceTablesFiles, AnExistingFileIsRefusedAndKeptUnlessReplacing)
{
    TempDir dir;
    const auto file = dir.path() / "lic.mdb";
    sample::SampleWriter::writeBonusDatabase(file);
    execute(file, kTargetKey, "DELETE FROM FINALBONUS");
    EXPECT_THROW(sample::SampleWriter::writeBonusDatabase(file), std::runtime_error);
    EXPECT_EQ(scalar(file, kTargetKey, "SELECT count(*) FROM FINALBONUS"), 0); // untouched
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "lic.mdb.partial"));
    sample::SampleWriter::writeBonusDatabase(file, true);
    EXPECT_GT(scalar(file, kTargetKey, "SELECT count(*) FROM FINALBONUS"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "lic.mdb.partial"));
}

} // namespace
} // namespace orrin::testing

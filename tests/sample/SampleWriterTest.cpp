#include "sample/SampleWriter.h"

#include "SampleTestSupport.h"
#include "sample/SampleData.h"
#include "store/Connection.h"
#include "store/KnownDatabases.h"
#include "support/Fixture.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace orrin::testing {
namespace {

using sample::SampleCounts;
using sample::SampleOptions;
using sample::SampleWriter;

struct WrittenSample {
    TempDir dir;
    std::filesystem::path source;
    std::filesystem::path target;
    SampleCounts counts;
};

std::unique_ptr<WrittenSample> writeSample(SampleOptions options)
{
    auto written = std::make_unique<WrittenSample>();
    written->source = written->dir.path() / "zrv.accdb";
    written->target = written->dir.path() / "LIC.mdb";
    SampleWriter writer(options);
    written->counts = writer.writeSource(written->source);
    writer.writeTarget(written->target);
    return written;
}

const std::string kSourceKey = sourcePassword();
const std::string kTargetKey = targetPassword();

// A clean sample of 1000 policies, shared by the tests that only read it.
class CleanSample : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { s_sample = writeSample({1000, 42, 0.0}).release(); }
    static void TearDownTestSuite()
    {
        delete s_sample;
        s_sample = nullptr;
    }
    static WrittenSample* s_sample;
};
WrittenSample* CleanSample::s_sample = nullptr;

TEST(SampleWriterDeterminism, TheSameSeedWritesTheSameRowsInEveryTable)
{
    const auto first = writeSample({300, 7, 0.05});
    const auto second = writeSample({300, 7, 0.05});
    for (const auto& [file, key] :
         {std::pair{&WrittenSample::source, kSourceKey}, {&WrittenSample::target, kTargetKey}}) {
        OpenDb one((*first).*file, key);
        OpenDb two((*second).*file, key);
        const auto tables = one.tableNames();
        ASSERT_EQ(tables, two.tableNames());
        for (const std::string& table : tables) {
            const auto a = one.table(table);
            const auto b = two.table(table);
            EXPECT_EQ(a.size(), b.size()) << table;
            EXPECT_TRUE(a == b) << "table " << table << " differs between two writes of the same seed";
        }
    }
    EXPECT_EQ(first->counts.dirtyValues, second->counts.dirtyValues);
}

TEST(SampleWriterDeterminism, AnotherSeedWritesOtherPolicies)
{
    const auto first = writeSample({200, 1, 0.0});
    const auto second = writeSample({200, 2, 0.0});
    EXPECT_FALSE(allRows(first->source, kSourceKey, "Policies") ==
                 allRows(second->source, kSourceKey, "Policies"));
}

TEST(SampleWriterDeterminism, TheDirtyRateChangesOnlyTheAwkwardValues)
{
    // The clean data comes from its own stream: the policy numbers (never dirtied but for a quote)
    // and the family of each policy stay the same whatever the rate.
    const auto clean = writeSample({400, 9, 0.0});
    const auto dirty = writeSample({400, 9, 0.3});
    OpenDb cleanDb(clean->source, kSourceKey);
    OpenDb dirtyDb(dirty->source, kSourceKey);
    EXPECT_TRUE(cleanDb.column("Policies", "AgencyCd") == dirtyDb.column("Policies", "AgencyCd"));
    const auto cleanDates = cleanDb.column("Policies", "ComDate");
    const auto dirtyDates = dirtyDb.column("Policies", "ComDate");
    ASSERT_EQ(cleanDates.size(), dirtyDates.size());
    int nulls = 0;
    for (std::size_t i = 0; i < cleanDates.size(); ++i) {
        if (dirtyDates[i].isNull())
            ++nulls;
        else
            EXPECT_TRUE(cleanDates[i] == dirtyDates[i]) << "policy " << i;
    }
    EXPECT_GT(nulls, 0);
    EXPECT_EQ(scalar(clean->source, kSourceKey, "SELECT count(*) FROM Client1"),
              scalar(dirty->source, kSourceKey, "SELECT count(*) FROM Client1"));
}

TEST_F(CleanSample, CountsFollowThePolicies)
{
    const auto& s = *s_sample;
    EXPECT_EQ(s.counts.policies, 1000);
    EXPECT_EQ(scalar(s.source, kSourceKey, "SELECT count(*) FROM Policies"), 1000);
    EXPECT_EQ(scalar(s.source, kSourceKey, "SELECT count(*) FROM Family"), 200); // one family per 5 policies
    EXPECT_EQ(s.counts.families, 200);
    EXPECT_EQ(scalar(s.source, kSourceKey, "SELECT count(*) FROM Agmast"), 3);
    const double locations = scalar(s.source, kSourceKey, "SELECT count(*) FROM LocMast");
    EXPECT_GE(locations, 10);
    EXPECT_LE(locations, 30);
    const double branches = scalar(s.source, kSourceKey, "SELECT count(*) FROM BrnMast");
    EXPECT_GE(branches, 3);
    EXPECT_LE(branches, 6);
    EXPECT_GE(scalar(s.source, kSourceKey, "SELECT count(*) FROM company"), 3);
}

TEST_F(CleanSample, EveryFamilyHasTwoToFourClients)
{
    const auto& s = *s_sample;
    const auto rows =
        query(s.source, kSourceKey,
              "SELECT f.FamilyCode, (SELECT count(*) FROM Client1 c WHERE c.FamilyCode = f.FamilyCode) "
              "FROM Family f");
    ASSERT_EQ(rows.size(), 200u);
    for (const auto& row : rows) {
        EXPECT_GE(row[1].number(), 2) << row[0].text();
        EXPECT_LE(row[1].number(), 4) << row[0].text();
    }
    EXPECT_EQ(scalar(s.source, kSourceKey, "SELECT count(*) FROM Client1"), s.counts.clients);
}

TEST_F(CleanSample, MarriedCouplesHaveClient2RowsAndMostAdultsClient4Rows)
{
    const auto& s = *s_sample;
    // Each marriage is written for both partners, each naming the other.
    EXPECT_EQ(scalar(s.source, kSourceKey,
                     "SELECT count(*) FROM Client2 a JOIN Client2 b ON a.familycode = b.familycode "
                     "AND a.perscode = 1 AND b.perscode = 2 AND a.MarDt = b.MarDt"),
              s.counts.marriages / 2);
    EXPECT_GT(s.counts.marriages, 200); // most of the 200 families are married couples
    EXPECT_EQ(scalar(s.source, kSourceKey,
                     "SELECT count(*) FROM Client2 m WHERE NOT EXISTS (SELECT 1 FROM Client1 c WHERE "
                     "c.FamilyCode = m.familycode AND c.PersCode = m.perscode)"),
              0);
    EXPECT_EQ(scalar(s.source, kSourceKey,
                     "SELECT count(*) FROM Client4 m WHERE NOT EXISTS (SELECT 1 FROM Client1 c WHERE "
                     "c.FamilyCode = m.familycode AND c.PersCode = m.perscode)"),
              0);
    EXPECT_GT(s.counts.mobiles, s.counts.clients / 2);
}

TEST_F(CleanSample, EveryPolicyBelongsToAClientOfItsFamily)
{
    const auto& s = *s_sample;
    EXPECT_EQ(scalar(s.source, kSourceKey,
                     "SELECT count(*) FROM Policies p WHERE NOT EXISTS (SELECT 1 FROM Client1 c WHERE "
                     "c.FamilyCode = p.FamilyCode AND c.PersCode = p.PersCode)"),
              0);
    EXPECT_EQ(scalar(s.source, kSourceKey, "SELECT count(DISTINCT PolicyNo) FROM Policies"), 1000);
}

TEST_F(CleanSample, PoliciesLookLikeAnAgentsBook)
{
    const auto& s = *s_sample;
    const auto rows =
        query(s.source, kSourceKey, "SELECT ComDate, Term, Sum, Payment, Status, Plan FROM Policies");
    std::set<std::string> modes, statuses;
    std::set<std::string> plans;
    for (const auto& row : rows) {
        ASSERT_TRUE(row[0].isDate());
        const int year = yearOf(row[0].date());
        EXPECT_GE(year, 1985);
        EXPECT_LE(year, 2015);
        const int term = std::stoi(row[1].text());
        EXPECT_GE(term, 9); // the nine-year money-back plans
        EXPECT_LE(term, 35);
        EXPECT_GE(row[2].number(), 10000);
        EXPECT_LE(row[2].number(), 1000000);
        modes.insert(row[3].text());
        statuses.insert(row[4].text());
        plans.insert(row[5].text());
    }
    EXPECT_EQ(modes, (std::set<std::string>{"H", "M", "O", "Q", "S", "Y"}));
    for (const char* status : {"I", "R", "D", "F"})
        EXPECT_TRUE(statuses.count(status)) << status;
    EXPECT_GT(statuses.size(), 4u); // and others besides
    for (const char* plan : {"14", "75", "103", "113", "152", "159", "160", "174", "175", "179", "196"})
        EXPECT_TRUE(plans.count(plan)) << "no policy on plan " << plan;
}

TEST_F(CleanSample, AddressesHaveSixDigitPinCodesAndFitTheTarget)
{
    const auto& s = *s_sample;
    for (const auto& row :
         query(s.source, kSourceKey, "SELECT RAdd1, RAdd2, RAdd3, RAdd4, RPin FROM Family")) {
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(row[i].isText());
            EXPECT_FALSE(row[i].text().empty());
            EXPECT_LE(row[i].text().size(), 25u) << row[i].text();
        }
        ASSERT_TRUE(row[4].isText());
        EXPECT_EQ(row[4].text().size(), 6u);
        EXPECT_EQ(row[4].text().find_first_not_of("0123456789"), std::string::npos) << row[4].text();
    }
}

TEST_F(CleanSample, SourceOpensOnlyWithItsPassword)
{
    store::Connection right;
    EXPECT_NO_THROW(right.openFile(s_sample->source, kSourceKey, store::OpenMode::ReadOnly));
    store::Connection wrong;
    EXPECT_THROW(wrong.openFile(s_sample->source, kTargetKey, store::OpenMode::ReadOnly), Error);
    store::Connection none;
    EXPECT_THROW(none.openFile(s_sample->source, "", store::OpenMode::ReadOnly), Error);
}

TEST_F(CleanSample, TargetOpensOnlyWithItsPassword)
{
    store::Connection right;
    EXPECT_NO_THROW(right.openFile(s_sample->target, kTargetKey, store::OpenMode::ReadOnly));
    store::Connection wrong;
    EXPECT_THROW(wrong.openFile(s_sample->target, kSourceKey, store::OpenMode::ReadOnly), Error);
}

TEST_F(CleanSample, TargetHoldsStaleRowsOfAnEarlierImport)
{
    for (const char* table : {"Login", "Times", "AgMast", "LocMast", "BrnMast", "company", "Family", "Client",
                              "Policies", "SB"}) {
        EXPECT_GT(scalar(s_sample->target, kTargetKey, std::string("SELECT count(*) FROM ") + table), 0)
            << table;
    }
}

TEST(SampleWriterSizes, NoPoliciesStillGivesAnAgentAndOneFamily)
{
    const auto written = writeSample({0, 5, 0.0});
    EXPECT_EQ(scalar(written->source, kSourceKey, "SELECT count(*) FROM Policies"), 0);
    EXPECT_EQ(scalar(written->source, kSourceKey, "SELECT count(*) FROM Family"), 1);
    EXPECT_EQ(scalar(written->source, kSourceKey, "SELECT count(*) FROM Agmast"), 3);
    EXPECT_GT(scalar(written->target, kTargetKey, "SELECT count(*) FROM NewBonus"), 0);
}

TEST(SampleWriterSizes, FamiliesAreAFifthOfThePoliciesRounded)
{
    for (const auto& [policies, families] : {std::pair{1, 1}, {7, 1}, {8, 2}, {12, 2}, {13, 3}}) {
        const auto written = writeSample({policies, 5, 0.0});
        EXPECT_EQ(written->counts.families, families) << policies << " policies";
        EXPECT_EQ(written->counts.policies, policies);
    }
}

TEST(SampleWriterSizes, BadOptionsAreRefused)
{
    EXPECT_THROW(SampleWriter({-1, 1, 0.0}), std::invalid_argument);
    EXPECT_THROW(SampleWriter({10, 1, 1.5}), std::invalid_argument);
    EXPECT_THROW(SampleWriter({10, 1, -0.5}), std::invalid_argument);
}

} // namespace
} // namespace orrin::testing

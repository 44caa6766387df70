// Plan rows kept while the run's policy step goes on: a plan is read once, and a kept row answers as
// the plan query would, failures included.

#include "calc/PlanRow.h"
#include "calc/ScheduleFixture.h"
#include "store/StoreError.h"

namespace orrin::testing {
namespace {

class KeptPlanRowsTest : public ScheduleTest {
  protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        // No premium ceasing age: the plan term is the premium term.
        addPlan(14, Variant::null(), Variant(std::int16_t{20}), Variant("0510"), Variant("1015"));
        addPlan(152, Variant(std::int16_t{70}), Variant(std::int16_t{25}), Variant::null(), Variant::null());
    }
    // Changes the plans table behind the kept rows' back.
    void changePremTerms() { database.execute("update plans set PremTerm = PremTerm + 1"); }

    Variant premTerm(const Variant& plan, calc::PlanRowCache* kept)
    {
        calc::PlanRow row;
        row.open(&database, plan, kept);
        return row.recordCount() == 0 ? Variant("no row") : row.field("PremTerm");
    }
};

struct PlanCase {
    const char* name;
    Variant plan;
    Variant beforeChange;
    Variant keptAfterChange;
    Variant readAfterChange;
};

TEST_F(KeptPlanRowsTest, aKeptPlanIsNotReadAgain)
{
    const PlanCase cases[] = {
        {"plan as a number", Variant(std::int32_t{14}), Variant(std::int16_t{20}), Variant(std::int16_t{20}),
         Variant(std::int16_t{21})},
        {"plan as text", Variant("152"), Variant(std::int16_t{25}), Variant(std::int16_t{25}),
         Variant(std::int16_t{26})},
        {"an unknown plan is kept as no row", Variant("999"), Variant("no row"), Variant("no row"),
         Variant("no row")},
    };
    calc::PlanRowCache kept;
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(premTerm(c.plan, &kept), c.beforeChange));
    }
    changePremTerms();
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(premTerm(c.plan, &kept), c.keptAfterChange));
        EXPECT_TRUE(same(premTerm(c.plan, nullptr), c.readAfterChange));
    }
    // "152.0" asks the same query as "152": the kept row answers.
    EXPECT_TRUE(same(premTerm(Variant("152.0"), &kept), Variant(std::int16_t{25})));
    kept.clear();
    EXPECT_TRUE(same(premTerm(Variant("152.0"), &kept), Variant(std::int16_t{26})));
}

TEST_F(KeptPlanRowsTest, keptRowsFailAsThePlanQueryWould)
{
    calc::PlanRowCache kept;
    EXPECT_TRUE(same(premTerm(Variant(std::int32_t{14}), &kept), Variant(std::int16_t{20})));

    auto failure = [&](const Variant& plan) {
        try {
            premTerm(plan, &kept);
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(failure(Variant::null()), store::code::BadQuery);
    EXPECT_EQ(failure(Variant("14a")), store::code::BadQuery);
    database.close();
    EXPECT_EQ(failure(Variant(std::int32_t{14})), store::code::Closed);
}

TEST_F(KeptPlanRowsTest, rowsKeptOnOneDatabaseAreNotUsedOnAnother)
{
    calc::PlanRowCache kept;
    EXPECT_TRUE(same(premTerm(Variant(std::int32_t{14}), &kept), Variant(std::int16_t{20})));
    store::Connection other;
    std::filesystem::create_directories(dir.path() / "other");
    const std::filesystem::path otherFile = createTargetDb(dir.path() / "other");
    insertRows(otherFile, targetPassword(), "plans",
               {{{"plan", Variant(std::int32_t{14})},
                 {"pflag", Variant("A")},
                 {"PremTerm", Variant(std::int16_t{35})}}});
    other.openFile(otherFile, targetPassword(), store::OpenMode::ReadWrite);
    calc::PlanRow row;
    row.open(&other, Variant(std::int32_t{14}), &kept);
    EXPECT_TRUE(same(row.field("PremTerm"), Variant(std::int16_t{35})));
}

// The schedule reopens the plan row that the dates read: while the database stays open the rows read
// then answer; once it is closed the query runs again and fails as an open would.
TEST_F(KeptPlanRowsTest, aReopenedPlanRowAnswersWithTheRowsOfItsOpen)
{
    calc::PlanRow row;
    const Variant plan(std::int32_t{14});
    row.open(&database, plan);
    row.close();
    row.release();
    changePremTerms();
    row.reopen(&database, plan);
    EXPECT_TRUE(same(row.field("PremTerm"), Variant(std::int16_t{20})));

    row.close();
    row.release();
    database.close();
    try {
        row.reopen(&database, plan);
        ADD_FAILURE() << "reopened on a closed database";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), store::code::Closed);
    }
    EXPECT_THROW(row.recordCount(), Error); // the handle stays unset, as a failed open leaves it
}

// UpdatePolicySchedule reads the plan once per policy (for the dates; the SB rows reopen it); with the
// rows kept, a change made to plans afterwards does not reach the next policy until keeping is turned
// off.
TEST_F(KeptPlanRowsTest, UpdatePolicyScheduleUsesTheKeptRowsOnlyWhileTurnedOn)
{
    auto policy = [&](const char* number) {
        startPolicy({{"policy_no", Variant(number)},
                     {"Issue_Dt", date(2001, 3, 15)},
                     {"Plan", Variant("14")},
                     {"Term", Variant(std::int16_t{0})},
                     {"Payment", Variant("Y")},
                     {"Sum", Variant(100000.0)}});
        completePolicy();
    };
    module.session().caches().keepReferenceRows(true);
    policy("K-1");
    changePremTerms();
    policy("K-2");
    module.session().caches().keepReferenceRows(false);
    policy("K-3");

    const auto saved = savedPolicies();
    ASSERT_EQ(saved.size(), 3u);
    // The plan term is the premium term (20, then 21 once the change is seen).
    EXPECT_TRUE(same(saved[0][0], date(2021, 3, 15)));
    EXPECT_TRUE(same(saved[1][0], date(2021, 3, 15)));
    EXPECT_TRUE(same(saved[2][0], date(2022, 3, 15)));
}

} // namespace
} // namespace orrin::testing

#include "store/StoreError.h"

#include "ScheduleFixture.h"

namespace orrin::testing {
namespace {

const std::string kLabel = calc::labels::UpdatePolicySchedule;

class PolicyDatesTest : public ScheduleTest {
  protected:
    // The fields the run's policy step copies, with the dates the caller may already have set.
    Row policy(const Variant& plan, const Variant& issue, const char* payment, const Variant& term,
               const Variant& ppt, const char* policyNo = "P1")
    {
        return {{"policy_no", Variant(policyNo)},
                {"Issue_Dt", issue},
                {"Plan", plan},
                {"Term", term},
                {"PPT", ppt},
                {"Sum", Variant(100000.0)},
                {"Payment", Variant(payment)},
                {"Premium", Variant(4321.0)},
                {"matdt", preset},
                {"PremEndDt", preset}};
    }

    std::vector<std::string> numbers()
    {
        std::vector<std::string> result;
        for (const LogEntry& entry : logEntries())
            result.push_back(entry.number);
        return result;
    }

    const Variant preset = date(1999, 1, 1);
};

struct DateCase {
    const char* name;
    Variant premage;
    Variant PremTerm;
    Variant issue;
    const char* payment;
    Variant term;
    Variant ppt;
    Variant matdt;
    Variant premEndDt;
};

TEST_F(PolicyDatesTest, MaturityAndPremiumEndDates)
{
    const Variant short0(std::int16_t{0});
    const Variant short20(std::int16_t{20});
    const Variant short25(std::int16_t{25});
    const Variant short60(std::int16_t{60});
    const DateCase cases[] = {
        {"yearly policy: maturity after Term, premiums end after PPT", short0, short20, date(2001, 3, 15),
         "Y", Variant("20"), Variant("15"), date(2021, 3, 15), date(2016, 3, 15)},
        {"single premium ends on the commencement date", short0, short20, date(2001, 3, 15), "S",
         Variant("20"), Variant("15"), date(2021, 3, 15), date(2001, 3, 15)},
        {"lower-case s is not single", short0, short20, date(2001, 3, 15), "s", Variant("20"), Variant("15"),
         date(2021, 3, 15), date(2016, 3, 15)},
        {"Term 0 takes the plan term for both dates, not the PPT", short0, short25, date(2001, 3, 15), "Y",
         Variant("0"), Variant("15"), date(2026, 3, 15), date(2026, 3, 15)},
        {"ceasing age 60 beats premium term 20", short60, short20, date(2001, 3, 15), "Y", Variant("0"),
         Variant("15"), date(2061, 3, 15), date(2061, 3, 15)},
        {"a Null ceasing age takes the premium term", Variant::null(), short20, date(2001, 3, 15), "Y",
         Variant(""), Variant("15"), date(2021, 3, 15), date(2021, 3, 15)},
        {"29 February plus 21 years is 28 February", short0, short20, date(2000, 2, 29), "Y", Variant("21"),
         Variant("20"), date(2021, 2, 28), date(2020, 2, 29)},
        {"Term read as its leading number", short0, short20, date(2001, 3, 15), "Y", Variant("15 yrs"),
         Variant("10"), date(2016, 3, 15), date(2011, 3, 15)},
        {"half years round to the even year", short0, short20, date(2001, 3, 15), "Y", Variant("12.5"),
         Variant("13.5"), date(2013, 3, 15), date(2015, 3, 15)},
        {"a positive Term takes the PPT even when it is empty", short0, short20, date(2001, 3, 15), "Y",
         Variant("20"), Variant(""), date(2021, 3, 15), date(2001, 3, 15)},
        {"single premium on the plan term", short0, short25, date(2001, 3, 15), "S", Variant("0"),
         Variant("15"), date(2026, 3, 15), date(2001, 3, 15)},
        {"no commencement date clears both dates", short0, short20, Variant::null(), "Y", Variant("20"),
         Variant("15"), Variant::null(), Variant::null()},
    };
    int plan = 800;
    for (const DateCase& c : cases) {
        addPlan(plan, c.premage, c.PremTerm, Variant::null(), Variant::null());
        startPolicy(policy(Variant(std::to_string(plan)), c.issue, c.payment, c.term, c.ppt));
        completePolicy();
        ++plan;
    }
    const auto saved = savedPolicies();
    ASSERT_EQ(saved.size(), std::size(cases));
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_TRUE(same(saved[i][0], cases[i].matdt));
        EXPECT_TRUE(same(saved[i][1], cases[i].premEndDt));
    }
}

struct UntouchedCase {
    const char* name;
    Variant plan;
};

TEST_F(PolicyDatesTest, PlanWithoutLiveRowKeepsTheCallersDates)
{
    addPlan(815, Variant(std::int16_t{0}), Variant(std::int16_t{20}), Variant::null(), Variant::null(), "D");
    addPlan(816, Variant(std::int16_t{0}), Variant(std::int16_t{20}), Variant::null(), Variant::null(), "d");
    const UntouchedCase cases[] = {
        {"plan not in plans", Variant("999")},
        {"plan only in a deleted row", Variant("815")},
        {"deleted flag in lower case", Variant("816")},
    };
    for (const UntouchedCase& c : cases) {
        startPolicy(policy(c.plan, date(2001, 3, 15), "Y", Variant("20"), Variant("15")));
        completePolicy();
    }
    const auto saved = savedPolicies();
    ASSERT_EQ(saved.size(), std::size(cases));
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_TRUE(same(saved[i][0], preset));
        EXPECT_TRUE(same(saved[i][1], preset));
    }
}

TEST_F(PolicyDatesTest, PlanTextWithLeadingZeroReadsAsItsNumber)
{
    addPlan(14, Variant(std::int16_t{0}), Variant(std::int16_t{25}), Variant::null(), Variant::null());
    startPolicy(policy(Variant("014"), date(2001, 3, 15), "Y", Variant("0"), Variant("0")));
    completePolicy();
    const auto saved = savedPolicies();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(same(saved[0][0], date(2026, 3, 15)));
}

TEST_F(PolicyDatesTest, PlanZeroIsLeftExactlyAsTheCallerSetIt)
{
    addPlan(0, Variant(std::int16_t{0}), Variant(std::int16_t{25}), Variant("05"), Variant("10"));
    insertRows(target, targetPassword(), "SB",
               {{{"policy_no", Variant("P1")},
                 {"sb_duedate", date(2005, 1, 1)},
                 {"sb_amount", Variant(5.0)},
                 {"i_no", Variant(std::int32_t{1})}}});
    int pumped = 0;
    calc::RunSession run(module, [&] { ++pumped; });
    startPolicy(policy(Variant("0"), date(2001, 3, 15), "Y", Variant("20"), Variant("15")));
    completePolicy();
    EXPECT_EQ(pumped, 1);
    EXPECT_EQ(module.session().target(), nullptr);
    const auto saved = query(target, targetPassword(), "select matdt, PremEndDt, MatAmt from Policies");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(same(saved[0][0], preset));
    EXPECT_TRUE(same(saved[0][1], preset));
    EXPECT_TRUE(same(saved[0][2], Variant::null()));
    EXPECT_EQ(sbRows().size(), 1u);
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(PolicyDatesTest, PlanThatIsNotANumberFailsTheZeroTestAndReturns)
{
    insertRows(target, targetPassword(), "SB",
               {{{"policy_no", Variant("P1")}, {"i_no", Variant(std::int32_t{1})}}});
    startPolicy(policy(Variant("ABC"), date(2001, 3, 15), "Y", Variant("20"), Variant("15")));
    completePolicy();
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].number, " 13 ");
    EXPECT_EQ(entries[0].source, kLabel);
    EXPECT_EQ(module.session().target(), nullptr);
    EXPECT_EQ(sbRows().size(), 1u);
    EXPECT_TRUE(same(savedPolicies()[0][0], preset));
}

TEST_F(PolicyDatesTest, EventPumpRunsOnceAtTheStartOfEveryCall)
{
    addPlan(800, Variant(std::int16_t{0}), Variant(std::int16_t{20}), Variant::null(), Variant::null());
    int pumped = 0;
    bool rowUntouchedWhenPumped = false;
    calc::RunSession run(module, [&] {
        ++pumped;
        rowUntouchedWhenPumped = same(policies.field("matdt"), preset);
    });
    startPolicy(policy(Variant("800"), date(2001, 3, 15), "Z", Variant("20"), Variant("15")));
    module.UpdatePolicySchedule(database, policies);
    EXPECT_EQ(pumped, 1);
    EXPECT_TRUE(rowUntouchedWhenPumped);
    EXPECT_EQ(module.session().target(), &database);
    // The procedure does not save the row: the caller does.
    EXPECT_TRUE(same(policies.field("matdt"), date(2021, 3, 15)));
    EXPECT_EQ(savedPolicies().size(), 0u);
    policies.update();
    EXPECT_EQ(savedPolicies().size(), 1u);
}

TEST_F(PolicyDatesTest, NullTermLeavesBothDatesAsTheyWere)
{
    addPlan(800, Variant(std::int16_t{0}), Variant(std::int16_t{25}), Variant::null(), Variant::null());
    startPolicy(policy(Variant("800"), date(2001, 3, 15), "Z", Variant::null(), Variant("15")));
    completePolicy();
    const auto saved = savedPolicies();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(same(saved[0][0], preset));
    EXPECT_TRUE(same(saved[0][1], preset));
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0].number, " 94 "); // matdt
    EXPECT_EQ(entries[1].number, " 94 "); // PremEndDt
    for (const LogEntry& entry : entries)
        EXPECT_EQ(entry.source, kLabel);
}

TEST_F(PolicyDatesTest, NullPlanFailsThePlanQueryAndEveryUseOfThePlanRow)
{
    insertRows(target, targetPassword(), "SB",
               {{{"policy_no", Variant("P1")}, {"i_no", Variant(std::int32_t{1})}}});
    startPolicy(policy(Variant::null(), date(2001, 3, 15), "Z", Variant("20"), Variant("15")));
    completePolicy();
    const std::string badQuery = std::to_string(store::code::BadQuery) + " ";
    // The query, the count test (whose block then runs), the plan-term test and its block, the close,
    // then in the schedule the query again and its count test.
    const std::vector<std::string> expected = {badQuery, " 91 ", " 91 ", " 91 ", " 91 ", badQuery, " 91 "};
    EXPECT_EQ(numbers(), expected);
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(
        entries[0].description,
        "Syntax error in query expression \"select * from plans where plan= and pflag <>'D'\": the policy "
        "has no plan.");
    // The failed count test runs the date rules, which need no plan term for a positive Term.
    const auto saved = savedPolicies();
    EXPECT_TRUE(same(saved[0][0], date(2021, 3, 15)));
    EXPECT_TRUE(same(saved[0][1], date(2016, 3, 15)));
    // The delete ran before the failing query.
    EXPECT_EQ(sbRows().size(), 0u);
}

TEST_F(PolicyDatesTest, PlanTextThatWouldWidenTheQueryNeverReachesIt)
{
    addPlan(800, Variant(std::int16_t{0}), Variant(std::int16_t{25}), Variant::null(), Variant::null());
    startPolicy(policy(Variant("1 or 1=1"), date(2001, 3, 15), "Z", Variant("0"), Variant("0")));
    completePolicy();
    // Compared with 0 the text is a type mismatch: logged, and the call ends before any query.
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].number, " 13 ");
    EXPECT_TRUE(same(savedPolicies()[0][0], preset));
}

} // namespace
} // namespace orrin::testing

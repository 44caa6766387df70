// The policy's fields found once per table: reads and writes by position give what reads and writes
// by name give, a missing field fails as by name, and a table described anew is looked up anew.

#include "calc/PolicyFields.h"
#include "calc/ScheduleFixture.h"
#include "store/StoreError.h"
#include "value/ErrorNumber.h"

namespace orrin::testing {
namespace {

using Field = calc::PolicyFields::Field;

class PolicyFieldsTest : public ScheduleTest {};

struct FieldCase {
    Field field;
    Variant value;
};

TEST_F(PolicyFieldsTest, readsAndWritesWhatTheNameReachesWhileAdding)
{
    const FieldCase cases[] = {
        {Field::Plan, Variant("152")},    {Field::IssueDate, date(2001, 3, 15)},
        {Field::Payment, Variant("Q")},   {Field::Term, Variant("20")},
        {Field::PPT, Variant("15")},      {Field::Sum, Variant(5000.0)},
        {Field::Premium, Variant(120.5)}, {Field::PolicyNo, Variant("P'1")},
    };
    Row fields;
    for (const FieldCase& c : cases)
        fields.emplace_back(std::string(calc::PolicyFields::nameOf(c.field)), c.value);
    startPolicy(fields);

    calc::PolicyFields::Positions positions;
    calc::PolicyFields policy(policies, positions);
    EXPECT_TRUE(same(policy.plan(), Variant("152")));
    EXPECT_TRUE(same(policy.issueDate(), date(2001, 3, 15)));
    EXPECT_TRUE(same(policy.payment(), Variant("Q")));
    EXPECT_TRUE(same(policy.term(), Variant("20")));
    EXPECT_TRUE(same(policy.ppt(), Variant("15")));
    EXPECT_TRUE(same(policy.sum(), Variant(5000.0)));
    EXPECT_TRUE(same(policy.premium(), Variant(120.5)));
    EXPECT_TRUE(same(policy.policyNo(), Variant("P'1")));

    policy.setMaturityDate(date(2021, 3, 15));
    policy.setPremiumEndDate(Variant::null());
    policy.setMaturityAmount(Variant(7500.25));
    EXPECT_TRUE(same(policies.field("matdt"), date(2021, 3, 15)));
    EXPECT_TRUE(same(policies.field("PremEndDt"), Variant::null()));
    EXPECT_TRUE(same(policies.field("MatAmt"), Variant(7500.25)));
    // A value the field cannot take fails as by name, and the field reads as Null afterwards.
    EXPECT_EQ(errorNumberOf([&] { policy.setMaturityAmount(Variant("abc")); }),
              errorNumberOf([&] { policies.setField("MatAmt", Variant("abc")); }));
    EXPECT_TRUE(same(policy.plan(), Variant("152")));
}

// A Policies table without Premium, and one whose columns stand in another order: the positions of
// the first table are not used for the second.
TEST_F(PolicyFieldsTest, aTableWithoutTheFieldOrInAnotherOrderIsLookedUpAnew)
{
    database.execute("create table Narrow (Plan TEXT(10), Sum DOUBLE)");
    database.execute("create table Turned (Sum DOUBLE, Plan TEXT(10))");
    calc::PolicyFields::Positions positions;

    store::Recordset narrow;
    narrow.open("Narrow", database);
    narrow.addNew();
    narrow.setField("Plan", Variant("14"));
    narrow.setField("Sum", Variant(100.0));
    calc::PolicyFields first(narrow, positions);
    EXPECT_TRUE(same(first.plan(), Variant("14")));
    EXPECT_EQ(errorNumberOf([&] { first.premium(); }), store::code::ItemNotFound);
    EXPECT_EQ(errorNumberOf([&] { first.setMaturityAmount(Variant(1.0)); }), store::code::ItemNotFound);

    store::Recordset turned;
    turned.open("Turned", database);
    turned.addNew();
    turned.setField("Plan", Variant("27"));
    turned.setField("Sum", Variant(200.0));
    calc::PolicyFields second(turned, positions);
    EXPECT_TRUE(same(second.plan(), Variant("27")));
    EXPECT_TRUE(same(second.sum(), Variant(200.0)));
}

// Not adding: every field is read by name, and writing fails as writing by name does.
TEST_F(PolicyFieldsTest, aRowNotBeingAddedIsReadByName)
{
    startPolicy({{"Plan", Variant("14")}});
    policies.update();
    store::Recordset saved;
    saved.open("Policies", database);
    calc::PolicyFields::Positions positions;
    calc::PolicyFields policy(saved, positions);
    EXPECT_TRUE(same(policy.plan(), Variant("14")));
    EXPECT_EQ(errorNumberOf([&] { policy.setMaturityAmount(Variant(1.0)); }), store::code::NotInAddMode);
}

} // namespace
} // namespace orrin::testing

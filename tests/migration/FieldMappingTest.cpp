#include "migration/FieldMapping.h"
#include "migration/MappingTables.h"
#include "value/Error.h"

#include "MigrationTestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <map>

namespace orrin::migration::test {
namespace {

// A source row held in memory.
class FakeRow : public RowSource {
  public:
    std::map<std::string, Variant> fields;
    std::int64_t position = 1;
    std::vector<std::string> lookups;

    Variant field(std::string_view name) override
    {
        const auto found = fields.find(std::string(name));
        if (found == fields.end()) {
            throw Error(3265, "Item '" + std::string(name) + "' not found in this collection.");
        }
        return found->second;
    }
    std::int64_t absolutePosition() override { return position; }
    Variant personLookup(const std::string& Field, const std::string& Table) override
    {
        lookups.push_back(Field + " from " + Table);
        return T("looked up");
    }
};

struct RuleCase {
    const char* name;
    Variant input;
    Variant expected;
};

void PrintTo(const RuleCase& c, std::ostream* out)
{
    *out << c.name;
}

// "thirty characters keep..." becomes thirty_characters_keep... for the test's name.
std::string caseName(const ::testing::TestParamInfo<RuleCase>& info)
{
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    }
    return name;
}

class EmptyToNullCut25 : public ::testing::TestWithParam<RuleCase> {};

TEST_P(EmptyToNullCut25, GivesExpectedValue)
{
    EXPECT_EQ(emptyToNullCut(GetParam().input, 25), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EmptyToNullCut25,
    ::testing::Values(
        RuleCase{"thirty characters keep their first twenty-five", T("123456789012345678901234567890"),
                 T("1234567890123456789012345")},
        RuleCase{"twenty-five characters are kept whole", T("1234567890123456789012345"),
                 T("1234567890123456789012345")},
        RuleCase{"a short text is kept whole", T("Lane 4"), T("Lane 4")},
        RuleCase{"the empty text becomes Null", T(""), Nul()}, RuleCase{"Null stays Null", Nul(), Nul()},
        RuleCase{"blanks only are not empty and are kept", T("   "), T("   ")},
        RuleCase{"thirty blanks are cut like any text", T(std::string(30, ' ')), T(std::string(25, ' '))},
        RuleCase{"characters, not bytes, are counted",
                 T("\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81"),
                 T("\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81"
                   "\xC4\x81\xC4\x81\xC4\x81\xC4\x81\xC4\x81")},
        RuleCase{"a number becomes its text", L(560001), T("560001")}),
    caseName);

class EmptyToNullRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(EmptyToNullRule, GivesExpectedValue)
{
    EXPECT_EQ(emptyToNull(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, EmptyToNullRule,
                         ::testing::Values(RuleCase{"the empty text becomes Null", T(""), Nul()},
                                           RuleCase{"Null stays Null", Nul(), Nul()},
                                           RuleCase{"a forty-character text is kept whole",
                                                    T("0123456789012345678901234567890123456789"),
                                                    T("0123456789012345678901234567890123456789")},
                                           RuleCase{"one blank is kept", T(" "), T(" ")},
                                           RuleCase{"a number is kept as a number", L(0), L(0)}),
                         caseName);

class SexRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SexRule, GivesExpectedValue)
{
    EXPECT_EQ(sexOrC(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, SexRule,
                         ::testing::Values(RuleCase{"empty becomes C", T(""), T("C")},
                                           RuleCase{"Null stays Null", Nul(), Nul()},
                                           RuleCase{"one blank stays a blank", T(" "), T(" ")},
                                           RuleCase{"M stays M", T("M"), T("M")},
                                           RuleCase{"F stays F", T("F"), T("F")}),
                         caseName);

class PaymentModeTable : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PaymentModeTable, GivesExpectedCode)
{
    EXPECT_EQ(recodePaymentMode(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PaymentModeTable,
    ::testing::Values(RuleCase{"O is single S", T("O"), T("S")}, RuleCase{"S is P", T("S"), T("P")},
                      RuleCase{"Q unchanged", T("Q"), T("Q")}, RuleCase{"M unchanged", T("M"), T("M")},
                      RuleCase{"H unchanged", T("H"), T("H")}, RuleCase{"Y unchanged", T("Y"), T("Y")},
                      RuleCase{"lower-case o unchanged", T("o"), T("o")},
                      RuleCase{"lower-case s unchanged", T("s"), T("s")},
                      RuleCase{"empty unchanged", T(""), T("")}, RuleCase{"Null unchanged", Nul(), Nul()}),
    caseName);

class StatusTable : public ::testing::TestWithParam<RuleCase> {};

TEST_P(StatusTable, GivesExpectedCode)
{
    EXPECT_EQ(recodeStatus(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StatusTable,
    ::testing::Values(RuleCase{"I is N", T("I"), T("N")}, RuleCase{"R is T", T("R"), T("T")},
                      RuleCase{"D is R", T("D"), T("R")}, RuleCase{"F is R", T("F"), T("R")},
                      RuleCase{"another letter is N", T("L"), T("N")},
                      RuleCase{"lower-case r is N", T("r"), T("N")},
                      RuleCase{"lower-case d is N", T("d"), T("N")}, RuleCase{"empty is N", T(""), T("N")},
                      RuleCase{"Null is N", Nul(), T("N")}),
    caseName);

TEST(JoinedWithBlank, KeepsBothTextsWithOneBlankBetween)
{
    EXPECT_EQ(joinedWithBlank(T("Flat 2"), T("Mumbai")), T("Flat 2 Mumbai"));
}

TEST(JoinedWithBlank, NullSecondFieldLeavesATrailingBlank)
{
    EXPECT_EQ(joinedWithBlank(T("Andheri"), Nul()), T("Andheri "));
}

TEST(JoinedWithBlank, BothNullGiveOneBlank)
{
    EXPECT_EQ(joinedWithBlank(Nul(), Nul()), T(" "));
}

TEST(JoinedWithBlank, NullFirstFieldLeavesALeadingBlankAndNothingIsTrimmed)
{
    EXPECT_EQ(joinedWithBlank(Nul(), T(" 022 ")), T("  022 "));
}

TEST(PositionPlusOne, FirstRowIsTwo)
{
    EXPECT_EQ(positionPlusOne(1), L(2));
}

TEST(PositionPlusOne, LastPositionBelowTheLimitFits)
{
    EXPECT_EQ(positionPlusOne(std::numeric_limits<std::int32_t>::max() - 1),
              L(std::numeric_limits<std::int32_t>::max()));
}

TEST(PositionPlusOne, PositionAtTheThirtyTwoBitLimitOverflows)
{
    try {
        positionPlusOne(std::numeric_limits<std::int32_t>::max());
        FAIL() << "expected an overflow";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 6);
    }
}

TEST(Evaluate, CopiedReadsTheSourceFieldUnchanged)
{
    FakeRow row;
    row.fields["RenDate"] = D(2010, 4, 1);
    EXPECT_EQ(evaluate(mapping::copied("Ren_Dt", "RenDate"), row), D(2010, 4, 1));
}

TEST(Evaluate, CopiedKeepsNull)
{
    FakeRow row;
    row.fields["Name"] = Nul();
    EXPECT_EQ(evaluate(mapping::copied("Name", "Name"), row), Nul());
}

TEST(Evaluate, MissingSourceFieldFailsTheAssignment)
{
    FakeRow row;
    EXPECT_THROW(evaluate(mapping::copied("TelNos_R", "RTel"), row), Error);
}

TEST(Evaluate, ConstantNeedsNoSourceField)
{
    FakeRow row;
    EXPECT_EQ(evaluate(mapping::constant("Club", T("None")), row), T("None"));
}

TEST(Evaluate, PositionPlusOneReadsThePosition)
{
    FakeRow row;
    row.position = 3;
    EXPECT_EQ(evaluate(mapping::positionPlusOne("Loc_Cd"), row), L(4));
}

TEST(Evaluate, LookupAsksForTheFieldInItsTable)
{
    FakeRow row;
    EXPECT_EQ(evaluate(mapping::personLookup("PART_NAME", "Spouse", "Client2"), row), T("looked up"));
    EXPECT_EQ(row.lookups, std::vector<std::string>{"Spouse from Client2"});
}

// The tables themselves: field order and rules, line by line.
std::vector<std::string> targets(const MappingTable& table)
{
    std::vector<std::string> names;
    for (const auto& line : table) {
        names.push_back(line.target);
    }
    return names;
}

TEST(MappingTables, LoginFieldsInOrder)
{
    EXPECT_EQ(targets(loginMapping()), (std::vector<std::string>{"Ag_Code", "Name", "Desig", "Address1",
                                                                 "Address2", "Address3", "Phone"}));
}

TEST(MappingTables, AgMastFieldsInOrder)
{
    EXPECT_EQ(targets(agMastMapping()),
              (std::vector<std::string>{"Agency_Cd", "Name", "DO_Cd", "Address1", "Address2", "Address3",
                                        "Brn", "Ag_Since", "Club", "Ren_Dt", "Licence_No", "aflag"}));
}

TEST(MappingTables, FamilyHasNineteenFieldsEndingWithTheFlag)
{
    const auto names = targets(familyMapping());
    ASSERT_EQ(names.size(), 19u);
    EXPECT_EQ(names.front(), "FamilyCode");
    EXPECT_EQ(names.back(), "fflag");
}

TEST(MappingTables, ClientHasSixteenFieldsWithTheLookupsThirteenToFifteen)
{
    const auto& table = clientMapping();
    ASSERT_EQ(table.size(), 16u);
    EXPECT_EQ(table[12].target, "MAR_DT");
    EXPECT_EQ(table[12].rule, Rule::PersonLookup);
    EXPECT_EQ(table[13].target, "PART_NAME");
    EXPECT_EQ(table[14].target, "MOBILENO");
    EXPECT_EQ(table[14].second, "Client4");
}

TEST(MappingTables, PoliciesHasTwentyEightFieldsInOrder)
{
    EXPECT_EQ(targets(policiesMapping()),
              (std::vector<std::string>{
                  "policy_no", "Issue_Dt", "ComplDt",    "Plan",     "Term",     "PPT",     "Sum",
                  "Payment",   "BranchNo", "med",        "AgCode",   "nextprem", "PWB",     "TR",
                  "Nominee",   "Relation", "APPOINTEE",  "TRUSTEE",  "Age",      "EPDB",    "LOAN",
                  "LOAN_DT",   "stat_cd",  "FamilyCode", "PersCode", "Loc_Desc", "Premium", "pflag"}));
}

TEST(MappingTables, TimesConstantsAreSixteenBitOnes)
{
    const auto& table = timesMapping();
    ASSERT_EQ(table.size(), 4u);
    for (std::size_t i = 1; i < table.size(); ++i) {
        EXPECT_EQ(table[i].constant, S(1)) << table[i].target;
    }
}

} // namespace
} // namespace orrin::migration::test

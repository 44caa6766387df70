// A source that lacks a table of the run, or a field that a step reads: the question names what is
// missing; stopping changes nothing, and answering continue finishes every other step.

#include "reliability/ImportHarness.h"

#include "value/Conversions.h"

namespace orrin::reliability {
namespace {

struct ShapeCase {
    const char* name;
    const char* table;       // the source table that is missing or lacks a field
    const char* field;       // the missing field, or nullptr when the whole table is missing
    const char* targetTable; // the target table of that step
    bool rowsStillCopied;    // with continue: one target row per source row, or none at all
    const char* named;       // what the first question says
};

const ShapeCase kCases[] = {
    {"NoAgmastTable", "Agmast", nullptr, "AgMast", false, "Cannot find the table or query 'Agmast'"},
    {"NoLocMastTable", "LocMast", nullptr, "BrnMast", true,
     "Cannot find the table or query 'LocMast'"}, // BrnMast: the next step is unharmed
    {"NoFamilyTable", "Family", nullptr, "Family", false, "Cannot find the table or query 'Family'"},
    {"NoClient1Table", "Client1", nullptr, "Client", false, "no such table: Client1"},
    {"NoPoliciesTable", "Policies", nullptr, "Policies", false, "Cannot find the table or query 'Policies'"},
    {"AgmastWithoutName", "Agmast", "Name", "AgMast", true, "there is no field 'Name' in 'Agmast'"},
    {"LocMastWithoutLocDesc", "LocMast", "LocDesc", "LocMast", true,
     "there is no field 'LocDesc' in 'LocMast'"},
    {"FamilyWithoutFamilyCode", "Family", "FamilyCode", "Family", true,
     "there is no field 'FamilyCode' in 'Family'"},
    {"Client1WithoutDOBR", "Client1", "DOBR", "Client", true,
     "there is no field 'DOBR' in 'Select * from Client1 order by FamilyCode, PersCode'"},
    {"PoliciesWithoutSum", "Policies", "Sum", "Policies", true, "there is no field 'Sum' in 'Policies'"},
    {"PoliciesWithoutPolicyNo", "Policies", "PolicyNo", "Policies", true,
     "there is no field 'PolicyNo' in 'Policies'"},
    {"PoliciesWithoutPlan", "Policies", "Plan", "Policies", true, "there is no field 'Plan' in 'Policies'"},
};

void PrintTo(const ShapeCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReliabilitySourceShape : public ImportHarness, public ::testing::WithParamInterface<ShapeCase> {
  protected:
    std::int64_t sourceCount(const std::string& table)
    {
        const auto rows =
            testing::query(source(), testing::sourcePassword(), "SELECT count(*) FROM \"" + table + "\"");
        return static_cast<std::int64_t>(toDouble(rows.at(0).at(0)));
    }

    void reshape(const ShapeCase& c)
    {
        if (c.field == nullptr)
            onSource(std::string("DROP TABLE \"") + c.table + "\"");
        else
            dropSourceField(c.table, c.field);
    }
};

TEST_P(ReliabilitySourceShape, StoppingAtTheQuestionNamesWhatIsMissingAndChangesNothing)
{
    const ShapeCase& c = GetParam();
    reshape(c);
    takeSnapshot();

    const ProcessResult result = runImport("stop");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_NE(result.err.find(std::string(c.named)), std::string::npos) << describe(result);
    expectTargetAsBefore();
    expectSourceUntouched();
}

TEST_P(ReliabilitySourceShape, ContinuingFinishesTheOtherStepsAndSaysSo)
{
    const ShapeCase& c = GetParam();
    const std::int64_t policies = sourceCount("Policies");
    const std::string sourceOfTarget = std::string(c.targetTable) == "AgMast"   ? "Agmast"
                                       : std::string(c.targetTable) == "Client" ? "Client1"
                                                                                : c.targetTable;
    const std::int64_t stepRows = sourceCount(sourceOfTarget);
    reshape(c);
    takeSnapshot();

    const ProcessResult result = runImport("continue");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_NE(result.err.find(std::string(c.named)), std::string::npos) << describe(result);
    EXPECT_NE(result.out.find("finished, but not cleanly"), std::string::npos) << describe(result);
    // The location step adds one row of its own before the copied ones.
    const std::int64_t extra = std::string(c.targetTable) == "LocMast" ? 1 : 0;
    EXPECT_EQ(targetCount(c.targetTable), c.rowsStillCopied ? stepRows + extra : 0);
    if (std::string(c.table) != "Policies") {
        EXPECT_EQ(targetCount("Policies"), policies) << "a later step was harmed";
    }
    expectSourceUntouched();
}

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilitySourceShape, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

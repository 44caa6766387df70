// Source values that the target cannot take, or that the calculations cannot use: too long, dates
// and numbers that are not, out of range, Null everywhere. Nothing may crash or hang; a question
// that is answered No leaves the target as it was; continuing saves every row without the value.

#include "reliability/ImportHarness.h"

#include "value/Conversions.h"

#include <vector>

namespace orrin::reliability {
namespace {

struct Check {
    const char* sql;       // on the target after a run answered continue
    const char* sourceSql; // the expected value: this query on the source before the change
};

struct ValueCase {
    const char* name;
    std::vector<std::string> spoil; // statements on the source
    bool asks;                      // a question is asked (else the failures are only logged)
    const char* named;              // a text the first question (or the log) holds
    std::vector<Check> checks;
};

const std::string k300(300, 'x');

// The rows of every step are still saved, whatever their fields hold.
const std::vector<Check> kEveryRowSaved = {
    {"SELECT count(*) FROM AgMast", "SELECT count(*) FROM Agmast"},
    {"SELECT count(*) FROM LocMast", "SELECT count(*) + 1 FROM LocMast"},
    {"SELECT count(*) FROM Family", "SELECT count(*) FROM Family"},
    {"SELECT count(*) FROM Client", "SELECT count(*) FROM Client1"},
    {"SELECT count(*) FROM Policies", "SELECT count(*) FROM Policies"},
};

std::vector<Check> withRowsSaved(std::vector<Check> checks)
{
    checks.insert(checks.end(), kEveryRowSaved.begin(), kEveryRowSaved.end());
    return checks;
}

std::vector<std::string> nullEverywhere()
{
    return {
        "UPDATE Agmast SET AgencyCd = NULL, Name = NULL, Address1 = NULL, Address2 = NULL, Address3 = NULL, "
        "Address4 = NULL, TelNo1 = NULL, TelNo2 = NULL, BranchNo = NULL, AgentSince = NULL, RenDate = NULL, "
        "LicenceNo = NULL, Email = NULL",
        "UPDATE LocMast SET LocCd = NULL, LocDesc = NULL",
        "UPDATE BrnMast SET BranchNo = NULL, BrMgr = NULL, Division = NULL, Address1 = NULL, Address2 = "
        "NULL, "
        "Address3 = NULL, Address4 = NULL",
        "UPDATE company SET pacode = NULL, CompanyName = NULL",
        "UPDATE Family SET FamilyCode = NULL, RAdd1 = NULL, RAdd2 = NULL, RAdd3 = NULL, RAdd4 = NULL, RPin = "
        "NULL, "
        "CAdd1 = NULL, CAdd2 = NULL, CAdd3 = NULL, CAdd4 = NULL, CPin = NULL, RTel = NULL, CTel = NULL, "
        "PagerMobile = NULL, LOCCD = NULL, headname = NULL, dob = NULL, sex = NULL",
        "UPDATE Client1 SET FamilyCode = NULL, PersCode = NULL, Name = NULL, DOBR = NULL, DOBA = NULL, sex = "
        "NULL",
        "UPDATE Client2 SET familycode = NULL, perscode = NULL, MarDt = NULL, Spouse = NULL",
        "UPDATE Client4 SET familycode = NULL, perscode = NULL, MobiNumb = NULL",
        "UPDATE Policies SET PolicyNo = NULL, ComDate = NULL, Plan = NULL, Term = NULL, PremTerm = NULL, Sum "
        "= NULL, "
        "Payment = NULL, BranchNo = NULL, MEDICAL = NULL, AgencyCd = NULL, FUPDate = NULL, PremWaiver = "
        "NULL, "
        "TermRider = NULL, Nominee = NULL, Relation = NULL, APPOINTEE = NULL, TRUSTEE = NULL, Age = NULL, "
        "DAB = NULL, "
        "LOAN = NULL, LOANDATE = NULL, Status = NULL, FamilyCode = NULL, PersCode = NULL, Premium = NULL",
    };
}

const ValueCase kCases[] = {
    {"ThreeHundredCharacterNames",
     {"UPDATE Agmast SET Name = '" + k300 + "'", "UPDATE Family SET headname = '" + k300 + "'",
      "UPDATE Client1 SET Name = '" + k300 + "'", "UPDATE Policies SET Nominee = '" + k300 + "'"},
     true,
     "Name",
     withRowsSaved(
         {{"SELECT count(*) FROM AgMast WHERE Name IS NULL", "SELECT count(*) FROM Agmast"},
          {"SELECT count(*) FROM Family WHERE headname IS NULL", "SELECT count(*) FROM Family"},
          {"SELECT count(*) FROM Client WHERE Name IS NULL", "SELECT count(*) FROM Client1"},
          {"SELECT count(*) FROM Policies WHERE Nominee IS NULL", "SELECT count(*) FROM Policies"}})},
    {"DatesAsGarbageText",
     {"UPDATE Agmast SET AgentSince = 'since ever'", "UPDATE Family SET dob = '31/02/19x9'",
      "UPDATE Client1 SET DOBR = 'yesterday'", "UPDATE Policies SET ComDate = '2001-13-45'"},
     true,
     "",
     withRowsSaved({{"SELECT count(*) FROM AgMast WHERE Ag_Since IS NULL", "SELECT count(*) FROM Agmast"},
                    {"SELECT count(*) FROM Family WHERE dob IS NULL", "SELECT count(*) FROM Family"},
                    {"SELECT count(*) FROM Client WHERE DOB_R IS NULL", "SELECT count(*) FROM Client1"},
                    {"SELECT count(*) FROM Policies WHERE Issue_Dt IS NULL OR matdt IS NULL",
                     "SELECT count(*) FROM Policies"},
                    {"SELECT count(*) FROM SB WHERE sb_duedate IS NOT NULL", "SELECT 0"}})},
    {"NumbersAsText",
     {"UPDATE Family SET LOCCD = 'north'", "UPDATE Client1 SET PersCode = 'first'",
      "UPDATE Policies SET Sum = 'lots', Premium = '12,000', PersCode = 'abc'"},
     true,
     "",
     withRowsSaved(
         {{"SELECT count(*) FROM Family WHERE Loc_Cd IS NULL", "SELECT count(*) FROM Family"},
          {"SELECT count(*) FROM Client WHERE PersCode IS NULL", "SELECT count(*) FROM Client1"},
          {"SELECT count(*) FROM Policies WHERE Sum IS NULL AND Premium IS NULL AND PersCode IS NULL",
           "SELECT count(*) FROM Policies"},
          {"SELECT count(*) FROM SB WHERE sb_amount IS NOT NULL", "SELECT 0"}})},
    {"NumbersOutOfTheRangeOfAShort",
     {"UPDATE Policies SET Age = CASE WHEN rowid % 2 = 0 THEN 32768 ELSE -32769 END"},
     true,
     "Age",
     withRowsSaved({{"SELECT count(*) FROM Policies WHERE Age IS NULL", "SELECT count(*) FROM Policies"}})},
    {"ATermOf99999999999",
     {"UPDATE Policies SET Term = '99999999999', PremTerm = '99999999999'"},
     true,
     "Term",
     withRowsSaved({{"SELECT count(*) FROM Policies WHERE Term IS NULL AND PPT IS NULL",
                     "SELECT count(*) FROM Policies"}})},
    {"ATermOf99999999999ThatFitsTheField",
     {"UPDATE Policies SET Term = '9.9E10', PremTerm = '9.9E10'"},
     false,
     "Overflow",
     withRowsSaved(
         {{"SELECT count(*) FROM Policies WHERE Term = '9.9E10'", "SELECT count(*) FROM Policies"}})},
    {"NullInEveryFieldOfEverySourceTable", nullEverywhere(), false, "Invalid use of Null", kEveryRowSaved},
};

void PrintTo(const ValueCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReliabilityAwkwardValues : public ImportHarness, public ::testing::WithParamInterface<ValueCase> {
  protected:
    // The expected values, read from the source before it is spoilt.
    std::vector<std::string> expectedValues(const ValueCase& c)
    {
        std::vector<std::string> values;
        for (const Check& check : c.checks) {
            const auto rows = testing::query(source(), testing::sourcePassword(), check.sourceSql);
            values.push_back(joinText(rows.at(0).at(0)));
        }
        return values;
    }

    std::string logText() const
    {
        return std::filesystem::exists(logFile()) ? fileBytes(logFile()) : std::string();
    }
};

TEST_P(ReliabilityAwkwardValues, ContinuingSavesEveryRowWithoutTheValue)
{
    const ValueCase& c = GetParam();
    const std::vector<std::string> expected = expectedValues(c);
    for (const std::string& sql : c.spoil)
        onSource(sql);
    takeSnapshot();

    const ProcessResult result = runImport("continue");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 3) << describe(result);
    EXPECT_NE(result.out.find("finished, but not cleanly"), std::string::npos) << describe(result);
    EXPECT_EQ(result.err.find("Do you want to continue ?") != std::string::npos, c.asks) << describe(result);
    EXPECT_NE((result.err + logText()).find(c.named), std::string::npos) << describe(result);
    for (std::size_t i = 0; i < c.checks.size(); ++i)
        EXPECT_EQ(targetValue(c.checks[i].sql), expected[i]) << c.checks[i].sql;
    expectSourceUntouched();
}

TEST_P(ReliabilityAwkwardValues, StoppingAtTheQuestionChangesNothing)
{
    const ValueCase& c = GetParam();
    for (const std::string& sql : c.spoil)
        onSource(sql);
    takeSnapshot();

    const ProcessResult result = runImport("stop");

    ASSERT_TRUE(endedOnItsOwn(result));
    if (c.asks) {
        EXPECT_EQ(result.exitCode, 1) << describe(result);
        expectTargetAsBefore();
    } else {
        // Only the calculations failed: they log and go on, and the run says it was not clean.
        EXPECT_EQ(result.exitCode, 3) << describe(result);
    }
    expectSourceUntouched();
}

INSTANTIATE_TEST_SUITE_P(Matrix, ReliabilityAwkwardValues, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ValueCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability

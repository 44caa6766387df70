// Quotes, ";" and "--" inside the values that go into statements (family codes, person codes,
// policy numbers, plan numbers) must not change what any statement does: a run on such values ends
// exactly like a run on plain values in their place.

#include "reliability/ImportHarness.h"

#include "value/Conversions.h"

#include <utility>
#include <vector>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

struct Swap {
    const char* hostile; // the value with quotes, ";" and "--"
    const char* plain;   // a value that takes the same path through the run
};

// Each pair fits the target's field, and both values of a pair are equally (un)usable as numbers.
// "!" sorts where "'" does among the codes, so the client query returns the rows in the same order.
const Swap kFamily{"F'1;--", "F!1"};
const Swap kPerson{"1' OR '1'='1", "abc"};
const Swap kLastPolicy{"x' or '1'='1", "XPOLA"};
const Swap kFirstPolicy{"P';DELETE FROM SB--", "XPOLB"};
const Swap kPlan{"8' OR 1=1", "8 OR 1"};

std::string sqlQuoted(const std::string& text)
{
    std::string result = "'";
    for (const char c : text) {
        result += c;
        if (c == '\'')
            result += '\'';
    }
    return result + "'";
}

class ReliabilityQuotedValues : public ImportHarness {
  protected:
    // Puts one value of each pair into a source database.
    static void place(const fs::path& file, const std::string& familyCode, bool hostile)
    {
        auto pick = [hostile](const Swap& swap) { return sqlQuoted(hostile ? swap.hostile : swap.plain); };
        auto run = [&](const std::string& sql) { testing::execute(file, testing::sourcePassword(), sql); };
        const std::string family = sqlQuoted(familyCode);
        for (const char* table : {"Family", "Client1", "Client2", "Client4", "Policies"})
            run(std::string("UPDATE ") + table + " SET FamilyCode = " + pick(kFamily) +
                " WHERE FamilyCode = " + family);
        run("UPDATE Client1 SET PersCode = " + pick(kPerson) + " WHERE rowid = 1");
        run("UPDATE Policies SET PolicyNo = " + pick(kLastPolicy) +
            " WHERE rowid = (SELECT max(rowid) FROM Policies)");
        run("UPDATE Policies SET PolicyNo = " + pick(kFirstPolicy) + " WHERE rowid = 1");
        run("UPDATE Policies SET Plan = " + pick(kPlan) + " WHERE rowid = 2");
    }
};

TEST_F(ReliabilityQuotedValues, RunEndsExactlyAsWithPlainValues)
{
    const fs::path reference = scratch() / "reference";
    fs::copy(folder(), reference);
    const auto families =
        testing::query(source(), testing::sourcePassword(), "SELECT FamilyCode FROM Family WHERE rowid = 1");
    const std::string familyCode = toText(families.at(0).at(0));
    place(source(), familyCode, true);
    place(reference / "zrv.accdb", familyCode, false);
    const std::string plansBefore = targetValue("SELECT count(*) FROM plans");

    const ProcessResult hostileRun = runImport("continue");
    const ProcessResult plainRun = runImport(reference.string(), reference.string(), "continue");

    ASSERT_TRUE(endedOnItsOwn(hostileRun));
    ASSERT_TRUE(endedOnItsOwn(plainRun));
    EXPECT_EQ(hostileRun.exitCode, plainRun.exitCode) << describe(hostileRun) << "\n" << describe(plainRun);

    // The hostile values are stored as they are.
    EXPECT_EQ(
        targetValue("SELECT count(*) FROM Policies WHERE policy_no = " + sqlQuoted(kLastPolicy.hostile)),
        "1");
    EXPECT_EQ(
        targetValue("SELECT count(*) FROM Policies WHERE policy_no = " + sqlQuoted(kFirstPolicy.hostile)),
        "1");
    EXPECT_EQ(targetValue("SELECT count(*) FROM Policies WHERE Plan = " + sqlQuoted(kPlan.hostile)), "1");
    EXPECT_EQ(targetValue("SELECT count(*) FROM Family WHERE FamilyCode = " + sqlQuoted(kFamily.hostile)),
              "1");
    EXPECT_EQ(targetValue("SELECT count(*) FROM plans"), plansBefore);
    EXPECT_EQ(targetCount("Policies"), kPolicies);
    // The first policy's schedule is written before the last policy's delete runs: the quoted delete
    // must not have removed it (nor any other policy's).
    EXPECT_NE(targetValue("SELECT count(*) FROM SB"), "0");

    // Every table, row by row, equals the plain run once the values are swapped back.
    std::string hostileDump = dumpDatabase(target(), testing::targetPassword());
    for (const Swap* swap : {&kFamily, &kPerson, &kLastPolicy, &kFirstPolicy, &kPlan}) {
        const std::string from = sqlQuoted(swap->hostile);
        const std::string to = sqlQuoted(swap->plain);
        for (auto at = hostileDump.find(from); at != std::string::npos;
             at = hostileDump.find(from, at + to.size()))
            hostileDump.replace(at, from.size(), to);
    }
    EXPECT_TRUE(hostileDump == dumpDatabase(reference / "LIC.mdb", testing::targetPassword()))
        << "the run on quoted values wrote something else than the run on plain values";
}

} // namespace
} // namespace orrin::reliability

#include "sample/SampleWriter.h"

#include "SampleTestSupport.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace orrin::testing {
namespace {

using sample::SampleOptions;
using sample::SampleWriter;

const std::string kSourceKey = sourcePassword();

struct Source {
    TempDir dir;
    std::filesystem::path file;
    sample::SampleCounts counts;
};

std::unique_ptr<Source> writeSource(SampleOptions options)
{
    auto source = std::make_unique<Source>();
    source->file = source->dir.path() / "zrv.accdb";
    source->counts = SampleWriter(options).writeSource(source->file);
    return source;
}

bool isPaymentCode(const Variant& v)
{
    static const std::set<std::string> codes = {"M", "Q", "H", "Y", "O", "S"};
    return v.isText() && codes.count(v.text()) > 0;
}

// An address line as typed by someone careful: a text of 1 to 25 characters that is not a blank.
bool isTidyAddress(const Variant& v)
{
    return v.isText() && !v.text().empty() && v.text() != " " && v.text().size() <= 25;
}

struct Observed {
    int policies = 0;
    int awkwardPayments = 0;
    int awkwardPlans = 0;
    int nullTerms = 0;
    int families = 0;
    int awkwardAddresses = 0;
    int quotedNames = 0;
};

Observed observe(const std::filesystem::path& file)
{
    Observed o;
    OpenDb db(file, kSourceKey);
    for (const auto& row : db.rows("SELECT Payment, Plan, Term FROM Policies")) {
        ++o.policies;
        o.awkwardPayments += isPaymentCode(row[0]) ? 0 : 1;
        o.awkwardPlans += row[1].isText() && (row[1].text() == "0" || row[1].text() == "999") ? 1 : 0;
        o.nullTerms += row[2].isNull() ? 1 : 0;
    }
    for (const auto& row : db.rows("SELECT RAdd1 FROM Family")) {
        ++o.families;
        o.awkwardAddresses += isTidyAddress(row[0]) ? 0 : 1;
    }
    for (const auto& row : db.rows("SELECT Name FROM Client1"))
        o.quotedNames += row[0].isText() && row[0].text().find('\'') != std::string::npos ? 1 : 0;
    return o;
}

TEST(DirtyValues, NoneAtRateZero)
{
    const auto source = writeSource({2000, 11, 0.0});
    const Observed o = observe(source->file);
    EXPECT_EQ(o.policies, 2000);
    EXPECT_EQ(o.awkwardPayments, 0);
    EXPECT_EQ(o.awkwardPlans, 0);
    EXPECT_EQ(o.nullTerms, 0);
    EXPECT_EQ(o.awkwardAddresses, 0);
    EXPECT_EQ(o.quotedNames, 0);
    EXPECT_EQ(source->counts.dirtyValues, 0);
    EXPECT_GT(source->counts.dirtyCandidates, 20 * 2000);
    for (const char* sql :
         {"SELECT count(*) FROM Policies WHERE ComDate IS NULL OR Sum IS NULL OR PersCode IS NULL",
          "SELECT count(*) FROM Client1 WHERE PersCode IS NULL OR sex = '' OR sex IS NULL",
          "SELECT count(*) FROM Family WHERE FamilyCode LIKE '%''%'"}) {
        EXPECT_EQ(scalar(source->file, kSourceKey, sql), 0) << sql;
    }
}

struct RateCase {
    const char* name;
    double rate;
};

void PrintTo(const RateCase& c, std::ostream* os)
{
    *os << c.name;
}

class DirtyRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(DirtyRate, AwkwardValuesAppearAtRoughlyTheRate)
{
    const double rate = GetParam().rate;
    const auto source = writeSource({4000, 12, rate});
    const Observed o = observe(source->file);
    const auto near = [rate](int count, int total, double share) {
        // Within a third of the expected count, or four standard deviations when that is wider.
        const double expected = rate * share * total;
        const double slack = std::max(expected / 3, 4 * std::sqrt(expected));
        return count >= expected - slack && count <= expected + slack;
    };
    // Every awkward form of these fields can be seen in the data.
    EXPECT_PRED3(near, o.awkwardPayments, o.policies, 1.0);
    EXPECT_PRED3(near, o.awkwardPlans, o.policies, 1.0);
    EXPECT_PRED3(near, o.awkwardAddresses, o.families, 1.0);
    // A Term is made Null in one of its three awkward forms.
    EXPECT_PRED3(near, o.nullTerms, o.policies, 1.0 / 3);
    const double share = static_cast<double>(source->counts.dirtyValues) / source->counts.dirtyCandidates;
    EXPECT_NEAR(share, rate, rate / 10);
}

INSTANTIATE_TEST_SUITE_P(Rates, DirtyRate,
                         ::testing::Values(RateCase{"TwoPercent", 0.02}, RateCase{"TenPercent", 0.10},
                                           RateCase{"HalfOfThem", 0.5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DirtyValues, EveryValueFitsItsSourceColumnEvenWhenAllAreAwkward)
{
    const auto source = writeSource({500, 13, 1.0});
    EXPECT_EQ(source->counts.dirtyValues, source->counts.dirtyCandidates);
    OpenDb db(source->file, kSourceKey);
    int checked = 0;
    for (const std::string& table : db.tableNames()) {
        std::vector<std::pair<std::string, int>> sized;
        std::string sql;
        for (const auto& column : db.rows("PRAGMA table_info(" + table + ")")) {
            const std::string type = column[2].text();
            if (type.rfind("TEXT(", 0) != 0)
                continue;
            sized.emplace_back(column[1].text(), std::stoi(type.substr(5)));
            sql += (sql.empty() ? "SELECT " : ", ") + ("max(length(" + column[1].text() + "))");
        }
        if (sized.empty())
            continue;
        const auto longest = db.rows(sql + " FROM " + table).at(0);
        for (std::size_t i = 0; i < sized.size(); ++i) {
            if (longest[i].isNull())
                continue; // a column the sample leaves Null
            EXPECT_LE(longest[i].number(), sized[i].second) << table << "." << sized[i].first;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
    // All awkward: long addresses are there for the target's 25-character lines to cut.
    EXPECT_GT(scalar(source->file, kSourceKey, "SELECT count(*) FROM Family WHERE length(RAdd1) > 25"), 0);
    EXPECT_GT(scalar(source->file, kSourceKey, "SELECT count(*) FROM Policies WHERE Plan = '0'"), 0);
    EXPECT_GT(scalar(source->file, kSourceKey, "SELECT count(*) FROM Policies WHERE Plan = '999'"), 0);
    EXPECT_GT(scalar(source->file, kSourceKey, "SELECT count(*) FROM Policies WHERE PolicyNo LIKE '%''%'"),
              0);
    EXPECT_GT(
        scalar(source->file, kSourceKey,
               "SELECT count(*) FROM Policies WHERE Payment COLLATE BINARY IN ('m','q','h','y','o','s')"),
        0);
}

} // namespace
} // namespace orrin::testing

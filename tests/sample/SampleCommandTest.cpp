#include "sample/SampleCommand.h"

#include "SampleTestSupport.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

namespace orrin::testing {
namespace {

using sample::parseSampleCommandLine;
using sample::runSampleCommand;
using sample::UsageError;

std::vector<std::string_view> args(std::initializer_list<std::string_view> list)
{
    return list;
}

struct GoodLine {
    const char* name;
    std::vector<std::string_view> arguments;
    std::optional<std::string> out;
    std::optional<std::string> bonus;
    std::int64_t policies;
    std::uint64_t seed;
    double dirty;
    bool force;
    sample::SampleFormat format = sample::SampleFormat::Access;
};

void PrintTo(const GoodLine& c, std::ostream* os)
{
    *os << c.name;
}

class GoodCommandLine : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodCommandLine, IsRead)
{
    const GoodLine& c = GetParam();
    const auto line = parseSampleCommandLine(c.arguments);
    EXPECT_EQ(line.out ? std::optional(line.out->string()) : std::nullopt, c.out);
    EXPECT_EQ(line.bonusDb ? std::optional(line.bonusDb->string()) : std::nullopt, c.bonus);
    EXPECT_EQ(line.options.policies, c.policies);
    EXPECT_EQ(line.options.seed, c.seed);
    EXPECT_EQ(line.options.dirtyRate, c.dirty);
    EXPECT_EQ(line.force, c.force);
    EXPECT_EQ(line.options.format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GoodCommandLine,
    ::testing::Values(GoodLine{"OutAlone", args({"--out", "d"}), "d", std::nullopt, 1000, 1, 0.02, false},
                      GoodLine{"EverythingSeparate",
                               args({"--out", "d", "--policies", "250", "--seed", "99", "--dirty", "0.5",
                                     "--bonus-db", "b/lic.mdb", "--force"}),
                               "d", "b/lic.mdb", 250, 99, 0.5, true},
                      GoodLine{"EverythingAttached",
                               args({"--out=d", "--policies=0", "--seed=18446744073709551615", "--dirty=1"}),
                               "d", std::nullopt, 0, 18446744073709551615ULL, 1.0, false},
                      GoodLine{"BonusDatabaseOnly", args({"--bonus-db", "lic.mdb"}), std::nullopt, "lic.mdb",
                               1000, 1, 0.02, false},
                      GoodLine{"CleanData", args({"--dirty", "0", "--out", "d"}), "d", std::nullopt, 1000, 1,
                               0.0, false},
                      GoodLine{"SqlcipherForm", args({"--out", "d", "--format", "sqlcipher"}), "d",
                               std::nullopt, 1000, 1, 0.02, false, sample::SampleFormat::SqlCipher},
                      GoodLine{"AccessFormAttached", args({"--format=access", "--bonus-db", "b"}),
                               std::nullopt, "b", 1000, 1, 0.02, false, sample::SampleFormat::Access}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadLine {
    const char* name;
    std::vector<std::string_view> arguments;
    const char* message; // a part of the message
};

void PrintTo(const BadLine& c, std::ostream* os)
{
    *os << c.name;
}

class BadCommandLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLine, IsRefusedWithAReason)
{
    const BadLine& c = GetParam();
    try {
        parseSampleCommandLine(c.arguments);
        FAIL() << "accepted";
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadCommandLine,
    ::testing::Values(
        BadLine{"NothingToWrite", args({"--policies", "5"}), "nothing to write"},
        BadLine{"NoArgumentsAtAll", args({}), "nothing to write"},
        BadLine{"UnknownFlag", args({"--out", "d", "--size", "5"}), "unknown argument \"--size\""},
        BadLine{"MissingValue", args({"--out"}), "--out needs a value"},
        BadLine{"PoliciesNotANumber", args({"--out", "d", "--policies", "ten"}), "whole number"},
        BadLine{"PoliciesWithJunk", args({"--out", "d", "--policies", "10x"}), "whole number"},
        BadLine{"NegativePolicies", args({"--out", "d", "--policies", "-1"}), "between 0 and"},
        BadLine{"TooManyPolicies", args({"--out", "d", "--policies", "10000001"}), "between 0 and"},
        BadLine{"NegativeSeed", args({"--out", "d", "--seed", "-3"}), "whole number"},
        BadLine{"RateAboveOne", args({"--out", "d", "--dirty", "1.5"}), "from 0 to 1"},
        BadLine{"RateNegative", args({"--out", "d", "--dirty", "-0.1"}), "from 0 to 1"},
        BadLine{"RateNotANumber", args({"--out", "d", "--dirty", "nan"}), "from 0 to 1"},
        BadLine{"EmptyFolder", args({"--out", ""}), "needs a folder"},
        BadLine{"ForceWithValue", args({"--out", "d", "--force=yes"}), "takes no value"},
        BadLine{"UnknownFormat", args({"--out", "d", "--format", "mdb"}), "access or sqlcipher"}),
    [](const auto& info) { return std::string(info.param.name); });

std::set<std::string> filesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(SampleCommand, HelpPrintsUsageAndSucceeds)
{
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--help"}), out, err), 0);
    EXPECT_NE(out.str().find("Usage: orrin-import-sample --out DIR"), std::string::npos);
    EXPECT_TRUE(err.str().empty());
}

TEST(SampleCommand, BadUsageExitsWithTwoAndSaysWhy)
{
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", "x", "--dirty", "2"}), out, err), 2);
    EXPECT_NE(err.str().find("--dirty needs a share from 0 to 1"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("Usage:"), std::string::npos);
}

TEST(SampleCommand, WritesTheTwoDatabasesAndNoBonusDatabaseBesideThem)
{
    TempDir dir;
    const auto folder = dir.path() / "agent";
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", folder.string(), "--policies", "50", "--seed", "4", "--format",
                                     "sqlcipher"}),
                               out, err),
              0)
        << err.str();
    EXPECT_EQ(filesIn(folder), (std::set<std::string>{"LIC.mdb", "zrv.accdb"}));
    EXPECT_EQ(scalar(folder / "zrv.accdb", sourcePassword(), "SELECT count(*) FROM Policies"), 50);
    EXPECT_GT(scalar(folder / "LIC.mdb", targetPassword(), "SELECT count(*) FROM plans"), 70);
    EXPECT_NE(out.str().find("50 policies"), std::string::npos) << out.str();
    EXPECT_TRUE(err.str().empty()) << "no progress for a small sample";
}

TEST(SampleCommand, WritesOnlyTheBonusDatabaseWhenThatIsAllItIsAskedFor)
{
    TempDir dir;
    const auto file = dir.path() / "bin" / "lic.mdb";
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--bonus-db", file.string(), "--format", "sqlcipher"}), out, err), 0)
        << err.str();
    EXPECT_EQ(filesIn(dir.path() / "bin"), (std::set<std::string>{"lic.mdb"}));
    EXPECT_GT(scalar(file, targetPassword(), "SELECT count(*) FROM NewBonus"), 0);
}

TEST(SampleCommand, RefusesExistingFilesBeforeWritingAnything)
{
    TempDir dir;
    createTargetDb(dir.path()); // an existing LIC.mdb
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", dir.path().string(), "--policies", "10"}), out, err), 1);
    EXPECT_NE(err.str().find("LIC.mdb exists (use --force to replace it)"), std::string::npos) << err.str();
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"LIC.mdb"}));
    EXPECT_EQ(scalar(dir.path() / "LIC.mdb", targetPassword(), "SELECT count(*) FROM plans"), 0);
}

TEST(SampleCommand, ForceReplacesExistingFiles)
{
    TempDir dir;
    createTargetDb(dir.path());
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", dir.path().string(), "--policies", "10", "--force", "--format",
                                     "sqlcipher"}),
                               out, err),
              0)
        << err.str();
    EXPECT_GT(scalar(dir.path() / "LIC.mdb", targetPassword(), "SELECT count(*) FROM plans"), 70);
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"LIC.mdb", "zrv.accdb"}));
}

TEST(SampleCommand, TheBonusDatabaseCannotBeTheTarget)
{
    TempDir dir;
    const auto target = dir.path() / "LIC.mdb";
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", dir.path().string(), "--bonus-db", target.string()}), out, err),
              2);
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(SampleCommand, ReportsProgressOnStderrForLargeSamples)
{
    TempDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(runSampleCommand(args({"--out", dir.path().string(), "--policies", "10000", "--dirty", "0",
                                     "--format", "sqlcipher"}),
                               out, err),
              0);
    EXPECT_NE(err.str().find("orrin-import-sample: policies 500 of 10000\n"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("orrin-import-sample: policies 10000 of 10000\n"), std::string::npos)
        << err.str();
}

} // namespace
} // namespace orrin::testing

#include "wizard/core/WizardOptions.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orrin::wizard {
namespace {

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments; // without the program
    std::optional<std::string> orrinDb;
    std::optional<std::string> agentDb;
    bool help;
    std::string error;
};

void PrintTo(const ArgumentCase& c, std::ostream* out)
{
    *out << c.name;
}

class WizardArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(WizardArguments, Parse)
{
    const ArgumentCase& c = GetParam();
    std::vector<std::string> arguments{"orrin-import-wizard"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const WizardOptions options = parseWizardArguments(arguments);
    EXPECT_EQ(options.orrinDb, c.orrinDb);
    EXPECT_EQ(options.agentDb, c.agentDb);
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.error, c.error);
}

const std::string kOrrin = std::string("/srv/orrin/zrv.accdb");
const std::string kAgent = std::string("/srv/calvane/LIC.mdb");

INSTANTIATE_TEST_SUITE_P(
    CommandLine, WizardArguments,
    ::testing::Values(
        ArgumentCase{"NoArgumentsKeepTheDesignTimeTexts", {}, std::nullopt, std::nullopt, false, {}},
        ArgumentCase{"BothPaths",
                     {std::string("--orrin-db"), kOrrin, std::string("--agent-db"), kAgent},
                     kOrrin,
                     kAgent,
                     false,
                     {}},
        ArgumentCase{"PathsWithEquals",
                     {std::string("--agent-db=") + kAgent, std::string("--orrin-db=") + kOrrin},
                     kOrrin,
                     kAgent,
                     false,
                     {}},
        ArgumentCase{"PathWithBlanksAndEquals",
                     {std::string("--orrin-db"), std::string("/home/a b/x=y/zrv.accdb")},
                     std::string("/home/a b/x=y/zrv.accdb"),
                     std::nullopt,
                     false,
                     {}},
        ArgumentCase{
            "LaterRepetitionWins",
            {std::string("--orrin-db"), std::string("/a/"), std::string("--orrin-db"), std::string("/b/")},
            std::string("/b/"),
            std::nullopt,
            false,
            {}},
        ArgumentCase{"Help", {std::string("--help")}, std::nullopt, std::nullopt, true, {}},
        ArgumentCase{"ShortHelp", {std::string("-h")}, std::nullopt, std::nullopt, true, {}},
        ArgumentCase{"MissingValue",
                     {std::string("--agent-db")},
                     std::nullopt,
                     std::nullopt,
                     false,
                     std::string("--agent-db needs a path")},
        ArgumentCase{"UnknownArgument",
                     {std::string("--bonus-db"), std::string("x")},
                     std::nullopt,
                     std::nullopt,
                     false,
                     std::string("unknown argument: --bonus-db")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, UsageNamesBothOptions)
{
    const std::string usage = wizardUsage(std::string("orrin-import-wizard"));
    EXPECT_TRUE(
        usage.starts_with(std::string("Usage: orrin-import-wizard [--orrin-db PATH] [--agent-db PATH]\n")));
    EXPECT_TRUE(usage.find(std::string("  --orrin-db PATH")) != std::string::npos);
    EXPECT_TRUE(usage.find(std::string("  --agent-db PATH")) != std::string::npos);
    EXPECT_TRUE(usage.find(std::string("  -h, --help")) != std::string::npos);
}

} // namespace
} // namespace orrin::wizard

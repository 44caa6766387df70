#include "WizardTestSupport.h"

#include "wizard/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>

namespace orrin::wizard {
namespace {

struct ArgumentCase {
    const char* name;
    QStringList arguments; // without the program
    std::optional<QString> orrinDb;
    std::optional<QString> agentDb;
    bool help;
    QString error;
};

void PrintTo(const ArgumentCase& c, std::ostream* out)
{
    *out << c.name;
}

class WizardArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(WizardArguments, Parse)
{
    const ArgumentCase& c = GetParam();
    const WizardOptions options =
        parseWizardArguments(QStringList{QStringLiteral("orrin-import-wizard")} + c.arguments);
    EXPECT_EQ(options.orrinDb, c.orrinDb);
    EXPECT_EQ(options.agentDb, c.agentDb);
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.error, c.error);
}

const QString kOrrin = QStringLiteral("/srv/orrin/zrv.accdb");
const QString kAgent = QStringLiteral("/srv/calvane/LIC.mdb");

INSTANTIATE_TEST_SUITE_P(
    CommandLine, WizardArguments,
    ::testing::Values(
        ArgumentCase{"NoArgumentsKeepTheDesignTimeTexts", {}, std::nullopt, std::nullopt, false, {}},
        ArgumentCase{"BothPaths",
                     {QStringLiteral("--orrin-db"), kOrrin, QStringLiteral("--agent-db"), kAgent},
                     kOrrin,
                     kAgent,
                     false,
                     {}},
        ArgumentCase{"PathsWithEquals",
                     {QStringLiteral("--agent-db=") + kAgent, QStringLiteral("--orrin-db=") + kOrrin},
                     kOrrin,
                     kAgent,
                     false,
                     {}},
        ArgumentCase{"PathWithBlanksAndEquals",
                     {QStringLiteral("--orrin-db"), QStringLiteral("/home/a b/x=y/zrv.accdb")},
                     QStringLiteral("/home/a b/x=y/zrv.accdb"),
                     std::nullopt,
                     false,
                     {}},
        ArgumentCase{"LaterRepetitionWins",
                     {QStringLiteral("--orrin-db"), QStringLiteral("/a/"), QStringLiteral("--orrin-db"),
                      QStringLiteral("/b/")},
                     QStringLiteral("/b/"),
                     std::nullopt,
                     false,
                     {}},
        ArgumentCase{"Help", {QStringLiteral("--help")}, std::nullopt, std::nullopt, true, {}},
        ArgumentCase{"ShortHelp", {QStringLiteral("-h")}, std::nullopt, std::nullopt, true, {}},
        ArgumentCase{"MissingValue",
                     {QStringLiteral("--agent-db")},
                     std::nullopt,
                     std::nullopt,
                     false,
                     QStringLiteral("--agent-db needs a path")},
        ArgumentCase{"UnknownArgument",
                     {QStringLiteral("--bonus-db"), QStringLiteral("x")},
                     std::nullopt,
                     std::nullopt,
                     false,
                     QStringLiteral("unknown argument: --bonus-db")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, UsageNamesBothOptions)
{
    const QString usage = wizardUsage(QStringLiteral("orrin-import-wizard"));
    EXPECT_TRUE(
        usage.startsWith(QStringLiteral("Usage: orrin-import-wizard [--orrin-db PATH] [--agent-db PATH]\n")));
    EXPECT_TRUE(usage.contains(QStringLiteral("  --orrin-db PATH")));
    EXPECT_TRUE(usage.contains(QStringLiteral("  --agent-db PATH")));
    EXPECT_TRUE(usage.contains(QStringLiteral("  -h, --help")));
}

} // namespace
} // namespace orrin::wizard

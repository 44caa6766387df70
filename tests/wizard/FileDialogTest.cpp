#include "WizardTestSupport.h"

#include "wizard/qt/FileDialog.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

namespace orrin::wizard {
namespace {

using testing::ScriptedFileDialog;

struct FilterCase {
    const char* name;
    const char* classic;
    QStringList expected;
};

void PrintTo(const FilterCase& c, std::ostream* out)
{
    *out << c.name;
}

class NameFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NameFilters, TranslatesTheClassicFilter)
{
    EXPECT_EQ(FileDialog::nameFilters(QString::fromUtf8(GetParam().classic)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FileDialog, NameFilters,
    ::testing::Values(FilterCase{"DescriptionAloneListsEveryFile",
                                 "Orrin Database (zrv.accdb)",
                                 {QStringLiteral("Orrin Database (zrv.accdb) (*)")}},
                      FilterCase{"PatternMatchesInAnyCase",
                                 "Calvane Database (lic.mdb)|lic.mdb",
                                 {QStringLiteral("Calvane Database (lic.mdb) ([lL][iI][cC].[mM][dD][bB])")}},
                      FilterCase{"TwoPairs",
                                 "Text|*.txt|All|*.*",
                                 {QStringLiteral("Text (*.[tT][xX][tT])"), QStringLiteral("All (*.*)")}},
                      FilterCase{"SeveralPatternsInOnePair",
                                 "Access|*.mdb;*.accdb",
                                 {QStringLiteral("Access (*.[mM][dD][bB] *.[aA][cC][cC][dD][bB])")}},
                      FilterCase{
                          "EmptyPatternListsEveryFile", "Anything|", {QStringLiteral("Anything (*)")}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameCase {
    const char* fileName;
    bool listed;
};

void PrintTo(const NameCase& c, std::ostream* out)
{
    *out << c.fileName;
}

class CalvaneFilterListing : public ::testing::TestWithParam<NameCase> {};

// The step 2 filter lists lic.mdb in any letter case and nothing else.
TEST_P(CalvaneFilterListing, ListsOnlyLicMdb)
{
    const QString filter =
        FileDialog::nameFilters(QStringLiteral("Calvane Database (lic.mdb)|lic.mdb")).first();
    const QRegularExpression shape(QStringLiteral("^.*\\((.*)\\)$"));
    const QString pattern = shape.match(filter).captured(1);
    const QRegularExpression matcher(QRegularExpression::wildcardToRegularExpression(pattern));
    EXPECT_EQ(matcher.match(QString::fromUtf8(GetParam().fileName)).hasMatch(), GetParam().listed)
        << GetParam().fileName;
}

INSTANTIATE_TEST_SUITE_P(FileDialog, CalvaneFilterListing,
                         ::testing::Values(NameCase{"lic.mdb", true}, NameCase{"LIC.mdb", true},
                                           NameCase{"LIC.MDB", true}, NameCase{"Lic.Mdb", true},
                                           NameCase{"lic.mdb.bak", false}, NameCase{"xlic.mdb", false},
                                           NameCase{"licXmdb", false}, NameCase{"zrv.accdb", false},
                                           NameCase{"lic.accdb", false}),
                         [](const auto& info) {
                             std::string name = info.param.fileName;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(FileDialog, KeepsTheLastChosenNameAndIgnoresACancel)
{
    ScriptedFileDialog dialog;
    EXPECT_EQ(dialog.fileName(), QString());

    dialog.setNextCancel();
    EXPECT_EQ(dialog.getOpenFileName(nullptr, QStringLiteral("T"), QStringLiteral("F")), std::nullopt);
    EXPECT_EQ(dialog.fileName(), QString());

    dialog.setNextFileName(QStringLiteral("/data/other.accdb"));
    EXPECT_EQ(dialog.getOpenFileName(nullptr, QStringLiteral("Choose"), QStringLiteral("Filter")),
              std::optional<QString>(QStringLiteral("/data/other.accdb")));
    EXPECT_EQ(dialog.fileName(), QStringLiteral("/data/other.accdb"));
    EXPECT_EQ(dialog.lastTitle(), QStringLiteral("Choose"));
    EXPECT_EQ(dialog.lastFilter(), QStringLiteral("Filter"));

    dialog.setNextCancel();
    EXPECT_EQ(dialog.getOpenFileName(nullptr, QStringLiteral("Again"), QStringLiteral("F")), std::nullopt);
    EXPECT_EQ(dialog.fileName(), QStringLiteral("/data/other.accdb"));
    EXPECT_EQ(dialog.timesShown(), 3);
    EXPECT_EQ(dialog.pendingAnswers(), 0u);
}

TEST(FileDialog, AnswersAreTakenInTheOrderGiven)
{
    ScriptedFileDialog dialog;
    dialog.setNextFileName(QStringLiteral("/a/zrv.accdb"));
    dialog.setNextCancel();
    dialog.setNextFileName(QStringLiteral("/b/LIC.mdb"));
    EXPECT_EQ(dialog.getOpenFileName(nullptr, {}, {}),
              std::optional<QString>(QStringLiteral("/a/zrv.accdb")));
    EXPECT_EQ(dialog.getOpenFileName(nullptr, {}, {}), std::nullopt);
    EXPECT_EQ(dialog.getOpenFileName(nullptr, {}, {}), std::optional<QString>(QStringLiteral("/b/LIC.mdb")));
    EXPECT_EQ(dialog.fileName(), QStringLiteral("/b/LIC.mdb"));
}

} // namespace
} // namespace orrin::wizard

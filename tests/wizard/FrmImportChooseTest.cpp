// Choosing the two databases, the path test of the start button, and the progress caption.
#include "WizardTestSupport.h"

#include "wizard/qt/frmImport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrin::wizard {
namespace {

using testing::MessageBoxScope;
using testing::ScriptedFileDialog;
using testing::TestClock;

const QString kOrrinDefault = QStringLiteral("C:\\Zarvo\\Data\\zrv.accdb");
const QString kAgentDefault = QStringLiteral("C:\\Calvane\\LIC.mdb");
const QString kDesignCaption = QStringLiteral("Orrin Data Import Wizard");

QLineEdit* box(const frmImport& form, const char* name)
{
    return form.findChild<QLineEdit*>(QString::fromUtf8(name));
}

QPushButton* button(const frmImport& form, const char* name)
{
    return form.findChild<QPushButton*>(QString::fromUtf8(name));
}

struct ChooseStep {
    bool orrin;                    // step 1's button, else step 2's
    std::optional<QString> answer; // the file chosen, or a cancel
};

struct ChooseCase {
    const char* name;
    std::vector<ChooseStep> steps;
    QString orrinText;
    QString agentText;
    std::string orrinFolder;
    std::string agentFolder;
};

void PrintTo(const ChooseCase& c, std::ostream* out)
{
    *out << c.name;
}

class ChooseSequence : public ::testing::TestWithParam<ChooseCase> {};

TEST_P(ChooseSequence, ShowsTheChosenPathsAndKeepsTheirFolders)
{
    const ChooseCase& c = GetParam();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    for (const ChooseStep& step : c.steps) {
        if (step.answer) {
            dialog.setNextFileName(*step.answer);
        } else {
            dialog.setNextCancel();
        }
        button(form, step.orrin ? "cmdChooseOrrinDb" : "cmdChooseAgentDb")->click();
    }
    EXPECT_EQ(dialog.pendingAnswers(), 0u);
    EXPECT_EQ(box(form, "txtOrrinDb")->text(), c.orrinText);
    EXPECT_EQ(box(form, "txtAgentDb")->text(), c.agentText);
    EXPECT_EQ(form.OrrinDbFolder(), c.orrinFolder);
    EXPECT_EQ(form.AgentDbFolder(), c.agentFolder);
    EXPECT_EQ(form.windowTitle(), kDesignCaption);
}

const QString kOther = QStringLiteral("/data/other.accdb");

INSTANTIATE_TEST_SUITE_P(frmImport, ChooseSequence,
                         ::testing::Values(ChooseCase{"CancelBeforeAnyChoiceChangesNothing",
                                                      {{true, std::nullopt}},
                                                      kOrrinDefault,
                                                      kAgentDefault,
                                                      "",
                                                      ""},
                                           ChooseCase{"CancelOfStep2BeforeAnyChoiceChangesNothing",
                                                      {{false, std::nullopt}},
                                                      kOrrinDefault,
                                                      kAgentDefault,
                                                      "",
                                                      ""},
                                           ChooseCase{"ChosenFileShowsItsFullPathAndKeepsItsFolder",
                                                      {{true, kOther}},
                                                      kOther,
                                                      kAgentDefault,
                                                      "/data/",
                                                      ""},
                                           ChooseCase{"CancelOfStep2AfterStep1LeavesStep2Alone",
                                                      {{true, kOther}, {false, std::nullopt}},
                                                      kOther,
                                                      kAgentDefault,
                                                      "/data/",
                                                      ""},
                                           ChooseCase{
                                               "CancelAfterAChoiceKeepsThatChoice",
                                               {{true, QStringLiteral("/a/zrv.accdb")}, {true, std::nullopt}},
                                               QStringLiteral("/a/zrv.accdb"),
                                               kAgentDefault,
                                               "/a/",
                                               ""},
                                           ChooseCase{"ChoosingAgainReplacesTheFirstChoice",
                                                      {{true, QStringLiteral("/a/zrv.accdb")},
                                                       {true, QStringLiteral("/b/c/zrv.accdb")}},
                                                      QStringLiteral("/b/c/zrv.accdb"),
                                                      kAgentDefault,
                                                      "/b/c/",
                                                      ""},
                                           ChooseCase{"BothSteps",
                                                      {{true, QStringLiteral("/srv/orrin/zrv.accdb")},
                                                       {false, QStringLiteral("/srv/calvane/LIC.mdb")}},
                                                      QStringLiteral("/srv/orrin/zrv.accdb"),
                                                      QStringLiteral("/srv/calvane/LIC.mdb"),
                                                      "/srv/orrin/",
                                                      "/srv/calvane/"},
                                           ChooseCase{"BackslashFolder",
                                                      {{false, QStringLiteral("D:\\Data\\LIC.mdb")}},
                                                      kOrrinDefault,
                                                      QStringLiteral("D:\\Data\\LIC.mdb"),
                                                      "",
                                                      "D:\\Data\\"},
                                           ChooseCase{"MixedSeparatorsUseTheLast",
                                                      {{true, QStringLiteral("C:\\Data/Sub\\zrv.accdb")}},
                                                      QStringLiteral("C:\\Data/Sub\\zrv.accdb"),
                                                      kAgentDefault,
                                                      "C:\\Data/Sub\\",
                                                      ""},
                                           ChooseCase{"NameWithoutSeparatorGivesAnEmptyFolder",
                                                      {{true, QStringLiteral("zrv.accdb")}},
                                                      QStringLiteral("zrv.accdb"),
                                                      kAgentDefault,
                                                      "",
                                                      ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(frmImport, EachChooseButtonAsksWithItsOwnTitleAndFilter)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);

    dialog.setNextCancel();
    button(form, "cmdChooseOrrinDb")->click();
    EXPECT_EQ(dialog.lastTitle(), QStringLiteral("Choose Orrin Database"));
    EXPECT_EQ(dialog.lastFilter(), QStringLiteral("Orrin Database (zrv.accdb)||Access databases (*.accdb "
                                                  "*.mdb)|*.accdb;*.mdb|All files|*"));

    dialog.setNextCancel();
    button(form, "cmdChooseAgentDb")->click();
    EXPECT_EQ(dialog.lastTitle(), QStringLiteral("Choose Calvane Database"));
    EXPECT_EQ(dialog.lastFilter(),
              QStringLiteral("Calvane Database (lic.mdb)|lic.mdb|Access databases (*.accdb "
                             "*.mdb)|*.accdb;*.mdb|All files|*"));
    EXPECT_EQ(dialog.timesShown(), 2);
}

struct EmptyPathCase {
    const char* name;
    QString orrinText;
    QString agentText;
};

void PrintTo(const EmptyPathCase& c, std::ostream* out)
{
    *out << c.name;
}

class EmptyPath : public ::testing::TestWithParam<EmptyPathCase> {};

TEST_P(EmptyPath, AsksForBothPathsAndThenTheCaptionCountsSeconds)
{
    MessageBoxScope scope;
    TestClock clock(1000.25f);
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.setOrrinDbText(GetParam().orrinText);
    form.setAgentDbText(GetParam().agentText);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    button(form, "cmdImport")->click();

    ASSERT_EQ(MessageBox::shown().size(), 1u);
    const MessageBox::Shown& message = MessageBox::shown()[0];
    EXPECT_EQ(message.icon, QMessageBox::Information);
    EXPECT_EQ(message.title, QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(message.text, QStringLiteral("Please choose both database paths !!!"));
    EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // Nothing else changed: the form stays open and idle.
    EXPECT_EQ(form.StartTime(), 1000.25);
    EXPECT_EQ(form.OrrinDbFolder(), "");
    EXPECT_EQ(form.AgentDbFolder(), "");
    EXPECT_FALSE(form.running());
    EXPECT_FALSE(form.lastReport().has_value());
    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_TRUE(button(form, "cmdImport")->isEnabled());
    EXPECT_EQ(box(form, "txtOrrinDb")->text(), GetParam().orrinText);
    EXPECT_EQ(form.windowTitle(), kDesignCaption);

    clock.set(1012.75f);
    form.tmrTime_Timer();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("12 second(s) elapsed   (Policies Transferred : 0)"));
    clock.set(1185.25f);
    form.tmrTime_Timer();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("3 minute(s) (Policies Transferred : 0)"));
}

INSTANTIATE_TEST_SUITE_P(
    frmImport, EmptyPath,
    ::testing::Values(EmptyPathCase{"OrrinEmpty", QString(), QStringLiteral("/srv/LIC.mdb")},
                      EmptyPathCase{"AgentEmpty", QStringLiteral("/srv/zrv.accdb"), QString()},
                      EmptyPathCase{"BothEmpty", QString(), QString()},
                      EmptyPathCase{"OrrinBlanksOnly", QStringLiteral("    "),
                                    QStringLiteral("/srv/LIC.mdb")},
                      EmptyPathCase{"AgentOneBlank", QStringLiteral("/srv/zrv.accdb"), QStringLiteral(" ")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(frmImport, TickBeforeTheFirstStartChangesNothingAndPumpsNothing)
{
    TestClock clock(500.0f);
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    QObject context;
    bool pumped = false;
    QTimer::singleShot(0, &context, [&] { pumped = true; });

    form.tmrTime_Timer();
    EXPECT_EQ(form.windowTitle(), kDesignCaption);
    EXPECT_FALSE(pumped);
}

TEST(frmImport, TickAfterAStartPumpsEventsOnce)
{
    MessageBoxScope scope;
    TestClock clock(500.0f);
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.setOrrinDbText(QString());
    MessageBox::setNextAnswer(QMessageBox::Ok);
    button(form, "cmdImport")->click();

    QObject context;
    bool pumped = false;
    QTimer::singleShot(0, &context, [&] { pumped = true; });
    clock.set(503.0f);
    form.tmrTime_Timer();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("3 second(s) elapsed   (Policies Transferred : 0)"));
    EXPECT_TRUE(pumped);
}

struct CaptionCase {
    const char* name;
    float start;
    float now;
    const char* caption;
};

void PrintTo(const CaptionCase& c, std::ostream* out)
{
    *out << c.name;
}

class ProgressTick : public ::testing::TestWithParam<CaptionCase> {};

// The start button is clicked with an empty box at the start time; the tick then runs at now.
TEST_P(ProgressTick, WritesTheCaption)
{
    MessageBoxScope scope;
    TestClock clock(GetParam().start);
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.setAgentDbText(QStringLiteral(""));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    button(form, "cmdImport")->click();
    ASSERT_EQ(form.StartTime(), static_cast<double>(GetParam().start));

    clock.set(GetParam().now);
    form.tmrTime_Timer();
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(GetParam().caption));
}

// The caption's own cases are tested beside it (tests/migration/ProgressCaptionTest.cpp); these show
// that the tick puts it in the window.
INSTANTIATE_TEST_SUITE_P(frmImport, ProgressTick,
                         ::testing::Values(CaptionCase{"Seconds", 100.0f, 159.9f,
                                                       "59 second(s) elapsed   (Policies Transferred : 0)"},
                                           CaptionCase{"Minutes", 100.0f, 219.5f,
                                                       "2 minute(s) (Policies Transferred : 0)"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orrin::wizard

// The window's behaviour through a scripted view: every call the controller makes on its view is
// written to a log, and the dialogs and questions take answers given in advance.
#include "wizard/core/ImportController.h"
#include "common/TestClock.h"
#include "support/Fixture.h"
#include "value/DateValue.h"
#include "wizard/core/WizardTexts.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orrin::wizard {
namespace {

namespace fs = std::filesystem;
using Log = std::vector<std::string>;

using orrin::testing::TestClock;

// A view without a window. A dialog or question that finds no answer waiting is a test failure
// (and counts as a cancel or a No). onEvents runs once at the first event pump, from inside it.
class ScriptedView : public WizardView {
  public:
    std::string orrinText = kOrrinDbDefault;
    std::string agentText = kAgentDbDefault;
    std::deque<std::optional<std::string>> files; // a path, a cancel, or "throw"
    std::deque<bool> answers;
    std::function<void()> onEvents;
    Log log;

    std::string pathText(PathBox box) const override
    {
        return box == PathBox::OrrinDb ? orrinText : agentText;
    }
    void setPathText(PathBox box, const std::string& text) override
    {
        (box == PathBox::OrrinDb ? orrinText : agentText) = text;
        log.push_back(std::string(box == PathBox::OrrinDb ? "orrin box: " : "agent box: ") + text);
    }
    void setCaption(const std::string& caption) override { log.push_back("caption: " + caption); }
    std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) override
    {
        log.push_back("dialog: " + title + " [" + filter + "]");
        if (files.empty()) {
            ADD_FAILURE() << "the dialog " << title << " had no answer";
            return std::nullopt;
        }
        const std::optional<std::string> file = files.front();
        files.pop_front();
        if (file == "throw") {
            throw std::runtime_error("the dialog failed");
        }
        return file;
    }
    void showMessage(MessageIcon icon, const std::string& text) override
    {
        log.push_back(std::string(icon == MessageIcon::Critical ? "critical: " : "information: ") + text);
    }
    bool askYesNo(const std::string& text, bool defaultYes) override
    {
        log.push_back(std::string(defaultYes ? "question (Yes): " : "question (No): ") + text);
        if (answers.empty()) {
            ADD_FAILURE() << "the question had no answer: " << text;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void setControlsEnabled(bool enabled) override
    {
        log.push_back(enabled ? "controls on" : "controls off");
    }
    void pushPointer(Pointer pointer) override
    {
        log.push_back(pointer == Pointer::Wait ? "pointer: hourglass" : "pointer: arrow");
    }
    void popPointer() override { log.push_back("pointer: back"); }
    void processEvents(bool userInput) override
    {
        log.push_back(userInput ? "events" : "events without input");
        if (onEvents) {
            auto once = std::move(onEvents);
            onEvents = nullptr;
            once();
        }
    }
    void closeWindow() override { log.push_back("close"); }
};

const std::string kOrrinDialog = "dialog: Choose Orrin Database [Orrin Database (zrv.accdb)||Access "
                                 "databases (*.accdb *.mdb)|*.accdb;*.mdb|"
                                 "All files|*]";
const std::string kAgentDialog =
    "dialog: Choose Calvane Database [Calvane Database (lic.mdb)|lic.mdb|Access databases (*.accdb "
    "*.mdb)|*.accdb;*.mdb|All files|*]";

// Choosing files, the start with a blank path, the command line and the tick: no database needed.
struct IdleCase {
    const char* name;
    std::function<void(ImportController&, ScriptedView&)> act;
    Log log;
    std::string orrinFolder;
    std::string agentFolder;
};

void PrintTo(const IdleCase& c, std::ostream* out)
{
    *out << c.name;
}

class IdleWindow : public ::testing::TestWithParam<IdleCase> {};

TEST_P(IdleWindow, AnswersThroughItsView)
{
    TestClock clock(1000.25f);
    ScriptedView view;
    ImportController controller(view);
    GetParam().act(controller, view);
    EXPECT_EQ(view.log, GetParam().log);
    EXPECT_EQ(controller.OrrinDbFolder(), GetParam().orrinFolder);
    EXPECT_EQ(controller.AgentDbFolder(), GetParam().agentFolder);
    EXPECT_FALSE(controller.running());
    EXPECT_EQ(controller.exitCode(), 0);
    EXPECT_TRUE(view.files.empty() && view.answers.empty()) << "an answer was left over";
}

INSTANTIATE_TEST_SUITE_P(
    ImportController, IdleWindow,
    ::testing::Values(
        IdleCase{"ChosenOrrinFileFillsItsBoxAndFolder",
                 [](ImportController& c, ScriptedView& v) {
                     v.files = {"/srv/orrin data/zrv.accdb"};
                     c.cmdChooseOrrinDb_Click();
                 },
                 {kOrrinDialog, "orrin box: /srv/orrin data/zrv.accdb"},
                 "/srv/orrin data/",
                 ""},
        IdleCase{"ChosenAgentFileFillsItsBoxAndFolder",
                 [](ImportController& c, ScriptedView& v) {
                     v.files = {"/srv/calvane/LIC.mdb"};
                     c.cmdChooseAgentDb_Click();
                 },
                 {kAgentDialog, "agent box: /srv/calvane/LIC.mdb"},
                 "",
                 "/srv/calvane/"},
        IdleCase{"CancelLeavesBoxAndFolder",
                 [](ImportController& c, ScriptedView& v) {
                     v.files = {"/srv/a/zrv.accdb", std::nullopt};
                     c.cmdChooseOrrinDb_Click();
                     c.cmdChooseOrrinDb_Click();
                 },
                 {kOrrinDialog, "orrin box: /srv/a/zrv.accdb", kOrrinDialog},
                 "/srv/a/",
                 ""},
        IdleCase{"FailingDialogEndsTheHandlerSilently",
                 [](ImportController& c, ScriptedView& v) {
                     v.files = {"throw"};
                     c.cmdChooseAgentDb_Click();
                 },
                 {kAgentDialog},
                 "",
                 ""},
        IdleCase{"BlankPathAsksForBothPaths",
                 [](ImportController& c, ScriptedView& v) {
                     v.orrinText = "   ";
                     c.cmdImport_Click();
                 },
                 {"information: Please choose both database paths !!!"},
                 "",
                 ""},
        IdleCase{"EmptyAgentPathAsksForBothPaths",
                 [](ImportController& c, ScriptedView& v) {
                     v.agentText = "";
                     c.cmdImport_Click();
                 },
                 {"information: Please choose both database paths !!!"},
                 "",
                 ""},
        IdleCase{"TickBeforeTheFirstStartDoesNothing",
                 [](ImportController& c, ScriptedView&) { c.tmrTime_Timer(); },
                 {},
                 "",
                 ""},
        IdleCase{"TickAfterAStartWritesTheCaptionAndPumpsEvents",
                 [](ImportController& c, ScriptedView& v) {
                     v.orrinText = "";
                     c.cmdImport_Click();
                     c.tmrTime_Timer();
                 },
                 {"information: Please choose both database paths !!!",
                  "caption: 0 second(s) elapsed   (Policies Transferred : 0)", "events"},
                 "",
                 ""},
        IdleCase{"CommandLinePathsFillTheBoxes",
                 [](ImportController& c, ScriptedView&) {
                     c.applyOptions(WizardOptions{"C:\\Agent\\zrv.accdb", "D:\\Calvane\\LIC.mdb", false, ""});
                 },
                 {"orrin box: C:\\Agent\\zrv.accdb", "agent box: D:\\Calvane\\LIC.mdb"},
                 "",
                 ""},
        IdleCase{"CloseWhenIdleClosesWithoutAQuestion",
                 [](ImportController& c, ScriptedView&) { EXPECT_TRUE(c.queryClose()); },
                 {},
                 "",
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Whole runs on small databases: two policies of plan 0 (their calculations return at once, after
// the run's event pump).
class ControllerRun : public ::testing::Test {
  protected:
    void SetUp() override
    {
        fs::create_directories(m_target);
        fs::create_directories(m_bonus.parent_path());
        orrin::testing::createSourceDb(m_source);
        orrin::testing::createTargetDb(m_target);
        orrin::testing::createBonusDb(m_bonus);
        orrin::testing::insertRows(m_source / "zrv.accdb", orrin::testing::sourcePassword(), "Agmast",
                                   {{{"AgencyCd", "A1"}, {"Name", "Ravi Kumar"}}});
        orrin::testing::insertRows(m_source / "zrv.accdb", orrin::testing::sourcePassword(), "LocMast",
                                   {{{"LocCd", std::int32_t(10)}, {"LocDesc", "North"}}});
        orrin::testing::insertRows(
            m_source / "zrv.accdb", orrin::testing::sourcePassword(), "Policies",
            {{{"PolicyNo", "P1"}, {"ComDate", makeDate(2010, 3, 15)}, {"Plan", "0"}, {"Payment", "O"}},
             {{"PolicyNo", "P2"}, {"ComDate", makeDate(2012, 2, 29)}, {"Plan", "0"}, {"Payment", "S"}}});
        orrin::testing::insertRows(m_target / "LIC.mdb", orrin::testing::targetPassword(), "AgMast",
                                   {{{"Agency_Cd", "OLD"}}});
        m_controller.setErrorLogFile(m_dir.path() / "Error Log.txt");
        m_controller.setBonusDatabase(m_bonus);
        m_view.orrinText = (m_source / "zrv.accdb").string();
        m_view.agentText = (m_target / "LIC.mdb").string();
    }

    std::string agents() const
    {
        std::string codes;
        for (const auto& row : orrin::testing::query(m_target / "LIC.mdb", orrin::testing::targetPassword(),
                                                     "SELECT Agency_Cd FROM AgMast ORDER BY rowid")) {
            codes += row[0].text() + ";";
        }
        return codes;
    }

    orrin::testing::TempDir m_dir;
    fs::path m_source = m_dir.path();
    fs::path m_target = m_dir.path() / "calvane";
    fs::path m_bonus = m_dir.path() / "bonus" / "lic.mdb";
    ScriptedView m_view;
    ImportController m_controller{m_view};
};

TEST_F(ControllerRun, FinishedRunDisablesShowsTheHourglassAndEndsWithTheSuccessMessage)
{
    TestClock clock(100.0f);
    bool runningAtFirstPump = false;
    m_view.onEvents = [&] {
        runningAtFirstPump = m_controller.running();
        clock.set(112.5f);
        m_controller.tmrTime_Timer();
        m_controller.cmdImport_Click(); // a second start from inside the run's own pump is ignored
        m_controller.cmdChooseOrrinDb_Click();
    };

    m_controller.cmdImport_Click();

    EXPECT_TRUE(runningAtFirstPump);
    EXPECT_EQ(m_view.log, (Log{"controls off", "pointer: hourglass", "events",
                               "caption: 12 second(s) elapsed   (Policies Transferred : 1)", "events",
                               "events", "pointer: back", "controls on",
                               "information: Orrin Data Import successful !!!", "close"}));
    EXPECT_EQ(m_controller.exitCode(), 0);
    EXPECT_EQ(m_controller.StartTime(), 100.0);
    EXPECT_EQ(m_controller.PoliciesTransferred(), 2.0);
    EXPECT_EQ(m_controller.AgentDbFolder(), (m_target / "").string());
    EXPECT_EQ(agents(), "A1;");
}

TEST_F(ControllerRun, NoAtTheErrorQuestionStopsWithTheTargetUnchanged)
{
    orrin::testing::execute(m_source / "zrv.accdb", orrin::testing::sourcePassword(), "DROP TABLE LocMast");
    orrin::testing::execute(m_source / "zrv.accdb", orrin::testing::sourcePassword(),
                            "CREATE TABLE LocMast (LocCd LONG)");
    orrin::testing::insertRows(m_source / "zrv.accdb", orrin::testing::sourcePassword(), "LocMast",
                               {{{"LocCd", std::int32_t(10)}}});
    m_view.answers = {false};

    m_controller.cmdImport_Click();

    EXPECT_EQ(m_view.log, (Log{"controls off", "pointer: hourglass", "pointer: arrow",
                               "question (Yes): Item cannot be found in the collection corresponding to the "
                               "requested name or ordinal: there is no field 'LocDesc' in "
                               "'LocMast'.\r\n\r\nDo you want to continue ?",
                               "pointer: back", "pointer: back", "controls on", "close"}));
    EXPECT_EQ(m_controller.exitCode(), 1);
    EXPECT_EQ(agents(), "OLD;");
}

struct StopCase {
    const char* name;
    bool askedByUser; // a close of the window answered Yes, else the session's end
};

void PrintTo(const StopCase& c, std::ostream* out)
{
    *out << c.name;
}

class StopDuringTheRun : public ControllerRun, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopDuringTheRun, RollsBackAndClosesWithoutAMessage)
{
    m_view.answers = {true};
    m_view.onEvents = [&] {
        if (GetParam().askedByUser) {
            EXPECT_FALSE(m_controller.queryClose());
            EXPECT_FALSE(m_controller.queryClose()); // asked once only
        } else {
            m_controller.stopForSessionEnd();
            m_view.answers.clear();
        }
    };

    m_controller.cmdImport_Click();

    Log expected{"controls off", "pointer: hourglass", "events"};
    if (GetParam().askedByUser) {
        expected.insert(expected.end(),
                        {"pointer: arrow", "question (No): " + std::string(kStopQuestion), "pointer: back"});
    }
    expected.insert(expected.end(), {"pointer: back", "controls on", "close"});
    EXPECT_EQ(m_view.log, expected);
    EXPECT_EQ(m_controller.exitCode(), 1);
    ASSERT_TRUE(m_controller.lastReport().has_value());
    EXPECT_EQ(m_controller.lastReport()->outcome, migration::RunReport::Outcome::Stopped);
    EXPECT_EQ(agents(), "OLD;");
}

INSTANTIATE_TEST_SUITE_P(ImportController, StopDuringTheRun,
                         ::testing::Values(StopCase{"CloseAnsweredYes", true}, StopCase{"SessionEnd", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A missing bonus database is asked about before anything is written (No is the default).
struct BonusCase {
    const char* name;
    bool answer;
    int exitCode;
    const char* agents;
};

void PrintTo(const BonusCase& c, std::ostream* out)
{
    *out << c.name;
}

class MissingBonusDatabase : public ControllerRun, public ::testing::WithParamInterface<BonusCase> {};

TEST_P(MissingBonusDatabase, IsAskedBeforeTheRun)
{
    fs::remove(m_bonus);
    m_view.answers = {GetParam().answer};

    m_controller.cmdImport_Click();

    const std::string problem = "The bonus database \"" + m_bonus.string() + "\" was not found";
    Log expected{
        "question (No): " + problem +
        ": the maturity amounts that need bonus years will be written to the error log instead.\r\n\r\n"
        "Do you want to continue ?"};
    if (GetParam().answer) {
        expected.insert(
            expected.end(),
            {"controls off", "pointer: hourglass", "events", "events", "pointer: back", "controls on",
             "information: Orrin Data Import successful !!!\r\n\r\n" + problem +
                 ": the maturity amounts that need bonus years were written to the error log instead."});
    }
    expected.push_back("close");
    EXPECT_EQ(m_view.log, expected);
    EXPECT_EQ(m_controller.exitCode(), GetParam().exitCode);
    EXPECT_EQ(agents(), GetParam().agents);
}

INSTANTIATE_TEST_SUITE_P(ImportController, MissingBonusDatabase,
                         ::testing::Values(BonusCase{"YesRuns", true, 0, "A1;"},
                                           BonusCase{"NoWritesNothing", false, 1, "OLD;"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerRun, MissingSourceEndsWithTheReasonAndExitCodeOne)
{
    fs::remove(m_source / "zrv.accdb");

    m_controller.cmdImport_Click();

    EXPECT_EQ(m_view.log, (Log{"controls off", "pointer: hourglass", "pointer: back", "controls on",
                               "critical: The import was stopped: Could not find file '" +
                                   (m_source / "zrv.accdb").string() +
                                   "'.\r\n\r\nNothing was changed in the Calvane database.",
                               "close"}));
    EXPECT_EQ(m_controller.exitCode(), 1);
}

} // namespace
} // namespace orrin::wizard

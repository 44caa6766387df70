// Whole imports through the window, on small databases built for each test, answered through the
// message box and file dialog wrappers.
#include "WizardTestSupport.h"

#include "support/Fixture.h"
#include "value/Conversions.h"
#include "value/DateValue.h"
#include "wizard/qt/frmImport.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace orrin::wizard {
namespace {

namespace fs = std::filesystem;
using orrin::testing::Row;
using testing::MessageBoxScope;
using testing::ScriptedFileDialog;

const char* const kSuccess = "Orrin Data Import successful !!!";
const char* const kStopQuestion =
    "An import is running. Do you want to stop it? Nothing will be changed in the Calvane database.";
const std::vector<std::string> kTargetTables = {"Login",   "Times",  "AgMast", "LocMast",  "BrnMast",
                                                "company", "Family", "Client", "Policies", "SB"};

// One cell as text, so that rows compare and print plainly.
std::string cellText(const Variant& value)
{
    if (value.isNull()) {
        return "Null";
    }
    if (value.isEmpty()) {
        return "Empty";
    }
    if (value.isDate()) {
        return formatDate(value.date());
    }
    if (value.isNumber()) {
        return formatNumber(value.number());
    }
    return value.text();
}

using Rows = std::vector<std::vector<std::string>>;

class WizardRun : public ::testing::Test {
  protected:
    void SetUp() override
    {
        fs::create_directories(m_source);
        fs::create_directories(m_target);
        orrin::testing::createSourceDb(m_source);
        orrin::testing::createTargetDb(m_target);
        orrin::testing::createBonusDb(m_bonus);

        insertSource("Agmast", {{{"AgencyCd", "A1"}, {"Name", "Ravi Kumar"}, {"BranchNo", "B07"}}});
        insertSource("LocMast", {{{"LocCd", std::int32_t(10)}, {"LocDesc", "North"}},
                                 {{"LocCd", std::int32_t(20)}, {"LocDesc", "South"}}});
        // Plan 0 policies: their calculations return at once, after letting the window's events run.
        insertSource("Policies", {{{"PolicyNo", "P1"},
                                   {"ComDate", makeDate(2010, 3, 15)},
                                   {"Plan", "0"},
                                   {"Sum", 250000.5},
                                   {"Payment", "O"},
                                   {"Status", "I"},
                                   {"Premium", 1234.75}},
                                  {{"PolicyNo", "P2"},
                                   {"ComDate", makeDate(2012, 2, 29)},
                                   {"Plan", "0"},
                                   {"Sum", 100000.0},
                                   {"Payment", "S"},
                                   {"Status", "D"},
                                   {"Premium", 99.5}}});

        // What the Calvane database held before: a run replaces it, a stopped run keeps it.
        insertTarget("LocMast", {{{"Loc_Cd", std::int32_t(7)}, {"Loc_Desc", "Old Place"}}});
        insertTarget("AgMast", {{{"Agency_Cd", "OLD"}, {"Name", "Former Agent"}}});
        insertTarget("Policies", {{{"policy_no", "OLD1"}, {"Payment", "M"}}});
        insertTarget("SB", {{{"policy_no", "OLD1"}, {"sb_amount", 5000.0}}});
        insertTarget("Times", {{{"LoginName", "Former Agent"}}});
    }

    void insertSource(const std::string& table, const std::vector<Row>& rows)
    {
        orrin::testing::insertRows(m_source / "zrv.accdb", orrin::testing::sourcePassword(), table, rows);
    }
    void insertTarget(const std::string& table, const std::vector<Row>& rows)
    {
        orrin::testing::insertRows(m_target / "LIC.mdb", orrin::testing::targetPassword(), table, rows);
    }

    Rows target(const std::string& sql) const
    {
        Rows rows;
        for (const auto& row :
             orrin::testing::query(m_target / "LIC.mdb", orrin::testing::targetPassword(), sql)) {
            std::vector<std::string> cells;
            for (const Variant& value : row) {
                cells.push_back(cellText(value));
            }
            rows.push_back(cells);
        }
        return rows;
    }

    std::map<std::string, Rows> targetContents() const
    {
        std::map<std::string, Rows> contents;
        for (const std::string& table : kTargetTables) {
            contents[table] = target("SELECT * FROM " + table + " ORDER BY rowid");
        }
        return contents;
    }

    // A form set up to import from the test's folders.
    void prepare(frmImport& form) const
    {
        form.setErrorLogFile(m_log);
        form.setBonusDatabase(m_bonus);
        form.setOrrinDbText(QString::fromStdString((m_source / "zrv.accdb").string()));
        form.setAgentDbText(QString::fromStdString((m_target / "LIC.mdb").string()));
        form.show();
    }

    static QPushButton* button(const frmImport& form, const char* name)
    {
        return form.findChild<QPushButton*>(QString::fromUtf8(name));
    }
    static QLineEdit* box(const frmImport& form, const char* name)
    {
        return form.findChild<QLineEdit*>(QString::fromUtf8(name));
    }

    // Replaces the source's LocMast by one without the LocDesc field that the location step reads.
    void dropLocDesc()
    {
        orrin::testing::execute(m_source / "zrv.accdb", orrin::testing::sourcePassword(),
                                "DROP TABLE LocMast");
        orrin::testing::execute(m_source / "zrv.accdb", orrin::testing::sourcePassword(),
                                "CREATE TABLE LocMast (LocCd LONG)");
        insertSource("LocMast", {{{"LocCd", std::int32_t(10)}}, {{"LocCd", std::int32_t(20)}}});
    }

    std::string folderText(const fs::path& folder) const { return folder.string() + "/"; }

    MessageBoxScope m_boxes;
    orrin::testing::TempDir m_dir;
    fs::path m_source = m_dir.path() / "orrin";
    fs::path m_target = m_dir.path() / "calvane";
    fs::path m_bonus = m_dir.path() / "lic.mdb";
    fs::path m_log = m_dir.path() / "log" / "Error Log.txt";
};

const Rows kImportedLocations = {{"1", "No Location"}, {"2", "North"}, {"3", "South"}};
const Rows kImportedPolicies = {
    {"P1", "2010-03-15", "2010-03-15", "0", "250000.5", "S", "N", "LOCATION", "A", "1234.75"},
    {"P2", "2012-02-29", "2012-02-29", "0", "100000", "P", "R", "LOCATION", "A", "99.5"}};
const char* const kPolicyColumns = "SELECT policy_no, Issue_Dt, ComplDt, Plan, Sum, Payment, stat_cd, "
                                   "Loc_Desc, pflag, Premium FROM Policies "
                                   "ORDER BY rowid";

TEST_F(WizardRun, FullRunRefillsTheTargetAndEndsWithTheSuccessMessage)
{
    testing::TestClock clock(100.0f);
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    // Looked at from the run's first yield (the first policy).
    struct DuringRun {
        bool seen = false;
        bool running = false;
        bool chooseOrrinEnabled = true;
        bool chooseAgentEnabled = true;
        bool importEnabled = true;
        bool boxesReadOnly = false;
        bool waitCursor = false;
        double policies = -1;
        QString caption;
    } during;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        during.seen = true;
        during.running = form.running();
        during.chooseOrrinEnabled = button(form, "cmdChooseOrrinDb")->isEnabled();
        during.chooseAgentEnabled = button(form, "cmdChooseAgentDb")->isEnabled();
        during.importEnabled = button(form, "cmdImport")->isEnabled();
        during.boxesReadOnly = box(form, "txtOrrinDb")->isReadOnly() && box(form, "txtAgentDb")->isReadOnly();
        const QCursor* cursor = QGuiApplication::overrideCursor();
        during.waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
        during.policies = form.PoliciesTransferred();
        clock.set(112.5f);
        form.tmrTime_Timer();
        during.caption = form.windowTitle();
        // A second start from inside the run's own event pump must not start a nested run.
        form.cmdImport_Click();
    });

    button(form, "cmdImport")->click();

    ASSERT_TRUE(during.seen) << "the run never let the window's events run";
    EXPECT_TRUE(during.running);
    EXPECT_FALSE(during.chooseOrrinEnabled);
    EXPECT_FALSE(during.chooseAgentEnabled);
    EXPECT_FALSE(during.importEnabled);
    EXPECT_TRUE(during.boxesReadOnly);
    EXPECT_TRUE(during.waitCursor);
    EXPECT_EQ(during.policies, 1.0);
    EXPECT_EQ(during.caption, QStringLiteral("12 second(s) elapsed   (Policies Transferred : 1)"));
    EXPECT_EQ(form.StartTime(), 100.0);

    ASSERT_EQ(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Information);
    EXPECT_EQ(MessageBox::shown()[0].title, QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(MessageBox::shown()[0].text, QString::fromUtf8(kSuccess));
    EXPECT_EQ(MessageBox::shown()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.running());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form.PoliciesTransferred(), 2.0);
    EXPECT_EQ(form.OrrinDbFolder(), folderText(m_source));
    EXPECT_EQ(form.AgentDbFolder(), folderText(m_target));
    ASSERT_TRUE(form.lastReport().has_value());
    EXPECT_EQ(form.lastReport()->outcome, migration::RunReport::Outcome::Finished);

    EXPECT_EQ(target("SELECT Loc_Cd, Loc_Desc FROM LocMast ORDER BY rowid"), kImportedLocations);
    EXPECT_EQ(target(kPolicyColumns), kImportedPolicies);
    EXPECT_EQ(target("SELECT Agency_Cd, Name, aflag FROM AgMast ORDER BY rowid"),
              (Rows{{"A1", "Ravi Kumar", "A"}}));
    EXPECT_EQ(target("SELECT COUNT(*) FROM SB"), (Rows{{"0"}}));
    // Times is never cleared: the old row stays and the agent's row follows it.
    EXPECT_EQ(target("SELECT COUNT(*) FROM Times"), (Rows{{"2"}}));
}

TEST_F(WizardRun, ChosenFileOtherThanZrvStillOpensZrvInItsFolder)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    const QString other = QString::fromStdString((m_source / "other.accdb").string());
    dialog.setNextFileName(other);
    button(form, "cmdChooseOrrinDb")->click();
    EXPECT_EQ(box(form, "txtOrrinDb")->text(), other);
    EXPECT_EQ(form.OrrinDbFolder(), folderText(m_source));

    MessageBox::setNextAnswer(QMessageBox::Ok);
    button(form, "cmdImport")->click();

    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_EQ(form.OrrinDbFolder(), folderText(m_source));
    ASSERT_EQ(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].text, QString::fromUtf8(kSuccess));
    EXPECT_EQ(target("SELECT Agency_Cd FROM AgMast"), (Rows{{"A1"}}));
}

// Regression: a folder that a dialog filled used to win over a path edited afterwards, so the run
// could read (or clear) a database other than the one on screen.
TEST_F(WizardRun, PathEditedAfterAChoiceIsTheOneImported)
{
    const fs::path elsewhere = m_dir.path() / "elsewhere";
    fs::create_directories(elsewhere);
    orrin::testing::createSourceDb(elsewhere);
    orrin::testing::insertRows(elsewhere / "zrv.accdb", orrin::testing::sourcePassword(), "Agmast",
                               {{{"AgencyCd", "WRONG"}}});

    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    dialog.setNextFileName(QString::fromStdString((elsewhere / "zrv.accdb").string()));
    button(form, "cmdChooseOrrinDb")->click();
    EXPECT_EQ(form.OrrinDbFolder(), folderText(elsewhere));
    box(form, "txtOrrinDb")->setText(QString::fromStdString((m_source / "zrv.accdb").string()));

    MessageBox::setNextAnswer(QMessageBox::Ok);
    button(form, "cmdImport")->click();

    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_EQ(form.OrrinDbFolder(), folderText(m_source));
    EXPECT_EQ(target("SELECT Agency_Cd FROM AgMast"), (Rows{{"A1"}}));
}

TEST_F(WizardRun, NoAtTheErrorQuestionEndsWithTheTargetUnchanged)
{
    dropLocDesc();
    const auto before = targetContents();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::No);

    button(form, "cmdImport")->click();

    ASSERT_EQ(MessageBox::shown().size(), 1u);
    const MessageBox::Shown& question = MessageBox::shown()[0];
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.title, QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(question.buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
    EXPECT_TRUE(question.text.endsWith(QStringLiteral("\r\n\r\nDo you want to continue ?")))
        << question.text.toStdString();
    EXPECT_TRUE(question.text.contains(QStringLiteral("LocDesc"))) << question.text.toStdString();

    EXPECT_EQ(form.exitCode(), 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(form.lastReport().has_value());
    EXPECT_EQ(form.lastReport()->outcome, migration::RunReport::Outcome::Stopped);
    EXPECT_EQ(targetContents(), before);
}

TEST_F(WizardRun, YesAtTheErrorQuestionGoesOnAndTheMessageSaysWhatWasSkipped)
{
    dropLocDesc();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    button(form, "cmdImport")->click();

    ASSERT_EQ(MessageBox::shown().size(), 3u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Question);
    EXPECT_EQ(MessageBox::shown()[1].icon, QMessageBox::Question);
    EXPECT_EQ(MessageBox::shown()[2].icon, QMessageBox::Information);
    EXPECT_EQ(MessageBox::shown()[2].text,
              QString::fromUtf8(kSuccess) +
                  QStringLiteral("\r\n\r\n2 statements failed and were skipped.\r\n"
                                 "0 entries were written to the error log file \"") +
                  QString::fromStdString(m_log.string()) + QStringLiteral("\"."));
    EXPECT_EQ(form.exitCode(), 0);
    // The failing field is left unset; the rows are saved.
    EXPECT_EQ(target("SELECT Loc_Cd, Loc_Desc FROM LocMast ORDER BY rowid"),
              (Rows{{"1", "No Location"}, {"2", "Null"}, {"3", "Null"}}));
    EXPECT_EQ(target(kPolicyColumns), kImportedPolicies);
}

// A source that does not open leaves nothing to import: the run ends there, whatever the answer
// would be, says which file and why, and the Calvane database keeps what it held.
TEST_F(WizardRun, MissingSourceDatabaseEndsTheRunWithoutAQuestion)
{
    fs::remove(m_source / "zrv.accdb");
    const auto before = targetContents();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    button(form, "cmdImport")->click();

    ASSERT_EQ(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(
        MessageBox::shown()[0].text.startsWith(QStringLiteral("The import was stopped: Could not find file")))
        << MessageBox::shown()[0].text.toStdString();
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(QStringLiteral("zrv.accdb")));
    EXPECT_TRUE(
        MessageBox::shown()[0].text.endsWith(QStringLiteral("Nothing was changed in the Calvane database.")));
    EXPECT_EQ(form.exitCode(), 1);
    EXPECT_EQ(targetContents(), before);
}

// The session ends (logout) while the import runs: it rolls back at its next statement, without
// asking, and the window closes.
TEST_F(WizardRun, SessionEndDuringTheRunRollsBackWithoutAQuestion)
{
    const auto before = targetContents();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    QObject context;
    QTimer::singleShot(0, &context, [&] { form.stopForSessionEnd(); });

    button(form, "cmdImport")->click();

    EXPECT_TRUE(MessageBox::shown().empty());
    EXPECT_EQ(form.exitCode(), 1);
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(form.lastReport().has_value());
    EXPECT_EQ(form.lastReport()->outcome, migration::RunReport::Outcome::Stopped);
    EXPECT_EQ(targetContents(), before);
}

// A bonus database that is missing or cannot be read is a Yes/No question before the run: Yes runs
// as always and the completion message repeats the problem below the success line; No ends the
// program with nothing written.
const char* const kEmptyBonus =
    " cannot be read (Cannot open '%1': the file is empty (0 bytes), not a database file.)";

struct BonusCase {
    const char* name;
    bool emptyFile; // a 0-byte file in its place, else no file at all
    QMessageBox::StandardButton answer;
    const char* problem; // after the quoted path; %1 is the path
};

class BonusQuestion : public WizardRun, public ::testing::WithParamInterface<BonusCase> {};

TEST_P(BonusQuestion, IsAskedBeforeTheRun)
{
    fs::remove(m_bonus);
    if (GetParam().emptyFile)
        std::ofstream(m_bonus).close();
    const auto before = targetContents();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(GetParam().answer);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    button(form, "cmdImport")->click();

    const QString problem =
        QStringLiteral("The bonus database \"") + QString::fromStdString(m_bonus.string()) +
        QStringLiteral("\"") +
        QString::fromUtf8(GetParam().problem).arg(QString::fromStdString(m_bonus.string()));
    ASSERT_GE(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Question);
    EXPECT_EQ(MessageBox::shown()[0].text,
              problem + QStringLiteral(": the maturity amounts that need bonus years will be written to the "
                                       "error log instead.\r\n\r\nDo you want to continue ?"));
    if (GetParam().answer == QMessageBox::No) {
        EXPECT_EQ(MessageBox::shown().size(), 1u);
        EXPECT_EQ(form.exitCode(), 1);
        EXPECT_FALSE(form.lastReport().has_value());
        EXPECT_EQ(targetContents(), before);
        return;
    }
    ASSERT_EQ(MessageBox::shown().size(), 2u);
    EXPECT_EQ(MessageBox::shown()[1].text,
              QString::fromUtf8(kSuccess) + QStringLiteral("\r\n\r\n") + problem +
                  QStringLiteral(": the maturity amounts that need bonus years were written to the error log "
                                 "instead."));
    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_EQ(target(kPolicyColumns), kImportedPolicies);
}

INSTANTIATE_TEST_SUITE_P(
    WizardRun, BonusQuestion,
    ::testing::Values(BonusCase{"MissingYesRuns", false, QMessageBox::Yes, " was not found"},
                      BonusCase{"MissingNoWritesNothing", false, QMessageBox::No, " was not found"},
                      BonusCase{"EmptyYesRuns", true, QMessageBox::Yes, kEmptyBonus},
                      BonusCase{"EmptyNoWritesNothing", true, QMessageBox::No, kEmptyBonus}),
    [](const ::testing::TestParamInfo<BonusCase>& info) { return std::string(info.param.name); });

TEST_F(WizardRun, ClosingTheWindowDuringTheRunAndStoppingRollsBack)
{
    const auto before = targetContents();
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::Yes); // stop it
    QObject context;
    bool closedWhileRunning = false;
    QTimer::singleShot(0, &context, [&] { closedWhileRunning = !form.close(); });

    button(form, "cmdImport")->click();

    EXPECT_TRUE(closedWhileRunning) << "the window closed under the running import";
    ASSERT_EQ(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Question);
    EXPECT_EQ(MessageBox::shown()[0].text, QString::fromUtf8(kStopQuestion));
    EXPECT_EQ(MessageBox::shown()[0].buttons,
              QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
    EXPECT_EQ(form.exitCode(), 1);
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(form.lastReport().has_value());
    EXPECT_EQ(form.lastReport()->outcome, migration::RunReport::Outcome::Stopped);
    EXPECT_EQ(targetContents(), before);
}

TEST_F(WizardRun, ClosingTheWindowDuringTheRunAndKeepingItGoesOn)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    prepare(form);
    MessageBox::setNextAnswer(QMessageBox::No); // keep running
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QObject context;
    QTimer::singleShot(0, &context, [&] { form.close(); });

    button(form, "cmdImport")->click();

    ASSERT_EQ(MessageBox::shown().size(), 2u);
    EXPECT_EQ(MessageBox::shown()[0].text, QString::fromUtf8(kStopQuestion));
    EXPECT_EQ(MessageBox::shown()[1].text, QString::fromUtf8(kSuccess));
    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_EQ(target(kPolicyColumns), kImportedPolicies);
}

TEST(frmImport, ClosingWhenIdleJustCloses)
{
    MessageBoxScope scope;
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.show();
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(MessageBox::shown().empty());
    EXPECT_EQ(form.exitCode(), 0);
}

} // namespace
} // namespace orrin::wizard

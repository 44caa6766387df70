#include "wizard/core/ImportController.h"

#include "calc/DataImport.h"
#include "migration/FolderPaths.h"
#include "migration/ProgressCaption.h"
#include "value/Clock.h"
#include "wizard/core/WizardTexts.h"

#include <exception>

namespace orrin::wizard {

namespace {

// The classic Trim: blanks only, so a box of blanks counts as empty.
bool blank(const std::string& text)
{
    return text.find_first_not_of(' ') == std::string::npos;
}

// A pointer shown for as long as the scope lasts, restored on every way out.
class PointerScope {
  public:
    PointerScope(WizardView& view, Pointer pointer) : m_view(view) { m_view.pushPointer(pointer); }
    ~PointerScope() { m_view.popPointer(); }
    PointerScope(const PointerScope&) = delete;
    PointerScope& operator=(const PointerScope&) = delete;

  private:
    WizardView& m_view;
};

// The controls disabled for as long as the run lasts, enabled again however it ends.
class ControlsDisabled {
  public:
    explicit ControlsDisabled(WizardView& view) : m_view(view) { m_view.setControlsEnabled(false); }
    ~ControlsDisabled() { m_view.setControlsEnabled(true); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

  private:
    WizardView& m_view;
};

// Publishes the run to the controller (the caption and a close request reach it) for as long as it
// lasts, and keeps its policy count afterwards, however it ends.
class RunningImport {
  public:
    RunningImport(migration::MigrationRun*& current, migration::MigrationRun& run, double& policiesAfterwards)
        : m_current(current), m_run(run), m_policiesAfterwards(policiesAfterwards)
    {
        m_current = &m_run;
    }
    ~RunningImport()
    {
        m_policiesAfterwards = m_run.PoliciesTransferred();
        m_current = nullptr;
    }
    RunningImport(const RunningImport&) = delete;
    RunningImport& operator=(const RunningImport&) = delete;

  private:
    migration::MigrationRun*& m_current;
    migration::MigrationRun& m_run;
    double& m_policiesAfterwards;
};

} // namespace

ImportController::ImportController(WizardView& view) : m_view(view) {}

ImportController::~ImportController() = default;

void ImportController::applyOptions(const WizardOptions& options)
{
    if (options.orrinDb) {
        m_view.setPathText(PathBox::OrrinDb, *options.orrinDb);
    }
    if (options.agentDb) {
        m_view.setPathText(PathBox::AgentDb, *options.agentDb);
    }
}

double ImportController::PoliciesTransferred() const
{
    return m_run ? m_run->PoliciesTransferred() : m_PoliciesTransferred;
}

void ImportController::cmdChooseOrrinDb_Click()
{
    chooseDatabase(kChooseOrrinTitle, kChooseOrrinFilter, PathBox::OrrinDb, m_OrrinDbFolder);
}

void ImportController::cmdChooseAgentDb_Click()
{
    chooseDatabase(kChooseAgentTitle, kChooseAgentFilter, PathBox::AgentDb, m_AgentDbFolder);
}

// A cancelled dialog leaves box and folder alone: the box must never show a file the user did not
// choose for that step. A failure of the dialog itself ends the handler without a word.
void ImportController::chooseDatabase(const char* title, const char* filter, PathBox box, std::string& folder)
{
    if (m_run) {
        return; // a click that reached us from the running import's own event pump
    }
    try {
        const std::optional<std::string> chosen = m_view.chooseFile(title, filter);
        if (!chosen) {
            return;
        }
        folder = migration::folderOf(*chosen);
        m_view.setPathText(box, *chosen);
    } catch (const std::exception&) {
        return;
    }
}

void ImportController::cmdImport_Click()
{
    if (m_run) {
        return; // a click that reached us from the running import's own event pump
    }
    m_StartTime = static_cast<double>(orrin::clock().secondsSinceMidnight());

    const std::string orrinText = m_view.pathText(PathBox::OrrinDb);
    const std::string agentText = m_view.pathText(PathBox::AgentDb);
    if (blank(orrinText) || blank(agentText)) {
        m_view.showMessage(MessageIcon::Information, kBothPathsMessage);
        return;
    }

    // The folders are the ones the boxes show now, whatever a dialog filled in before.
    m_OrrinDbFolder = migration::folderOf(orrinText);
    m_AgentDbFolder = migration::folderOf(agentText);

    // A bonus database that cannot serve the lookups is asked about before anything is written:
    // going on leaves every maturity amount that needs bonus years to the error log.
    const std::filesystem::path bonus =
        m_bonusDatabase ? *m_bonusDatabase : calc::DataImport::defaultBonusDatabase();
    const std::string problem = bonusProblem(bonus);
    const std::string warning = bonusWarning(problem);
    if (!problem.empty() && !m_view.askYesNo(bonusQuestionText(problem), false)) {
        endProgram(1);
        return;
    }

    migration::RunReport report;
    std::optional<std::string> failure;
    m_stopAsked = false;
    {
        ControlsDisabled disabled(m_view);
        PointerScope waitPointer(m_view, Pointer::Wait);
        try {
            calc::DataImport dataImport;
            dataImport.setLogFile(m_errorLogFile ? *m_errorLogFile : calc::DataImport::defaultLogFile());
            dataImport.setBonusDatabase(bonus);
            migration::MigrationRun run(dataImport, *this, *this);
            RunningImport running(m_run, run, m_PoliciesTransferred);
            report = run.run(m_OrrinDbFolder, m_AgentDbFolder);
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = "unknown failure";
        }
    }

    if (failure) {
        m_view.showMessage(MessageIcon::Critical, failureText(*failure));
        endProgram(1);
        return;
    }
    m_lastReport = report;
    switch (report.outcome) {
    case migration::RunReport::Outcome::Finished:
        m_view.showMessage(MessageIcon::Information, completionText(report, warning));
        endProgram(0);
        return;
    case migration::RunReport::Outcome::Stopped:
        // The user's own No or stop needs no word; a database that did not open does.
        if (!report.stoppedByUser || !report.recoveryFailure.empty()) {
            m_view.showMessage(MessageIcon::Critical, abandonedText(report.reason, report.recoveryFailure));
        }
        endProgram(1);
        return;
    case migration::RunReport::Outcome::Abandoned:
        m_view.showMessage(MessageIcon::Critical, abandonedText(report.reason, report.recoveryFailure));
        endProgram(1);
        return;
    }
}

void ImportController::tmrTime_Timer()
{
    const std::optional<std::string> caption =
        migration::progressCaption(m_StartTime, orrin::clock(), PoliciesTransferred());
    if (!caption) {
        return;
    }
    m_view.setCaption(*caption);
    m_view.processEvents(true);
}

bool ImportController::queryClose()
{
    if (!m_run) {
        return true;
    }
    // The run is still on the stack below us; it can only end by returning, so a close now asks it
    // to stop and lets it roll back at its next statement.
    if (m_stopAsked) {
        return false;
    }
    PointerScope arrow(m_view, Pointer::Arrow);
    if (m_view.askYesNo(kStopQuestion, false)) {
        m_stopAsked = true;
        if (m_run) {
            m_run->requestStop();
        }
    }
    return false;
}

void ImportController::stopForSessionEnd()
{
    if (!m_run) {
        return;
    }
    m_stopAsked = true;
    m_run->requestStop();
}

bool ImportController::askContinue(const std::string& description)
{
    if (m_stopAsked) {
        return false; // the user has already asked to stop
    }
    PointerScope arrow(m_view, Pointer::Arrow);
    return m_view.askYesNo(errorQuestionText(description), true);
}

void ImportController::pumpEvents()
{
    m_view.processEvents(true);
}

// Shown in the caption while the wait lasts; the caption is repainted, but no click is taken, since
// the run is in the middle of a statement.
void ImportController::lockWait(const std::string& file)
{
    m_view.setCaption("waiting for " + file + ", in use by another program");
    m_view.processEvents(false);
}

void ImportController::endProgram(int exitCode)
{
    m_exitCode = exitCode;
    m_view.closeWindow();
}

} // namespace orrin::wizard

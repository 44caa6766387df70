#pragma once

#include "migration/MigrationRun.h"
#include "migration/RunInterfaces.h"
#include "wizard/core/WizardOptions.h"
#include "wizard/core/WizardView.h"

#include <filesystem>
#include <optional>
#include <string>

namespace orrin::wizard {

// The behaviour of the wizard's one window, frmImport, without any toolkit: step 1 picks the Orrin
// database, step 2 the Calvane database, step 3 starts the import. While the import runs, the
// caption shows the time taken and the policies transferred; when it has finished the window closes
// and the program ends. A view (Qt on Linux, Win32 on Windows) holds the controls and calls the
// handlers below; the controller answers through the WizardView it was given.
//
// The folders that the run opens are the ones the path boxes show when the import starts, so what
// the user sees is what gets cleared. The three buttons are disabled and the path boxes read-only
// while the run goes on; closing the window then asks whether to stop it (stopping rolls the
// Calvane database back).
class ImportController : private migration::ErrorQuestion, private migration::RunObserver {
  public:
    // The progress timer's interval; the view starts its timer with it when the window loads.
    static constexpr int kTimerIntervalMs = 1000;

    explicit ImportController(WizardView& view);
    ~ImportController() override;
    ImportController(const ImportController&) = delete;
    ImportController& operator=(const ImportController&) = delete;

    // The command line's paths replace the path boxes' design-time texts.
    void applyOptions(const WizardOptions& options);

    // Where the run writes its error log and reads bonus years; the calculation module's defaults
    // when not set.
    void setErrorLogFile(std::filesystem::path file) { m_errorLogFile = std::move(file); }
    void setBonusDatabase(std::filesystem::path file) { m_bonusDatabase = std::move(file); }

    void cmdChooseOrrinDb_Click();
    void cmdChooseAgentDb_Click();
    void cmdImport_Click();
    void tmrTime_Timer();
    // The user asks to close the window: true when it may close. While the import runs it asks
    // whether to stop it, and a Yes stops it at its next statement; the window stays open until the
    // run has rolled back and ends the program itself.
    bool queryClose();
    // The session ends (logout, shutdown) or the application quits: a running import stops at its
    // next statement and rolls back, without a question.
    void stopForSessionEnd();

    // The program's exit status once the window has closed: 0 after a finished run or a plain close,
    // 1 after a run that was stopped or abandoned, or that failed outright.
    int exitCode() const { return m_exitCode; }
    double StartTime() const { return m_StartTime; }
    const std::string& OrrinDbFolder() const { return m_OrrinDbFolder; }
    const std::string& AgentDbFolder() const { return m_AgentDbFolder; }
    // Policies added so far by the running import (or by the last one).
    double PoliciesTransferred() const;
    bool running() const { return m_run != nullptr; }
    // The report of the last run, once it has returned.
    const std::optional<migration::RunReport>& lastReport() const { return m_lastReport; }

  private:
    bool askContinue(const std::string& description) override;
    void pumpEvents() override;
    void lockWait(const std::string& file) override;

    // Shows the dialog; on a choice puts the full path into the box and its folder into folder.
    void chooseDatabase(const char* title, const char* filter, PathBox box, std::string& folder);
    void endProgram(int exitCode);

    WizardView& m_view;
    double m_StartTime = 0;
    double m_PoliciesTransferred = 0;
    std::string m_AgentDbFolder;
    std::string m_OrrinDbFolder;

    migration::MigrationRun* m_run = nullptr;
    std::optional<migration::RunReport> m_lastReport;
    std::optional<std::filesystem::path> m_errorLogFile;
    std::optional<std::filesystem::path> m_bonusDatabase;
    int m_exitCode = 0;
    bool m_stopAsked = false;
};

} // namespace orrin::wizard

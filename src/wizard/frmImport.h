#pragma once

#include "migration/MigrationRun.h"
#include "migration/RunInterfaces.h"

#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orrin::wizard {

class FileDialog;

// The wizard's one window: step 1 picks the Orrin database, step 2 the Calvane database, step 3
// starts the import. While the import runs, the caption shows the time taken and the policies
// transferred; when it has finished the window closes and the program ends.
//
// The folders that the run opens are the ones the path boxes show when the import starts, so what
// the user sees is what gets cleared. The three buttons are disabled and the path boxes read-only
// while the run goes on; closing the window then asks whether to stop it (stopping rolls the
// Calvane database back).
class frmImport : public QWidget, private migration::ErrorQuestion, private migration::RunObserver {
    Q_OBJECT

  public:
    // CD is the dialog both choose buttons use; the form makes its own when none is given.
    explicit frmImport(FileDialog* CD = nullptr, QWidget* parent = nullptr);
    ~frmImport() override;

    // The program's exit status once the form has closed: 0 after a finished run or a plain close,
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

    // Replaces the text a path box shows (the command line's paths).
    void setOrrinDbText(const QString& path);
    void setAgentDbText(const QString& path);

    // Where the run writes its error log and reads bonus years; the calculation module's defaults
    // when not set.
    void setErrorLogFile(std::filesystem::path file) { m_errorLogFile = std::move(file); }
    void setBonusDatabase(std::filesystem::path file) { m_bonusDatabase = std::move(file); }

    // The text of the question asked when a statement of the run fails.
    static QString errorQuestionText(const std::string& description);
    // The completion message for a finished run: the success line, and below it what went wrong
    // when the run was not clean, and the warnings given before the run (the bonus database's,
    // none when empty, and the target's rules that were not applied).
    static QString completionText(const migration::RunReport& report, const QString& warning = {});
    // What is wrong with the bonus database ("The bonus database "X" was not found", or "... cannot
    // be read (reason)": empty, a folder, not a database, the wrong password, damaged); empty when
    // the lookups can read it. The file is opened once.
    static QString bonusProblem(const std::filesystem::path& bonusDatabase);
    // The line the completion message adds for that problem (empty for none).
    static QString bonusWarning(const QString& problem);
    // The Yes/No question asked before a run whose bonus database has a problem: Yes runs, No ends
    // the program with nothing written.
    static QString bonusQuestionText(const QString& problem);
    // Why the run ended when the database engine gave up its transaction, or a database did not
    // open (nothing was kept); with the journal that could not be replayed, when one could not.
    static QString abandonedText(const std::string& reason, const std::string& recoveryFailure = {});
    // The run failed in a way it could not report itself (out of memory, say).
    static QString failureText(const QString& failure);

  public slots:
    // The session ends (logout, shutdown) or the application quits: a running import stops at its
    // next statement and rolls back, without a question.
    void stopForSessionEnd();
    void cmdChooseOrrinDb_Click();
    void cmdChooseAgentDb_Click();
    void cmdImport_Click();
    void tmrTime_Timer();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool askContinue(const std::string& description) override;
    void pumpEvents() override;
    void lockWait(const std::string& file) override;

    // Shows the dialog; on a choice puts the full path into the box and its folder into folder.
    void chooseDatabase(const QString& title, const QString& filter, QLineEdit* pathBox, std::string& folder);
    void setRunning(bool running);
    void endProgram(int exitCode);

    std::unique_ptr<FileDialog> m_ownDialog;
    FileDialog& CD;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdChooseOrrinDb = nullptr;
    QLineEdit* txtOrrinDb = nullptr;
    QPushButton* cmdChooseAgentDb = nullptr;
    QLineEdit* txtAgentDb = nullptr;
    QPushButton* cmdImport = nullptr;
    QTimer tmrTime;

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

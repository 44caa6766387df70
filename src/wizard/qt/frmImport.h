#pragma once

#include "wizard/core/ImportController.h"
#include "wizard/core/WizardView.h"

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

// The wizard's one window in Qt: the controls of the three steps and the progress timer, with
// everything they do left to the ImportController (see there). The file dialog is the FileDialog
// wrapper, the message boxes the MessageBox wrapper, so that tests can answer them in advance.
class frmImport : public QWidget, private WizardView {
    Q_OBJECT

  public:
    // CD is the dialog both choose buttons use; the form makes its own when none is given.
    explicit frmImport(FileDialog* CD = nullptr, QWidget* parent = nullptr);
    ~frmImport() override;

    ImportController& controller() { return m_controller; }
    int exitCode() const { return m_controller.exitCode(); }
    double StartTime() const { return m_controller.StartTime(); }
    const std::string& OrrinDbFolder() const { return m_controller.OrrinDbFolder(); }
    const std::string& AgentDbFolder() const { return m_controller.AgentDbFolder(); }
    double PoliciesTransferred() const { return m_controller.PoliciesTransferred(); }
    bool running() const { return m_controller.running(); }
    const std::optional<migration::RunReport>& lastReport() const { return m_controller.lastReport(); }

    // Replaces the text a path box shows (the command line's paths).
    void setOrrinDbText(const QString& path);
    void setAgentDbText(const QString& path);
    void setErrorLogFile(std::filesystem::path file) { m_controller.setErrorLogFile(std::move(file)); }
    void setBonusDatabase(std::filesystem::path file) { m_controller.setBonusDatabase(std::move(file)); }

  public slots:
    void stopForSessionEnd() { m_controller.stopForSessionEnd(); }
    void cmdChooseOrrinDb_Click() { m_controller.cmdChooseOrrinDb_Click(); }
    void cmdChooseAgentDb_Click() { m_controller.cmdChooseAgentDb_Click(); }
    void cmdImport_Click() { m_controller.cmdImport_Click(); }
    void tmrTime_Timer() { m_controller.tmrTime_Timer(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::string pathText(PathBox box) const override;
    void setPathText(PathBox box, const std::string& text) override;
    void setCaption(const std::string& caption) override;
    std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) override;
    void showMessage(MessageIcon icon, const std::string& text) override;
    bool askYesNo(const std::string& text, bool defaultYes) override;
    void setControlsEnabled(bool enabled) override;
    void pushPointer(Pointer pointer) override;
    void popPointer() override;
    void processEvents(bool userInput) override;
    void closeWindow() override;

    QLineEdit* pathBox(PathBox box) const { return box == PathBox::OrrinDb ? txtOrrinDb : txtAgentDb; }

    std::unique_ptr<FileDialog> m_ownDialog;
    FileDialog& CD;
    ImportController m_controller;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdChooseOrrinDb = nullptr;
    QLineEdit* txtOrrinDb = nullptr;
    QPushButton* cmdChooseAgentDb = nullptr;
    QLineEdit* txtAgentDb = nullptr;
    QPushButton* cmdImport = nullptr;
    QTimer tmrTime;
};

} // namespace orrin::wizard

#include "wizard/frmImport.h"

#include "calc/DataImport.h"
#include "migration/FolderPaths.h"
#include "migration/ProgressCaption.h"
#include "store/DatabaseFile.h"
#include "value/Clock.h"
#include "wizard/FileDialog.h"
#include "wizard/MessageBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QEventLoop>

#include <algorithm>
#include <exception>
#include <system_error>

namespace orrin::wizard {

namespace {

const char* const kOrrinDbCaption = "Orrin Database";
const char* const kAgentDbCaption = "Calvane Database";
const char* const kImportCaption = "Start Data Import Wizard";
const char* const kOrrinDbDefault = "C:\\Zarvo\\Data\\zrv.accdb";
const char* const kAgentDbDefault = "C:\\Calvane\\LIC.mdb";
const char* const kChooseOrrinTitle = "Choose Orrin Database";
// Each dialog offers its classic filter (the Orrin one, a description alone, lists every file), then
// every Access database, then every file.
const char* const kChooseOrrinFilter =
    "Orrin Database (zrv.accdb)||Access databases (*.accdb *.mdb)|*.accdb;*.mdb|All files|*";
const char* const kChooseAgentTitle = "Choose Calvane Database";
const char* const kChooseAgentFilter =
    "Calvane Database (lic.mdb)|lic.mdb|Access databases (*.accdb *.mdb)|*.accdb;*.mdb|All files|*";
const char* const kBothPathsMessage = "Please choose both database paths !!!";
const char* const kSuccessMessage = "Orrin Data Import successful !!!";
const char* const kContinueQuestion = "Do you want to continue ?";
const char* const kStopQuestion =
    "An import is running. Do you want to stop it? Nothing will be changed in the Calvane database.";
const char* const kLineBreak = "\r\n";

// The classic Trim: blanks only, so a box of blanks counts as empty.
QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text[last - 1] == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStd(const QString& text)
{
    return text.toStdString();
}

// The hourglass for as long as the run lasts, restored on every way out.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Publishes the run to the form (the caption and a close request reach it) for as long as it lasts,
// and keeps its policy count afterwards, however it ends.
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

// The arrow over a question asked in the middle of the run, the hourglass again after it.
class ArrowCursor {
  public:
    ArrowCursor() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursor() { QGuiApplication::restoreOverrideCursor(); }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
};

} // namespace

frmImport::frmImport(FileDialog* dialog, QWidget* parent)
    : QWidget(parent), m_ownDialog(dialog ? nullptr : std::make_unique<FileDialog>()),
      CD(dialog ? *dialog : *m_ownDialog)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QString::fromUtf8(kWizardTitle));

    QFont stepFont(QStringLiteral("MS Sans Serif"));
    stepFont.setPointSizeF(8.25);
    stepFont.setBold(true);

    auto makeLabel = [&](const char* name, const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(QString::fromUtf8(name));
        label->setFont(stepFont);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    auto makeButton = [&](const char* name, const char* text) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(QString::fromUtf8(name));
        return button;
    };
    auto makePathBox = [&](const char* name, const char* text) {
        auto* box = new QLineEdit(QString::fromUtf8(text), this);
        box->setObjectName(QString::fromUtf8(name));
        box->setMinimumWidth(360);
        return box;
    };

    Label1 = makeLabel("Label1", "1.");
    cmdChooseOrrinDb = makeButton("cmdChooseOrrinDb", kOrrinDbCaption);
    txtOrrinDb = makePathBox("txtOrrinDb", kOrrinDbDefault);
    Label2 = makeLabel("Label2", "2.");
    cmdChooseAgentDb = makeButton("cmdChooseAgentDb", kAgentDbCaption);
    txtAgentDb = makePathBox("txtAgentDb", kAgentDbDefault);
    Label3 = makeLabel("Label3", "3.");
    cmdImport = makeButton("cmdImport", kImportCaption);

    // The three buttons share the width of the widest.
    const int buttonWidth = std::max({cmdChooseOrrinDb->sizeHint().width(),
                                      cmdChooseAgentDb->sizeHint().width(), cmdImport->sizeHint().width()}) +
                            24;
    for (QPushButton* button : {cmdChooseOrrinDb, cmdChooseAgentDb, cmdImport}) {
        button->setFixedWidth(buttonWidth);
    }

    // Step numbers in a narrow first column; each step's button with its path box below it.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cmdChooseOrrinDb, 0, 1, Qt::AlignLeft);
    grid->addWidget(txtOrrinDb, 1, 1, 1, 2);
    grid->setRowMinimumHeight(2, 10);
    grid->addWidget(Label2, 3, 0);
    grid->addWidget(cmdChooseAgentDb, 3, 1, Qt::AlignLeft);
    grid->addWidget(txtAgentDb, 4, 1, 1, 2);
    grid->setRowMinimumHeight(5, 10);
    grid->addWidget(Label3, 6, 0);
    grid->addWidget(cmdImport, 6, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);

    setTabOrder(cmdChooseOrrinDb, txtOrrinDb);
    setTabOrder(txtOrrinDb, cmdChooseAgentDb);
    setTabOrder(cmdChooseAgentDb, txtAgentDb);
    setTabOrder(txtAgentDb, cmdImport);

    setFixedHeight(sizeHint().height());
    resize(std::max(sizeHint().width(), 480), sizeHint().height());

    connect(cmdChooseOrrinDb, &QPushButton::clicked, this, &frmImport::cmdChooseOrrinDb_Click);
    connect(cmdChooseAgentDb, &QPushButton::clicked, this, &frmImport::cmdChooseAgentDb_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmImport::cmdImport_Click);

    tmrTime.setParent(this); // a child, so that it can be found by name; it unhooks itself when destroyed
    tmrTime.setObjectName(QStringLiteral("tmrTime"));
    tmrTime.setInterval(1000);
    connect(&tmrTime, &QTimer::timeout, this, &frmImport::tmrTime_Timer);
    tmrTime.start();
}

frmImport::~frmImport() = default;

double frmImport::PoliciesTransferred() const
{
    return m_run ? m_run->PoliciesTransferred() : m_PoliciesTransferred;
}

void frmImport::setOrrinDbText(const QString& path)
{
    txtOrrinDb->setText(path);
}

void frmImport::setAgentDbText(const QString& path)
{
    txtAgentDb->setText(path);
}

void frmImport::cmdChooseOrrinDb_Click()
{
    chooseDatabase(QString::fromUtf8(kChooseOrrinTitle), QString::fromUtf8(kChooseOrrinFilter), txtOrrinDb,
                   m_OrrinDbFolder);
}

void frmImport::cmdChooseAgentDb_Click()
{
    chooseDatabase(QString::fromUtf8(kChooseAgentTitle), QString::fromUtf8(kChooseAgentFilter), txtAgentDb,
                   m_AgentDbFolder);
}

// A cancelled dialog leaves box and folder alone: the box must never show a file the user did not
// choose for that step. A failure of the dialog itself ends the handler without a word.
void frmImport::chooseDatabase(const QString& title, const QString& filter, QLineEdit* pathBox,
                               std::string& folder)
{
    try {
        const std::optional<QString> chosen = CD.getOpenFileName(this, title, filter);
        if (!chosen) {
            return;
        }
        folder = migration::folderOf(toStd(*chosen));
        pathBox->setText(*chosen);
    } catch (const std::exception&) {
        return;
    }
}

void frmImport::cmdImport_Click()
{
    if (m_run) {
        return; // a click that reached us from the running import's own event pump
    }
    m_StartTime = static_cast<double>(orrin::clock().secondsSinceMidnight());

    if (trimBlanks(txtOrrinDb->text()).isEmpty() || trimBlanks(txtAgentDb->text()).isEmpty()) {
        MessageBox::information(this, QString::fromUtf8(kBothPathsMessage));
        return;
    }

    // The folders are the ones the boxes show now, whatever a dialog filled in before.
    m_OrrinDbFolder = migration::folderOf(toStd(txtOrrinDb->text()));
    m_AgentDbFolder = migration::folderOf(toStd(txtAgentDb->text()));

    // A bonus database that cannot serve the lookups is asked about before anything is written:
    // going on leaves every maturity amount that needs bonus years to the error log.
    const std::filesystem::path bonus =
        m_bonusDatabase ? *m_bonusDatabase : calc::DataImport::defaultBonusDatabase();
    const QString problem = bonusProblem(bonus);
    const QString warning = bonusWarning(problem);
    if (!problem.isEmpty() &&
        MessageBox::question(this, bonusQuestionText(problem), QMessageBox::No) != QMessageBox::Yes) {
        endProgram(1);
        return;
    }

    migration::RunReport report;
    std::optional<QString> failure;
    m_stopAsked = false;
    setRunning(true);
    {
        WaitCursor waitCursor;
        try {
            calc::DataImport dataImport;
            dataImport.setLogFile(m_errorLogFile ? *m_errorLogFile : calc::DataImport::defaultLogFile());
            dataImport.setBonusDatabase(bonus);
            migration::MigrationRun run(dataImport, *this, *this);
            RunningImport running(m_run, run, m_PoliciesTransferred);
            report = run.run(m_OrrinDbFolder, m_AgentDbFolder);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        } catch (...) {
            failure = QStringLiteral("unknown failure");
        }
    }
    setRunning(false);

    if (failure) {
        MessageBox::critical(this, failureText(*failure));
        endProgram(1);
        return;
    }
    m_lastReport = report;
    switch (report.outcome) {
    case migration::RunReport::Outcome::Finished:
        MessageBox::information(this, completionText(report, warning));
        endProgram(0);
        return;
    case migration::RunReport::Outcome::Stopped:
        // The user's own No or stop needs no word; a database that did not open does.
        if (!report.stoppedByUser || !report.recoveryFailure.empty()) {
            MessageBox::critical(this, abandonedText(report.reason, report.recoveryFailure));
        }
        endProgram(1);
        return;
    case migration::RunReport::Outcome::Abandoned:
        MessageBox::critical(this, abandonedText(report.reason, report.recoveryFailure));
        endProgram(1);
        return;
    }
}

void frmImport::tmrTime_Timer()
{
    const std::optional<std::string> caption =
        migration::progressCaption(m_StartTime, orrin::clock(), PoliciesTransferred());
    if (!caption) {
        return;
    }
    setWindowTitle(fromStd(*caption));
    QCoreApplication::processEvents();
}

void frmImport::closeEvent(QCloseEvent* event)
{
    if (!m_run) {
        event->accept();
        return;
    }
    // The run is still on the stack below us; it can only end by returning, so a close now asks
    // it to stop and lets it roll back at its next statement.
    event->ignore();
    if (m_stopAsked) {
        return;
    }
    ArrowCursor arrow;
    if (MessageBox::question(this, QString::fromUtf8(kStopQuestion), QMessageBox::No) == QMessageBox::Yes) {
        m_stopAsked = true;
        if (m_run) {
            m_run->requestStop();
        }
    }
}

void frmImport::stopForSessionEnd()
{
    if (!m_run) {
        return;
    }
    m_stopAsked = true;
    m_run->requestStop();
}

bool frmImport::askContinue(const std::string& description)
{
    if (m_stopAsked) {
        return false; // the user has already asked to stop
    }
    ArrowCursor arrow;
    return MessageBox::question(this, errorQuestionText(description)) == QMessageBox::Yes;
}

void frmImport::pumpEvents()
{
    QCoreApplication::processEvents();
}

// Shown in the caption while the wait lasts; the caption is repainted, but no click is taken, since
// the run is in the middle of a statement.
void frmImport::lockWait(const std::string& file)
{
    setWindowTitle(QStringLiteral("waiting for %1, in use by another program").arg(fromStd(file)));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmImport::setRunning(bool running)
{
    for (QPushButton* button : {cmdChooseOrrinDb, cmdChooseAgentDb, cmdImport}) {
        button->setEnabled(!running);
    }
    txtOrrinDb->setReadOnly(running);
    txtAgentDb->setReadOnly(running);
}

void frmImport::endProgram(int exitCode)
{
    m_exitCode = exitCode;
    close();
}

QString frmImport::errorQuestionText(const std::string& description)
{
    return fromStd(description) + QString::fromUtf8(kLineBreak) + QString::fromUtf8(kLineBreak) +
           QString::fromUtf8(kContinueQuestion);
}

QString frmImport::abandonedText(const std::string& reason, const std::string& recoveryFailure)
{
    const QString lineBreak = QString::fromUtf8(kLineBreak);
    return QStringLiteral("The import was stopped: ") + fromStd(reason) + lineBreak + lineBreak +
           (recoveryFailure.empty() ? QStringLiteral("Nothing was changed in the Calvane database.")
                                    : fromStd(recoveryFailure));
}

QString frmImport::bonusProblem(const std::filesystem::path& bonusDatabase)
{
    try {
        std::error_code error;
        if (std::filesystem::exists(store::resolveDataSource(bonusDatabase.string()), error)) {
            const auto unreadable = calc::DataImport::unreadableBonusDatabase(bonusDatabase);
            if (!unreadable)
                return {};
            return QStringLiteral("The bonus database \"%1\" cannot be read (%2)")
                .arg(fromStd(bonusDatabase.string()), fromStd(*unreadable));
        }
    } catch (const Error&) {
        return {}; // several names differ only in letter case; the lookups name them
    }
    return QStringLiteral("The bonus database \"%1\" was not found").arg(fromStd(bonusDatabase.string()));
}

QString frmImport::bonusWarning(const QString& problem)
{
    if (problem.isEmpty())
        return {};
    return problem +
           QStringLiteral(": the maturity amounts that need bonus years were written to the error log "
                          "instead.");
}

QString frmImport::bonusQuestionText(const QString& problem)
{
    const QString lineBreak = QString::fromUtf8(kLineBreak);
    return problem +
           QStringLiteral(": the maturity amounts that need bonus years will be written to the error log "
                          "instead.") +
           lineBreak + lineBreak + QString::fromUtf8(kContinueQuestion);
}

QString frmImport::failureText(const QString& failure)
{
    return QStringLiteral("The import did not finish: ") + failure;
}

QString frmImport::completionText(const migration::RunReport& report, const QString& warning)
{
    QString text = QString::fromUtf8(kSuccessMessage);
    const QString lineBreak = QString::fromUtf8(kLineBreak);
    if (!warning.isEmpty()) {
        text += lineBreak + lineBreak + warning;
    }
    for (const std::string& ruleWarning : report.warnings) {
        text += lineBreak + lineBreak + fromStd(ruleWarning);
    }
    if (report.clean()) {
        return text;
    }
    text += lineBreak + lineBreak;
    if (report.skippedStatements == 1) {
        text += QStringLiteral("1 statement failed and was skipped.");
    } else {
        text += QStringLiteral("%1 statements failed and were skipped.").arg(report.skippedStatements);
    }
    text += lineBreak;
    const QString logFile = fromStd(report.logFile.string());
    if (report.logEntries == 1) {
        text += QStringLiteral("1 entry was written to the error log file \"%1\".").arg(logFile);
    } else {
        text += QStringLiteral("%1 entries were written to the error log file \"%2\".")
                    .arg(QString::number(report.logEntries), logFile);
    }
    return text;
}

} // namespace orrin::wizard

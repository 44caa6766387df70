#include "wizard/qt/frmImport.h"

#include "wizard/core/WizardTexts.h"
#include "wizard/qt/FileDialog.h"
#include "wizard/qt/MessageBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace orrin::wizard {

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

frmImport::frmImport(FileDialog* dialog, QWidget* parent)
    : QWidget(parent), m_ownDialog(dialog ? nullptr : std::make_unique<FileDialog>()),
      CD(dialog ? *dialog : *m_ownDialog), m_controller(*this)
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

    Label1 = makeLabel("Label1", kStepNumbers[0]);
    cmdChooseOrrinDb = makeButton("cmdChooseOrrinDb", kOrrinDbCaption);
    txtOrrinDb = makePathBox("txtOrrinDb", kOrrinDbDefault);
    Label2 = makeLabel("Label2", kStepNumbers[1]);
    cmdChooseAgentDb = makeButton("cmdChooseAgentDb", kAgentDbCaption);
    txtAgentDb = makePathBox("txtAgentDb", kAgentDbDefault);
    Label3 = makeLabel("Label3", kStepNumbers[2]);
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
    tmrTime.setInterval(ImportController::kTimerIntervalMs);
    connect(&tmrTime, &QTimer::timeout, this, &frmImport::tmrTime_Timer);
    tmrTime.start();
}

frmImport::~frmImport() = default;

void frmImport::setOrrinDbText(const QString& path)
{
    txtOrrinDb->setText(path);
}

void frmImport::setAgentDbText(const QString& path)
{
    txtAgentDb->setText(path);
}

void frmImport::closeEvent(QCloseEvent* event)
{
    if (m_controller.queryClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

std::string frmImport::pathText(PathBox box) const
{
    return pathBox(box)->text().toStdString();
}

void frmImport::setPathText(PathBox box, const std::string& text)
{
    pathBox(box)->setText(fromStd(text));
}

void frmImport::setCaption(const std::string& caption)
{
    setWindowTitle(fromStd(caption));
}

std::optional<std::string> frmImport::chooseFile(const std::string& title, const std::string& filter)
{
    const std::optional<QString> chosen = CD.getOpenFileName(this, fromStd(title), fromStd(filter));
    if (!chosen) {
        return std::nullopt;
    }
    return chosen->toStdString();
}

void frmImport::showMessage(MessageIcon icon, const std::string& text)
{
    if (icon == MessageIcon::Critical) {
        MessageBox::critical(this, fromStd(text));
    } else {
        MessageBox::information(this, fromStd(text));
    }
}

bool frmImport::askYesNo(const std::string& text, bool defaultYes)
{
    return MessageBox::question(this, fromStd(text), defaultYes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

void frmImport::setControlsEnabled(bool enabled)
{
    for (QPushButton* button : {cmdChooseOrrinDb, cmdChooseAgentDb, cmdImport}) {
        button->setEnabled(enabled);
    }
    txtOrrinDb->setReadOnly(!enabled);
    txtAgentDb->setReadOnly(!enabled);
}

void frmImport::pushPointer(Pointer pointer)
{
    QGuiApplication::setOverrideCursor(pointer == Pointer::Wait ? Qt::WaitCursor : Qt::ArrowCursor);
}

void frmImport::popPointer()
{
    QGuiApplication::restoreOverrideCursor();
}

void frmImport::processEvents(bool userInput)
{
    QCoreApplication::processEvents(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void frmImport::closeWindow()
{
    close();
}

} // namespace orrin::wizard

#pragma once

#include "wizard/core/WizardTexts.h"

#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace orrin::wizard {

// Every message box of the wizard goes through here. A box is titled "Orrin Data Import Wizard",
// and each one shown is recorded (icon, text, buttons, answer) so that tests and a scripted demo can
// see what the user would have seen. Answers can be given in advance: setNextAnswer queues an
// answer that the next box takes without being shown; with an unattended answer set, a box that
// finds the queue empty takes that answer instead of waiting for a user who is not there.
class MessageBox {
  public:
    using Button = QMessageBox::StandardButton;

    struct Shown {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        Button answer = QMessageBox::NoButton;
    };

    // An OK box with the information icon.
    static Button information(QWidget* parent, const QString& text);
    // An OK box with the critical icon.
    static Button critical(QWidget* parent, const QString& text);
    // A Yes/No box with the question icon; defaultButton is the one that Enter presses.
    static Button question(QWidget* parent, const QString& text, Button defaultButton = QMessageBox::Yes);

    // The general form behind the three above.
    static Button show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                       QMessageBox::StandardButtons buttons, Button defaultButton);

    static void setNextAnswer(Button answer);
    static void setUnattendedAnswer(std::optional<Button> answer);
    // Drops queued answers and the record of boxes shown.
    static void reset();
    static const std::vector<Shown>& shown();
    static std::size_t pendingAnswers();

    // The text as a box displays it: CR LF pairs (the classic line break, which the wizard's texts
    // keep) become plain line breaks.
    static QString displayText(const QString& text);

  private:
    static std::deque<Button>& queuedAnswers();
    static std::vector<Shown>& record();
    static std::optional<Button>& unattendedAnswer();
};

} // namespace orrin::wizard

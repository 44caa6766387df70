#include "wizard/qt/MessageBox.h"

#include <QWidget>

namespace orrin::wizard {

std::deque<MessageBox::Button>& MessageBox::queuedAnswers()
{
    static std::deque<Button> answers;
    return answers;
}

std::vector<MessageBox::Shown>& MessageBox::record()
{
    static std::vector<Shown> shownBoxes;
    return shownBoxes;
}

std::optional<MessageBox::Button>& MessageBox::unattendedAnswer()
{
    static std::optional<Button> answer;
    return answer;
}

MessageBox::Button MessageBox::information(QWidget* parent, const QString& text)
{
    return show(parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

MessageBox::Button MessageBox::critical(QWidget* parent, const QString& text)
{
    return show(parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

MessageBox::Button MessageBox::question(QWidget* parent, const QString& text, Button defaultButton)
{
    return show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, defaultButton);
}

// A queued answer wins, then the unattended answer; only then is a real box shown and waited for.
// A box closed without a button (Escape on a Yes/No box) counts as No, an OK box's as OK.
MessageBox::Button MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons, Button defaultButton)
{
    Shown entry;
    entry.icon = icon;
    entry.title = QString::fromUtf8(kWizardTitle);
    entry.text = text;
    entry.buttons = buttons;

    if (!queuedAnswers().empty()) {
        entry.answer = queuedAnswers().front();
        queuedAnswers().pop_front();
    } else if (unattendedAnswer()) {
        entry.answer = *unattendedAnswer();
    } else {
        QMessageBox box(icon, entry.title, displayText(text), buttons, parent);
        box.setDefaultButton(defaultButton);
        if (buttons.testFlag(QMessageBox::No)) {
            box.setEscapeButton(QMessageBox::No);
        }
        const int result = box.exec();
        entry.answer = static_cast<Button>(result);
        if (!buttons.testFlag(entry.answer)) {
            entry.answer = buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
        }
    }
    record().push_back(entry);
    return entry.answer;
}

void MessageBox::setNextAnswer(Button answer)
{
    queuedAnswers().push_back(answer);
}

void MessageBox::setUnattendedAnswer(std::optional<Button> answer)
{
    unattendedAnswer() = answer;
}

void MessageBox::reset()
{
    queuedAnswers().clear();
    record().clear();
}

const std::vector<MessageBox::Shown>& MessageBox::shown()
{
    return record();
}

std::size_t MessageBox::pendingAnswers()
{
    return queuedAnswers().size();
}

QString MessageBox::displayText(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return display;
}

} // namespace orrin::wizard

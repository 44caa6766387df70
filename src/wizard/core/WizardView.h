#pragma once

#include <optional>
#include <string>

namespace orrin::wizard {

// The wizard's two path boxes.
enum class PathBox { OrrinDb, AgentDb };

// The icon of an OK box.
enum class MessageIcon { Information, Critical };

// The application's mouse pointer while the run lasts, and over a question asked during it.
enum class Pointer { Wait, Arrow };

// What the window's controller needs from a toolkit: the two path boxes, the caption, the buttons,
// the platform's file-open dialog and message boxes, the pointer and the event pump. A view holds
// the controls and hands every click and tick to the controller; it decides nothing itself. Every
// text is UTF-8.
class WizardView {
  public:
    virtual ~WizardView() = default;

    // The text a path box shows now, as typed (not trimmed).
    virtual std::string pathText(PathBox box) const = 0;
    virtual void setPathText(PathBox box, const std::string& text) = 0;
    virtual void setCaption(const std::string& caption) = 0;

    // The platform's modal file-open dialog, for an existing file. The filter is in the classic
    // "description|pattern|..." form (see FileFilter.h). The dialog starts where the last chosen file
    // is. The chosen file's full path, or nothing when the user cancelled; throws when the dialog
    // itself fails.
    virtual std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) = 0;
    // A modal OK box titled "Orrin Data Import Wizard".
    virtual void showMessage(MessageIcon icon, const std::string& text) = 0;
    // A modal Yes/No box titled "Orrin Data Import Wizard" with the question icon; true for Yes.
    // defaultYes chooses the button that Enter presses; a box closed without a button counts as No.
    virtual bool askYesNo(const std::string& text, bool defaultYes) = 0;

    // The three buttons enabled and the path boxes editable, or neither while the run goes on.
    virtual void setControlsEnabled(bool enabled) = 0;
    // Shows pointer over the whole application until the matching popPointer.
    virtual void pushPointer(Pointer pointer) = 0;
    virtual void popPointer() = 0;
    // Lets the window's pending events run: all of them, or only painting and timers when
    // userInput is false (no click is taken then).
    virtual void processEvents(bool userInput) = 0;
    // Closes the window; the program then ends with the controller's exit code.
    virtual void closeWindow() = 0;
};

} // namespace orrin::wizard

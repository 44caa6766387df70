#pragma once

// Windows only: the wizard's window as a native Win32 window over the ImportController.

#include "wizard/core/ImportController.h"
#include "wizard/core/WizardView.h"

#include <windows.h>

#include <string>
#include <vector>

namespace orrin::wizard {

// The window class and the controls' identifiers, for tools that drive the window by messages.
inline constexpr const wchar_t* kFrmImportClass = L"OrrinImportWizard.frmImport";
enum frmImportControl : int {
    kLabel1 = 101,
    kCmdChooseOrrinDb = 102,
    kTxtOrrinDb = 103,
    kLabel2 = 104,
    kCmdChooseAgentDb = 105,
    kTxtAgentDb = 106,
    kLabel3 = 107,
    kCmdImport = 108,
};
// The window's client area, as large as the Qt window's.
inline constexpr int kFrmImportWidth = 480;
inline constexpr int kFrmImportHeight = 182;

// frmImport on Windows: the three numbered steps laid out as in the Qt window, the platform's own
// file-open dialog (GetOpenFileNameW) and message boxes (MessageBoxW), the hourglass pointer while
// the import runs and a one-second timer. Every text crosses into the controller as UTF-8.
class frmImportWin32 : private WizardView {
  public:
    explicit frmImportWin32(HINSTANCE instance);
    ~frmImportWin32() override;
    frmImportWin32(const frmImportWin32&) = delete;
    frmImportWin32& operator=(const frmImportWin32&) = delete;

    ImportController& controller() { return m_controller; }
    // Shows the window and runs the message loop until the window is gone; the controller's exit
    // code.
    int run(int showCommand);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void layOut(int clientWidth);

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

    HWND control(int id) const { return GetDlgItem(m_window, id); }

    ImportController m_controller;
    HINSTANCE m_instance;
    HWND m_window = nullptr;
    HFONT m_font = nullptr;
    HFONT m_stepFont = nullptr;
    std::vector<HCURSOR> m_pointers;
    std::wstring m_lastFile; // the file the dialog returned last ("" before the first)
    bool m_quit = false;
    int m_quitCode = 0;
};

} // namespace orrin::wizard

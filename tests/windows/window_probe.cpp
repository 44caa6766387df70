// Drives the Windows wizard (orrin-import-wizard.exe) by window messages, as a user's clicks would,
// and reads back what it shows. Used under Wine by tests/windows/window_under_wine.sh.
//
//   window_probe check WIZARD ORRIN_DB AGENT_DB
//       starts the wizard with the two paths and checks, by messages alone: the caption, the three
//       numbered steps' texts and places, the client size, that step 1's button opens the file
//       dialog titled "Choose Orrin Database" (cancelled, leaving the box alone), that a start with
//       an empty box asks for both paths, and that a start runs the migration, shows the completion
//       message and ends the program with exit code 0. Before that, in a first window, a close during
//       the run asks whether to stop it, and Yes ends the program with exit code 1 (nothing written).
//   window_probe where CONTROL_ID   prints the control's centre in screen pixels ("x y")
//   window_probe box SECONDS        waits for a message box of the wizard and prints its text
//   window_probe dialog TITLE SECONDS   waits for a dialog with the title; exit 1 when none came
//   window_probe press-ok           presses the OK (or Cancel) button of the wizard's open box/dialog
#include "platform/TextWin32.h"
#include "wizard/core/WizardTexts.h"
#include "wizard/win32/frmImportWin32.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace orrin::wizard;
using orrin::platform::utf8FromWide;
using orrin::platform::wideFromUtf8;

int g_failures = 0;

void expect(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok) {
        ++g_failures;
    }
}

// WM_GETTEXT rather than GetWindowText, which does not ask a control of another process.
std::string textOf(HWND window)
{
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                                      reinterpret_cast<LPARAM>(text.data()))));
    return utf8FromWide(text);
}

template <typename Probe> auto waitFor(Probe probe, int seconds) -> decltype(probe())
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (auto found = probe()) {
            return found;
        }
        Sleep(50);
    }
    return probe();
}

HWND wizardWindow(int seconds)
{
    return waitFor([] { return FindWindowW(kFrmImportClass, nullptr); }, seconds);
}

// A dialog (#32770: the message boxes and the file dialog) with the given title.
HWND dialogTitled(const std::string& title, int seconds)
{
    const std::wstring wide = wideFromUtf8(title);
    return waitFor([&] { return FindWindowW(L"#32770", wide.c_str()); }, seconds);
}

// The message box's text: its static control with the longest text (the icon's has none).
std::string boxText(HWND box)
{
    std::string longest;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t kind[32] = {};
            GetClassNameW(child, kind, 32);
            if (lstrcmpiW(kind, L"Static") == 0) {
                const std::string text = textOf(child);
                auto* longest = reinterpret_cast<std::string*>(found);
                if (text.size() > longest->size()) {
                    *longest = text;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&longest));
    return longest;
}

void click(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Presses OK on a message box, or Cancel on a file dialog.
void dismiss(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

// Starts the wizard with the two paths and waits for its window (null when none came).
HWND launch(const std::string& wizard, const std::string& orrinDb, const std::string& agentDb,
            PROCESS_INFORMATION& process)
{
    std::wstring command = L"\"" + wideFromUtf8(wizard) + L"\" --orrin-db \"" + wideFromUtf8(orrinDb) +
                           L"\" --agent-db \"" + wideFromUtf8(agentDb) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        expect(false, "the wizard starts: " + orrin::platform::lastErrorText());
        return nullptr;
    }
    // The window of this process, not one a former run left closing.
    return waitFor(
        [&]() -> HWND {
            HWND found = FindWindowW(kFrmImportClass, nullptr);
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            return found && owner == process.dwProcessId ? found : nullptr;
        },
        30);
}

// The process's exit code once it has ended (within 30 s), else 259 after killing it.
DWORD exitCodeOf(PROCESS_INFORMATION& process)
{
    DWORD exitCode = 259;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 3);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// A close request that reaches the window while the run goes on (queued behind the start click, it
// is taken at the run's first yield) asks whether to stop; Yes stops the run, without a message, and
// the program ends with exit code 1.
void checkStopByClose(const std::string& wizard, const std::string& orrinDb, const std::string& agentDb)
{
    PROCESS_INFORMATION process{};
    HWND window = launch(wizard, orrinDb, agentDb, process);
    expect(window != nullptr, "the window opens again");
    if (!window) {
        return;
    }
    click(window, kCmdImport);
    PostMessageW(window, WM_CLOSE, 0, 0);
    HWND box = dialogTitled(kWizardTitle, 60);
    const std::string question = box ? boxText(box) : std::string();
    expect(question == kStopQuestion, "a close during the run asks \"" + question + "\"");
    if (box) {
        dismiss(box, IDYES);
    }
    const DWORD exitCode = exitCodeOf(process);
    expect(exitCode == 1, "Yes stops the run and the wizard ends with exit code " + std::to_string(exitCode));
}

int check(const std::string& wizard, const std::string& orrinDb, const std::string& agentDb)
{
    checkStopByClose(wizard, orrinDb, agentDb);
    PROCESS_INFORMATION process{};
    HWND window = launch(wizard, orrinDb, agentDb, process);
    expect(window != nullptr, "the window opens");
    if (!window) {
        return 1;
    }
    expect(textOf(window) == kWizardTitle, "the caption is \"" + textOf(window) + "\"");
    RECT client{};
    GetClientRect(window, &client);
    expect(client.right == kFrmImportWidth && client.bottom == kFrmImportHeight,
           "the client area is " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
    const struct {
        int id;
        std::string text;
    } controls[] = {{kLabel1, "1."}, {kCmdChooseOrrinDb, kOrrinDbCaption}, {kTxtOrrinDb, orrinDb},
                    {kLabel2, "2."}, {kCmdChooseAgentDb, kAgentDbCaption}, {kTxtAgentDb, agentDb},
                    {kLabel3, "3."}, {kCmdImport, kImportCaption}};
    for (const auto& c : controls) {
        const std::string shown = textOf(GetDlgItem(window, c.id));
        expect(shown == c.text, "control " + std::to_string(c.id) + " shows \"" + shown + "\"");
    }
    RECT number{};
    RECT button{};
    GetWindowRect(GetDlgItem(window, kLabel3), &number);
    GetWindowRect(GetDlgItem(window, kCmdImport), &button);
    expect(number.right <= button.left && number.top == button.top,
           "step 3's number stands left of its button");

    click(window, kCmdChooseOrrinDb);
    HWND dialog = dialogTitled(kChooseOrrinTitle, 30);
    expect(dialog != nullptr, "step 1's button opens the file dialog \"Choose Orrin Database\"");
    if (dialog) {
        dismiss(dialog, IDCANCEL);
        waitFor([&] { return !IsWindow(dialog); }, 10);
    }
    expect(textOf(GetDlgItem(window, kTxtOrrinDb)) == orrinDb,
           "a cancelled dialog leaves the path box alone");

    SendMessageW(GetDlgItem(window, kTxtAgentDb), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"  "));
    click(window, kCmdImport);
    HWND box = dialogTitled(kWizardTitle, 10);
    expect(box != nullptr && boxText(box) == kBothPathsMessage, "a blank path asks for both paths");
    if (box) {
        dismiss(box, IDOK);
        waitFor([&] { return !IsWindow(box); }, 10);
    }
    SendMessageW(GetDlgItem(window, kTxtAgentDb), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(wideFromUtf8(agentDb).c_str()));

    click(window, kCmdImport);
    box = dialogTitled(kWizardTitle, 600);
    const std::string message = box ? boxText(box) : std::string();
    expect(message.rfind(kSuccessMessage, 0) == 0,
           "the run ends with the completion message \"" + message + "\"");
    if (box) {
        dismiss(box, IDOK);
    }
    const DWORD exitCode = exitCodeOf(process);
    expect(exitCode == 0, "the wizard ends with exit code " + std::to_string(exitCode));
    std::printf("%s: %d check(s) failed\n", g_failures ? "FAIL" : "PASS", g_failures);
    return g_failures ? 1 : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(utf8FromWide(argv[i]));
    }
    const std::string mode = args.size() > 1 ? args[1] : "";
    if (mode == "check" && args.size() == 5) {
        return check(args[2], args[3], args[4]);
    }
    if (mode == "where" && args.size() == 3) {
        HWND window = wizardWindow(30);
        HWND control = window ? GetDlgItem(window, std::stoi(args[2])) : nullptr;
        RECT place{};
        if (!control || !GetWindowRect(control, &place)) {
            return 1;
        }
        std::printf("%ld %ld\n", (place.left + place.right) / 2, (place.top + place.bottom) / 2);
        return 0;
    }
    if (mode == "box" && args.size() == 3) {
        HWND box = dialogTitled(kWizardTitle, std::stoi(args[2]));
        if (!box) {
            return 1;
        }
        std::printf("%s\n", boxText(box).c_str());
        return 0;
    }
    if (mode == "dialog" && args.size() == 4) {
        return dialogTitled(args[2], std::stoi(args[3])) ? 0 : 1;
    }
    if (mode == "press-ok" && args.size() == 2) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (!box) {
            return 1;
        }
        dismiss(box, textOf(box) == kWizardTitle ? IDOK : IDCANCEL);
        return 0;
    }
    std::fprintf(stderr, "usage: window_probe check WIZARD ORRIN_DB AGENT_DB | where ID | box SECONDS | "
                         "dialog TITLE SECONDS | press-ok\n");
    return 2;
}

// The wizard's window on Windows. The command line is read as UTF-16 and handed on as UTF-8.
#include "platform/TextWin32.h"
#include "wizard/core/WizardOptions.h"
#include "wizard/core/WizardTexts.h"
#include "wizard/win32/frmImportWin32.h"

#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

namespace {

std::vector<std::string> commandLine()
{
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; words && i < count; ++i) {
        arguments.push_back(orrin::platform::utf8FromWide(words[i]));
    }
    LocalFree(words);
    return arguments;
}

// A window program has no console of its own: a text for the caller goes to the standard handle it
// was given, else to the console it was started from, else into a message box.
void tell(const std::string& text, DWORD standardHandle, UINT icon)
{
    HANDLE handle = GetStdHandle(standardHandle);
    if ((handle == nullptr || handle == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        handle = GetStdHandle(standardHandle);
    }
    DWORD written = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
    }
    MessageBoxW(nullptr, orrin::platform::wideFromUtf8(text).c_str(),
                orrin::platform::wideFromUtf8(orrin::wizard::kWizardTitle).c_str(), MB_OK | icon);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    using namespace orrin::wizard;
    const std::vector<std::string> arguments = commandLine();
    const std::string program = "orrin-import-wizard.exe";
    const WizardOptions options = parseWizardArguments(arguments);
    if (options.help) {
        tell(wizardUsage(program), STD_OUTPUT_HANDLE, MB_ICONINFORMATION);
        return 0;
    }
    if (!options.error.empty()) {
        tell(options.error + "\n\n" + wizardUsage(program), STD_ERROR_HANDLE, MB_ICONERROR);
        return 2;
    }
    try {
        frmImportWin32 form(instance);
        form.controller().applyOptions(options);
        return form.run(showCommand);
    } catch (const std::exception& error) {
        tell(std::string("The window could not be shown: ") + error.what() + "\n", STD_ERROR_HANDLE,
             MB_ICONERROR);
        return 1;
    }
}

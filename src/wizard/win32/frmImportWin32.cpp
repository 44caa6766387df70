#include "wizard/win32/frmImportWin32.h"

#include "platform/TextWin32.h"
#include "wizard/core/FileFilter.h"
#include "wizard/core/WizardTexts.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <stdexcept>

namespace orrin::wizard {

namespace {

using platform::utf8FromWide;
using platform::wideFromUtf8;

constexpr UINT_PTR kTimerId = 1;

// The Qt window's grid, in pixels: the margins, the step numbers' column, the buttons' width and
// the rows' tops.
constexpr int kMargin = 14;
constexpr int kNumberWidth = 12;
constexpr int kControlLeft = kMargin + kNumberWidth + 8;
constexpr int kButtonWidth = 183;
constexpr int kRowHeight = 22;
constexpr int kRowTop[5] = {14, 42, 80, 108, 146}; // button 1, box 1, button 2, box 2, button 3

// The classic filter as the dialog's list: "description\0patterns\0...\0\0".
std::wstring dialogFilter(const std::string& classicFilter)
{
    std::wstring list;
    for (const FileFilterEntry& entry : parseFileFilter(classicFilter)) {
        list += wideFromUtf8(entry.description);
        list += L'\0';
        std::string patterns;
        for (const std::string& pattern : entry.patterns) {
            patterns += (patterns.empty() ? "" : ";") + pattern;
        }
        list += wideFromUtf8(patterns);
        list += L'\0';
    }
    list += L'\0';
    return list;
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

frmImportWin32::frmImportWin32(HINSTANCE instance) : m_controller(*this), m_instance(instance)
{
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        m_font = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    // The step numbers: MS Sans Serif, 8.25 points, bold.
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(825, GetDeviceCaps(screen, LOGPIXELSY), 7200);
    ReleaseDC(nullptr, screen);
    m_stepFont =
        CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &frmImportWin32::windowProc;
    windowClass.hInstance = m_instance;
    windowClass.hIcon = LoadIconW(m_instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFrmImportClass;
    RegisterClassExW(&windowClass);

    const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
    RECT frame{0, 0, kFrmImportWidth, kFrmImportHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    m_window = CreateWindowExW(0, kFrmImportClass, wideFromUtf8(kWizardTitle).c_str(), style, CW_USEDEFAULT,
                               CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                               nullptr, m_instance, this);
    if (!m_window) {
        throw std::runtime_error("the window could not be created: " + platform::lastErrorText());
    }
    createControls();
    SetTimer(m_window, kTimerId, ImportController::kTimerIntervalMs, nullptr);
}

frmImportWin32::~frmImportWin32()
{
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (m_font) {
        DeleteObject(m_font);
    }
    if (m_stepFont) {
        DeleteObject(m_stepFont);
    }
}

void frmImportWin32::createControls()
{
    auto make = [&](const wchar_t* windowClass, const char* text, DWORD style, DWORD exStyle, int id,
                    HFONT font) {
        HWND child = CreateWindowExW(exStyle, windowClass, wideFromUtf8(text).c_str(),
                                     WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, m_window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), m_instance, nullptr);
        SendMessageW(child, WM_SETFONT,
                     reinterpret_cast<WPARAM>(font ? font : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    };
    const DWORD number = SS_RIGHT | SS_CENTERIMAGE;
    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD box = WS_TABSTOP | ES_AUTOHSCROLL;
    // Created in the tab order: each step's button, then its path box.
    make(L"STATIC", kStepNumbers[0], number, 0, kLabel1, m_stepFont);
    make(L"BUTTON", kOrrinDbCaption, button, 0, kCmdChooseOrrinDb, m_font);
    make(L"EDIT", kOrrinDbDefault, box, WS_EX_CLIENTEDGE, kTxtOrrinDb, m_font);
    make(L"STATIC", kStepNumbers[1], number, 0, kLabel2, m_stepFont);
    make(L"BUTTON", kAgentDbCaption, button, 0, kCmdChooseAgentDb, m_font);
    make(L"EDIT", kAgentDbDefault, box, WS_EX_CLIENTEDGE, kTxtAgentDb, m_font);
    make(L"STATIC", kStepNumbers[2], number, 0, kLabel3, m_stepFont);
    make(L"BUTTON", kImportCaption, button, 0, kCmdImport, m_font);
    RECT client{};
    GetClientRect(m_window, &client);
    layOut(client.right - client.left);
}

// The path boxes stretch with the window's width; everything else keeps its place.
void frmImportWin32::layOut(int clientWidth)
{
    const int boxWidth = std::max(clientWidth - kControlLeft - kMargin, kButtonWidth);
    const struct {
        int id;
        int x;
        int row;
        int width;
    } places[] = {
        {kLabel1, kMargin, 0, kNumberWidth},
        {kCmdChooseOrrinDb, kControlLeft, 0, kButtonWidth},
        {kTxtOrrinDb, kControlLeft, 1, boxWidth},
        {kLabel2, kMargin, 2, kNumberWidth},
        {kCmdChooseAgentDb, kControlLeft, 2, kButtonWidth},
        {kTxtAgentDb, kControlLeft, 3, boxWidth},
        {kLabel3, kMargin, 4, kNumberWidth},
        {kCmdImport, kControlLeft, 4, kButtonWidth},
    };
    for (const auto& place : places) {
        MoveWindow(control(place.id), place.x, kRowTop[place.row], place.width, kRowHeight, TRUE);
    }
}

int frmImportWin32::run(int showCommand)
{
    ShowWindow(m_window, showCommand);
    UpdateWindow(m_window);
    MSG message;
    while (!m_quit && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(m_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return m_controller.exitCode();
}

LRESULT CALLBACK frmImportWin32::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<frmImportWin32*>(create->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmImportWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(window, message, wParam, lParam);
}

// Every control's event goes to the controller; the window itself only keeps its size and pointer.
LRESULT frmImportWin32::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case kCmdChooseOrrinDb:
                m_controller.cmdChooseOrrinDb_Click();
                return 0;
            case kCmdChooseAgentDb:
                m_controller.cmdChooseAgentDb_Click();
                return 0;
            case kCmdImport:
                m_controller.cmdImport_Click();
                return 0;
            default:
                break;
            }
        }
        break;
    case WM_TIMER:
        if (wParam == kTimerId) {
            m_controller.tmrTime_Timer();
            return 0;
        }
        break;
    case WM_CLOSE:
        if (m_controller.queryClose()) {
            closeWindow();
        }
        return 0;
    case WM_QUERYENDSESSION:
        m_controller.stopForSessionEnd();
        return TRUE;
    case WM_DESTROY:
        KillTimer(window, kTimerId);
        m_window = nullptr;
        m_quit = true;
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        layOut(LOWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        // As wide as the user likes, never narrower than designed, always as high as designed.
        RECT frame{0, 0, kFrmImportWidth, kFrmImportHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE, 0);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
        limits->ptMaxTrackSize.y = frame.bottom - frame.top;
        return 0;
    }
    case WM_SETCURSOR:
        if (!m_pointers.empty()) {
            SetCursor(m_pointers.back());
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::string frmImportWin32::pathText(PathBox box) const
{
    return utf8FromWide(windowText(control(box == PathBox::OrrinDb ? kTxtOrrinDb : kTxtAgentDb)));
}

void frmImportWin32::setPathText(PathBox box, const std::string& text)
{
    SetWindowTextW(control(box == PathBox::OrrinDb ? kTxtOrrinDb : kTxtAgentDb), wideFromUtf8(text).c_str());
}

void frmImportWin32::setCaption(const std::string& caption)
{
    SetWindowTextW(m_window, wideFromUtf8(caption).c_str());
}

// The dialog opens in the folder of the file it returned last. A cancel is nothing; a dialog that
// fails (CommDlgExtendedError) is an exception, which ends the click without a word.
std::optional<std::string> frmImportWin32::chooseFile(const std::string& title, const std::string& filter)
{
    const std::wstring filterList = dialogFilter(filter);
    const std::wstring titleText = wideFromUtf8(title);
    std::wstring folder;
    if (const std::size_t slash = m_lastFile.find_last_of(L"\\/"); slash != std::wstring::npos) {
        folder = m_lastFile.substr(0, slash);
    }
    std::wstring file(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = titleText.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) {
        if (const DWORD failure = CommDlgExtendedError(); failure != 0) {
            throw std::runtime_error("the file dialog failed (" + std::to_string(failure) + ")");
        }
        return std::nullopt;
    }
    file.resize(file.find(L'\0'));
    m_lastFile = file;
    return utf8FromWide(file);
}

void frmImportWin32::showMessage(MessageIcon icon, const std::string& text)
{
    const UINT kind = icon == MessageIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(m_window, wideFromUtf8(text).c_str(), wideFromUtf8(kWizardTitle).c_str(), MB_OK | kind);
}

bool frmImportWin32::askYesNo(const std::string& text, bool defaultYes)
{
    const UINT defaultButton = defaultYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2;
    return MessageBoxW(m_window, wideFromUtf8(text).c_str(), wideFromUtf8(kWizardTitle).c_str(),
                       MB_YESNO | MB_ICONQUESTION | defaultButton) == IDYES;
}

void frmImportWin32::setControlsEnabled(bool enabled)
{
    for (int id : {kCmdChooseOrrinDb, kCmdChooseAgentDb, kCmdImport}) {
        EnableWindow(control(id), enabled);
    }
    for (int id : {kTxtOrrinDb, kTxtAgentDb}) {
        SendMessageW(control(id), EM_SETREADONLY, enabled ? FALSE : TRUE, 0);
    }
}

void frmImportWin32::pushPointer(Pointer pointer)
{
    m_pointers.push_back(
        LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(pointer == Pointer::Wait ? IDC_WAIT : IDC_ARROW)));
    SetCursor(m_pointers.back());
}

void frmImportWin32::popPointer()
{
    if (!m_pointers.empty()) {
        m_pointers.pop_back();
    }
    SetCursor(m_pointers.empty() ? LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW))
                                 : m_pointers.back());
}

// The run's yield: the pending messages are handled here, on the run's own stack (the timer's
// caption, a click on the close box). Without user input only painting is done. A quit seen here is
// posted again for the message loop.
void frmImportWin32::processEvents(bool userInput)
{
    MSG message;
    const UINT filter = userInput ? PM_REMOVE : (PM_REMOVE | PM_QS_PAINT);
    while (PeekMessageW(&message, nullptr, 0, 0, filter)) {
        if (message.message == WM_QUIT) {
            m_quit = true;
            m_quitCode = static_cast<int>(message.wParam);
            PostQuitMessage(m_quitCode);
            return;
        }
        if (!m_window || !IsDialogMessageW(m_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void frmImportWin32::closeWindow()
{
    if (m_window) {
        DestroyWindow(m_window);
    }
}

} // namespace orrin::wizard

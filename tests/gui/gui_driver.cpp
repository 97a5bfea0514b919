// The process and window helpers of the GUI tests.
#include "gui_driver.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct WindowSearch {
    DWORD processId;
    std::string title;
    HWND found;
    std::vector<std::string>* titles;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    const std::string title = WindowText(window);
    if (search->titles != nullptr) {
        search->titles->push_back(title);
        return TRUE;
    }
    if (title == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK VisitStatic(HWND child, LPARAM param) {
    auto* longest = reinterpret_cast<std::string*>(param);
    if (ClassOf(child) == "Static") {
        const std::string text = WindowText(child);
        if (text.size() > longest->size()) {
            *longest = text;
        }
    }
    return TRUE;
}

}  // namespace

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\'));
}

AppProcess::AppProcess(const std::string& arguments, const std::string& program, const std::string& folder) {
    const std::string app = program.empty() ? ProgramDirectory() + "\\Quirewell.exe" : program;
    std::string commandLine = "\"" + app + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(app.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process_)) {
        process_ = PROCESS_INFORMATION{};
    }
}

AppProcess::~AppProcess() {
    if (process_.hProcess != nullptr) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

HWND AppProcess::WaitForWindow(const std::string& title, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        WindowSearch search{process_.dwProcessId, title, nullptr, nullptr};
        EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

std::vector<std::string> AppProcess::WindowTitles() const {
    std::vector<std::string> titles;
    WindowSearch search{process_.dwProcessId, std::string(), nullptr, &titles};
    EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    return titles;
}

int AppProcess::WaitForExit(DWORD timeoutMs) {
    if (process_.hProcess == nullptr || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

std::string WindowText(HWND window) {
    // GetWindowTextA does not ask a window of another process for its text, and an edit
    // control keeps its text to itself: the message does.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::string ClassOf(HWND window) {
    char name[256];
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string MessageBoxText(HWND box) {
    std::string longest;
    EnumChildWindows(box, &VisitStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {

struct ClassSearch {
    DWORD processId;
    const std::string* className;
    HWND found;
};

BOOL CALLBACK VisitForClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && ClassOf(window) == *search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND AppProcess::FindWindowOfClass(const std::string& className) const {
    ClassSearch search{process_.dwProcessId, &className, nullptr};
    EnumWindows(&VisitForClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void* AppProcess::RemoteString(const std::string& text) const {
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, text.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (remote != nullptr) {
        WriteProcessMemory(process_.hProcess, remote, text.c_str(), text.size() + 1, nullptr);
    }
    return remote;
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void SetText(HWND dialog, int id, const std::string& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

int CheckState(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return static_cast<int>(state);
}

std::string AnswerMessageBox(const AppProcess& app, const std::string& title, DWORD timeoutMs) {
    const HWND box = app.WaitForWindow(title, timeoutMs);
    if (box == nullptr) {
        return std::string();
    }
    const std::string text = MessageBoxText(box);
    PressButton(box, IDOK);
    WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return text;
}

bool TrayShowsAnIcon() {
    const HWND tray = FindWindowA(nullptr, "Wine System Tray");
    return tray != nullptr && IsWindowVisible(tray) && FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) != nullptr;
}

namespace {

// Whether a process runs 64-bit code: a 32-bit test program on 64-bit Windows meets a 64-bit tray.
bool Is64BitProcess(HANDLE process) {
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    BOOL wow64 = FALSE;
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 && IsWow64Process(process, &wow64) &&
           !wow64;
}

}  // namespace

// The message's pointers are not carried to the tray's process, so they point into memory made
// there, and the tool record is laid out as the tray's bitness has it: its size, its flags, two
// handles, a rectangle, the instance handle, then the text's pointer, the lParam and a reserved
// pointer.
std::string TrayToolText(bool balloon) {
    const HWND tray = FindWindowA(nullptr, "Wine System Tray");
    HWND tooltip = FindWindowA("tooltips_class32", nullptr);
    for (; tooltip != nullptr; tooltip = FindWindowExA(nullptr, tooltip, "tooltips_class32", nullptr)) {
        const bool isBalloon = (GetWindowLongA(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
        if (tray != nullptr && GetWindow(tooltip, GW_OWNER) == tray && isBalloon == balloon &&
            (!balloon || IsWindowVisible(tooltip))) {
            break;
        }
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    const HANDLE process = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
        processId);
    const std::size_t pointer = Is64BitProcess(process) ? 8 : 4;
    const std::size_t textField = 24 + 3 * pointer;
    const std::size_t recordSize = textField + 3 * pointer;
    std::vector<char> local(recordSize + INFOTIPSIZE, '\0');
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, local.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    const auto size = static_cast<std::uint32_t>(recordSize);
    const auto text = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(remote + recordSize));
    std::memcpy(local.data(), &size, sizeof size);
    std::memcpy(local.data() + textField, &text, pointer);
    DWORD_PTR found = 0;
    if (remote != nullptr && WriteProcessMemory(process, remote, local.data(), local.size(), nullptr) &&
        SendMessageTimeoutA(tooltip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                            5000, &found) &&
        found != 0) {
        ReadProcessMemory(process, remote, local.data(), local.size(), nullptr);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    local.back() = '\0';
    return local.data() + recordSize;
}

std::vector<COLORREF> TrayIconPixels() {
    const HWND tray = FindWindowA(nullptr, "Wine System Tray");
    const HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr);
    std::vector<COLORREF> pixels;
    RECT rect{};
    GetWindowRect(icon, &rect);
    // Wine's tray draws a new picture over the last one, whose edges show through; the whole tray
    // drawn again shows the picture alone.
    RedrawWindow(tray, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Sleep(200);
    const HDC screen = GetDC(nullptr);
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            pixels.push_back(GetPixel(screen, x, y));
        }
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

HANDLE StartConsole(const std::string& arguments, const std::string& outputFile) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = outputFile.empty() ? nullptr
                                    : CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string program = ProgramDirectory() + "\\quirewell-cli.exe";
    std::string commandLine = Quoted(program) + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (out != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, out != nullptr, 0,
                                        nullptr, nullptr, &startup, &process);
    if (out != nullptr) {
        CloseHandle(out);
    }
    if (!started) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitForConsole(HANDLE process) {
    if (process == nullptr) {
        return -1;
    }
    WaitForSingleObject(process, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

int RunConsole(const std::string& arguments, const std::string& outputFile) {
    return WaitForConsole(StartConsole(arguments, outputFile));
}

namespace {

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == "Button" && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

std::string Named(HWND control) {
    return ClassOf(control) + " " + std::to_string(GetDlgCtrlID(control));
}

// The room a control leaves its text and how it lays the text out; false for controls that show
// no text of their own (edits, progress bars, icons, group boxes).
bool TextRoom(HWND control, int averageCharWidth, RECT& room, UINT& format) {
    GetClientRect(control, &room);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (ClassOf(control) == "Static") {
        const LONG kind = style & SS_TYPEMASK;
        format = DT_WORDBREAK;
        return kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP;
    }
    if (ClassOf(control) != "Button" || IsGroupBox(control)) {
        return false;
    }
    format = DT_SINGLELINE;
    const LONG kind = style & BS_TYPEMASK;
    if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
        kind == BS_AUTORADIOBUTTON) {
        // The box, and the gap of half a character the button leaves between box and text.
        room.left += GetSystemMetrics(SM_CXMENUCHECK) + averageCharWidth / 2;
    } else {
        // A push button's text stays inside its raised edges.
        InflateRect(&room, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));
    }
    return true;
}

// The copy's dialog procedure: the system's default handling is all a copy needs.
INT_PTR CALLBACK CopyProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

}  // namespace

std::vector<std::string> LayoutProblems(HWND dialog, HFONT font) {
    std::vector<std::string> problems;
    RECT client{};
    GetClientRect(dialog, &client);
    std::vector<std::pair<HWND, RECT>> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (IsWindowVisible(child)) {
            placed.emplace_back(child, rect);
        }
        if (IsWindowVisible(child) && !Contains(client, rect)) {
            problems.push_back(Named(child) + " leaves the client area");
        }
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            const auto& [a, aRect] = placed[i];
            const auto& [b, bRect] = placed[j];
            RECT common{};
            const bool framed = (IsGroupBox(a) && !IsGroupBox(b) && Contains(aRect, bRect)) ||
                                (IsGroupBox(b) && !IsGroupBox(a) && Contains(bRect, aRect));
            if (IntersectRect(&common, &aRect, &bRect) && !framed) {
                problems.push_back(Named(a) + " overlaps " + Named(b));
            }
        }
    }

    // Every control shows its text in the dialog's font, which the dialog gives them all.
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    for (const auto& [control, rect] : placed) {
        RECT room{};
        UINT format = 0;
        if (previous == nullptr || !TextRoom(control, metrics.tmAveCharWidth, room, format)) {
            continue;
        }
        // An empty text, as the status line's at the start, is measured as a line it will show.
        const std::string text = WindowText(control).empty() ? "Ag" : WindowText(control);
        RECT needed{0, 0, room.right - room.left, 0};
        DrawTextA(dc, text.c_str(), -1, &needed, format | DT_CALCRECT);
        if (needed.right > room.right - room.left || needed.bottom > room.bottom - room.top) {
            problems.push_back(Named(control) + " needs " + std::to_string(needed.right) + " by " +
                               std::to_string(needed.bottom) + " pixels for its text and has " +
                               std::to_string(room.right - room.left) + " by " +
                               std::to_string(room.bottom - room.top));
        }
    }
    if (previous == nullptr) {
        problems.push_back("the dialog's font cannot be measured");
    } else {
        SelectObject(dc, previous);
    }
    ReleaseDC(nullptr, dc);
    return problems;
}

DialogCopy::DialogCopy(int templateId) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    dialog_ =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, &CopyProc, 0);
}

DialogCopy::~DialogCopy() {
    if (dialog_ != nullptr) {
        DestroyWindow(dialog_);
    }
}

HFONT DialogCopy::Font() const {
    return dialog_ != nullptr ? reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0)) : nullptr;
}

int ScreenDpi() {
    const HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

int DpiOfThisRun() {
    const char* dpi = std::getenv("QW_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 0;
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) {
        return {0, 0};
    }
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    // A monochrome icon's mask holds both planes, one above the other.
    return {mask.bmWidth, info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2};
}

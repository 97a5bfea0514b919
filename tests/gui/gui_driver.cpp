// The process and window helpers of the GUI tests.
#include "gui_driver.h"

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

AppProcess::AppProcess(const std::string& arguments) {
    const std::string app = ProgramDirectory() + "\\Quirewell.exe";
    std::string commandLine = "\"" + app + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(app.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
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
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
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

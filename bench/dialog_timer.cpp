// Times one merge through Quirewell.exe's window, as a user starts it: the program is started,
// both directories typed, "&Merge" clicked, and the time taken until the closing status text is
// printed with the program's peak memory. Used by scripts/bench under Wine.
// Usage: dialog_timer FAX-DIR SAVE-DIR
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "resources/resource.h"

namespace {

struct DialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && IsWindowVisible(window) && std::string(title) == "Quirewell") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(DWORD processId) {
    DialogSearch search{processId, nullptr};
    EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string StatusOf(HWND dialog) {
    char text[256] = {};
    SendMessageA(GetDlgItem(dialog, IDC_STATUS), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_timer FAX-DIR SAVE-DIR\n");
        return 2;
    }
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program(self, length);
    program = program.substr(0, program.find_last_of('\\')) + "\\Quirewell.exe";
    std::string commandLine = "\"" + program + "\"";
    // The program's usage text on standard output must not mix with the timer's figures.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(nowhere);
    if (!started) {
        std::fprintf(stderr, "dialog_timer: cannot start %s\n", program.c_str());
        return 1;
    }
    HWND dialog = nullptr;
    for (int i = 0; i < 600 && dialog == nullptr; ++i) {
        Sleep(50);
        dialog = FindDialog(process.dwProcessId);
    }
    if (dialog == nullptr) {
        std::fprintf(stderr, "dialog_timer: no window\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    SendMessageA(GetDlgItem(dialog, IDC_FAX_DIR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[1]));
    SendMessageA(GetDlgItem(dialog, IDC_SAVE_DIR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));

    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageA(GetDlgItem(dialog, IDC_MERGE), BM_CLICK, 0, 0);
    // The run has begun once the button is disabled, and ended when the closing text shows.
    while (IsWindowEnabled(GetDlgItem(dialog, IDC_MERGE)) && StatusOf(dialog).rfind("Done.", 0) != 0) {
        Sleep(1);
    }
    while (StatusOf(dialog).rfind("Done.", 0) != 0 || !IsWindowEnabled(GetDlgItem(dialog, IDC_MERGE))) {
        Sleep(1);
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%.3f %zu\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart,
                static_cast<std::size_t>(memory.PeakWorkingSetSize / 1024));
    return 0;
}

// Drives Quirewell.exe from outside, as a user would: starts it, finds its windows by title,
// reads their texts and presses their buttons, and waits for its exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class AppProcess {
public:
    // Starts Quirewell.exe (beside the test program) with `arguments`.
    explicit AppProcess(const std::string& arguments);
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    // A top-level window of the process with this title, waited for up to `timeoutMs`.
    HWND WaitForWindow(const std::string& title, DWORD timeoutMs = 20000) const;
    // The exit code, or -1 when the process did not end within `timeoutMs`.
    int WaitForExit(DWORD timeoutMs = 20000);
    // Titles of the process's visible top-level windows now.
    std::vector<std::string> WindowTitles() const;

private:
    PROCESS_INFORMATION process_{};
};

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// The longest text among the static controls of a window (a message box's message).
std::string MessageBoxText(HWND box);
// Presses a dialog button by sending its command to the dialog.
void PressButton(HWND dialog, int id);
// The directory that holds the test program (and Quirewell.exe).
std::string ProgramDirectory();

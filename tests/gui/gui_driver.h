// Drives Quirewell.exe from outside, as a user would: starts it, finds its windows by title,
// reads their texts and presses their buttons, and waits for its exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class AppProcess {
public:
    // Starts Quirewell.exe (beside the test program, or `program`) with `arguments`, in the test's
    // current folder or `folder`.
    explicit AppProcess(const std::string& arguments, const std::string& program = std::string(),
                        const std::string& folder = std::string());
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
    // A top-level window of the process with this class, visible or not, or null.
    HWND FindWindowOfClass(const std::string& className) const;
    // Copies `text` into the process's memory (freed with the process), for messages whose
    // pointer the system does not carry across processes.
    void* RemoteString(const std::string& text) const;
    HANDLE Process() const { return process_.hProcess; }

private:
    PROCESS_INFORMATION process_{};
};

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// The longest text among the static controls of a window (a message box's message).
std::string MessageBoxText(HWND box);
// Presses a dialog button by sending its command to the dialog.
void PressButton(HWND dialog, int id);
// Clicks a control as the mouse would (BM_CLICK), without waiting for what it starts.
void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::string& text);
std::string ControlText(HWND dialog, int id);
int CheckState(HWND dialog, int id);
// Polls `condition` every 50 ms for up to `timeoutMs`; true once it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 20000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(50);
    }
    return true;
}
// Reads and closes a message box of the application titled `title`; empty when none came.
std::string AnswerMessageBox(const AppProcess& app, const std::string& title, DWORD timeoutMs = 20000);
// True when Wine's notification area shows an icon.
bool TrayShowsAnIcon();
// The tip of the icon in Wine's notification area, or the text of the balloon it shows now (empty
// when none), read from the tray's own process.
std::string TrayToolText(bool balloon);
inline std::string TrayTip() { return TrayToolText(false); }
inline std::string TrayBalloon() { return TrayToolText(true); }
// The icon's pixels as the screen shows them, drawn afresh.
std::vector<COLORREF> TrayIconPixels();
// What does not fit in a dialog as it is shown now, one line each: a control outside the client
// area, two controls that overlap (a group box and the controls inside it excepted), a text wider
// or taller than its control in the dialog's font `font`. Empty when everything fits.
std::vector<std::string> LayoutProblems(HWND dialog, HFONT font);
// A hidden copy of one of the program's dialogs, made in this process from the same template at
// the same DPI. Its font is the one the program's dialog has, and unlike that one, which belongs
// to the program's process, it can be measured here.
class DialogCopy {
public:
    explicit DialogCopy(int templateId);
    ~DialogCopy();
    DialogCopy(const DialogCopy&) = delete;
    DialogCopy& operator=(const DialogCopy&) = delete;

    HFONT Font() const;

private:
    HWND dialog_;
};
// The DPI the screen has in this process, and the one the DPI runs set (QW_DPI), or 0 without.
int ScreenDpi();
int DpiOfThisRun();
// The width and height of an icon, in pixels; 0, 0 when it is no icon this process can read.
SIZE IconSize(HICON icon);
// The directory that holds the test program (and Quirewell.exe).
std::string ProgramDirectory();
// A path in double quotes, as a command line takes a directory that may hold blanks.
std::string Quoted(const std::string& path);
// Starts quirewell-cli.exe (beside the test program) with its standard output and error in
// `outputFile` (nowhere when empty); the process's handle, or null when it did not start.
HANDLE StartConsole(const std::string& arguments, const std::string& outputFile = std::string());
// Waits for a started console program and closes its handle; its exit code, or -1.
int WaitForConsole(HANDLE process);
// Runs quirewell-cli.exe as StartConsole does and waits for it.
int RunConsole(const std::string& arguments, const std::string& outputFile = std::string());

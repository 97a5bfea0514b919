// quirewell-restart.exe: started from a copy outside the program's folder by a Quirewell.exe that
// an installer asked to close, as that program's own user; waits for the installer to end and then
// starts the program again, from the same path and with the same arguments, so that the new
// version runs for that user, unelevated, as the old one did.
#include <windows.h>

#include <string>

#include "runs/restart_command.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestartRequest request;
    if (!parseRestartCommandLine(GetCommandLineW(), request)) {
        return 2;
    }
    // The handle was opened for waiting and handed down by the closing program; the installer may
    // show boxes for as long as its user takes, so the wait has no end of its own.
    const HANDLE installer = reinterpret_cast<HANDLE>(request.installer);
    if (WaitForSingleObject(installer, INFINITE) != WAIT_OBJECT_0) {
        return 1;
    }
    CloseHandle(installer);
    // An uninstalled program is not started again.
    if (GetFileAttributesW(request.program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return 1;
    }
    std::wstring commandLine = programCommandLine(request.program, request.arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(request.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return 1;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}

// Quirewell.exe's entry point: prepares the platform libraries, lets the command line decide
// between a command-line run, the window and the window's preset, and runs the UI thread's message
// loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/message_loop.h"
#include "app/module_state.h"
#include "app/restart_later.h"
#include "platform/win32/wide_text.h"
#include "resources/resource.h"
#include "runs/command_line.h"
#include "runs/dialog_rules.h"
#include "runs/merge_options.h"
#include "runs/run_log_file.h"
#include "runs/restart_command.h"

namespace {

// The program's name and arguments as a run's log file tells them.
std::string LoggedCommandLine(const std::string& tail) {
    return "Quirewell " + tail;
}

// The command-line run: no window, icon or timer; the result box unless "/q". A log file that
// cannot be written is told in the box too, where a user who started the run from a shortcut
// looks.
int RunCommandLine(MergeOptions& options, const std::string& tail) {
    if (options.mode() == kModeFile) {
        return 0;
    }
    std::string logFileProblem;
    const int exitCode = performLoggedRun(options, stdout, LoggedCommandLine(tail), &logFileProblem);
    if (!options.quiet()) {
        const std::string told = logFileProblem.empty() ? std::string() : logFileProblem + "\r\n";
        MessageBoxA(nullptr, resultBoxText(options.runLogText() + told).c_str(), "Quirewell Result", MB_OK);
    }
    return exitCode;
}

// The text after the program's name, read as the system holds it and converted without best fit,
// so that a folder whose name the code page cannot hold is never taken for a look-alike (see
// platform/program_io.h).
std::string CommandLineTail() {
    const wchar_t* line = GetCommandLineW();
    bool exact = true;
    return platform::narrow(line + argumentsStart(line), exact);
}

// The window mode tells installers that it runs through a mutex of the session, which they wait
// to see gone, and asks the Restart Manager, which closes it when an installer must replace its
// files, to start it again afterwards with the same arguments (the "/auto:N" preset included). A
// crash, a hang or a restart of Windows starts nothing: the Startup folder or a task does that.
HANDLE AnnounceWindowMode() {
    const wchar_t* line = GetCommandLineW();
    RegisterApplicationRestart(line + argumentsStart(line),
                               RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
    return CreateMutexW(nullptr, FALSE, L"Local\\Quirewell.Running");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    // Libraries are never looked for in the current folder, which may be any Downloads folder.
    SetDllDirectoryA("");
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    ModuleState& module = TheModule();
    module.Setup(instance);
    MessageLoop loop;
    module.RegisterLoop(&loop);
    auto dialog = std::make_unique<MainDialog>();
    module.RecordModulePath();

    int exitCode = 0;
    bool created = false;
    HANDLE running = nullptr;
    {
        MergeOptions options;
        options.resetOptions();
        std::string standardOutput;
        const std::string tail = commandLine != nullptr ? CommandLineTail() : std::string();
        const int parsed =
            options.parseCommandLine(commandLine != nullptr ? tail.c_str() : nullptr, standardOutput);
        std::fputs(standardOutput.c_str(), stdout);
        std::fflush(stdout);
        if (parsed == kParseRun) {
            exitCode = RunCommandLine(options, tail);
            std::fflush(stdout);
            dialog.reset();
            module.UnregisterLoop();
            module.Teardown();
            CoUninitialize();
            return exitCode;
        }
        running = AnnounceWindowMode();
        created = dialog->CreateModeless(instance, IDD_MAIN, nullptr) != nullptr;
        if (created && parsed == kParsePreset) {
            // Unattended merging: the icon alone, until the user opens the window from it.
            dialog->StartPreset(options, LoggedCommandLine(tail));
        } else if (created) {
            ShowWindow(dialog->Window(), showCommand);
        }
    }
    if (created) {
        exitCode = loop.Run();
    }
    // A run started from the window goes to its end even when the window was closed first.
    dialog->WaitForWorker();
    module.UnregisterLoop();
    dialog.reset();
    RemoveRestartCopies();
    // Gone only now that the last merge has ended and the icon has gone.
    if (running != nullptr) {
        CloseHandle(running);
    }
    module.Teardown();
    CoUninitialize();
    return exitCode;
}

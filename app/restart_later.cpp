// Starting the program again after an upgrade through a copy of the restart helper.
#include "app/restart_later.h"

#include <string>
#include <vector>

#include "runs/restart_command.h"

namespace {

constexpr wchar_t kHelperName[] = L"quirewell-restart.exe";

// This process has started a copy, which waits and must stay.
bool copyStarted = false;

// The folder of the helper's copies in the user's temporary folder, with its separator; empty
// when the temporary folder is not known.
std::wstring CopiesFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(temp, length) + L"Quirewell-restart\\";
}

std::wstring ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

// Starts `line` with `handle` as the one handle it inherits: a pipe or file this program was given
// must not stay open in a helper that may wait for a long time.
bool StartWithHandle(const std::wstring& program, std::wstring line, HANDLE handle) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        return false;
    }
    bool started = false;
    if (UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle, sizeof handle,
                                  nullptr, nullptr)) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        PROCESS_INFORMATION process{};
        started =
            CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                           nullptr, nullptr, &startup.StartupInfo, &process) != FALSE;
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    DeleteProcThreadAttributeList(attributes);
    return started;
}

}  // namespace

void RemoveRestartCopies() {
    const std::wstring folder = CopiesFolder();
    if (folder.empty() || copyStarted) {
        return;
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*.exe").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
    RemoveDirectoryW(folder.c_str());
}

bool StartAgainAfter(DWORD installer) {
    const std::wstring program = ProgramPath();
    const std::size_t separator = program.find_last_of(L'\\');
    const std::wstring folder = CopiesFolder();
    if (separator == std::wstring::npos || folder.empty()) {
        return false;
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy =
        folder + L"quirewell-restart-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    if (!CopyFileW((program.substr(0, separator + 1) + kHelperName).c_str(), copy.c_str(), FALSE)) {
        return false;
    }
    // Held open until the helper runs, so that another Quirewell ending meanwhile cannot remove it.
    const HANDLE held =
        CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE waitable = OpenProcess(SYNCHRONIZE, TRUE, installer);
    bool started = false;
    if (held != INVALID_HANDLE_VALUE && waitable != nullptr) {
        const wchar_t* line = GetCommandLineW();
        const RestartRequest request{reinterpret_cast<std::uintptr_t>(waitable), program,
                                     line + argumentsStart(line)};
        started = StartWithHandle(copy, restartCommandLine(copy, request), waitable);
    }
    if (waitable != nullptr) {
        CloseHandle(waitable);
    }
    if (held != INVALID_HANDLE_VALUE) {
        CloseHandle(held);
    }
    if (!started) {
        DeleteFileW(copy.c_str());
    }
    copyStarted = copyStarted || started;
    return started;
}

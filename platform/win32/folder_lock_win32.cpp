// The save folder's lock on Windows: the lock file open with no sharing at all, which file servers
// enforce too; the list of temporaries is the file's text.
#include <windows.h>

#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kRetryMs = 100;

HANDLE asHandle(long long handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

}  // namespace

std::vector<std::string> FolderLock::hold(const std::string& folder, const std::function<void()>& waiting) {
    release();
    path_ = folder + kSeparator + kLockFileName;
    const std::wstring widePath = widen(path_);
    bool told = false;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (;;) {
        file = CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            break;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) {
            return {};
        }
        if (!told) {
            waiting();
            told = true;
        }
        Sleep(kRetryMs);
    }
    handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(file));
    std::string listed;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        listed.append(buffer, got);
    }
    return recordsIn(listed);
}

void FolderLock::clearRecords() {
    LARGE_INTEGER start{};
    // A list that cannot be cleared only names files that are gone.
    if (held() && SetFilePointerEx(asHandle(handle_), start, nullptr, FILE_BEGIN)) {
        SetEndOfFile(asHandle(handle_));
    }
}

void FolderLock::record(const std::string& temporary) {
    if (held()) {
        const std::string line = temporary + "\n";
        LARGE_INTEGER end{};
        DWORD written = 0;
        // A list that could not be written only leaves a killed run's temporary behind.
        if (SetFilePointerEx(asHandle(handle_), end, nullptr, FILE_END)) {
            WriteFile(asHandle(handle_), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }
}

void FolderLock::release() {
    if (!held()) {
        return;
    }
    CloseHandle(asHandle(handle_));
    handle_ = kNone;
    // A run that opened the file in between holds it now, and the removal fails, as it should.
    DeleteFileW(widen(path_).c_str());
}

}  // namespace platform

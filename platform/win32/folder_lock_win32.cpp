// The save folder's lock on Windows: the lock file open with no sharing at all, which file servers
// enforce too; the list of temporaries is the file's text.
#include <windows.h>

#include <cstdint>

#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kRetryMs = 100;
constexpr int kMostReplacements = 3;

// The lock file itself, never what a link or junction in its place leads to; open for nobody
// else. Without the right to remove it, or to write it, a handle with fewer rights holds it all
// the same.
HANDLE openLockFile(const std::wstring& path, bool& writable, DWORD& error) {
    const struct {
        DWORD access;
        DWORD disposition;
    } tries[] = {{GENERIC_READ | GENERIC_WRITE | DELETE, OPEN_ALWAYS},
                 {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
                 {GENERIC_READ, OPEN_EXISTING}};
    HANDLE file = INVALID_HANDLE_VALUE;
    for (const auto& attempt : tries) {
        file = CreateFileW(path.c_str(), attempt.access, 0, nullptr, attempt.disposition,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        writable = (attempt.access & GENERIC_WRITE) != 0;
        if (error != ERROR_ACCESS_DENIED) {
            break;
        }
    }
    return file;
}

OVERLAPPED at(std::size_t position) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
    return overlapped;
}

}  // namespace

HoldResult FolderLock::hold(const std::string& folder, const std::function<void()>& waiting) {
    release();
    path_ = folder + kSeparator + kLockFileName;
    const std::wstring widePath = widen(path_);
    HoldResult result;
    bool told = false;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool writable = true;
    for (int replacements = 0;;) {
        DWORD error = ERROR_SUCCESS;
        file = openLockFile(widePath, writable, error);
        if (file == INVALID_HANDLE_VALUE) {
            if (error != ERROR_SHARING_VIOLATION) {
                result.problem = LockProblem::CannotOpen;
                return result;
            }
            if (!told) {
                waiting();
                told = true;
            }
            Sleep(kRetryMs);
            continue;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = GetFileInformationByHandle(file, &info) != FALSE;
        const bool link = known && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (known && !link && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            info.nNumberOfLinks == 1) {
            break;
        }
        // Writing it would write whatever else the file is. Open for nobody else, it is no other
        // run's lock file: its name goes (a link itself, never what it leads to), and a plain
        // file takes its place.
        const bool removed = replacements < kMostReplacements && deleteOnClose(file);
        CloseHandle(file);
        if (!removed) {
            result.problem = LockProblem::CannotReplace;
            return result;
        }
        ++replacements;
        result.problem = link ? LockProblem::ReplacedLink : LockProblem::ReplacedOther;
    }
    handle_ = keptHandle(file);
    writable_ = writable;
    readList(result.listed);
    return result;
}

std::size_t FolderLock::readListAt(std::size_t position, char* into, std::size_t length) const {
    OVERLAPPED from = at(position);
    DWORD got = 0;
    return ReadFile(asHandle(handle_), into, static_cast<DWORD>(length), &got, &from) ? got : 0;
}

bool FolderLock::writeListAt(std::size_t position, const std::string& text) {
    OVERLAPPED to = at(position);
    DWORD written = 0;
    return text.empty() || (WriteFile(asHandle(handle_), text.data(), static_cast<DWORD>(text.size()), &written, &to) &&
                            written == text.size());
}

bool FolderLock::cutList(std::size_t length) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(asHandle(handle_), position, nullptr, FILE_BEGIN) && SetEndOfFile(asHandle(handle_));
}

std::size_t FolderLock::listFileLength(std::size_t fallback) const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(asHandle(handle_), &size) ? static_cast<std::size_t>(size.QuadPart) : fallback;
}

void FolderLock::release() {
    if (!held()) {
        return;
    }
    const HANDLE file = asHandle(handle_);
    // Cleared first, so that the run that opens it next never finds this run's list; then
    // removed as the handle closes, before any other run can open it.
    if (writable_) {
        cutList(0);
    }
    deleteOnClose(file);
    CloseHandle(file);
    handle_ = kNone;
    listLength_ = 0;
    lastRecorded_ = 0;
}

}  // namespace platform

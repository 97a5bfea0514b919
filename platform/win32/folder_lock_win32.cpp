// The save folder's lock on Windows: LockFileEx on the agreed byte of the lock file, which file
// servers enforce among their clients, Samba maps to a POSIX lock on its server, and Wine takes as
// a POSIX lock on the Unix file. The file is open for others too, so that every run can lock it.
#include <windows.h>

#include "platform/folder_lock.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// Opened for writing as well where this user may: Wine takes a write lock on the Unix file only
// through a handle that may write, and other programs see no lock of a read-only one.
HANDLE openLockFile(const std::wstring& path, DWORD& error) {
    const struct {
        DWORD access;
        DWORD disposition;
    } tries[] = {{GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS}, {GENERIC_READ, OPEN_EXISTING}};
    HANDLE file = INVALID_HANDLE_VALUE;
    for (const auto& attempt : tries) {
        file =
            CreateFileW(path.c_str(), attempt.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        attempt.disposition, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        if (error != ERROR_ACCESS_DENIED) {
            break;
        }
    }
    return file;
}

}  // namespace

FolderLock::Attempt FolderLock::tryHold(const OpenFolder& folder, HoldResult& result) {
    const std::wstring path = inFolder(folder.native().finalPath, widen(kLockFileName));
    DWORD error = ERROR_SUCCESS;
    const HANDLE file = openLockFile(path, error);
    if (file == INVALID_HANDLE_VALUE) {
        // An earlier version holds the folder by opening its lock file for nobody else.
        if (error == ERROR_SHARING_VIOLATION) {
            return Attempt::Busy;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        result.problem = attributes != INVALID_FILE_ATTRIBUTES &&
                                 (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0
                             ? LockProblem::NotPlainFile
                             : LockProblem::CannotOpen;
        return Attempt::Failed;
    }
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    // A reparse point, a folder, or under Wine a Unix link (whose final path is elsewhere) is no
    // lock file: locking it would lock whatever it leads to.
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !samePath(finalPath(file), path)) {
        CloseHandle(file);
        result.problem = LockProblem::NotPlainFile;
        return Attempt::Failed;
    }
    OVERLAPPED range{};
    range.Offset = static_cast<DWORD>(kHoldOffset & 0xFFFFFFFFu);
    range.OffsetHigh = static_cast<DWORD>(kHoldOffset >> 32);
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        const DWORD lockError = GetLastError();
        CloseHandle(file);
        if (lockError == ERROR_LOCK_VIOLATION || lockError == ERROR_IO_PENDING) {
            return Attempt::Busy;
        }
        result.problem = LockProblem::FileSystemNoLocks;
        return Attempt::Failed;
    }
    file_.handle = file;
    if (standard.NumberOfLinks == 1) {
        readEarlierList(result.earlierList);
    }
    return Attempt::Held;
}

}  // namespace platform

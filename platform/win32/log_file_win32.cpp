// The log file and the local time on Windows: a handle that shares the file with every other
// opener, appending through FILE_APPEND_DATA alone, and GetLocalTime.
#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/log_file.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

LogFileProblem problemOf(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return LogFileProblem::FolderMissing;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return LogFileProblem::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return LogFileProblem::InUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return LogFileProblem::DiskFull;
        default:
            return LogFileProblem::CannotWrite;
    }
}

}  // namespace

LocalTime localTimeNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

LogFileProblem LogFile::open(const std::string& path, bool append) {
    close();
    if (!isExactName(path)) {
        return LogFileProblem::NameNotInCodePage;
    }
    const std::wstring wide = widen(path);
    // With FILE_APPEND_DATA and no FILE_WRITE_DATA every write goes to the end of the file as it is
    // then, whoever else wrote there meanwhile.
    const HANDLE handle = CreateFileW(wide.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return folder ? LogFileProblem::IsFolder : problemOf(error);
    }
    file_.handle = handle;
    return LogFileProblem::None;
}

LogFileProblem LogFile::write(std::string_view text) {
    if (!file_.isOpen()) {
        return LogFileProblem::CannotWrite;
    }
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file_.handle, text.data(), chunk, &written, nullptr)) {
            return problemOf(GetLastError());
        }
        if (written == 0) {
            return LogFileProblem::CannotWrite;
        }
        text.remove_prefix(written);
    }
    return LogFileProblem::None;
}

LogFileProblem LogFile::close() {
    if (!file_.isOpen()) {
        return LogFileProblem::None;
    }
    const bool closed = CloseHandle(file_.handle) != FALSE;
    file_.handle = nullptr;
    return closed ? LogFileProblem::None : problemOf(GetLastError());
}

}  // namespace platform

// What the Windows platform layer asks of an open handle: the path it reaches, the file's index,
// and removing the file by the handle; and a name's path in a folder held open.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace platform {

// A handle as the portable headers keep it: none for INVALID_HANDLE_VALUE.
inline void* kept(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// The path of `name` in the folder whose final path is `folder`.
inline std::wstring inFolder(const std::wstring& folder, const std::wstring& name) {
    return folder + (folder.empty() || folder.back() == L'\\' ? L"" : L"\\") + name;
}

// Removes the file as its handle (opened with DELETE) closes: the file the handle is open on, a
// link itself when opened with FILE_FLAG_OPEN_REPARSE_POINT, never what a link leads to.
inline bool deleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// The path a handle's file has once every link and junction on the way is resolved ("\\?\C:\..."),
// empty when the system does not tell. Under Wine it is also the only sign of a Unix link on the
// way, which Wine follows whatever the flags.
inline std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

// True when two paths name the same place to the file system, whose names ignore case.
inline bool samePath(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The file's number on its volume: what tells whether a name still names the file a handle is
// open on. Asked of the system's own layer, which answers at once; the volume's serial number
// that the usual call adds costs Wine a look at the disk each time. False when it cannot tell.
inline bool fileIndex(HANDLE handle, std::uint64_t& index) {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    constexpr auto kInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    IO_STATUS_BLOCK status{};
    LARGE_INTEGER number{};
    if (query == nullptr || query(handle, &status, &number, sizeof number, kInternalInformation) != 0) {
        return false;
    }
    index = static_cast<std::uint64_t>(number.QuadPart);
    return true;
}

// Calls `found` with the name and the facts (but for their volume) of every entry of the folder
// open as `folder`, "." and ".." included, from the file system's own listing of it, which tells
// change times and file numbers too (one query of a network share for many entries). False when
// the folder cannot be listed whole.
template <typename Found>
bool listFolderFacts(HANDLE folder, Found found) {
    alignas(8) unsigned char buffer[64 * 1024];
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
            return GetLastError() == ERROR_NO_MORE_FILES;
        }
        for (const unsigned char* at = buffer;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            FileFacts facts;
            facts.size = entry->EndOfFile.QuadPart;
            facts.lastWrite = entry->LastWriteTime.QuadPart;
            facts.change = entry->ChangeTime.QuadPart;
            facts.index = static_cast<std::uint64_t>(entry->FileId.QuadPart);
            found(std::wstring(entry->FileName, entry->FileNameLength / sizeof(wchar_t)), facts,
                  entry->FileAttributes);
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
}

// The volume a handle's file is on; 0 when the system does not tell.
inline std::uint64_t volumeOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) ? info.dwVolumeSerialNumber : 0;
}

// How far the facts of files in the folder open as `folder` (whose final path, "\\?\...", is `path`) can be
// trusted: FAT and exFAT keep no change time and no lasting file numbers, and a share's times come
// from its server's clock.
inline FileTrust trustOf(HANDLE folder, const std::wstring& path) {
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) ||
        CompareStringOrdinal(system, 3, L"FAT", 3, TRUE) == CSTR_EQUAL ||
        CompareStringOrdinal(system, -1, L"exFAT", -1, TRUE) == CSTR_EQUAL) {
        return FileTrust::None;
    }
    return path.rfind(L"\\\\?\\UNC\\", 0) == 0 ? FileTrust::Remote : FileTrust::Local;
}

}  // namespace platform

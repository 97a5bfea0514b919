// What the Windows platform layer asks of an open handle: the path it reaches, the file's index,
// and removing the file by the handle; and a name's path in a folder held open.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <string>

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

}  // namespace platform

// Windows handles as the platform layer's own headers keep them (a long long, so that those
// headers need no <windows.h>), and removing a file by its open handle.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

inline HANDLE asHandle(long long kept) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(kept)); }
inline long long keptHandle(HANDLE handle) { return static_cast<long long>(reinterpret_cast<intptr_t>(handle)); }

// Removes the file as its handle (opened with DELETE) closes: the file the handle is open on, a
// link itself when opened with FILE_FLAG_OPEN_REPARSE_POINT, never what a link leads to.
inline bool deleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace platform

// What the portable platform headers hold of the system's own handles on Windows: HANDLEs (kept as
// pointers, so that no portable header needs <windows.h>), a folder's final path, which its files
// are opened by and checked against, the separator between the steps of a path, and the line end
// of text files. Found through the include path of the Windows build.
#pragma once

#include <string_view>

#include <string>

namespace platform {

// The line end of text files here, and of what the programs write to standard output.
inline constexpr std::string_view kLineEnd = "\r\n";

inline constexpr char kSeparator = '\\';
// File times count 100 ns. NTFS stamps them from the system's tick, which fileClockNow reads too;
// Wine from the host's coarse clock, whose tick may be 10 ms, against a finer reading: a time less
// than 20 ms before a reading may be of the same tick.
inline constexpr long long kTicksPerSecond = 10000000LL;
inline constexpr long long kClockGrain = 200000LL;
// A wait for the disk covers only the files whose bytes this run sent on to it.
inline constexpr bool kDiskWaitCoversAll = false;
// What no single name in a folder holds: a separator, or the colon of a drive or a stream.
inline constexpr const char* kNotInNames = "\\/:";

// A folder held open, and its own path, every link and junction resolved, as the system gives it
// ("\\?\C:\...").
struct NativeFolder {
    void* handle = nullptr;
    std::wstring finalPath;
    bool isOpen() const { return handle != nullptr; }
};

// A file held open.
struct NativeFile {
    void* handle = nullptr;
    bool isOpen() const { return handle != nullptr; }
};

// The console's output code page to go back to once the program ends.
struct NativeConsoleState {
    unsigned codePage = 0;
};

}  // namespace platform

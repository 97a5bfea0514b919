// What the portable platform headers hold of the system's own handles on POSIX: descriptors, the
// separator between the steps of a path, and the line end of text files. Found through the
// include path of the POSIX build.
#pragma once

#include <string_view>

namespace platform {

// The line end of text files here, and of what the programs write to standard output.
inline constexpr std::string_view kLineEnd = "\n";

inline constexpr char kSeparator = '/';
// File times count nanoseconds. They are stamped from the coarse clock that fileClockNow reads, so
// a time earlier than its reading is of an earlier tick of it.
inline constexpr long long kTicksPerSecond = 1000000000LL;
inline constexpr long long kClockGrain = 0;
// A wait for the disk (syncfs) covers every file written to the file system, by any run.
inline constexpr bool kDiskWaitCoversAll = true;
// What no single name in a folder holds.
inline constexpr const char* kNotInNames = "/";

// A folder held open.
struct NativeFolder {
    int fd = -1;
    bool isOpen() const { return fd >= 0; }
};

// A file held open.
struct NativeFile {
    int fd = -1;
    bool isOpen() const { return fd >= 0; }
};

// What a console program changes of its console while it runs: nothing here.
struct NativeConsoleState {};

}  // namespace platform

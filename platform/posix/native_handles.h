// What the portable platform headers hold of the system's own handles on POSIX: descriptors, and
// the separator between the steps of a path. Found through the include path of the POSIX build.
#pragma once

namespace platform {

inline constexpr char kSeparator = '/';
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

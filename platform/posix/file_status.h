// What the POSIX parts of the platform layer share about files: their times in the platform's
// units, what a stat tells a caller, whose a file is, and opening a plain file only.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform/file_system.h"

namespace platform::posix {

inline std::int64_t toNanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

inline timespec fromNanoseconds(std::int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1000000000LL);
    t.tv_nsec = static_cast<long>(ns % 1000000000LL);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000L;
        t.tv_sec -= 1;
    }
    return t;
}

inline void describe(const struct stat& status, FileInfo& info) {
    info.size = static_cast<std::int64_t>(status.st_size);
    info.regular = S_ISREG(status.st_mode);
    info.times.lastAccess = toNanoseconds(status.st_atim);
    info.times.lastWrite = toNanoseconds(status.st_mtim);
    info.times.hasCreation = false;
}

// The user who runs the program, or root: whose links and mounted folders may be followed.
inline bool isOwnOrSystem(uid_t owner) {
    return owner == geteuid() || owner == 0;
}

// Opens `path` (relative to the folder `at`) with `flags`, without waiting for a writer should
// it be a pipe, and keeps it only when it is a plain file (a directory opens for reading on
// POSIX; Windows refuses it, and so do we). The descriptor, or -1; `status` what fstat told.
inline int openPlainAt(int at, const char* path, int flags, struct stat& status) {
    const int fd = openat(at, path, flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace platform::posix

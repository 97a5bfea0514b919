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

inline FileFacts factsOf(const struct stat& status) {
    FileFacts facts;
    facts.size = static_cast<std::int64_t>(status.st_size);
    facts.lastWrite = toNanoseconds(status.st_mtim);
    facts.change = toNanoseconds(status.st_ctim);
    facts.volume = static_cast<std::uint64_t>(status.st_dev);
    facts.index = static_cast<std::uint64_t>(status.st_ino);
    return facts;
}

inline void describe(const struct stat& status, FileInfo& info) {
    info.size = static_cast<std::int64_t>(status.st_size);
    info.regular = S_ISREG(status.st_mode);
    info.times.lastAccess = toNanoseconds(status.st_atim);
    info.times.lastWrite = toNanoseconds(status.st_mtim);
    info.times.hasCreation = false;
    info.facts = factsOf(status);
}

// How far the facts of files on a file system of this type can be trusted (statfs's f_type).
inline FileTrust trustOf(unsigned long type) {
    switch (type) {
        // No change time and no lasting file numbers: FAT, exFAT, and whatever a FUSE daemon makes
        // up (exFAT and NTFS disks are often mounted through one).
        case 0x4d44:      // FAT
        case 0x2011BAB0:  // exFAT
        case 0x65735546:  // FUSE
            return FileTrust::None;
        // Times from a server's clock.
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFE534D42:  // SMB2
        case 0xFF534D42:  // CIFS
        case 0x00C36400:  // Ceph
        case 0x01021997:  // 9P
        case 0x5346414F:  // AFS
            return FileTrust::Remote;
        default:
            return FileTrust::Local;
    }
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

// The save folder's lock on POSIX: an open-file-description write lock on the agreed byte, which
// Wine's and Samba's locks meet, and flock beside it, which is what earlier versions took.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folder_lock.h"

namespace platform {
namespace {

constexpr int kOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// Everyone who may write the folder may open the lock file for writing, which a write lock
// needs; the user's file creation mask would take that away from the group and the others.
mode_t lockModeFor(int folder) {
    struct stat info {};
    mode_t mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (fstat(folder, &info) == 0) {
        mode |= info.st_mode & (S_IWGRP | S_IWOTH);
    }
    return mode;
}

// The lock file in `folder`, opened for writing where this user may, else for reading; made
// when there is none. -1 with errno when it cannot be opened.
int openLockFile(int folder, bool& writable) {
    for (;;) {
        writable = true;
        int fd = openat(folder, kLockFileName, O_RDWR | kOpenFlags);
        if (fd >= 0 || errno != ENOENT) {
            if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
                writable = false;
                fd = openat(folder, kLockFileName, O_RDONLY | kOpenFlags);
            }
            return fd;
        }
        const mode_t mode = lockModeFor(folder);
        fd = openat(folder, kLockFileName, O_RDWR | O_CREAT | O_EXCL | kOpenFlags, mode);
        if (fd >= 0) {
            // Only a mode for others to write: one that cannot be set leaves the file the owner's.
            [[maybe_unused]] const int changed = fchmod(fd, mode);
            return fd;
        }
        if (errno != EEXIST) {
            return fd;
        }
    }
}

// The lock file's name in `folder` still names this very file: an earlier version removes its
// lock file as it ends, and a file opened before that is no longer the folder's lock.
bool stillNamed(int folder, int fd) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && fstatat(folder, kLockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

FolderLock::Attempt FolderLock::tryHold(const OpenFolder& folder, HoldResult& result) {
    const int at = folder.native().fd;
    // A lock file that an earlier version removed as it let go is opened again at once.
    for (int removedMeanwhile = 0; removedMeanwhile < 3; ++removedMeanwhile) {
        bool writable = true;
        const int fd = openLockFile(at, writable);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            const bool cannotOpen = fd < 0 && errno != ELOOP && errno != EISDIR && errno != ENXIO;
            if (fd >= 0) {
                close(fd);
            }
            result.problem = cannotOpen ? LockProblem::CannotOpen : LockProblem::NotPlainFile;
            return Attempt::Failed;
        }
        // A file this user may only read takes a read lock, which a Windows or Wine run's lock
        // still excludes; flock excludes every other POSIX run.
        struct flock range {};
        range.l_type = writable ? F_WRLCK : F_RDLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(kHoldOffset);
        range.l_len = 1;
        if (fcntl(fd, F_OFD_SETLK, &range) != 0) {
            const bool busy = errno == EAGAIN || errno == EACCES;
            close(fd);
            if (busy) {
                return Attempt::Busy;
            }
            result.problem = LockProblem::FileSystemNoLocks;
            return Attempt::Failed;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            close(fd);
            return Attempt::Busy;
        }
        if (!stillNamed(at, fd)) {
            close(fd);
            continue;
        }
        file_.fd = fd;
        if (info.st_nlink == 1) {
            readEarlierList(result.earlierList);
        }
        return Attempt::Held;
    }
    return Attempt::Busy;
}

}  // namespace platform

// The save folder's lock on POSIX: flock on the lock file, which every run opens and none keeps
// after its end; the list of temporaries is the file's text.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/folder_lock.h"

namespace platform {
namespace {

// How often a run replaces a lock file that is no plain file before it gives up: a stranger who
// keeps putting links there only costs a few tries.
constexpr int kMostReplacements = 3;

// Everyone who may write the folder may write the lock file, so that every user's run can list
// its temporaries there; the user's file creation mask would take that away from the group and
// the others.
mode_t lockModeFor(const std::string& folder) {
    struct stat info {};
    mode_t mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (stat(folder.c_str(), &info) == 0) {
        mode |= info.st_mode & (S_IWGRP | S_IWOTH);
    }
    return mode;
}

// The lock file, opened without following a link and without waiting for a reader should it be
// a pipe. A new one gets its mode whatever the creation mask. `writable` false: the file may only
// be read, which locks all the same.
int openLockFile(const std::string& path, const std::string& folder, bool& writable) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    writable = true;
    for (;;) {
        int fd = open(path.c_str(), O_RDWR | kFlags);
        if (fd >= 0 || errno != ENOENT) {
            if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
                writable = false;
                fd = open(path.c_str(), O_RDONLY | kFlags);
            }
            return fd;
        }
        const mode_t mode = lockModeFor(folder);
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, mode);
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

// The path names this very file, itself and not through a link.
bool sameFile(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

bool plainWithOneName(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

// Removes a link in the lock file's place. Nobody can hold a link, so the removal is made under a
// lock on the folder itself: two runs that meet the same link never remove each other's new lock
// file instead. False when the folder cannot be locked (a network share, say).
bool removeLink(const std::string& folder, const std::string& path) {
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return false;
    }
    bool done = false;
    if (flock(dir, LOCK_EX) == 0) {
        struct stat info {};
        // Gone or plain by now: another run has replaced it already.
        done = lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode) || unlink(path.c_str()) == 0;
        flock(dir, LOCK_UN);
    }
    close(dir);
    return done;
}

}  // namespace

HoldResult FolderLock::hold(const std::string& folder, const std::function<void()>& waiting) {
    release();
    path_ = folder + kSeparator + kLockFileName;
    HoldResult result;
    bool told = false;
    for (int replacements = 0;;) {
        bool writable = true;
        const int fd = openLockFile(path_, folder, writable);
        if (fd < 0) {
            if (errno == ELOOP && replacements < kMostReplacements && removeLink(folder, path_)) {
                ++replacements;
                result.problem = LockProblem::ReplacedLink;
                continue;
            }
            result.problem =
                (errno == ELOOP || errno == EISDIR) ? LockProblem::CannotReplace : LockProblem::CannotOpen;
            return result;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK) {
                close(fd);
                result.problem = LockProblem::FileSystemNoLocks;
                return result;
            }
            if (!told) {
                waiting();
                told = true;
            }
            while (flock(fd, LOCK_EX) != 0) {
                if (errno != EINTR) {
                    close(fd);
                    result.problem = LockProblem::FileSystemNoLocks;
                    return result;
                }
            }
        }
        // The run that held the folder removes the lock file as it ends; a file opened before that
        // is no longer the folder's lock, so the hold starts again with the file now there.
        if (!sameFile(fd, path_)) {
            close(fd);
            continue;
        }
        if (!plainWithOneName(fd)) {
            // Writing it would write whatever else the file is. Held, it cannot be another run's
            // lock file any more, so its name goes and a plain file takes its place; the file
            // itself, under its other name, is left as it is.
            const bool removed = replacements < kMostReplacements && unlink(path_.c_str()) == 0;
            close(fd);
            if (!removed) {
                result.problem = LockProblem::CannotReplace;
                return result;
            }
            ++replacements;
            result.problem = LockProblem::ReplacedOther;
            continue;
        }
        handle_ = fd;
        writable_ = writable;
        break;
    }
    readList(result.listed);
    return result;
}

std::size_t FolderLock::readListAt(std::size_t position, char* into, std::size_t length) const {
    const ssize_t got = pread(static_cast<int>(handle_), into, length, static_cast<off_t>(position));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool FolderLock::writeListAt(std::size_t position, const std::string& text) {
    return pwrite(static_cast<int>(handle_), text.data(), text.size(), static_cast<off_t>(position)) ==
           static_cast<ssize_t>(text.size());
}

bool FolderLock::cutList(std::size_t length) {
    return ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) == 0;
}

std::size_t FolderLock::listFileLength(std::size_t fallback) const {
    struct stat info {};
    return fstat(static_cast<int>(handle_), &info) == 0 ? static_cast<std::size_t>(info.st_size) : fallback;
}

void FolderLock::release() {
    if (!held()) {
        return;
    }
    const int fd = static_cast<int>(handle_);
    if (writable_) {
        // Cleared first: a lock file another user's run must leave behind lists nothing.
        cutList(0);
    }
    // Removed while still held, so that a run waiting on this file finds it gone and starts over;
    // and only while the name is still this file's.
    if (sameFile(fd, path_)) {
        unlink(path_.c_str());
    }
    close(fd);
    handle_ = kNone;
    listLength_ = 0;
    lastRecorded_ = 0;
}

}  // namespace platform

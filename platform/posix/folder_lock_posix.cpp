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

bool sameFile(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

}  // namespace

std::vector<std::string> FolderLock::hold(const std::string& folder, const std::function<void()>& waiting) {
    release();
    path_ = folder + kSeparator + kLockFileName;
    bool told = false;
    for (;;) {
        const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            return {};
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK) {
                close(fd);
                return {};
            }
            if (!told) {
                waiting();
                told = true;
            }
            while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
        // The run that held the folder removes the lock file as it ends; a file opened before that
        // is no longer the folder's lock, so the hold starts again with the file now there.
        if (sameFile(fd, path_)) {
            handle_ = fd;
            break;
        }
        close(fd);
    }
    std::string listed;
    char buffer[4096];
    for (ssize_t got; (got = pread(static_cast<int>(handle_), buffer, sizeof buffer,
                                   static_cast<off_t>(listed.size()))) > 0;) {
        listed.append(buffer, static_cast<std::size_t>(got));
    }
    return recordsIn(listed);
}

void FolderLock::clearRecords() {
    if (held()) {
        // A list that cannot be cleared only names files that are gone.
        [[maybe_unused]] const int cleared = ftruncate(static_cast<int>(handle_), 0);
    }
}

void FolderLock::record(const std::string& temporary) {
    if (held()) {
        const std::string line = temporary + "\n";
        const int fd = static_cast<int>(handle_);
        struct stat info {};
        if (fstat(fd, &info) == 0) {
            // A list that could not be written only leaves a killed run's temporary behind.
            [[maybe_unused]] const ssize_t written = pwrite(fd, line.data(), line.size(), info.st_size);
        }
    }
}

void FolderLock::release() {
    if (!held()) {
        return;
    }
    // Removed while still held, so that a run waiting on this file finds it gone and starts over.
    unlink(path_.c_str());
    close(static_cast<int>(handle_));
    handle_ = kNone;
}

}  // namespace platform

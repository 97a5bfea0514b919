// The log file and the local time on POSIX: open with O_APPEND or O_TRUNC, and localtime_r.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/log_file.h"

namespace platform {
namespace {

LogFileProblem problemOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return LogFileProblem::FolderMissing;
        case EISDIR:
            return LogFileProblem::IsFolder;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return LogFileProblem::AccessDenied;
        case ENOSPC:
        case EDQUOT:
            return LogFileProblem::DiskFull;
        default:
            return LogFileProblem::CannotWrite;
    }
}

}  // namespace

LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (localtime_r(&now, &parts) == nullptr) {
        return LocalTime{};
    }
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

LogFileProblem LogFile::open(const std::string& path, bool append) {
    close();
    // Opened without waiting: a pipe of that name with nobody reading it would hold the run up for
    // good. What is open is then written as usual.
    const int fd =
        ::open(path.c_str(),
               O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (append ? O_APPEND : O_TRUNC), 0666);
    if (fd < 0) {
        return problemOf(errno);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        return problemOf(error);
    }
    file_.fd = fd;
    return LogFileProblem::None;
}

LogFileProblem LogFile::write(std::string_view text) {
    if (!file_.isOpen()) {
        return LogFileProblem::CannotWrite;
    }
    while (!text.empty()) {
        const ssize_t written = ::write(file_.fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? problemOf(errno) : LogFileProblem::CannotWrite;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return LogFileProblem::None;
}

LogFileProblem LogFile::close() {
    if (!file_.isOpen()) {
        return LogFileProblem::None;
    }
    const int result = ::close(file_.fd);
    file_.fd = -1;
    return result == 0 ? LogFileProblem::None : problemOf(errno);
}

}  // namespace platform

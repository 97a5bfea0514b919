// The file-system boundary on POSIX: opendir/readdir with Windows-style masks, mkdir, and the
// access and modification times through stat and utimensat.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/native_calls.h"
#include "platform/path_limits.h"
#include "platform/posix/file_status.h"
#include "platform/posix/parallel_looks.h"
#include "platform/posix/wildcard_match.h"
#include "platform/save_folder.h"

namespace platform {
namespace {

using posix::describe;
using posix::fromNanoseconds;
using posix::isOwnOrSystem;
using posix::toNanoseconds;

// A plain file by its path; the descriptor, or -1.
int openPlain(const std::string& path, int flags, FileInfo* info) {
    struct stat status {};
    const int fd = posix::openPlainAt(AT_FDCWD, path.c_str(), flags, status);
    if (fd >= 0 && info != nullptr) {
        describe(status, *info);
    }
    return fd;
}

}  // namespace

ListResult listDirectory(const std::string& directory, const std::string& mask,
                         std::vector<DirEntry>& entries, bool withFacts) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) {
        switch (errno) {
            case ENOENT:
            case ENOTDIR:
                return ListResult::NotFound;
            case EACCES:
            case EPERM:
                return ListResult::AccessDenied;
            case ENAMETOOLONG:
                return ListResult::PathTooLong;
            default:
                return ListResult::NotListable;
        }
    }
    const int dirFd = dirfd(dir);
    // Straight into `entries`, which a large folder's listing would otherwise need twice over.
    const std::size_t before = entries.size();
    // The entries to look at, looked at while the listing goes on, each with what the listing
    // told of its kind and where it goes in `entries`.
    struct Look {
        std::size_t at = 0;
        unsigned char type = DT_UNKNOWN;
        std::string name;
        bool gone = false;
        bool isDirectory = false;
        LinkOwner link = LinkOwner::NotALink;
        FileFacts facts;
    };
    posix::LookPipeline<Look> looks([dirFd](Look& look) {
        if (look.type != DT_REG) {
            struct stat itself {};
            if (fstatat(dirFd, look.name.c_str(), &itself, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(itself.st_mode)) {
                look.link = isOwnOrSystem(itself.st_uid) ? LinkOwner::OwnOrSystem : LinkOwner::Stranger;
            }
        }
        // A link counts as what it leads to; one that leads nowhere is no entry.
        struct stat info {};
        if (fstatat(dirFd, look.name.c_str(), &info, 0) != 0) {
            look.gone = true;
            return;
        }
        look.isDirectory = S_ISDIR(info.st_mode);
        if (!look.isDirectory) {
            look.facts = posix::factsOf(info);
        }
    });
    for (;;) {
        // readdir says why it stopped only through errno.
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            break;
        }
        std::string name = entry->d_name;
        if (!matchesMask(name, mask)) {
            continue;
        }
        // Most file systems tell the kind of an entry with its name; a stat per page file would
        // cost a large tree as much as a second walk, and is only made when its facts are asked.
        const bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK || (withFacts && !isDir)) {
            Look look;
            look.at = entries.size();
            look.type = entry->d_type;
            look.name = name;
            looks.add(std::move(look));
        }
        entries.push_back({std::move(name), isDir, true, LinkOwner::NotALink, FileFacts{}});
    }
    const bool complete = errno == 0;
    // Each look's findings go to its entry; a link that leads nowhere is no entry.
    std::vector<std::size_t> vanished;
    looks.finish([&](const Look& look) {
        DirEntry& entry = entries[look.at];
        entry.isDirectory = look.isDirectory;
        entry.link = look.link;
        entry.facts = look.facts;
        if (look.gone) {
            vanished.push_back(look.at);
        }
    });
    closedir(dir);
    if (!complete) {
        entries.resize(before);
        return ListResult::NotListable;
    }
    if (!vanished.empty()) {
        std::size_t kept = vanished.front();
        for (std::size_t at = kept, next = 0; at < entries.size(); ++at) {
            if (next < vanished.size() && vanished[next] == at) {
                ++next;
            } else {
                entries[kept++] = std::move(entries[at]);
            }
        }
        entries.resize(kept);
    }
    return ListResult::Listed;
}

bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) {
    struct stat info {};
    if (stat(path.empty() ? "." : path.c_str(), &info) != 0) {
        return false;
    }
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    identity.ownOrSystem = isOwnOrSystem(info.st_uid);
    return true;
}

bool folderFacts(const std::string& directory, FolderFacts& facts) {
    const char* path = directory.empty() ? "." : directory.c_str();
    struct stat info {};
    struct statfs system {};
    if (stat(path, &info) != 0 || statfs(path, &system) != 0) {
        return false;
    }
    facts.volume = static_cast<std::uint64_t>(info.st_dev);
    facts.index = static_cast<std::uint64_t>(info.st_ino);
    facts.trust = posix::trustOf(static_cast<unsigned long>(system.f_type));
    return true;
}

std::int64_t fileClockNow() {
    // The clock the kernel stamps file times with.
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return toNanoseconds(now);
}

bool isExactName(std::string_view) {
    return true;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && lstat(path.c_str(), &info) == 0;
}

bool pathFits(const std::string& path) {
    // PATH_MAX with the terminator, NAME_MAX a step.
    return withinPathLimits(path, "/", 4096, 255);
}

bool mayCreateIn(const std::string& directory) {
    const char* path = directory.empty() ? "." : directory.c_str();
    return isDirectory(path) && access(path, W_OK | X_OK) == 0;
}

bool createDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0;
}

std::FILE* openFile(const std::string& path, const char* mode, FileInfo* info) {
    // An existing file, for reading (with "+" for writing too): only a plain one.
    if (mode[0] == 'r') {
        const bool update = std::strchr(mode, '+') != nullptr;
        const int fd = openPlain(path, update ? O_RDWR : O_RDONLY, info);
        std::FILE* file = fd >= 0 ? fdopen(fd, update ? "r+b" : "rb") : nullptr;
        if (fd >= 0 && file == nullptr) {
            close(fd);
        }
        return file;
    }
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file != nullptr && info != nullptr && !fileInfo(file, *info)) {
        *info = FileInfo{};
    }
    return file;
}

std::uint32_t processNumber() {
    return static_cast<std::uint32_t>(getpid());
}

bool fileInfo(std::FILE* file, FileInfo& info) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) {
        return false;
    }
    describe(status, info);
    return true;
}

namespace {

// Moves `length` bytes at `position` with `call` (pread or pwrite), again until all are moved;
// false on an error or at the end of the file.
template <typename Byte, typename Call>
bool transferAt(Byte* bytes, std::size_t length, std::int64_t position, Call call) {
    while (length > 0) {
        const ssize_t moved = call(bytes, length, static_cast<off_t>(position));
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return false;
        }
        bytes += moved;
        length -= static_cast<std::size_t>(moved);
        position += moved;
    }
    return true;
}

}  // namespace

bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length) {
    const int fd = fileno(file);
    return transferAt(static_cast<char*>(data), length, position,
                      [fd](char* bytes, std::size_t count, off_t at) { return pread(fd, bytes, count, at); });
}

bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length) {
    const int fd = fileno(file);
    return transferAt(
        static_cast<const char*>(data), length, position,
        [fd](const char* bytes, std::size_t count, off_t at) { return pwrite(fd, bytes, count, at); });
}

bool InputFile::open(const std::string& path, bool followLinks, FileInfo& info) {
    close();
    file_.fd = openPlain(path, O_RDONLY | (followLinks ? 0 : O_NOFOLLOW), &info);
    return isOpen();
}

bool InputFile::openIn(const OpenFolder& folder, const std::string& name, bool, FileInfo& info,
                       unsigned& links) {
    close();
    struct stat status {};
    file_.fd = posix::openPlainAt(folder.native().fd, name.c_str(), O_RDONLY | O_NOFOLLOW, status);
    if (!isOpen()) {
        return false;
    }
    describe(status, info);
    links = static_cast<unsigned>(status.st_nlink);
    return true;
}

bool InputFile::setTimes(const FileTimes& times) const {
    return isOpen() && native::setTimes(file_, times);
}

bool InputFile::identify(FileFacts&) const {
    return isOpen();
}

bool InputFile::info(FileInfo& info) const {
    struct stat status {};
    if (!isOpen() || fstat(file_.fd, &status) != 0) {
        return false;
    }
    describe(status, info);
    return true;
}

bool InputFile::readAt(std::int64_t position, void* data, std::size_t length) const {
    const int fd = file_.fd;
    return isOpen() &&
           transferAt(static_cast<char*>(data), length, position,
                      [fd](char* bytes, std::size_t count, off_t at) { return pread(fd, bytes, count, at); });
}

bool InputFile::close() {
    return !isOpen() || native::closeFile(file_);
}

namespace native {

bool closeFile(NativeFile& file) {
    const bool closed = ::close(file.fd) == 0;
    file.fd = -1;
    return closed;
}

NativeFile fileOf(std::FILE* stream) {
    return {fileno(stream)};
}

std::int64_t readSome(const NativeFile& file, std::int64_t position, void* data, std::size_t length) {
    for (;;) {
        const ssize_t got = pread(file.fd, data, length, static_cast<off_t>(position));
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

bool setTimes(const NativeFile& file, const FileTimes& times) {
    const timespec values[2] = {fromNanoseconds(times.lastAccess), fromNanoseconds(times.lastWrite)};
    return futimens(file.fd, values) == 0;
}

}  // namespace native

bool truncateFile(std::FILE* file, std::int64_t length) {
    return std::fflush(file) == 0 && ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
}

bool readFileTimes(const std::string& path, FileTimes& times) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    times.lastAccess = toNanoseconds(info.st_atim);
    times.lastWrite = toNanoseconds(info.st_mtim);
    times.hasCreation = false;
    return true;
}

bool writeFileTimes(const std::string& path, const FileTimes& times) {
    const timespec values[2] = {fromNanoseconds(times.lastAccess), fromNanoseconds(times.lastWrite)};
    // The file itself: a link put in an output's place gets no times for what it leads to.
    return utimensat(AT_FDCWD, path.c_str(), values, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace platform

namespace platform {

bool isRootPrefix(const std::string& prefix) {
    return prefix.empty();
}

}  // namespace platform

// The save folder on POSIX: every step taken with openat from the folder before it, O_NOFOLLOW
// everywhere, and the owner of a link or of a folder mounted there asked with fstatat before it
// is entered; files made, put in place and removed with openat, renameat and unlinkat.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/file_status.h"
#include "platform/save_folder.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

int asFd(long long handle) {
    return static_cast<int>(handle);
}

// The folder `name` in `at`, opened without following a link; -1 with errno otherwise.
int openFolderAt(int at, const char* name, bool followLink) {
    return openat(at, name, kFolderFlags | (followLink ? 0 : O_NOFOLLOW));
}

}  // namespace

OpenFolder::OpenFolder(OpenFolder&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kNone;
}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNone;
    }
    return *this;
}

bool OpenFolder::openNamed(const std::string& path) {
    close();
    const int fd = open(path.empty() ? "." : path.c_str(), kFolderFlags);
    handle_ = fd >= 0 ? fd : kNone;
    return fd >= 0;
}

void OpenFolder::close() {
    if (isOpen()) {
        ::close(asFd(handle_));
        handle_ = kNone;
    }
}

Reach OpenFolder::enter(const std::string& name, LinkRule rule, bool make, OpenFolder& into) const {
    into.close();
    if (!isOpen()) {
        return Reach::Failed;
    }
    const int here = asFd(handle_);
    // Twice at most: once more after the folder was made (or another run made it first).
    for (int attempt = 0; attempt < 2; ++attempt) {
        int next = openFolderAt(here, name.c_str(), false);
        if (next < 0 && (errno == EACCES || errno == EPERM)) {
            return Reach::Denied;
        }
        if (next < 0 && errno == ENOENT) {
            if (!make) {
                return Reach::Missing;
            }
            if (mkdirat(here, name.c_str(), 0777) != 0 && errno != EEXIST) {
                return errno == EACCES || errno == EPERM ? Reach::Denied : Reach::Failed;
            }
            continue;
        }
        if (next < 0) {
            // A link, or something that is no folder: only the link of the user or the system is
            // followed, and it leads wherever its owner made it lead.
            struct stat itself {};
            if (fstatat(here, name.c_str(), &itself, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(itself.st_mode)) {
                return Reach::Failed;
            }
            if (rule == LinkRule::None) {
                return Reach::Failed;
            }
            if (!posix::isOwnOrSystem(itself.st_uid)) {
                return Reach::StrangersLink;
            }
            next = openFolderAt(here, name.c_str(), true);
            if (next < 0) {
                return Reach::Failed;
            }
        } else {
            // A folder mounted here counts as its root's owner made it.
            struct stat parent {};
            struct stat child {};
            if (fstat(here, &parent) != 0 || fstat(next, &child) != 0) {
                ::close(next);
                return Reach::Failed;
            }
            if (child.st_dev != parent.st_dev &&
                (rule == LinkRule::None || !posix::isOwnOrSystem(child.st_uid))) {
                ::close(next);
                return rule == LinkRule::None ? Reach::Failed : Reach::StrangersLink;
            }
        }
        into.handle_ = next;
        return Reach::Reached;
    }
    return Reach::Failed;
}

bool OpenFolder::duplicate(OpenFolder& into) const {
    into.close();
    const int fd = isOpen() ? fcntl(asFd(handle_), F_DUPFD_CLOEXEC, 0) : -1;
    into.handle_ = fd >= 0 ? fd : kNone;
    return fd >= 0;
}

bool OpenFolder::list(std::vector<std::string>& names) const {
    // A description of its own, so that reading it moves no position of the folder held.
    const int fd = isOpen() ? openat(asFd(handle_), ".", kFolderFlags) : -1;
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    errno = 0;
    for (const dirent* entry; (entry = readdir(dir)) != nullptr; errno = 0) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    const bool complete = errno == 0;
    closedir(dir);
    return complete;
}

bool OpenFolder::holds(const std::string& name) const {
    struct stat info {};
    return isOpen() && fstatat(asFd(handle_), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool OpenFolder::create(const std::string& name, CreatedFile& file) const {
    file.close();
    if (!isOpen()) {
        return false;
    }
    const int fd = openat(asFd(handle_), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    std::FILE* stream = fstat(fd, &info) == 0 ? fdopen(fd, "w+b") : nullptr;
    if (stream == nullptr) {
        unlinkat(asFd(handle_), name.c_str(), 0);
        ::close(fd);
        return false;
    }
    file.stream_ = stream;
    file.name_ = name;
    file.device_ = static_cast<std::uint64_t>(info.st_dev);
    file.inode_ = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

RemoveResult OpenFolder::removePlain(const std::string& name) const {
    struct stat info {};
    if (!isOpen() || fstatat(asFd(handle_), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == EACCES ? RemoveResult::Failed : RemoveResult::NotThere;
    }
    // A link put there instead after this look is removed itself, never what it leads to.
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
        return RemoveResult::NotThere;
    }
    return unlinkat(asFd(handle_), name.c_str(), 0) == 0 ? RemoveResult::Removed : RemoveResult::Failed;
}

namespace {

// True when `name` in `folder` is, not followed, the file `device` and `inode` still; `info`
// what the system tells of it.
bool stillNamed(const OpenFolder& folder, const std::string& name, std::uint64_t device, std::uint64_t inode,
                struct stat& info) {
    return folder.isOpen() && fstatat(asFd(folder.handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           static_cast<std::uint64_t>(info.st_dev) == device && static_cast<std::uint64_t>(info.st_ino) == inode;
}

}  // namespace

Placing CreatedFile::putInPlace(const OpenFolder& folder, const std::string& name, std::int64_t length) {
    // Someone who may rename in the folder can still swap a file in between this look and the
    // rename; what is moved then is theirs, and it only takes the merged fax's name.
    struct stat info {};
    if (!isOpen() || !stillNamed(folder, name_, device_, inode_, info)) {
        return Placing::NotItsName;
    }
    if (info.st_size != length) {
        return Placing::ChangedLength;
    }
    const int at = asFd(folder.handle());
    if (renameat(at, name_.c_str(), at, name.c_str()) != 0) {
        return Placing::Refused;
    }
    name_ = name;
    return Placing::Placed;
}

bool CreatedFile::setTimes(const FileTimes& times) {
    const timespec values[2] = {posix::fromNanoseconds(times.lastAccess), posix::fromNanoseconds(times.lastWrite)};
    return isOpen() && futimens(fileno(stream_), values) == 0;
}

bool CreatedFile::discard(const OpenFolder& folder) {
    struct stat info {};
    if (!isOpen() || !stillNamed(folder, name_, device_, inode_, info)) {
        return true;
    }
    return unlinkat(asFd(folder.handle()), name_.c_str(), 0) == 0;
}

}  // namespace platform

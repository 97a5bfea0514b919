// The save folder on POSIX: every step taken with openat from the folder before it, O_NOFOLLOW
// everywhere, and the owner of a link or of a folder mounted there asked with fstatat before it
// is entered; files made, put in place and removed with openat, renameat and unlinkat.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/native_calls.h"
#include "platform/posix/file_status.h"
#include "platform/posix/parallel_looks.h"
#include "platform/save_folder.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The folder `name` in `at`, opened without following a link; -1 with errno otherwise.
int openFolderAt(int at, const char* name, bool followLink) {
    return openat(at, name, kFolderFlags | (followLink ? 0 : O_NOFOLLOW));
}

LinkOwner ownerOf(uid_t owner) {
    return posix::isOwnOrSystem(owner) ? LinkOwner::OwnOrSystem : LinkOwner::Stranger;
}

}  // namespace

namespace native {

void closeFolder(NativeFolder& folder) {
    ::close(folder.fd);
    folder.fd = -1;
}

bool duplicateFolder(const NativeFolder& folder, NativeFolder& into) {
    into.fd = fcntl(folder.fd, F_DUPFD_CLOEXEC, 0);
    return into.isOpen();
}

Step probeStep(const NativeFolder& at, const std::string& name, NativeFolder& opened) {
    const int next = openFolderAt(at.fd, name.c_str(), false);
    if (next < 0) {
        if (errno == EACCES || errno == EPERM) {
            return {StepKind::Denied};
        }
        if (errno == ENOENT) {
            return {StepKind::Missing};
        }
        // A link, or something that is no folder.
        struct stat itself {};
        if (fstatat(at.fd, name.c_str(), &itself, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(itself.st_mode)) {
            return {StepKind::Failed};
        }
        return {StepKind::Link, ownerOf(itself.st_uid)};
    }
    opened.fd = next;
    // A folder mounted here counts as its root's owner made it.
    struct stat parent {};
    struct stat child {};
    if (fstat(at.fd, &parent) != 0 || fstat(next, &child) != 0) {
        return {StepKind::Failed};
    }
    return child.st_dev != parent.st_dev ? Step{StepKind::MountedFolder, ownerOf(child.st_uid)}
                                         : Step{StepKind::Folder};
}

Making makeFolder(const NativeFolder& at, const std::string& name) {
    if (mkdirat(at.fd, name.c_str(), 0777) == 0 || errno == EEXIST) {
        return Making::Made;
    }
    return errno == EACCES || errno == EPERM ? Making::Denied : Making::Failed;
}

bool openFollowingLink(const NativeFolder& at, const std::string& name, NativeFolder& into) {
    into.fd = openFolderAt(at.fd, name.c_str(), true);
    return into.isOpen();
}

}  // namespace native

bool OpenFolder::openNamed(const std::string& path) {
    close();
    native_.fd = open(path.empty() ? "." : path.c_str(), kFolderFlags);
    return isOpen();
}

namespace {

// Calls `found` with the name of every entry of `folder` but "." and "..", and `dirFd` a
// descriptor of the folder's own, so that reading it moves no position of the folder held.
template <typename Found>
bool readFolder(int folder, Found found) {
    const int fd = folder >= 0 ? openat(folder, ".", kFolderFlags) : -1;
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
            found(fd, entry->d_name);
        }
    }
    const bool complete = errno == 0;
    closedir(dir);
    return complete;
}

}  // namespace

bool OpenFolder::list(std::vector<std::string>& names) const {
    return readFolder(native_.fd, [&](int, const char* name) { names.emplace_back(name); });
}

bool OpenFolder::listFacts(std::vector<FolderEntry>& entries) const {
    // Looked at while the listing goes on, a large folder from several threads at once.
    const int fd = native_.fd;
    posix::LookPipeline<FolderEntry> looks([fd](FolderEntry& entry) {
        struct stat info {};
        if (fstatat(fd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.facts = posix::factsOf(info);
        }
    });
    const bool complete = readFolder(native_.fd, [&](int, const char* name) { looks.add({name, FileFacts{}}); });
    looks.finish([&](FolderEntry& entry) {
        if (complete) {
            entries.push_back(std::move(entry));
        }
    });
    return complete;
}

bool OpenFolder::facts(FolderFacts& facts) const {
    struct stat info {};
    struct statfs system {};
    if (!isOpen() || fstat(native_.fd, &info) != 0 || fstatfs(native_.fd, &system) != 0) {
        return false;
    }
    facts.volume = static_cast<std::uint64_t>(info.st_dev);
    facts.index = static_cast<std::uint64_t>(info.st_ino);
    facts.trust = posix::trustOf(static_cast<unsigned long>(system.f_type));
    return true;
}

bool OpenFolder::waitForDisk(const CreatedFile*) const {
    // One wait for the whole file system, as a journal commits many files' renames at once.
    return isOpen() && syncfs(native_.fd) == 0;
}

bool OpenFolder::holds(const std::string& name) const {
    struct stat info {};
    return isOpen() && fstatat(native_.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool OpenFolder::create(const std::string& name, CreatedFile& file, bool ownerOnly) const {
    file.close();
    if (!isOpen()) {
        return false;
    }
    const int fd = openat(native_.fd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          ownerOnly ? 0600 : 0666);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    std::FILE* stream = fstat(fd, &info) == 0 ? fdopen(fd, "w+b") : nullptr;
    if (stream == nullptr) {
        unlinkat(native_.fd, name.c_str(), 0);
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
    if (!isOpen()) {
        return RemoveResult::NotThere;
    }
    struct stat info {};
    if (fstatat(native_.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == EACCES ? RemoveResult::Failed : RemoveResult::NotThere;
    }
    // A link put there instead after this look is removed itself, never what it leads to.
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
        return RemoveResult::NotThere;
    }
    return unlinkat(native_.fd, name.c_str(), 0) == 0 ? RemoveResult::Removed : RemoveResult::Failed;
}

namespace {

// True when `name` in `folder` is, not followed, the file `device` and `inode` still; `info`
// what the system tells of it.
bool stillNamed(const OpenFolder& folder, const std::string& name, std::uint64_t device, std::uint64_t inode,
                struct stat& info) {
    return folder.isOpen() && fstatat(folder.native().fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           static_cast<std::uint64_t>(info.st_dev) == device &&
           static_cast<std::uint64_t>(info.st_ino) == inode;
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
    const int at = folder.native().fd;
    if (renameat(at, name_.c_str(), at, name.c_str()) != 0) {
        return Placing::Refused;
    }
    name_ = name;
    return Placing::Placed;
}

bool CreatedFile::facts(FileFacts& facts) const {
    struct stat info {};
    if (!isOpen() || fstat(fileno(stream_), &info) != 0) {
        return false;
    }
    facts = posix::factsOf(info);
    return true;
}

void CreatedFile::sendToDisk() const {}

bool CreatedFile::discard(const OpenFolder& folder) {
    struct stat info {};
    if (!isOpen() || !stillNamed(folder, name_, device_, inode_, info)) {
        return true;
    }
    return unlinkat(folder.native().fd, name_.c_str(), 0) == 0;
}

}  // namespace platform

// The private cache on POSIX: a systemd service's $CACHE_DIRECTORY, else $XDG_CACHE_HOME (when
// absolute) or ~/.cache with a folder "quirewell" of its own, which must be the user's and
// writable by nobody else.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/private_cache.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The folder `name` in `at`, made private where missing; -1 when it is no folder of the user's
// own that nobody else may write.
int openOwnFolderAt(int at, const char* name) {
    if (mkdirat(at, name, 0700) != 0 && errno != EEXIST) {
        return -1;
    }
    const int fd = openat(at, name, kFolderFlags | O_NOFOLLOW);
    struct stat info {};
    if (fd >= 0 && (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 022) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool openPrivateCache(OpenFolder& folder) {
    folder.close();
    // systemd gives a service folders of its own, colon-separated; the first is its cache.
    std::string service = environment("CACHE_DIRECTORY");
    service = service.substr(0, service.find(':'));
    if (!service.empty() && service[0] == '/') {
        folder.native_.fd = openOwnFolderAt(AT_FDCWD, service.c_str());
        return folder.isOpen();
    }
    std::string base = environment("XDG_CACHE_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = environment("HOME");
        if (home.empty() || home[0] != '/') {
            return false;
        }
        base = home + "/.cache";
    }
    // Made private where missing, as the cache folder's convention asks.
    mkdir(base.c_str(), 0700);
    const int root = open(base.c_str(), kFolderFlags);
    if (root < 0) {
        return false;
    }
    folder.native_.fd = openOwnFolderAt(root, "quirewell");
    close(root);
    return folder.isOpen();
}

bool InputFile::isOwn() const {
    struct stat info {};
    return isOpen() && fstat(file_.fd, &info) == 0 && info.st_uid == geteuid();
}

}  // namespace platform

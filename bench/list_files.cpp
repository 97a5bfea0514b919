// The least a merge that trusts what it knows of each file must do to find that nothing changed,
// for scripts/bench to measure such a second run against: every folder given listed with its
// sub-folders, and every file in them looked at once with fstatat, without following links and
// without opening a file. Prints how many files it looked at and their bytes.
// Usage: list_files DIR...
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Totals {
    unsigned long long files = 0;
    unsigned long long bytes = 0;
};

// Lists the folder open as `fd` (taking it over) and every folder below it; false when one of
// them could not be listed whole.
bool listFolder(int fd, const std::string& path, Totals& totals) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        std::fprintf(stderr, "list_files: %s: %s\n", path.c_str(), std::strerror(errno));
        close(fd);
        return false;
    }
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                std::fprintf(stderr, "list_files: %s: %s\n", path.c_str(), std::strerror(errno));
                complete = false;
            }
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        // The listing tells a folder from a file on most file systems; a folder's own dates
        // are nothing a merge needs, so only where the listing cannot tell is it asked.
        bool isFolder = entry->d_type == DT_DIR;
        if (!isFolder) {
            struct stat info {};
            if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                std::fprintf(stderr, "list_files: %s/%s: %s\n", path.c_str(), name, std::strerror(errno));
                complete = false;
                continue;
            }
            isFolder = S_ISDIR(info.st_mode);
            if (S_ISREG(info.st_mode)) {
                ++totals.files;
                totals.bytes += static_cast<unsigned long long>(info.st_size);
            }
        }
        if (isFolder) {
            const int sub = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                std::fprintf(stderr, "list_files: %s/%s: %s\n", path.c_str(), name, std::strerror(errno));
                complete = false;
                continue;
            }
            complete = listFolder(sub, path + "/" + name, totals) && complete;
        }
    }
    closedir(dir);
    return complete;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: list_files DIR...\n", stderr);
        return 2;
    }
    Totals totals;
    bool complete = true;
    for (int i = 1; i < argc; ++i) {
        const int fd = open(argv[i], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "list_files: %s: %s\n", argv[i], std::strerror(errno));
            complete = false;
            continue;
        }
        complete = listFolder(fd, argv[i], totals) && complete;
    }
    std::printf("%llu files, %llu bytes\n", totals.files, totals.bytes);
    return complete ? 0 : 1;
}

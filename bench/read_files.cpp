// The least a run that compares every byte must do to know that nothing changed, for scripts/bench
// to measure a second run against: every file directly in each folder given opened, read whole
// into a page-aligned buffer and closed, once.
// Usage: read_files DIR...
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/page_aligned_buffer.h"

int main(int argc, char** argv) {
    const PageAlignedBuffer buffer(std::size_t{1} << 20);
    if (buffer.data() == nullptr) {
        std::fputs("read_files: out of memory\n", stderr);
        return 1;
    }
    unsigned long long total = 0;
    for (int i = 1; i < argc; ++i) {
        DIR* dir = opendir(argv[i]);
        if (dir == nullptr) {
            std::perror(argv[i]);
            return 1;
        }
        for (const dirent* entry; (entry = readdir(dir)) != nullptr;) {
            if (entry->d_type != DT_REG) {
                continue;
            }
            const int file = open((std::string(argv[i]) + "/" + entry->d_name).c_str(), O_RDONLY);
            // A read that fills less than the buffer has reached the end of the file.
            for (ssize_t got = buffer.size(); file >= 0 && got == static_cast<ssize_t>(buffer.size());) {
                got = read(file, buffer.data(), buffer.size());
                total += got > 0 ? static_cast<unsigned long long>(got) : 0;
            }
            if (file >= 0) {
                close(file);
            }
        }
        closedir(dir);
    }
    std::printf("%llu bytes read\n", total);
    return 0;
}

// The least a merge could do, for scripts/bench to measure a first run against: the page files
// directly in a folder, in name order, each read with one read into a page-aligned buffer and
// appended with one write to the file named as its fax is ("ABCDE001.FXR" to "ABCDEfax.fxm"). No
// header is read or fixed.
// Usage: concat_pages SOURCE-DIR DEST-DIR
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/page_aligned_buffer.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: concat_pages SOURCE-DIR DEST-DIR\n", stderr);
        return 2;
    }
    const std::string source = argv[1];
    const std::string dest = argv[2];
    DIR* dir = opendir(source.c_str());
    if (dir == nullptr || (mkdir(dest.c_str(), 0777) != 0 && errno != EEXIST)) {
        std::perror(argv[0]);
        return 1;
    }
    std::vector<std::string> names;
    for (const dirent* entry; (entry = readdir(dir)) != nullptr;) {
        const std::string name = entry->d_name;
        if (name.size() > 7 && name.compare(name.size() - 4, 3, ".FX") == 0) {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    const PageAlignedBuffer buffer(std::size_t{1} << 26);
    if (buffer.data() == nullptr) {
        std::fputs("concat_pages: out of memory\n", stderr);
        return 1;
    }
    std::string current;
    int output = -1;
    for (const std::string& name : names) {
        const std::string fax = name.substr(0, name.size() - 7) + "fax.fxm";
        if (fax != current) {
            if (output >= 0) {
                close(output);
            }
            current = fax;
            output = open((dest + "/" + fax).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        }
        const int page = open((source + "/" + name).c_str(), O_RDONLY);
        const ssize_t got = page >= 0 ? read(page, buffer.data(), buffer.size()) : -1;
        if (page >= 0) {
            close(page);
        }
        if (output < 0 || got < 0 || write(output, buffer.data(), static_cast<std::size_t>(got)) != got) {
            std::perror(name.c_str());
            return 1;
        }
    }
    if (output >= 0) {
        close(output);
    }
    return 0;
}

// The source scan: walks the source directory (and on request its sub-directories, depth first)
// and lists the page files relative to the source directory.
#include "engine/source_scan.h"

#include <algorithm>
#include <vector>

#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

unsigned char foldAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

int isFaxFile(const std::string& path) {
    if (path.size() < 4) {
        return 0;
    }
    const std::string extension = platform::toUpperCase(path.substr(path.size() - 4));
    return (extension == ".FXD" || extension == ".FXR" || extension == ".FXS") ? 1 : 0;
}

bool precedesInNameOrder(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = foldAscii(a[i]);
        const unsigned char y = foldAscii(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

void listPageFiles(const std::string& sourceDir, const std::string& directory, const std::string& mask,
                   bool includeSubdirs, std::vector<std::string>& list) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDirectory(directory, mask, entries)) {
        return;
    }
    // The system's order is not defined on every file system, and it decides the page order of
    // every merged fax, so the entries are taken in name order.
    std::sort(entries.begin(), entries.end(), [](const platform::DirEntry& a, const platform::DirEntry& b) {
        return precedesInNameOrder(a.name, b.name);
    });
    for (const platform::DirEntry& entry : entries) {
        const std::string fullPath = directory + platform::kSeparator + entry.name;
        if (entry.isDirectory) {
            if (includeSubdirs && entry.name != "." && entry.name != "..") {
                listPageFiles(sourceDir, fullPath, mask, includeSubdirs, list);
            }
            continue;
        }
        // Always measured against the root of the scan, so entries carry their sub-directory.
        const std::string relative = fullPath.substr(sourceDir.size() + 1);
        if (isFaxFile(relative)) {
            list.push_back(relative);
        }
    }
}

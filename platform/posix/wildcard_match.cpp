// Windows-style wildcard matching of one file name against a mask.
#include "platform/posix/wildcard_match.h"

#include <cstddef>

namespace platform {
namespace {

char foldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool matchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*" || mask == "*") {
        return true;
    }
    // Greedy matching with one back-track point for the last "*": linear in practice and never
    // exponential, whatever the pattern.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || foldCase(mask[m]) == foldCase(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

}  // namespace platform

// The platform-specific string steps on POSIX: UTF-8 has no lead bytes in the double-byte
// sense, case conversion touches ASCII letters only, and names are compared byte by byte.
#include <algorithm>

#include "platform/ansi_string.h"

namespace platform {

bool isLeadByte(unsigned char) { return false; }

std::string toLowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::string toUpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

std::string pathKey(const std::string& path) { return path; }

}  // namespace platform

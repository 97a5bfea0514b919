// The platform-specific string steps on POSIX: UTF-8 has no lead bytes in the double-byte
// sense, case conversion touches ASCII letters only, and names are compared byte by byte.
#include <algorithm>

#include "platform/ansi_string.h"

namespace platform {

bool isLeadByte(unsigned char) {
    return false;
}

bool codePageIsUtf8() {
    return true;
}

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

std::string pathKey(const std::string& path) {
    return path;
}

const std::string& pathKeyOf(const std::string& path, std::string&) {
    return path;
}

// Strings are UTF-8 already.
bool fromUtf8(const std::string& utf8, std::string& text) {
    text = utf8;
    return true;
}

std::string toUtf8(const std::string& text) {
    return text;
}

}  // namespace platform

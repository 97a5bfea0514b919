// The platform-specific string steps on Windows: the ANSI code page's lead bytes and letter
// case, and names compared as NTFS and FAT compare them, without regard to case.
#include <windows.h>

#include "platform/ansi_string.h"

namespace platform {

bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

std::string toLowerCase(std::string text) {
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string toUpperCase(std::string text) {
    if (!text.empty()) {
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string pathKey(const std::string& path) { return toUpperCase(path); }

}  // namespace platform

// The platform-specific string steps on Windows: the ANSI code page's lead bytes and letter
// case, and names compared as NTFS and FAT compare them, without regard to case.
#include <windows.h>

#include "platform/ansi_string.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool isLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != 0;
}

bool codePageIsUtf8() {
    static const bool utf8 = GetACP() == CP_UTF8;
    return utf8;
}

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

std::string pathKey(const std::string& path) {
    return toUpperCase(path);
}

const std::string& pathKeyOf(const std::string& path, std::string& scratch) {
    scratch = toUpperCase(path);
    return scratch;
}

bool fromUtf8(const std::string& utf8, std::string& text) {
    bool exact = true;
    text = narrow(widen(utf8, CP_UTF8), exact);
    return exact;
}

std::string toUtf8(const std::string& text) {
    if (codePageIsUtf8()) {
        return text;
    }
    bool exact = true;
    return narrow(widen(text), CP_UTF8, exact);
}

}  // namespace platform

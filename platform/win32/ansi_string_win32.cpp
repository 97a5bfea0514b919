// The platform-specific string steps on Windows: the ANSI code page's lead bytes and letter
// case, and names compared as NTFS and FAT compare them, without regard to case.
#include <windows.h>

#include "platform/ansi_string.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

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

std::string pathKey(const std::string& path) { return toUpperCase(path); }

}  // namespace platform

namespace platform {

bool fromUtf8(const std::string& utf8, std::string& text) {
    std::wstring wide;
    if (!utf8.empty()) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        wide.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    }
    bool exact = true;
    text = narrow(wide, exact);
    return exact;
}

std::string toUtf8(const std::string& text) {
    if (GetACP() == CP_UTF8 || text.empty()) {
        return text;
    }
    const std::wstring wide = widen(text);
    const int wideLength = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace platform

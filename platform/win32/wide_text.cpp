// Conversions between a code page and UTF-16, without best fit.
#include "platform/win32/wide_text.h"

#include <windows.h>

namespace platform {

std::wstring widen(const std::string& text) { return widen(text, CP_ACP); }

std::wstring widen(const std::string& text, unsigned codePage) {
    if (text.empty()) {
        return std::wstring();
    }
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string narrow(const std::wstring& text, bool& exact) { return narrow(text, GetACP(), exact); }

std::string narrow(const std::wstring& text, unsigned codePage, bool& exact) {
    exact = true;
    if (text.empty()) {
        return std::string();
    }
    std::wstring source = text;
    DWORD flags = 0;
    BOOL lost = FALSE;
    BOOL* lostAt = nullptr;
    if (codePage == CP_UTF8) {
        // UTF-8 holds every character; only a lone surrogate, which no text may hold, is lost.
        for (std::size_t i = 0; i < source.size(); ++i) {
            const bool high = source[i] >= 0xD800 && source[i] <= 0xDBFF;
            const bool low = source[i] >= 0xDC00 && source[i] <= 0xDFFF;
            if (high && i + 1 < source.size() && source[i + 1] >= 0xDC00 && source[i + 1] <= 0xDFFF) {
                ++i;
            } else if (high || low) {
                source[i] = L'?';
                exact = false;
            }
        }
    } else {
        flags = WC_NO_BEST_FIT_CHARS;
        lostAt = &lost;
    }
    const int wideLength = static_cast<int>(source.size());
    const int length =
        WideCharToMultiByte(codePage, flags, source.data(), wideLength, nullptr, 0, nullptr, lostAt);
    std::string narrowed(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, source.data(), wideLength, narrowed.data(), length, nullptr, lostAt);
    exact = exact && !lost;
    return narrowed;
}

}  // namespace platform

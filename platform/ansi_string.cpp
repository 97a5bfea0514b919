// The multibyte-aware string steps that need nothing of the platform but its lead-byte test.
#include "platform/ansi_string.h"

namespace platform {

std::size_t charLength(const std::string& text, std::size_t pos) {
    if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])) && text[pos + 1] != '\0') {
        return 2;
    }
    return 1;
}

std::size_t findFirstChar(const std::string& text, char ch) {
    for (std::size_t pos = 0; pos < text.size(); pos += charLength(text, pos)) {
        if (text[pos] == ch) {
            return pos;
        }
    }
    return std::string::npos;
}

std::size_t findLastChar(const std::string& text, char ch) {
    std::size_t found = std::string::npos;
    for (std::size_t pos = 0; pos < text.size(); pos += charLength(text, pos)) {
        if (text[pos] == ch) {
            found = pos;
        }
    }
    return found;
}

std::string trimTrailingSpace(const std::string& text) {
    // Walk forwards so that a trailing byte of a double-byte character is never taken for
    // white space; remember where the last run of white space began.
    std::size_t keep = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = charLength(text, pos);
        const char c = text[pos];
        const bool space = len == 1 && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f');
        pos += len;
        if (!space) {
            keep = pos;
        }
    }
    return text.substr(0, keep);
}

}  // namespace platform

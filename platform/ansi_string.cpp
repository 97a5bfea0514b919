// The multibyte-aware string steps that need nothing of the platform but its code page.
#include "platform/ansi_string.h"

#include <vector>

namespace platform {

namespace {

// A UTF-8 sequence is taken whole only when it is complete; a stray byte is a character alone.
std::size_t utf8Length(const std::string& text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                                                             : 1;
    if (pos + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

}  // namespace

std::size_t charLength(const std::string& text, std::size_t pos) {
    if (codePageIsUtf8()) {
        return utf8Length(text, pos);
    }
    if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])) && text[pos + 1] != '\0') {
        return 2;
    }
    return 1;
}

namespace {

// In UTF-8 every byte of a character of several bytes is 0x80 or more, so an ASCII character is
// found byte by byte.
bool searchesBytes(char ch) { return static_cast<unsigned char>(ch) < 0x80 && codePageIsUtf8(); }

}  // namespace

std::size_t findFirstChar(const std::string& text, char ch, std::size_t from) {
    if (searchesBytes(ch)) {
        return from < text.size() ? text.find(ch, from) : std::string::npos;
    }
    for (std::size_t pos = from; pos < text.size(); pos += charLength(text, pos)) {
        if (text[pos] == ch) {
            return pos;
        }
    }
    return std::string::npos;
}

std::size_t findLastChar(const std::string& text, char ch) {
    if (searchesBytes(ch)) {
        return text.rfind(ch);
    }
    std::size_t found = std::string::npos;
    for (std::size_t pos = 0; pos < text.size(); pos += charLength(text, pos)) {
        if (text[pos] == ch) {
            found = pos;
        }
    }
    return found;
}

bool endsWithChar(const std::string& text, char ch) {
    const std::size_t last = findLastChar(text, ch);
    return last != std::string::npos && last + 1 == text.size();
}

std::size_t charsBefore(const std::string& text, std::size_t start, std::size_t end, std::size_t count) {
    if (count == 0) {
        return end;
    }
    // Where every byte is ASCII, every byte is a character.
    bool ascii = true;
    for (std::size_t pos = start; ascii && pos < end; ++pos) {
        ascii = static_cast<unsigned char>(text[pos]) < 0x80;
    }
    if (ascii) {
        return end - start < count ? start : end - count;
    }
    // Character boundaries are only known walking forwards.
    std::vector<std::size_t> starts;
    for (std::size_t pos = start; pos < end; pos += charLength(text, pos)) {
        starts.push_back(pos);
    }
    return starts.size() < count ? start : starts[starts.size() - count];
}

std::string trimTrailingSpace(const std::string& text) {
    // Walk forwards so that a trailing byte of a double-byte character is never taken for
    // white space; remember where the last run of white space began.
    std::size_t keep = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = charLength(text, pos);
        const char c = text[pos];
        const bool space =
            len == 1 && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f');
        pos += len;
        if (!space) {
            keep = pos;
        }
    }
    return text.substr(0, keep);
}

}  // namespace platform

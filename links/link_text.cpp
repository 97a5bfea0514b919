// Colour settings and browser command lines: the text work of the link label, kept free of any
// window so that every case can be checked directly.
#include "links/link_text.h"

#include <climits>
#include <cstring>

#include "platform/ansi_string.h"

namespace {

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi without its undefined overflow: a number beyond the int range stops at the range's end.
int readInteger(const std::string& text, std::size_t from, std::size_t to) {
    std::size_t pos = from;
    while (pos < to && isCSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < to && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < to && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[pos] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// Position of the next comma at or after `from`, stepping over double-byte characters whole so
// that a trailing byte is never taken for a comma; npos when there is none.
std::size_t nextComma(const std::string& text, std::size_t from) {
    for (std::size_t pos = from; pos < text.size(); pos += platform::charLength(text, pos)) {
        if (text[pos] == ',') {
            return pos;
        }
    }
    return std::string::npos;
}

// Position of `needle` starting on a character boundary of `text`, or npos.
std::size_t findOnCharBoundary(const std::string& text, const std::string& needle) {
    for (std::size_t pos = 0; pos < text.size(); pos += platform::charLength(text, pos)) {
        if (text.compare(pos, needle.size(), needle) == 0) {
            return pos;
        }
    }
    return std::string::npos;
}

}  // namespace

std::optional<std::string> textInBuffer(const char* buffer, std::size_t size) {
    const void* end = std::memchr(buffer, '\0', size);
    if (end == nullptr) {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<const char*>(end));
}

std::optional<LinkColor> parseColorText(const std::string& text) {
    int components[2] = {-1, -1};
    std::size_t start = 0;
    for (int& component : components) {
        const std::size_t comma = nextComma(text, start);
        if (comma == std::string::npos) {
            return std::nullopt;
        }
        component = readInteger(text, start, comma);
        // -1 is what a missing number would leave behind, so it is refused as well.
        if (component == -1) {
            return std::nullopt;
        }
        start = comma + 1;
    }
    if (start >= text.size()) {
        return std::nullopt;
    }
    // Blue is read like the others but may be followed by anything, further commas included.
    const int blue = readInteger(text, start, text.size());
    const auto low = [](int value) { return static_cast<LinkColor>(value) & 0xFFu; };
    return low(components[0]) | (low(components[1]) << 8) | (low(blue) << 16);
}

std::optional<LinkColor> colorFromValue(const char* buffer, std::size_t size) {
    const std::optional<std::string> text = textInBuffer(buffer, size);
    if (!text) {
        return std::nullopt;
    }
    return parseColorText(*text);
}

std::optional<std::string> browserCommand(const std::string& openCommand, const std::string& target) {
    std::string line = openCommand;
    std::size_t cut = findOnCharBoundary(line, "\"%1\"");
    if (cut == std::string::npos) {
        cut = line.find("%1");
    }
    if (cut != std::string::npos) {
        line.resize(cut);
    }
    line += ' ';
    line += target;
    // A command cut short would open some other address, so a line that does not fit is refused.
    if (line.size() + 1 > kCommandBytes) {
        return std::nullopt;
    }
    return line;
}

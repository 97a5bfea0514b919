// Writing and reading the lines of the list of temporaries.
#include "engine/temporary_list.h"

#include "engine/output_paths.h"
#include "platform/file_system.h"

namespace {

constexpr char kStep = '/';
constexpr char kEscape = '%';
constexpr const char* kHex = "0123456789ABCDEF";

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A step as the list writes it: a name may hold a line break, which must never end a line.
void appendEscaped(std::string& line, const std::string& step) {
    for (const char c : step) {
        const auto byte = static_cast<unsigned char>(c);
        if (isControl(byte) || c == kEscape) {
            line += kEscape;
            line += kHex[byte >> 4];
            line += kHex[byte & 0x0F];
        } else {
            line += c;
        }
    }
}

// A step as written by appendEscaped; false when it is not one.
bool unescape(const std::string& text, std::string& step) {
    step.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kEscape) {
            step += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            return false;
        }
        step += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// A step that names an entry of the folder it is taken in, and nothing else: never the folder
// itself or its parent, never a drive, a stream or a path of its own.
bool isPlainStep(const std::string& step) {
    return !step.empty() && step != "." && step != ".." && step.find('\0') == std::string::npos &&
           step.find(kStep) == std::string::npos &&
           step.find_first_of(platform::kNotInNames) == std::string::npos;
}

}  // namespace

std::string temporaryListLine(const std::vector<std::string>& steps) {
    std::string line;
    for (const std::string& step : steps) {
        if (!line.empty()) {
            line += kStep;
        }
        appendEscaped(line, step);
    }
    return line + "\n";
}

std::vector<ListedTemporary> listedTemporaries(const std::string& text) {
    std::vector<ListedTemporary> listed;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        bool usable = !line.empty();
        for (const char c : line) {
            usable = usable && !isControl(static_cast<unsigned char>(c));
        }
        std::vector<std::string> steps;
        for (std::size_t from = 0; usable && from <= line.size();) {
            std::size_t to = line.find(kStep, from);
            if (to == std::string::npos) {
                to = line.size();
            }
            std::string step;
            usable = unescape(line.substr(from, to - from), step) && isPlainStep(step);
            steps.push_back(std::move(step));
            from = to + 1;
        }
        if (usable && isTemporaryName(steps.back())) {
            listed.push_back({std::move(steps), line + "\n"});
        }
    }
    return listed;
}

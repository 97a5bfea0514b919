// The output path rules of the window run and the command-line run.
#include "engine/output_paths.h"

#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

constexpr std::size_t kExtensionBytes = 4;   // ".FXR": ASCII, so four bytes in any code page
constexpr std::size_t kPageNumberChars = 3;  // the characters before it that number the page
constexpr const char* kOutputSuffix = "fax.fxm";

// Splits after the last separator: the name is never cut into the directory part, so a short
// name cannot move its output out of its directory.
std::size_t nameStart(const std::string& path) {
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    return separator == std::string::npos ? 0 : separator + 1;
}

// Appends `path` from `from` on with its name's extension and the three characters before it
// replaced by "fax.fxm", counted as characters so that a double-byte character is never cut in
// two; for the ASCII names WinFax writes this is the path without its last seven bytes.
void appendReplacingName(std::string& to, const std::string& path, std::size_t from) {
    const std::size_t start = nameStart(path);
    const std::size_t stemEnd = path.size() - start > kExtensionBytes ? path.size() - kExtensionBytes : start;
    const std::size_t end = platform::charsBefore(path, start, stemEnd, kPageNumberChars);
    to.append(path, from, end > from ? end - from : 0).append(kOutputSuffix);
}

std::string replaceName(const std::string& path) {
    std::string name;
    appendReplacingName(name, path, 0);
    return name;
}

}  // namespace

std::string outputNameFor(const std::string& pageFileName) {
    return replaceName(pageFileName);
}

namespace {

constexpr const char* kTemporaryPrefix = "~qw";
constexpr std::size_t kTemporaryDigits = 4;
constexpr const char* kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

}  // namespace

std::string temporaryName(std::uint32_t number) {
    std::string name(kTemporaryPrefix);
    name.resize(name.size() + kTemporaryDigits);
    number %= kTemporaryNames;
    for (std::size_t i = name.size(); i > name.size() - kTemporaryDigits; --i) {
        name[i - 1] = kDigits[number % 36];
        number /= 36;
    }
    return name;
}

std::uint32_t firstTemporaryNumber(std::uint32_t processNumber) {
    constexpr std::uint32_t kSpread = 7919;
    return static_cast<std::uint32_t>(std::uint64_t{processNumber} * kSpread % kTemporaryNames);
}

bool isTemporaryName(const std::string& name) {
    const std::size_t prefix = std::char_traits<char>::length(kTemporaryPrefix);
    if (name.size() != prefix + kTemporaryDigits || name.compare(0, prefix, kTemporaryPrefix) != 0) {
        return false;
    }
    for (std::size_t i = prefix; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return true;
}

std::string directoryPart(const std::string& path) {
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

EntryPaths windowEntryPaths(const std::string& sourceDir, const std::string& destDir,
                            const std::string& entry, bool keepHierarchy) {
    EntryPaths paths;
    paths.source = sourceDir + platform::kSeparator + entry;
    const std::string merged = replaceName(paths.source);
    // Only the leading directory is exchanged; the same text further on belongs to a name.
    if (keepHierarchy) {
        paths.output = destDir + merged.substr(sourceDir.size());
    } else {
        paths.output = destDir + merged.substr(platform::findLastChar(merged, platform::kSeparator));
    }
    return paths;
}

EntryPaths commandLineEntryPaths(const std::string& sourceDir, const std::string& destDir,
                                 const std::string& entry) {
    // Made in one go each: a run forms them for every page file, twice.
    EntryPaths paths;
    paths.source.reserve(sourceDir.size() + 1 + entry.size());
    paths.source.append(sourceDir).append(1, platform::kSeparator).append(entry);
    paths.output.reserve(destDir.size() + 1 + entry.size() + 7);
    paths.output.append(destDir).append(1, platform::kSeparator);
    appendReplacingName(paths.output, entry, 0);
    return paths;
}

// The output path rules of the window run and the command-line run.
#include "engine/output_paths.h"

#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

constexpr std::size_t kExtensionBytes = 4;   // ".FXR": ASCII, so four bytes in any code page
constexpr std::size_t kPageNumberChars = 3;  // the characters before it that number the page
constexpr const char* kOutputSuffix = "fax.fxm";
constexpr const char* kTemporarySuffix = ".partial";

// Splits after the last separator: the name is never cut into the directory part, so a short
// name cannot move its output out of its directory.
std::size_t nameStart(const std::string& path) {
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    return separator == std::string::npos ? 0 : separator + 1;
}

// The name without its extension and the three characters before it, counted as characters so
// that a double-byte character is never cut in two; for the ASCII names WinFax writes this is
// the name without its last seven bytes.
std::string replaceName(const std::string& path) {
    const std::size_t start = nameStart(path);
    const std::size_t stemEnd = path.size() - start > kExtensionBytes ? path.size() - kExtensionBytes : start;
    return path.substr(0, platform::charsBefore(path, start, stemEnd, kPageNumberChars)) + kOutputSuffix;
}

}  // namespace

std::string outputNameFor(const std::string& pageFileName) { return replaceName(pageFileName); }

std::string temporaryPathFor(const std::string& output, unsigned attempt) {
    std::string path = output + "." + platform::processTag();
    if (attempt > 0) {
        path.append(1, '-').append(std::to_string(attempt));
    }
    return path + kTemporarySuffix;
}

bool isTemporaryPath(const std::string& path) {
    const std::size_t suffix = std::char_traits<char>::length(kTemporarySuffix);
    return path.size() > suffix && path.compare(path.size() - suffix, suffix, kTemporarySuffix) == 0;
}

std::string directoryPart(const std::string& path) {
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

EntryPaths windowEntryPaths(const std::string& sourceDir, const std::string& destDir, const std::string& entry,
                            bool keepHierarchy) {
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
    EntryPaths paths;
    paths.source = sourceDir + platform::kSeparator + entry;
    paths.output = destDir + platform::kSeparator + replaceName(entry);
    return paths;
}

// Output directories, made with every missing level above them.
#include "engine/output_files.h"

#include "platform/ansi_string.h"
#include "platform/file_system.h"

int makeDirectories(const std::string& path) {
    if (platform::isDirectory(path)) {
        return 1;
    }
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    if (separator != std::string::npos) {
        const std::string parent = path.substr(0, separator);
        if (!platform::isRootPrefix(parent)) {
            makeDirectories(parent);
        }
    }
    platform::createDirectory(path);
    // A path that ends with a separator was made by the call on its parent; what counts is
    // that the directory is there now.
    return platform::isDirectory(path) ? 1 : 0;
}

bool directoryCouldBeMade(const std::string& path) {
    if (platform::isDirectory(path)) {
        return true;
    }
    // A name the code page could not hold is never made.
    if (path.empty() || !platform::isExactName(path)) {
        return false;
    }
    for (std::string missing = path;;) {
        if (platform::pathExists(missing)) {
            return false;
        }
        const std::size_t separator = platform::findLastChar(missing, platform::kSeparator);
        if (separator == std::string::npos) {
            return platform::mayCreateIn(std::string());
        }
        const std::string parent = missing.substr(0, separator);
        if (platform::isRootPrefix(parent)) {
            return true;
        }
        if (platform::isDirectory(parent)) {
            return platform::mayCreateIn(parent);
        }
        missing = parent;
    }
}

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

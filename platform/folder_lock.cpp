// The save folder's lock, the parts every platform shares: letting go at the end, and reading
// the list of temporaries out of the lock file's text.
#include "platform/folder_lock.h"

namespace platform {

FolderLock::~FolderLock() { release(); }

std::vector<std::string> FolderLock::recordsIn(const std::string& text) {
    std::vector<std::string> records;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        records.push_back(text.substr(start, end - start));
    }
    return records;
}

}  // namespace platform

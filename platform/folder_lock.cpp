// The save folder's lock, the parts every platform shares: the list of temporaries in the lock
// file, and letting go at the end.
#include "platform/folder_lock.h"

#include <algorithm>

namespace platform {

FolderLock::~FolderLock() { release(); }

void FolderLock::readList(std::string& listed) {
    // Read in pieces: the list is mostly empty, and never more than its limit is kept.
    char piece[4096];
    for (std::size_t got; listed.size() < kMaxListBytes &&
                          (got = readListAt(listed.size(), piece, std::min(sizeof piece, kMaxListBytes - listed.size()))) > 0;) {
        listed.append(piece, got);
    }
    listLength_ = listFileLength(listed.size());
    lastRecorded_ = listLength_;
}

void FolderLock::replaceRecords(const std::string& lines) {
    // Written before the rest is cut off, so that a run killed in between leaves every line that
    // still counts.
    if (held() && writable_ && writeListAt(0, lines) && cutList(lines.size())) {
        listLength_ = lines.size();
        lastRecorded_ = listLength_;
    }
}

bool FolderLock::record(const std::string& line) {
    if (!held() || !writable_) {
        return false;
    }
    lastRecorded_ = listLength_;
    if (!writeListAt(listLength_, line)) {
        // A line half written is no line: a list that could not be written only leaves a killed
        // run's temporary behind.
        cutList(lastRecorded_);
        return false;
    }
    listLength_ += line.size();
    return true;
}

void FolderLock::unrecordLast() {
    if (held() && writable_ && cutList(lastRecorded_)) {
        listLength_ = lastRecorded_;
    }
}

}  // namespace platform

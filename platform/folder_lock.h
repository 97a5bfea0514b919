// A run's hold on its save folder: one run at a time writes there, across processes, across the
// logons of one machine and on network shares, and the hold ends with the process however it
// ends. The lock file also lists the temporaries the run creates, so that the next run that holds
// the folder removes whatever a killed run left.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The lock file's name in a save folder: never a page file's name, never an output's.
inline constexpr const char* kLockFileName = ".quirewell.lock";

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Holds `folder`, waiting for as long as another run holds it; `waiting` is called once,
    // before the first wait. Returns the temporaries a killed run recorded there, to be removed
    // before clearRecords(); or, when the folder cannot be held at all (it cannot be written),
    // nothing and held() false: the run then goes on, and reports what it cannot write.
    std::vector<std::string> hold(const std::string& folder, const std::function<void()>& waiting);
    bool held() const { return handle_ != kNone; }

    // Forgets the records found by hold(), once what they name is gone: a run killed before
    // that leaves them for the next.
    void clearRecords();

    // Records a temporary about to be created in the folder.
    void record(const std::string& temporary);

    // Lets the folder go; the lock file is removed with its list.
    void release();

private:
    // The temporaries a lock file's text lists, one a line.
    static std::vector<std::string> recordsIn(const std::string& text);

    static constexpr long long kNone = -1;
    std::string path_;
    long long handle_ = kNone;  // the open lock file: a descriptor on POSIX, a HANDLE on Windows
};

}  // namespace platform

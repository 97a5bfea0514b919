// A run's hold on its save folder: one run at a time writes there, across processes, across the
// logons of one machine and on network shares, and the hold ends with the process however it
// ends. The lock file also lists the temporaries the run creates, so that the next run that holds
// the folder removes whatever a killed run left.
//
// The save folder may be shared with strangers, so the lock file is never trusted: it is opened
// without following a link and used only as a plain file with no other name; what it lists is
// only text for the caller to check.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// The lock file's name in a save folder: never a page file's name, never an output's.
inline constexpr const char* kLockFileName = ".quirewell.lock";

// The most of a lock file's list that is read: far more than any run lists, and a limit to what a
// stranger's file can make a run hold in memory.
inline constexpr std::size_t kMaxListBytes = std::size_t{4} << 20;

// What holding a folder met besides the lock itself.
enum class LockProblem {
    None,
    ReplacedLink,      // the lock file was a link: a plain lock file took its place
    ReplacedOther,     // it had another name as well, or was no plain file: replaced the same way
    CannotOpen,        // not held: the lock file can be neither opened nor created
    CannotReplace,     // not held: the lock file's name belongs to a folder, or a link that no
                       // other run may be replacing at the same moment cannot be told from one
    FileSystemNoLocks  // not held: the file system does not lock files
};

struct HoldResult {
    std::string listed;  // the lock file's list as found (at most kMaxListBytes of it)
    LockProblem problem = LockProblem::None;
};

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Holds `folder`, waiting for as long as another run holds it; `waiting` is called once,
    // before the first wait. The list found holds what a killed run recorded there. When the
    // folder cannot be held at all, held() is false and the problem says why: the run then goes
    // on without the hold.
    HoldResult hold(const std::string& folder, const std::function<void()>& waiting);
    bool held() const { return handle_ != kNone; }

    // Makes `lines` the whole list: what is left of the list found by hold() once the files it
    // names are gone. A run killed before that leaves the list for the next.
    void replaceRecords(const std::string& lines);

    // Adds a line to the list: a temporary about to be created. False when the list cannot be
    // written (a lock file this user may only read, say).
    bool record(const std::string& line);
    // Takes the line last recorded off the list again: its file could not be created.
    void unrecordLast();

    // Lets the folder go; the list is cleared and the lock file removed.
    void release();

private:
    // Reads the list of the lock file just held into `listed` (at most kMaxListBytes of it) and
    // notes its length.
    void readList(std::string& listed);
    // The platform's part of the list: up to `length` bytes of the open lock file at `position`
    // read into `into` (how many, 0 at its end or on a failure); `text` written at `position`;
    // the file cut to `length`; and its length now (`fallback` when the system cannot tell).
    std::size_t readListAt(std::size_t position, char* into, std::size_t length) const;
    bool writeListAt(std::size_t position, const std::string& text);
    bool cutList(std::size_t length);
    std::size_t listFileLength(std::size_t fallback) const;

    std::string path_;
    long long handle_ = kNone;  // the open lock file: a descriptor on POSIX, a HANDLE on Windows
    bool writable_ = false;
    std::size_t listLength_ = 0;    // the length of the list in the file
    std::size_t lastRecorded_ = 0;  // the length before the last line recorded
    static constexpr long long kNone = -1;
};

}  // namespace platform

// A run's hold on its save folder: one run at a time writes there, whichever program and machine
// it runs on. The hold is a byte-range lock on one agreed byte of the lock file, far beyond any
// data: Windows takes it with LockFileEx, POSIX with an open-file-description lock, and Windows
// file servers, Samba (which maps its clients' locks to POSIX locks), Wine and native runs all see
// it. The hold ends with the process, however it ends.
//
// The save folder may be shared with strangers, so the lock file is only ever locked and read:
// never written, cut, renamed or removed, so that whatever a stranger makes of it can at worst be
// locked. It is opened without following a link, and only a plain file is locked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "native_handles.h"
#include "platform/save_folder.h"

namespace platform {

// The lock file's name in a save folder: never a page file's name, never an output's.
inline constexpr const char* kLockFileName = ".quirewell.lock";

// The byte every Quirewell program locks: far beyond any data the file could hold, and within
// what every system takes for a position.
inline constexpr std::uint64_t kHoldOffset = std::uint64_t{1} << 62;

// The most of a list of temporaries that is read: far more than any run lists, and a limit to
// what a stranger's file can make a run hold in memory.
inline constexpr std::size_t kMaxListBytes = std::size_t{4} << 20;

// What holding a folder met besides the lock itself.
enum class LockProblem {
    None,
    FolderCannotBeOpened,  // not held: the save folder itself cannot be opened
    CannotOpen,            // not held: the lock file can be neither opened nor created
    NotPlainFile,          // not held: the lock file is a link, a folder or no plain file
    FileSystemNoLocks,     // not held: the file system does not lock files
    TimedOut               // not held: another run held the folder for longer than the run may wait
};

struct HoldResult {
    LockProblem problem = LockProblem::None;
    // The list of temporaries an earlier version kept in the lock file (at most kMaxListBytes).
    std::string earlierList;
};

// A wait without end.
inline constexpr long long kWaitForever = -1;

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Holds `folder`, waiting while another run holds it, for at most `waitMs` milliseconds
    // (kWaitForever: as long as it takes); `waiting` is called once, before the first wait. When
    // the folder cannot be held, held() is false and the problem says why.
    HoldResult hold(const OpenFolder& folder, const std::function<void()>& waiting, long long waitMs);
    bool held() const { return file_.isOpen(); }

    // Lets the folder go.
    void release();

private:
    enum class Attempt { Held, Busy, Failed };
    // One try: opens the lock file and locks its byte. Held (with the earlier version's list
    // read), Busy (another run holds it) or Failed (the problem set).
    Attempt tryHold(const OpenFolder& folder, HoldResult& result);
    // The list an earlier version kept in the lock file just held, at most kMaxListBytes of it.
    void readEarlierList(std::string& list) const;

    NativeFile file_;  // the lock file, open while the folder is held
};

}  // namespace platform

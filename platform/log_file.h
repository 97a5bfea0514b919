// What a log file kept beside the merges needs from the system: a file written only at its end or
// replaced, which others may keep open to read while it is written, and the local time its lines
// are stamped with. Implemented once per platform (win32/, posix/).
#pragma once

#include <string>
#include <string_view>

#include "native_handles.h"

namespace platform {

// The local date and time, as the user's clock shows them.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
LocalTime localTimeNow();

// Why a log file could not be opened or written.
enum class LogFileProblem {
    None,
    FolderMissing,      // the folder it would be in does not exist
    IsFolder,           // a folder has its name
    AccessDenied,       // the user may not write it, or it is read-only
    InUse,              // another program holds it without sharing it
    DiskFull,           // no room left on its disk, or the user's quota is spent
    NameNotInCodePage,  // its name holds characters the program's code page lacks (Windows only)
    CannotWrite         // anything else the system reports
};

// A log file open for one run: created where missing, and either emptied or written only at its
// end, so that runs of several programs appending to one file never overwrite each other. Others
// may read, write, rename or remove it while it is open, so that a viewer that keeps it open never
// stops a run, nor the next one.
class LogFile {
public:
    LogFile() = default;
    ~LogFile() { close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens `path`, emptied, or with `append` to be written after what it holds. Never waits for a
    // reader of a pipe of that name.
    LogFileProblem open(const std::string& path, bool append);
    // Writes every byte of `text` at the end of the file.
    LogFileProblem write(std::string_view text);
    // Closes the file; what the system reports on closing (a network file's last write may fail
    // only then).
    LogFileProblem close();

private:
    NativeFile file_;
};

}  // namespace platform

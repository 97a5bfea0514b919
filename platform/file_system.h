// The file-system boundary of the portable core: directory enumeration, directory existence and
// creation, file opening and file times. Implemented once per platform (win32/, posix/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

// Appends the entries of `directory` whose names match `mask` (the system's wildcard rules), in
// the order the system reports them, "." and ".." included where the system reports them.
// Links to directories are left out, so a walk of the tree can never loop. Returns false when
// the enumeration cannot be started; `entries` is then unchanged.
bool listDirectory(const std::string& directory, const std::string& mask, std::vector<DirEntry>& entries);

bool isDirectory(const std::string& path);

// Creates one directory level; true when it was created.
bool createDirectory(const std::string& path);

// Opens a file with a stdio mode ("rb", "r+b", "w+b"). A directory is never opened as a file.
std::FILE* openFile(const std::string& path, const char* mode);

// The length of an open file in bytes, or -1; the stream's position is not moved.
std::int64_t fileSize(std::FILE* file);

// Reads or writes `length` bytes at `position` of an open, unbuffered file in one positioned
// call where the system has one, so a run pays no separate seek per page. The stream's own
// position is not to be relied on afterwards. True when every byte was moved.
bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length);
bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length);

// Cuts an open file back to `length` bytes; true on success.
bool truncateFile(std::FILE* file, std::int64_t length);

// Puts `from` in the place of `to` in one step, replacing a file of that name; true on success.
bool replaceFile(const std::string& from, const std::string& to);

bool removeFile(const std::string& path);

// The times the platform keeps for a file, in its own units: creation, last access and last
// write on Windows; last access and last write on POSIX (`hasCreation` false).
struct FileTimes {
    std::int64_t creation = 0;
    std::int64_t lastAccess = 0;
    std::int64_t lastWrite = 0;
    bool hasCreation = false;
};

bool readFileTimes(const std::string& path, FileTimes& times);
bool writeFileTimes(const std::string& path, const FileTimes& times);

}  // namespace platform

namespace platform {

// True for the part of a path that is never created: the root ("" before a leading
// separator), and on Windows a drive ("C:") or the server and share of a UNC path.
bool isRootPrefix(const std::string& prefix);

}  // namespace platform

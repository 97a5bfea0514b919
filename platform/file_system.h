// The file-system boundary of the portable core: directory enumeration, directory existence and
// creation, file opening and file times. Implemented once per platform (win32/, posix/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "native_handles.h"

namespace platform {

// Whose an entry is when it is a link, a junction or a mount point: only the user's own and the
// system's are followed through a folder that strangers may write to.
enum class LinkOwner {
    NotALink,
    OwnOrSystem,  // the user who runs the program, or the system (root; Administrators, SYSTEM)
    Stranger,     // anyone else
    Unknown       // the system does not tell (a Unix link seen under Wine)
};

// How far the times and identities a file system gives tell that a file has not changed since it
// was last looked at: not at all (FAT and exFAT keep no change time and no lasting identity), or
// by the clock of this computer, or of another one (a network file system's server).
enum class FileTrust : std::uint8_t { None, Local, Remote };

// What tells a file unchanged without reading it: its length, its last-write and change times (in
// the platform's units), and its identity (its volume and its number there). The change time moves
// whenever anything of the file changes, its times and its names included.
struct FileFacts {
    std::int64_t size = -1;
    std::int64_t lastWrite = 0;
    std::int64_t change = 0;
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileFacts&) const = default;
};

// What the file system of a folder tells of the files in it: their volume, and how far their
// facts can be trusted.
struct FolderFacts {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;  // the folder's own number on its volume
    FileTrust trust = FileTrust::None;
};
// False when the folder cannot be asked.
bool folderFacts(const std::string& directory, FolderFacts& facts);

// The time now, in the units of file times and from the clock the file system stamps them with.
std::int64_t fileClockNow();

struct DirEntry {
    std::string name;
    bool isDirectory = false;  // links, junctions and mount points of directories included
    // False when the program's code page cannot hold the name exactly (only on Windows without
    // the UTF-8 code page): `name` then has "?" for what was lost and names no file.
    bool nameIsExact = true;
    LinkOwner link = LinkOwner::NotALink;
    // The facts of a file that is no folder (what it leads to, for a link), when they were asked
    // for; `size` -1 when they could not be told.
    FileFacts facts;
};

// Why a directory could not be listed.
enum class ListResult { Listed, NotFound, AccessDenied, InUse, PathTooLong, NotListable };

// Appends the entries of `directory` whose names match `mask` (the system's wildcard rules), in
// the order the system reports them, "." and ".." included where the system reports them; with
// `withFacts`, the facts of the files among them (but for their volume, which is the folder's). On
// any result but Listed `entries` is unchanged.
ListResult listDirectory(const std::string& directory, const std::string& mask,
                         std::vector<DirEntry>& entries, bool withFacts = false);

// Which directory a path reaches, whatever way it goes: the volume and the file's number on it,
// and whether the user or the system owns it (what counts for a folder mounted there).
struct DirectoryIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool ownOrSystem = true;
    bool operator<(const DirectoryIdentity& other) const {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
};
// False when the directory cannot be asked.
bool directoryIdentity(const std::string& path, DirectoryIdentity& identity);

// False for a name the listing could only give with "?" for what the code page lacks (a page
// file's name, or a directory given by the user): it must never be opened, since the system
// would take "?" for a wildcard or fail. Always true on POSIX, where "?" is an ordinary byte.
bool isExactName(std::string_view name);

bool isDirectory(const std::string& path);

// True when anything has this name: a file, a folder, a link (which is not followed).
bool pathExists(const std::string& path);

// True when the system takes `path` for a file: on Windows a path the code page's file calls take
// (259 characters) with no step longer than 255; on POSIX no step longer than 255 bytes and the
// whole shorter than 4,096.
bool pathFits(const std::string& path);

// True when this process may create entries in `directory` (the current directory when empty), as
// far as the system tells without trying: its permissions on POSIX; on Windows, where only a try
// tells, whether it is a directory.
bool mayCreateIn(const std::string& directory);

// What became of a file to be removed below a folder.
enum class RemoveResult {
    Removed,
    NotThere,  // nothing of that name, or nothing that may be removed: a folder, a link, a file with
               // another name as well, or a path that leads out of the folder
    Failed     // a plain file there that could not be removed (another user's, say)
};

// Creates one directory level; true when it was created.
bool createDirectory(const std::string& path);

// A number that tells this process apart from every other process running now.
std::uint32_t processNumber();

// The times the platform keeps for a file, in its own units: creation, last access and last
// write on Windows; last access and last write on POSIX (`hasCreation` false).
struct FileTimes {
    std::int64_t creation = 0;
    std::int64_t lastAccess = 0;
    std::int64_t lastWrite = 0;
    bool hasCreation = false;
};

// What the system tells of an open file in one call: its length, whether it is a plain file, and
// its times.
struct FileInfo {
    std::int64_t size = -1;
    bool regular = false;
    FileTimes times;
    // Its facts as far as the same call tells them: all of them on POSIX; on Windows all but the
    // identity, which InputFile::identify adds.
    FileFacts facts;
};
bool fileInfo(std::FILE* file, FileInfo& info);

// Opens a file with a stdio mode ("rb", "r+b", "w+b"). A directory is never opened as a file, nor
// for reading anything but a plain file (a pipe would keep the caller waiting for a writer). With
// `info`, what fileInfo tells of it, asked in the same go.
std::FILE* openFile(const std::string& path, const char* mode, FileInfo* info = nullptr);

class OpenFolder;

// A plain file opened only to be read at known positions, without a stdio stream, which would only
// add an allocation and a call per file: page files, and the files already in outputs' places.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` when it is a plain file, never waiting on a pipe, and tells in `info` what
    // fileInfo would. With `followLinks` false, a link or junction at `path` itself is not
    // followed but refused: for files in a folder others may write to. False, with nothing open,
    // otherwise.
    bool open(const std::string& path, bool followLinks, FileInfo& info);
    // Opens the plain file `name` in `folder`, never through a link, and tells its number of
    // names in `links`; with `forTimes` its times may be set as well (where the user may).
    bool openIn(const OpenFolder& folder, const std::string& name, bool forTimes, FileInfo& info,
                unsigned& links);
    bool isOpen() const { return file_.isOpen(); }
    // What the system tells of the open file now.
    bool info(FileInfo& info) const;
    // Adds to `facts` the file's number on its volume, where info() did not tell it.
    bool identify(FileFacts& facts) const;
    // True when the file is the user's own (or, on Windows, the system's or the administrators').
    bool isOwn() const;
    // Reads `length` bytes at `position`; true when every byte was read.
    bool readAt(std::int64_t position, void* data, std::size_t length) const;
    // Gives the file these times (opened for them); false when the system refuses.
    bool setTimes(const FileTimes& times) const;
    // False when the system reports a failure.
    bool close();

private:
    NativeFile file_;
};

// Reads or writes `length` bytes at `position` of an open, unbuffered file in one positioned
// call where the system has one, so a run pays no separate seek per page. The stream's own
// position is not to be relied on afterwards. True when every byte was moved.
bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length);
bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length);

// Cuts an open file back to `length` bytes; true on success.
bool truncateFile(std::FILE* file, std::int64_t length);

bool readFileTimes(const std::string& path, FileTimes& times);
bool writeFileTimes(const std::string& path, const FileTimes& times);

}  // namespace platform

namespace platform {

// True for the part of a path that is never created: the root ("" before a leading
// separator), and on Windows a drive ("C:") or the server and share of a UNC path.
bool isRootPrefix(const std::string& prefix);

}  // namespace platform

// The save folder, held open for a run, and every file operation below it. The folder may be
// shared with strangers, so nothing below it is reached by a path of its own: each step is walked
// from the folder held open, a link, junction or mount point on the way is entered only when it
// is the user's or the system's, and files are created, opened, put in place, given times and
// removed through an open folder, a temporary through its own handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "native_handles.h"
#include "platform/file_system.h"

namespace platform {

// How a step below the save folder went.
enum class Reach {
    Reached,
    Missing,        // not there (and not to be made)
    StrangersLink,  // a link, junction or mount point of another user's: never entered
    UnknownLink,    // a link whose owner the system does not tell (Wine): never entered
    Denied,         // this user may not open or make it
    Failed          // no folder, or it could not be opened or made
};

// Which links a walk may enter: those of the user and the system, or none at all.
enum class LinkRule { OwnOrSystem, None };

class CreatedFile;
class OpenFolder;
bool openPrivateCache(OpenFolder& folder);

// An entry of a folder with its facts (not followed, for a link); `size` -1 when they could not
// be told.
struct FolderEntry {
    std::string name;
    FileFacts facts;
};

// A folder at or below the save folder, held open.
class OpenFolder {
public:
    OpenFolder() = default;
    ~OpenFolder() { close(); }
    OpenFolder(OpenFolder&& other) noexcept;
    OpenFolder& operator=(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // Opens the folder `path` names, links on the way followed: a folder the user names. False
    // when it is no folder or cannot be opened.
    bool openNamed(const std::string& path);
    bool isOpen() const { return native_.isOpen(); }
    void close();
    // Makes `into` hold this folder as well.
    bool duplicate(OpenFolder& into) const;

    // Opens the folder `name` in this one, made first when missing and `make` is set, and
    // entered only as `rule` allows when it is a link, junction or mount point.
    Reach enter(const std::string& name, LinkRule rule, bool make, OpenFolder& into) const;

    // The names this folder holds, "." and ".." left out. False when it cannot be listed.
    bool list(std::vector<std::string>& names) const;
    // The same with the facts of each entry, each on the folder's volume.
    bool listFacts(std::vector<FolderEntry>& entries) const;
    // True when something of that name is here: a file, a folder, a link (not followed).
    bool holds(const std::string& name) const;
    // What the folder's file system tells of its files.
    bool facts(FolderFacts& facts) const;
    // Waits until everything written to this folder's file system is on its disk, with `written`
    // one of the files written there still open (which Windows needs; files written there before
    // have had their bytes sent with CreatedFile::sendToDisk). False when that cannot be told.
    bool waitForDisk(const CreatedFile* written) const;

    // Creates `name` where nothing of that name is (never through a link), for reading and
    // writing; with `ownerOnly`, for nobody but the user to read (where the system has such
    // permissions). False when something is there or it cannot be created.
    bool create(const std::string& name, CreatedFile& file, bool ownerOnly = false) const;

    // Removes the plain file `name` when it is no link and has no other name.
    RemoveResult removePlain(const std::string& name) const;

    // The system's own handle, for the platform's own parts.
    const NativeFolder& native() const { return native_; }

private:
    friend bool openPrivateCache(OpenFolder& folder);
    NativeFolder native_;
};

// What putting a file in place found.
enum class Placing {
    Placed,
    NotItsName,          // its name holds another file now: someone exchanged it, and nothing is moved
    ChangedLength,       // someone wrote to it besides the run
    Refused,             // the system would not put it there (a folder holds the name, say)
    PlacedButNotClosed,  // in place, but closing it failed: some of its bytes may be lost
};

// A file this run created below the save folder: open for reading and writing (a stream for the
// positioned calls of readAt and writeAt), and bound to the name it was created under in the
// folder it was created in, which must be the one handed to its calls.
class CreatedFile {
public:
    CreatedFile() = default;
    ~CreatedFile() { close(); }
    CreatedFile(CreatedFile&& other) noexcept;
    CreatedFile& operator=(CreatedFile&& other) noexcept;
    CreatedFile(const CreatedFile&) = delete;
    CreatedFile& operator=(const CreatedFile&) = delete;

    bool isOpen() const { return stream_ != nullptr; }
    std::FILE* stream() const { return stream_; }
    const std::string& name() const { return name_; }

    // Puts the file in the place of `name` in `folder`, replacing what is there, when the file
    // still has the name it was created under and the `length` the run gave it: a file that
    // someone else put under that name is never moved.
    Placing putInPlace(const OpenFolder& folder, const std::string& name, std::int64_t length);
    // Gives the file these times; false when the system refuses.
    bool setTimes(const FileTimes& times);
    // Its facts now, but for its volume, which is its folder's.
    bool facts(FileFacts& facts) const;
    // Sends its bytes on to the disk without waiting for the disk to keep them, where the system
    // needs that before OpenFolder::waitForDisk (Windows).
    void sendToDisk() const;
    // Removes the file from `folder` when it still has its name there; whatever has taken the
    // name since is left alone. False when it could not be removed.
    bool discard(const OpenFolder& folder);
    // False when the system reports a failure.
    bool close();

private:
    friend class OpenFolder;
    std::FILE* stream_ = nullptr;
    std::string name_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

// The save folder of a run, held open, and the walks below it.
class SaveFolder {
public:
    // Opens `path` as the user named it (it may be a link itself). False when it is no folder or
    // cannot be opened.
    bool open(const std::string& path);
    bool isOpen() const { return root_.isOpen(); }
    void close() { root_.close(); }
    const OpenFolder& root() const { return root_; }

    // Reaches the folder `steps` name below the save folder, each step made when missing and
    // `make` is set, entered only when no link or one of the user's or the system's. `failedAt`
    // tells how many steps were reached when it failed.
    Reach reach(const std::vector<std::string>& steps, bool make, OpenFolder& folder,
                std::size_t& failedAt) const;

    // Removes the plain file `steps` name below the save folder, reached through no link at all
    // and through no folder that holds `nestedMark` (a save folder of its own), when it has no
    // other name.
    RemoveResult removeBelow(const std::vector<std::string>& steps, const std::string& nestedMark) const;

private:
    OpenFolder root_;
};

}  // namespace platform

// The few calls each platform makes for the parts of the platform layer that are the same on
// every platform (platform/*.cpp): a folder's steps, handles closed and duplicated, bytes read at
// a position and times given. Only the platform layer includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "native_handles.h"
#include "platform/file_system.h"

namespace platform::native {

void closeFolder(NativeFolder& folder);
bool duplicateFolder(const NativeFolder& folder, NativeFolder& into);

// What one step below a folder held open is, looked at without following a link.
enum class StepKind {
    Folder,         // a folder of its own, now open in `opened`
    MountedFolder,  // the root of another file system mounted there, now open in `opened`
    Link,           // a link, junction or mount point, not entered
    Missing,
    Denied,  // this user may not open it
    Failed   // no folder, or it could not be opened
};
struct Step {
    StepKind kind = StepKind::Failed;
    LinkOwner owner = LinkOwner::NotALink;  // of a Link or a MountedFolder
};
Step probeStep(const NativeFolder& at, const std::string& name, NativeFolder& opened);

// Makes the folder `name` in `at`; Made also when another run made it first.
enum class Making { Made, Denied, Failed };
Making makeFolder(const NativeFolder& at, const std::string& name);

// Opens the folder `name` in `at`, following a link there to wherever it leads.
bool openFollowingLink(const NativeFolder& at, const std::string& name, NativeFolder& into);

// False when the system reports a failure.
bool closeFile(NativeFile& file);
// The file under a stream the platform layer opened.
NativeFile fileOf(std::FILE* stream);
// Reads at most `length` bytes at `position`: how many, 0 at the end of the file, -1 on an error.
std::int64_t readSome(const NativeFile& file, std::int64_t position, void* data, std::size_t length);
// Gives the file these times (last access and last write, and creation where the system keeps it).
bool setTimes(const NativeFile& file, const FileTimes& times);

}  // namespace platform::native

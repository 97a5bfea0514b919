// The folder where this user's runs keep what they may lose without harm (the record of how each
// merged fax was made): private to the user, never a folder others may write. On Windows below
// the local application data folder; on POSIX a systemd service's $CACHE_DIRECTORY, else
// $XDG_CACHE_HOME or ~/.cache, with a folder "quirewell" of its own there.
#pragma once

#include <cstddef>
#include <string>

#include "platform/save_folder.h"

namespace platform {

// Opens the folder, made where missing; false when there is none that this user alone may write
// (then nothing is kept between runs).
bool openPrivateCache(OpenFolder& folder);

// Reads the file `name` in `folder` whole, at most `most` bytes of it, when it is a plain file of
// the user's own (or the system's) with no other name; false otherwise.
bool readOwnFile(const OpenFolder& folder, const std::string& name, std::size_t most, std::string& bytes);

// Writes `bytes` to the file `name` in `folder` whole: to a new file first, which then takes its
// place, so that a reader finds the earlier file or the new one, never a part.
bool replaceFile(const OpenFolder& folder, const std::string& name, const std::string& bytes);

}  // namespace platform

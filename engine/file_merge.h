// The per-file merge's helpers: copying file times from a page file to its output, and making
// an output directory with every missing level above it.
#pragma once

#include <string>

// True when the times of `from` were given to `to`.
bool copyFileTimes(const std::string& from, const std::string& to);

// Nonzero when `path` is a directory when the call returns (it existed or has been made, with
// every missing parent). The process's current directory is never changed.
int makeDirectories(const std::string& path);

// The reason written into a failed entry's log line for a result of FaxFile::appendTo.
const char* appendFailureReason(int appendResult);

// What an output needs around its pages: its directory made with every missing level above it,
// and the file times of a page file given to it.
#pragma once

#include <string>

// True when the times of `from` were given to `to`.
bool copyFileTimes(const std::string& from, const std::string& to);

// Nonzero when `path` is a directory when the call returns (it existed or has been made, with
// every missing parent). The process's current directory is never changed.
int makeDirectories(const std::string& path);

// What an output needs around its pages: its directory made with every missing level above it.
#pragma once

#include <string>

// Nonzero when `path` is a directory when the call returns (it existed or has been made, with
// every missing parent). The process's current directory is never changed.
int makeDirectories(const std::string& path);

// True when makeDirectories(path) would find or make the directory, as far as can be told
// without creating anything: no file holds a name on the way, and the deepest directory there
// is may be written in.
bool directoryCouldBeMade(const std::string& path);

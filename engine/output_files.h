// What an output needs around its pages: its directory made with every missing level above it.
#pragma once

#include <string>

// Nonzero when `path` is a directory when the call returns (it existed or has been made, with
// every missing parent). The process's current directory is never changed.
int makeDirectories(const std::string& path);

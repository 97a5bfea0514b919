// Finding page files: the extension test, the order in which a directory's entries are taken,
// and the walk of a source directory.
#pragma once

#include <string>
#include <vector>

// 1 when the path ends with ".FXS", ".FXR" or ".FXD" in any letter case, else 0.
int isFaxFile(const std::string& path);

// The order of a directory's entries: bytes compared with ASCII a-z taken as A-Z, ties broken
// by the raw bytes. For ASCII names this is the order NTFS returns on every file system.
bool precedesInNameOrder(const std::string& a, const std::string& b);

// Appends the page files of `directory` matching `mask` (and, with `includeSubdirs`, those of its
// sub-directories, each at the point where the walk meets it) to `list`, in name order within
// each directory. Each entry is the file's path relative to `sourceDir`, the root of the walk.
void listPageFiles(const std::string& sourceDir, const std::string& directory, const std::string& mask,
                   bool includeSubdirs, std::vector<std::string>& list);

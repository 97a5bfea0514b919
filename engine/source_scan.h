// Finding page files: the extension test and the order in which a directory's entries are taken.
#pragma once

#include <string>

// 1 when the path ends with ".FXS", ".FXR" or ".FXD" in any letter case, else 0.
int isFaxFile(const std::string& path);

// The order of a directory's entries: bytes compared with ASCII a-z taken as A-Z, ties broken
// by the raw bytes. For ASCII names this is the order NTFS returns on every file system.
bool precedesInNameOrder(const std::string& a, const std::string& b);

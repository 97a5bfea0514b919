// The list of temporaries a run keeps in its save folder's lock file, so that the next run can
// remove what a killed one left: a line each, the temporary's path below the save folder with its
// steps joined by "/", control characters and "%" written as "%XX". The lock file lies where
// strangers may write, so what a list holds is checked before anything is done with it.
#pragma once

#include <string>
#include <vector>

// The list line of `temporary` (ending in "\n"), a path that begins with `saveFolder`; empty when
// it does not lie below the save folder.
std::string temporaryListLine(const std::string& saveFolder, const std::string& temporary);

// The temporaries a list names, each as the steps of its path below the save folder. An entry
// that is absolute, has a drive or a server in front, a "." or ".." step, an empty step, a
// control character, or a last step that is not exactly a temporary's name, is left out, and so
// is an unfinished last line.
struct ListedTemporary {
    std::vector<std::string> steps;
    std::string line;  // as listed, with its line end
};
std::vector<ListedTemporary> listedTemporaries(const std::string& text);

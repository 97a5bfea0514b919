// The lines of a list of temporaries, which a run keeps in its save folder so that the next run
// can remove what a killed one left: a line each, the temporary's path below the save folder with
// its steps joined by "/", control characters and "%" written as "%XX". Lists lie where strangers
// may write, so what a list holds is checked before anything is done with it.
#pragma once

#include <string>
#include <vector>

// The list line (ending in "\n") of the temporary that `steps` name below the save folder, its
// name last.
std::string temporaryListLine(const std::vector<std::string>& steps);

// The temporaries a list names, each as the steps of its path below the save folder. An entry
// that is absolute, has a drive or a server in front, a "." or ".." step, an empty step, a
// control character, or a last step that is not exactly a temporary's name, is left out, and so
// is an unfinished last line.
struct ListedTemporary {
    std::vector<std::string> steps;
    std::string line;  // as listed, with its line end
};
std::vector<ListedTemporary> listedTemporaries(const std::string& text);

// Text between the program's code page and the system's own UTF-16, for the calls that only the
// wide functions make safely: names are never converted with the system's best fit, which would
// turn "Ł" into "L" and so name another, existing file.
#pragma once

#include <string>

namespace platform {

// Text in the program's code page (or in `codePage`) as UTF-16.
std::wstring widen(const std::string& text);
std::wstring widen(const std::string& text, unsigned codePage);

// UTF-16 text in the program's code page (or in `codePage`). `exact` is false when the code
// page cannot hold all of it; the text then has "?" for each character it lacks, a character no
// Windows file name holds.
std::string narrow(const std::wstring& text, bool& exact);
std::string narrow(const std::wstring& text, unsigned codePage, bool& exact);

}  // namespace platform

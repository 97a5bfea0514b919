// What a console program takes from the system and gives back: its arguments in the program's
// code page, never converted with best fit, and a console that shows what it writes as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "native_handles.h"

namespace platform {

// The program's arguments after its own name. On Windows they are read as the system holds them
// (UTF-16) and converted without best fit: a character the code page lacks becomes "?", so that
// a folder is never taken for another whose name only looks alike.
std::vector<std::string> programArguments(int argc, char** argv);

// While it lives, the console (if the program has one) shows what the program writes as UTF-8;
// afterwards it shows text as it did before. Nothing to do on POSIX.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    [[maybe_unused]] NativeConsoleState saved_;
};

}  // namespace platform

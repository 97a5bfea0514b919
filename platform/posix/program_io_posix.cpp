// Program arguments and console output on POSIX: the arguments are the program's text as given,
// and a terminal takes UTF-8 as it is.
#include "platform/program_io.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace platform

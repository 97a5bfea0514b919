// Program arguments from the system's UTF-16 command line, and the console's output code page.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/program_io.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv + 1, argv + argc};
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        bool exact = true;
        arguments.push_back(narrow(wide[i], exact));
    }
    LocalFree(wide);
    return arguments;
}

Utf8Console::Utf8Console() : saved_{GetConsoleOutputCP()} {
    // No console (output redirected from a service, say) has no code page to set or restore.
    if (saved_.codePage != 0) {
        SetConsoleOutputCP(CP_UTF8);
    }
}

Utf8Console::~Utf8Console() {
    if (saved_.codePage != 0) {
        SetConsoleOutputCP(saved_.codePage);
    }
}

}  // namespace platform

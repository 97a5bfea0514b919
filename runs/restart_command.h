// The command lines of a start again after an upgrade: where a program's own arguments begin, and
// the line that hands the restart helper what it needs (the installer to wait for, the program and
// its arguments). Kept here, without a window, so that both are tested on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Where the arguments begin in a command line as the system holds it: after the program's name,
// which ends at its closing quotation mark, or unquoted at the first character of code 0x20 or
// below, and after the blanks that follow it.
std::size_t argumentsStart(std::wstring_view line);

// What the restart helper is asked to do: once the process behind the inherited handle
// `installer` has ended, start `program` with `arguments`, exactly as they were written.
struct RestartRequest {
    std::uintptr_t installer = 0;
    std::wstring program;
    std::wstring arguments;
};

// A program's command line: its name in quotation marks (no Windows path holds one), then its
// arguments unchanged.
std::wstring programCommandLine(std::wstring_view program, std::wstring_view arguments);

// The helper's command line: its own name in quotation marks, the handle in decimal, then the
// program's command line.
std::wstring restartCommandLine(std::wstring_view helper, const RestartRequest& request);

// Reads a helper's command line back; false when it is not one restartCommandLine makes.
bool parseRestartCommandLine(std::wstring_view line, RestartRequest& request);

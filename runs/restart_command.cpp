// The command lines of a start again after an upgrade.
#include "runs/restart_command.h"

namespace {

// The quoted text at `position` (a name in quotation marks), and the position after its closing
// mark; npos when there is none.
std::size_t takeQuoted(std::wstring_view line, std::size_t position, std::wstring& text) {
    if (position >= line.size() || line[position] != L'"') {
        return std::wstring_view::npos;
    }
    const std::size_t close = line.find(L'"', position + 1);
    if (close == std::wstring_view::npos || close == position + 1) {
        return std::wstring_view::npos;
    }
    text.assign(line.substr(position + 1, close - position - 1));
    return close + 1;
}

}  // namespace

std::size_t argumentsStart(std::wstring_view line) {
    std::size_t position = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        position = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (position < line.size() && line[position] > L' ') {
            ++position;
        }
    }
    while (position < line.size() && line[position] <= L' ') {
        ++position;
    }
    return position;
}

std::wstring programCommandLine(std::wstring_view program, std::wstring_view arguments) {
    std::wstring line = L"\"";
    line.append(program);
    line += L"\"";
    if (!arguments.empty()) {
        line += L" ";
        line.append(arguments);
    }
    return line;
}

std::wstring restartCommandLine(std::wstring_view helper, const RestartRequest& request) {
    return programCommandLine(helper, std::to_wstring(request.installer)) + L" " +
           programCommandLine(request.program, request.arguments);
}

bool parseRestartCommandLine(std::wstring_view line, RestartRequest& request) {
    std::size_t position = argumentsStart(line);
    std::uintptr_t handle = 0;
    const std::size_t digits = position;
    for (; position < line.size() && line[position] >= L'0' && line[position] <= L'9'; ++position) {
        const std::uintptr_t next = handle * 10 + static_cast<std::uintptr_t>(line[position] - L'0');
        if (next / 10 != handle) {
            return false;
        }
        handle = next;
    }
    if (position == digits || handle == 0 || position >= line.size() || line[position] != L' ') {
        return false;
    }
    std::wstring program;
    position = takeQuoted(line, position + 1, program);
    if (position == std::wstring_view::npos || (position < line.size() && line[position] != L' ')) {
        return false;
    }
    request.installer = handle;
    request.program = std::move(program);
    request.arguments.assign(line.substr(position < line.size() ? position + 1 : position));
    return true;
}

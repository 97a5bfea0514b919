// LinkLabel::OpenTarget: opens the link's address in the web browser, through the shell and, when
// the shell cannot, through the command registered for ".htm" documents.
#include "links/link_label.h"

#include <shellapi.h>

#include <optional>
#include <string>

#include "links/link_text.h"

namespace {

// ShellExecuteA results above this mean the document was opened.
constexpr INT_PTR kShellSucceeded = 32;
// WinExec results above this mean the program started.
constexpr UINT kWinExecSucceeded = 31;

// The default value of a key of the file-type registrations. Nothing when the key cannot be opened,
// the value cannot be read, or it does not fit its buffer: a cut-off command would start the
// wrong program.
std::optional<std::string> ReadClassDefault(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char value[kRegistryValueBytes] = {};
    LONG size = sizeof value;
    const LONG read = RegQueryValueA(key, nullptr, value, &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return textInBuffer(value, sizeof value);
}

// Runs the open command of the file type that handles ".htm" documents with the address.
bool LaunchHtmlHandler(const char* address) {
    const std::optional<std::string> fileType = ReadClassDefault(".htm");
    if (!fileType) {
        return false;
    }
    const std::optional<std::string> openCommand = ReadClassDefault(*fileType + "\\shell\\open\\command");
    if (!openCommand) {
        return false;
    }
    const std::optional<std::string> commandLine = browserCommand(*openCommand, address);
    if (!commandLine) {
        return false;
    }
    return WinExec(commandLine->c_str(), SW_SHOWNORMAL) > kWinExecSucceeded;
}

}  // namespace

bool LinkLabel::OpenTarget() {
    if (!target) {
        return false;
    }
    const auto shell = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", target.get(), nullptr, nullptr, SW_SHOWNORMAL));
    if (shell <= kShellSucceeded && !LaunchHtmlHandler(target.get())) {
        return false;
    }
    visited = true;
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

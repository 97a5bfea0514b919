// HelpLoader: loads hhctrl.ocx from its registered full path, or else from the system folder, and
// keeps it for the rest of the process.
#include "app/help_loader.h"

#include <string>

namespace {

constexpr const char* kControlKey = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpAOrdinal = 14;

// The control's registered path when it is a full path, else empty. Never a bare name, which the
// system would also look for beside the program.
std::string RegisteredControlPath() {
    std::string registered;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char value[MAX_PATH] = {};
        DWORD size = sizeof value - 1;  // room for a terminator the value may lack
        DWORD type = 0;
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
            if (type == REG_EXPAND_SZ) {
                char expanded[MAX_PATH] = {};
                const DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
                registered = length > 0 && length <= sizeof expanded ? expanded : "";
            } else if (type == REG_SZ) {
                registered = value;
            }
        }
        RegCloseKey(key);
    }
    const bool fullPath = (registered.size() > 2 && registered[1] == ':' && registered[2] == '\\') ||
                          registered.rfind("\\\\", 0) == 0;
    return fullPath ? registered : std::string();
}

// The control in the system folder.
std::string SystemControlPath() {
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return length > 0 && length < sizeof system ? std::string(system, length) + "\\hhctrl.ocx" : std::string();
}

// HtmlHelpA of the library at `path`, which then stays loaded; null when there is no such
// library or it lacks the function.
FARPROC LoadHtmlHelp(const std::string& path) {
    const HMODULE control = path.empty() ? nullptr : LoadLibraryA(path.c_str());
    if (control == nullptr) {
        return nullptr;
    }
    const FARPROC function = GetProcAddress(control, MAKEINTRESOURCEA(kHtmlHelpAOrdinal));
    if (function == nullptr) {
        FreeLibrary(control);
    }
    return function;
}

}  // namespace

HWND HelpLoader::HtmlHelpA(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    if (function_ == nullptr) {
        // The registered control first; when it is missing or lacks the function (a stale or
        // damaged registration), the one in the system folder. When neither serves, both are
        // tried again the next time.
        FARPROC function = LoadHtmlHelp(RegisteredControlPath());
        if (function == nullptr) {
            function = LoadHtmlHelp(SystemControlPath());
        }
        function_ = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(function));
    }
    return function_ != nullptr ? function_(caller, file, command, data) : nullptr;
}

// HelpLoader: loads hhctrl.ocx from its registered full path or the system folder, once per
// process.
#include "app/help_loader.h"

#include <string>

namespace {

constexpr const char* kControlKey = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpAOrdinal = 14;

// The control's path: the registered one when it is a full path, else the one in the system
// folder. Never a bare name, which the system would also look for beside the program.
std::string ControlPath() {
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
    if (fullPath) {
        return registered;
    }
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return length > 0 && length < sizeof system ? std::string(system, length) + "\\hhctrl.ocx" : std::string();
}

}  // namespace

HWND HelpLoader::HtmlHelpA(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    if (control_ == nullptr && !failed_) {
        const std::string path = ControlPath();
        control_ = path.empty() ? nullptr : LoadLibraryA(path.c_str());
        if (control_ == nullptr) {
            failed_ = true;
            return nullptr;
        }
    }
    if (function_ == nullptr && !failed_) {
        function_ = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(control_, MAKEINTRESOURCEA(kHtmlHelpAOrdinal))));
        if (function_ == nullptr) {
            failed_ = true;
            return nullptr;
        }
    }
    return function_ != nullptr ? function_(caller, file, command, data) : nullptr;
}

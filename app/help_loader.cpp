// HelpLoader: finds hhctrl.ocx through its registration, or by name, once per process.
#include "app/help_loader.h"

namespace {

constexpr const char* kControlKey = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpAOrdinal = 14;

HMODULE LoadRegisteredControl() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    char path[MAX_PATH] = {};
    DWORD size = sizeof path - 1;  // room for a terminator the value may lack
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return nullptr;
    }
    return LoadLibraryA(path);
}

}  // namespace

HWND HelpLoader::HtmlHelpA(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    if (control_ == nullptr && !failed_) {
        control_ = LoadRegisteredControl();
        if (control_ == nullptr) {
            control_ = LoadLibraryA("hhctrl.ocx");
        }
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

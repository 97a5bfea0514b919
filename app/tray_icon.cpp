// TrayIcon: Shell_NotifyIconA and the icon's menu.
#include "app/tray_icon.h"

#include <cstring>

#include "resources/resource.h"

TrayIcon::TrayIcon()
    : callbackMessage_(RegisterWindowMessageA("WM_TRAYICON")),
      taskbarCreatedMessage_(RegisterWindowMessageA("TaskbarCreated")) {}

TrayIcon::~TrayIcon() { Remove(); }

bool TrayIcon::Install(HWND window, const char* tip, HICON icon, UINT id) {
    // The form of the record every shell since Windows 2000 takes: a tip of 127 characters, where
    // the first form's held 63, and balloons.
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data_.hWnd = window;
    data_.uID = id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage_;
    data_.hIcon = icon;
    std::strncpy(data_.szTip, tip, sizeof data_.szTip - 1);
    installed_ = Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
    return installed_;
}

void TrayIcon::Reinstall() {
    // A new taskbar has lost the icon; one that still has it refuses the second add, and the
    // icon stays installed all the same.
    if (data_.hWnd != nullptr && data_.uFlags != 0) {
        installed_ = Shell_NotifyIconA(NIM_ADD, &data_) != FALSE || installed_;
    }
}

void TrayIcon::SetTip(const char* tip) {
    std::strncpy(data_.szTip, tip, sizeof data_.szTip - 1);
    data_.szTip[sizeof data_.szTip - 1] = '\0';
    Modify(NIF_TIP);
}

void TrayIcon::SetIcon(HICON icon) {
    data_.hIcon = icon;
    Modify(NIF_ICON);
}

void TrayIcon::ShowWarningBalloon(const char* title, const char* text) {
    // Only this change carries the balloon; the kept record has none for a later Reinstall.
    if (installed_) {
        NOTIFYICONDATAA change = data_;
        change.uFlags = NIF_INFO;
        change.dwInfoFlags = NIIF_WARNING;
        std::strncpy(change.szInfoTitle, title, sizeof change.szInfoTitle - 1);
        std::strncpy(change.szInfo, text, sizeof change.szInfo - 1);
        Shell_NotifyIconA(NIM_MODIFY, &change);
    }
}

void TrayIcon::Modify(UINT flags) {
    // Kept for a later Reinstall all the same; the shell is told only of an icon it shows.
    if (installed_) {
        NOTIFYICONDATAA change = data_;
        change.uFlags = flags;
        Shell_NotifyIconA(NIM_MODIFY, &change);
    }
}

void TrayIcon::Remove() {
    if (!installed_) {
        return;
    }
    data_.uFlags = 0;
    Shell_NotifyIconA(NIM_DELETE, &data_);
    installed_ = false;
}

LRESULT TrayIcon::OnCallback(HINSTANCE instance, WPARAM wParam, LPARAM lParam) {
    if (wParam != data_.uID) {
        return 0;
    }
    const HWND window = data_.hWnd;
    switch (LOWORD(lParam)) {
        case WM_RBUTTONUP: {
            HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
            if (menu == nullptr) {
                return 0;
            }
            HMENU popup = GetSubMenu(menu, 0);
            POINT cursor{};
            GetCursorPos(&cursor);
            // The menu closes when the user clicks elsewhere only if its owner is in the
            // foreground; the empty message afterwards lets a second right click work.
            SetForegroundWindow(window);
            SetMenuDefaultItem(popup, 0, TRUE);
            TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, window, nullptr);
            PostMessageA(window, WM_NULL, 0, 0);
            DestroyMenu(menu);
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            SetForegroundWindow(window);
            HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
            if (menu == nullptr) {
                return 0;
            }
            HMENU popup = GetSubMenu(menu, 0);
            SendMessageA(window, WM_COMMAND, GetMenuItemID(popup, 0), 0);
            DestroyMenu(menu);
            return 0;
        }
        default:
            return 0;
    }
}

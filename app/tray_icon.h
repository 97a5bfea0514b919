// The icon in the notification area: installed by the main dialog, it brings a hidden dialog
// back with a double click and offers "&Open...", "&About..." and "E&xit" on a right click; its
// tip, picture and balloon tell how the last merge went.
#pragma once

#include <windows.h>
#include <shellapi.h>

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    UINT CallbackMessage() const { return callbackMessage_; }
    // The message the shell broadcasts when the taskbar was created anew.
    UINT TaskbarCreatedMessage() const { return taskbarCreatedMessage_; }

    bool Install(HWND window, const char* tip, HICON icon, UINT id);
    // Adds the icon again after Explorer restarted and lost it.
    void Reinstall();
    void Remove();
    // Changes the tip the icon shows.
    void SetTip(const char* tip);
    // Changes the picture the icon shows.
    void SetIcon(HICON icon);
    // Shows a warning balloon once; a Reinstall does not show it again.
    void ShowWarningBalloon(const char* title, const char* text);
    bool Installed() const { return installed_; }

    // The icon's mouse messages: wParam the icon id, LOWORD(lParam) the mouse message.
    LRESULT OnCallback(HINSTANCE instance, WPARAM wParam, LPARAM lParam);

private:
    // Tells the shell of the parts of the record that `flags` name.
    void Modify(UINT flags);

    UINT callbackMessage_;
    UINT taskbarCreatedMessage_;
    NOTIFYICONDATAA data_{};
    bool installed_ = false;
};

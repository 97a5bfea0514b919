// A thin base for the program's dialogs: the static dialog procedure keeps the object's pointer
// from WM_INITDIALOG on and hands every message to the object's own handler.
#pragma once

#include <windows.h>

class DialogBase {
public:
    DialogBase() = default;
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // A modeless dialog from a template; null when it could not be created.
    HWND CreateModeless(HINSTANCE instance, int templateId, HWND owner);
    // A modal dialog from a template; the code it ended with, or -1.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);

    HWND Window() const { return window_; }

protected:
    // The dialog's message table. Returns TRUE for a message it took, FALSE for the platform's
    // default processing.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static INT_PTR CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

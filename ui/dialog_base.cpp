// DialogBase: binding a dialog window to its object.
#include "ui/dialog_base.h"

HWND DialogBase::CreateModeless(HINSTANCE instance, int templateId, HWND owner) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, &DialogBase::StaticProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogBase::RunModal(HINSTANCE instance, int templateId, HWND owner) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, &DialogBase::StaticProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogBase::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages that arrive before WM_INITDIALOG (WM_SETFONT and the like) take the default.
    if (self == nullptr) {
        return FALSE;
    }
    const INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

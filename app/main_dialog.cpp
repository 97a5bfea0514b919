// MainDialog: its message table and its place among the UI thread's message filters.
#include "app/main_dialog.h"

#include "app/module_state.h"
#include "resources/resource.h"

namespace {

constexpr int kExitOk = 1;
constexpr int kExitCancel = 2;

}  // namespace

MainDialog::MainDialog() : trayMessage_(RegisterWindowMessageA("WM_TRAYICON")) {}

MainDialog::~MainDialog() {
    if (loop_ != nullptr) {
        loop_->RemoveFilter(this);
    }
    if (Window() != nullptr) {
        DestroyWindow(Window());
    }
}

bool MainDialog::PreTranslate(MSG& message) {
    return Window() != nullptr && IsDialogMessageA(Window(), &message);
}

void MainDialog::CloseWithCode(int code) {
    DestroyWindow(Window());
    PostQuitMessage(code);
}

BOOL MainDialog::OnInitDialog() {
    loop_ = TheModule().FindLoop();
    if (loop_ != nullptr) {
        loop_->AddFilter(this);
    }
    return TRUE;
}

INT_PTR MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    CloseWithCode(kExitOk);
                    return TRUE;
                case IDCANCEL:
                    CloseWithCode(kExitCancel);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

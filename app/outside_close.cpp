// MainDialog asked to close from outside: by an installer's "Quirewell.Quit" message, and by the
// end of the session, which the Restart Manager also sends (with ENDSESSION_CLOSEAPP) to close a
// program whose files an installer must replace. A merge in progress finishes first, as when the
// window is closed during it: no merged fax is left half-written.
#include "app/main_dialog.h"
#include "app/restart_later.h"

LRESULT MainDialog::OnQuitRequest(DWORD installer, bool startAgain) {
    // Asked again while it finishes a merge, the answer alone is wanted: a number that grows while
    // the merge gets on, 0 when there is none. A program the user had closed is not started again.
    if (closingCode_ == 0) {
        if (startAgain && installer != 0) {
            StartAgainAfter(installer);
        }
        CloseWithCode(kExitOk);
    }
    return runActive_ == 1 ? 1 + reportsTaken_ : 0;
}

void MainDialog::OnEndSession() {
    // The process may be ended as soon as this message has been answered, so the merge is waited
    // for here, with the window hidden and the icon saying so; the shutdown screen says why.
    CloseWithCode(closingCode_ != 0 ? closingCode_ : kExitOk);
    if (runActive_ == 1) {
        ShutdownBlockReasonCreate(Window(), L"Finishing the merge...");
        WaitForWorker();
    }
    // The run's last report may have ended with its thread, untaken: then the window is closed here.
    if (Window() != nullptr) {
        ShutdownBlockReasonDestroy(Window());
        runActive_ = 0;
        CloseWithCode(closingCode_);
    }
}

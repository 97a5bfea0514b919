// MainDialog: merges started from the window, their worker's reports performed on the UI thread
// (the protocol is told in merge_worker.h), and what the icon tells of the last one.
#include "app/main_dialog.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "runs/dialog_rules.h"

namespace {

// Disabled while a run is active, in this order.
constexpr int kRunControls[] = {IDC_MERGE, IDC_FAX_DIR_BUTTON, IDC_SAVE_DIR_BUTTON, IDC_FAX_DIR,
                                IDC_SAVE_DIR};

}  // namespace

void MainDialog::WaitForWorker() {
    if (worker_ == nullptr) {
        return;
    }
    // The worker may still be sending its reports; they are served here until it has ended. A
    // report served here may end the program; its quit request is kept for the message loop.
    const HANDLE thread = worker_->Thread();
    bool quit = false;
    WPARAM quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    worker_.reset();
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
}

int MainDialog::PrepareRun() {
    // The worker scans the fax directory once it holds the save folder.
    preparedRun_ = std::make_unique<MergeOptions>();
    preparedRun_->setSourceDir(held_.faxDir);
    preparedRun_->setFileMask(held_.fileMask);
    preparedRun_->setIncludeSubdirs(held_.includeSubdirs == 1);
    return 0;
}

void MainDialog::MergeNow() {
    if (runActive_ == 1) {
        MessageBoxA(Window(), "Please wait while current merging stops", "Warning", MB_OK);
        return;
    }
    ExchangeData(Direction::Read);
    PrepareRun();
    if (held_.faxDir.empty()) {
        MessageBoxA(Window(), "Select Source Dir,\nwhere your fax files to be merged should be", "Warning",
                    MB_OK);
        return;
    }
    if (held_.saveDir.empty()) {
        MessageBoxA(Window(), "Select Save Dir,\nwhere your merged fax files should be", "Warning", MB_OK);
        return;
    }
    StartMergeWorker();
}

void MainDialog::StartMergeWorker(const LogFileSetting& log) {
    // The previous worker has delivered its last report, but may still be waiting for this
    // thread to take it; so its end is waited for with the messages served. Meanwhile its run
    // counts as active: a click served in the wait gets the usual refusal, a tick is skipped, and
    // a close only hides the window, which closes for good once the wait is over.
    if (worker_ != nullptr) {
        runActive_ = 1;
        WaitForWorker();
        runActive_ = 0;
        if (closingCode_ != 0) {
            CloseWithCode(closingCode_);
            return;
        }
    }
    // What the run takes from the held values goes into its record before the thread exists,
    // so that the worker never reads a held value.
    std::unique_ptr<MergeOptions> record = std::move(preparedRun_);
    record->setKeepFileDate(held_.keepFileDate == 1);
    record->setDestDir(held_.saveDir);
    worker_ = std::make_unique<MergeWorker>(Window(), std::move(record), held_.keepHierarchy == 1, log);
    if (!worker_->Start()) {
        worker_.reset();
        MessageBoxA(Window(), "Cannot start the merge", "Error", MB_OK);
        return;
    }
    runActive_ = 1;
}

void MainDialog::SetControlsEnabled(bool enabled) {
    for (const int id : kRunControls) {
        EnableWindow(GetDlgItem(Window(), id), enabled ? TRUE : FALSE);
    }
}

void MainDialog::BeginRun(bool saveDirFailed) {
    SetControlsEnabled(false);
    if (saveDirFailed) {
        MessageBoxA(Window(), "Error Save Dir", "Error", MB_OK);
    }
    SendMessageA(progressBar_, PBM_SETPOS, 0, 0);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void MainDialog::EndRun(const RunTotals& totals) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SetControlsEnabled(true);
    runActive_ = 0;
    if (closingCode_ != 0) {
        CloseWithCode(closingCode_);
        return;
    }
    ShowOutcome(totals);
}

void MainDialog::ShowNote(const std::string& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    trayIcon_.SetTip(trayNoteText(text, now.wHour, now.wMinute).c_str());
}

void MainDialog::ShowOutcome(const RunTotals& totals) {
    // A merge skipped because another run held the save folder all this time: the next tick
    // tries again, and meanwhile the tip tells why nothing was merged.
    if (totals.gaveUp) {
        ShowNote(held_.statusText);
        return;
    }
    // An unattended merge has nobody watching the window: the icon is all that tells how it went.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    trayIcon_.SetTip(trayTipText(totals, now.wHour, now.wMinute).c_str());
    const bool warnedBefore = warned_;
    warned_ = mergeNeedsWarning(totals);
    if (warned_ != warnedBefore) {
        trayIcon_.SetIcon(warned_ ? warningIcon_ : smallIcon_);
    }
    if (warningBalloonDue(warnedBefore, warned_, IsWindowVisible(Window()) != FALSE)) {
        trayIcon_.ShowWarningBalloon("Quirewell", warningBalloonText(totals).c_str());
    }
}

void MainDialog::OnWorkerReport() {
    if (worker_ == nullptr) {
        return;
    }
    WorkerReport report = worker_->TakeReport();
    ++reportsTaken_;
    if (report.begins) {
        BeginRun(report.saveDirFailed);
    }
    if (!report.waitingText.empty()) {
        ShowNote(report.waitingText);
    }
    if (report.scanned) {
        SendMessageA(progressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, progressMaximum(report.found)));
        SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
        SendMessageA(progressBar_, PBM_SETPOS, 0, 0);
    }
    if (report.steps > 0) {
        // One step per entry reported; drawn once, not once a step.
        SendMessageA(progressBar_, WM_SETREDRAW, FALSE, 0);
        for (unsigned i = 0; i < report.steps; ++i) {
            SendMessageA(progressBar_, PBM_STEPIT, 0, 0);
        }
        SendMessageA(progressBar_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(progressBar_, nullptr, TRUE);
    }
    if (!report.statusText.empty()) {
        held_.statusText = std::move(report.statusText);
    }
    if (report.logRestarts) {
        held_.logText = std::move(report.logText);
        held_.logReplaces = true;
    } else {
        held_.logText += report.logText;
    }
    // The closing text also closes the log box, directly after the run's log.
    if (report.ends) {
        held_.logText += held_.statusText;
    }
    ExchangeData(Direction::Write);
    if (report.ends) {
        EndRun(report.totals);
    }
}

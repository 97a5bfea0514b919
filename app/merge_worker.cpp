// The merge worker: the dialog's run on a thread of its own.
//
// How the worker and the window share a run:
// - StartMergeWorker (UI thread) fills the run options, hands the worker the window handle and
//   the keep-hierarchy state, and sets runActive. From then until the worker's last message the
//   run options belong to the worker: both starting handlers refuse while runActive is 1, so
//   the UI thread does not touch them.
// - The held values, the controls and runActive belong to the UI thread. Everything the worker
//   has to show (controls disabled and enabled, status and log texts, progress, cursor, the
//   refresh) travels to the UI thread in a synchronous private message (private_messages.h)
//   and is performed there. A report covers the entries done since the last one and goes at
//   most every 50 ms; its reply carries the held keep-hierarchy state back, which the worker
//   uses for the output paths of the entries that follow.
// - The worker keeps its own copy of the window handle. Once the window has been closed,
//   SendMessage fails at once; the worker goes on with the last keep-hierarchy state it was told
//   and completes every output, while the UI thread, its message loop ended, waits for it in
//   MainDialog::WaitForWorker.
#include <windows.h>

#include "app/main_dialog.h"
#include "app/private_messages.h"
#include "engine/file_merge.h"
#include "runs/dialog_rules.h"
#include "runs/directory_run.h"

namespace {

// Reports go to the dialog at most this often: a message per page file would cost a large run
// more than the merging itself.
constexpr ULONGLONG kReportIntervalMs = 50;

// Carries a run's progress to the dialog.
class DialogSink : public RunSink {
public:
    DialogSink(HWND window, MergeOptions& options, int keepHierarchy)
        : window_(window), options_(options), keepHierarchy_(keepHierarchy) {}

    int KeepHierarchy() const { return keepHierarchy_; }

    void entryStarted(const EntryPaths&) override {}

    void entryFinished(const EntryPaths& paths, bool) override {
        status_ = doingText(paths);
        ++steps_;
        const ULONGLONG now = GetTickCount64();
        if (now - lastReport_ < kReportIntervalMs) {
            return;
        }
        lastReport_ = now;
        const WorkerReport report = Report(status_);
        const LRESULT reply = SendMessageA(window_, WM_WORKER_ENTRY_DONE, 0, reinterpret_cast<LPARAM>(&report));
        if (reply != 0) {
            keepHierarchy_ = static_cast<int>(reply - 1);
        }
    }

    // What the dialog has not been told yet, taken out of the run's log: the log box is the one
    // place a run's whole log is kept. The first report carries the log from its start, since
    // the run's header replaced whatever the dialog showed before.
    WorkerReport Report(const std::string& status) {
        WorkerReport report{status, options_.takeRunLogText(), !replaced_, steps_};
        replaced_ = true;
        steps_ = 0;
        return report;
    }

private:
    HWND window_;
    MergeOptions& options_;
    int keepHierarchy_;
    std::string status_;
    unsigned steps_ = 0;
    bool replaced_ = false;
    ULONGLONG lastReport_ = 0;
};

}  // namespace

unsigned __stdcall MergeWorker(void* argument) {
    MainDialog& dialog = *static_cast<MainDialog*>(argument);
    const HWND window = dialog.workerWindow_;
    MergeOptions& options = dialog.runOptions_;

    // BeginRun.
    SendMessageA(window, WM_WORKER_BEGIN, 0, 0);
    if (makeDirectories(options.destDir()) == 0) {
        SendMessageA(window, WM_WORKER_SAVE_DIR_ERROR, 0, 0);
    }
    SendMessageA(window, WM_WORKER_STARTED, 0, 0);

    DialogSink sink(window, options, dialog.workerKeepHierarchy_);
    const std::string sourceDir = options.sourceDir();
    const std::string destDir = options.destDir();
    const RunTotals totals = walkScanList(
        options,
        [&](const std::string& entry) {
            return windowEntryPaths(sourceDir, destDir, entry, sink.KeepHierarchy() == 1);
        },
        true, &sink);

    // The closing texts, then EndRun; the dialog clears runActive as it handles this.
    const WorkerReport closing = sink.Report(dialogClosingText(totals));
    SendMessageA(window, WM_WORKER_RUN_DONE, 0, reinterpret_cast<LPARAM>(&closing));
    return static_cast<unsigned>(totals.merged);
}

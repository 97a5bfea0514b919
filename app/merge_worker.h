// MergeWorker: a merge started from the main window, run on a thread of its own, and the one way
// it tells the window what it has done.
//
// How a window run works:
// 1. On the UI thread the dialog reads its controls into a fresh MergeOptions record
//    (PrepareRun) and checks both directories. StartMergeWorker then gives the record, with the
//    save directory, "Include Sub-dir", "Keep File Date" and "Keep Hiberarchy" already in it or
//    beside it, to a new MergeWorker, starts its thread and sets runActive. From then on the
//    record belongs to the worker; the worker never reads or writes anything of the dialog's.
//    The worker scans the fax directory once it holds the save folder (it may wait for another
//    run first), and reports how many page files it found.
// 2. The worker reports what happened since its last report in one kind of message,
//    WM_WORKER_REPORT. The report itself waits in the worker's mailbox, under its lock, and the
//    message only tells the dialog to take it (TakeReport): reports merge in the mailbox until
//    they are taken, so a dialog that falls behind while it draws never holds the merge up, and
//    a message lost with a closed window loses nothing. Only the report of a save directory that
//    cannot be made is sent and waited for, because the run goes on when its box is closed; and
//    the worker also waits when much log text is waiting, so that the mailbox stays small.
//    A report carries the log text the record wrote since the last one, taken out of the record:
//    the log box is the one place a window run's log is kept, however long it grows.
//    A run started by the timer of a window started with "/log:FILE" or "/log+:FILE" writes
//    its log to that file as well, as it takes it from the record, on the worker's thread, so
//    that a slow network file never holds the window up; the file is closed before the last
//    report, whose status line tells of a file that could not be written.
// 3. Reports go at most every kReportIntervalMs, besides the first, the last and the save
//    directory's; that throttle is the only one, and the dialog writes each report it takes to
//    its controls at once.
// 4. The dialog performs a report on the UI thread in this order: BeginRun (controls disabled,
//    the progress bar at 0, the wait cursor) when the run begins, the "Error Save Dir" box, a wait
//    for another run to let the save folder go in the icon's tip, the progress bar's range once
//    the scan is done, the progress steps, the status and log texts, and EndRun (arrow cursor,
//    controls enabled, runActive cleared, and the run's totals in the icon's tip) when the run
//    has ended. A run started by the timer waits for the save folder no longer than the timer's
//    period: then it merges nothing, and says so in the status line and the tip.
// 5. The dialog tells a running worker nothing: "Keep Hiberarchy" is read once, when the run has
//    scanned, since the run merges each fax's pages together; a change during a run counts from
//    the next.
// 6. Closed during a run, the window hides and the icon stays until the run has ended; the
//    reports go on as before, and EndRun closes the window for good. Should the window be gone
//    all the same (the process told to end), the worker's messages fail, the worker goes on to
//    the end and completes every output, and the UI thread waits for it (WaitForWorker).
// 7. The worker of the last run may still be handing over its last report when the next run
//    starts, so StartMergeWorker waits for it with the UI thread's messages served
//    (WaitForWorker), and runActive set so that nothing served in that wait starts a run or
//    closes the window under it.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "runs/run_log_file.h"

// What happened in a run since the worker's last report.
struct WorkerReport {
    bool begins = false;         // the run has begun
    bool saveDirFailed = false;  // the save directory could not be made
    bool scanned = false;        // the scan is done: `found` page files (-1: no fax directory)
    int found = 0;
    unsigned steps = 0;        // entries done
    bool logRestarts = false;  // the log box starts again with logText: this run's log begins
    std::string logText;       // log text written
    std::string statusText;    // the status line now; the closing text once the run has ended
    std::string waitingText;   // the run waits for another run to let the save folder go
    bool ends = false;         // the run has ended
    RunTotals totals;          // once the run has ended: what it merged, failed and could not read

    // Adds a later report to this one.
    void Merge(WorkerReport&& later);
};

class MergeWorker {
public:
    // A worker for the run `record` describes: its sourceDir, fileMask, includeSubdirs, destDir
    // and keepFileDate from the dialog. It reports to `dialog`, and writes the run's log to the
    // file `log` names, if any.
    MergeWorker(HWND dialog, std::unique_ptr<MergeOptions> record, bool keepHierarchy, LogFileSetting log);
    // Only once the thread has ended (see Thread()).
    ~MergeWorker();
    MergeWorker(const MergeWorker&) = delete;
    MergeWorker& operator=(const MergeWorker&) = delete;

    // Starts the thread; false when it cannot be started.
    bool Start();
    // The thread's handle, to wait for its end; its exit code is the count of merged page files.
    HANDLE Thread() const { return thread_; }

    // UI thread: the report waiting in the mailbox, which is empty afterwards.
    WorkerReport TakeReport();

private:
    static unsigned __stdcall ThreadProc(void* worker);
    unsigned Run();
    // Puts a report into the mailbox and tells the dialog; with `wait`, returns once the dialog
    // has taken it (or at once when the window is gone).
    void Deliver(WorkerReport report, bool wait);

    const HWND dialog_;
    const std::unique_ptr<MergeOptions> record_;
    const bool keepHierarchy_;
    const LogFileSetting log_;
    HANDLE thread_ = nullptr;
    bool windowGone_ = false;  // worker thread only

    std::mutex mailboxLock_;
    WorkerReport mailbox_;
    bool announced_ = false;  // a message for the mailbox is on its way and not yet handled
};

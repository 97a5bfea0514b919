// MergeWorker: the window's run on its own thread, its reports and their mailbox.
#include "app/merge_worker.h"

#include <process.h>

#include <functional>
#include <utility>

#include "app/private_messages.h"
#include "runs/command_line.h"
#include "runs/dialog_rules.h"
#include "runs/directory_run.h"
#include "runs/run_session.h"

namespace {

// Reports go to the dialog at most this often: ten a second are plenty to watch, and a report
// per page file would cost a large run more than the merging itself.
constexpr ULONGLONG kReportIntervalMs = 100;

// The most log text that waits in the mailbox before the worker waits for the dialog to take it.
// Letting the worker run this far ahead of a busy dialog makes a 50,000-file run under Wine about
// a quarter faster than waiting at every report, for some 3 MB more at the peak.
constexpr std::size_t kMostWaitingLogBytes = 256 * 1024;

}  // namespace

void WorkerReport::Merge(WorkerReport&& later) {
    begins = begins || later.begins;
    saveDirFailed = saveDirFailed || later.saveDirFailed;
    if (later.scanned) {
        scanned = true;
        found = later.found;
    }
    steps += later.steps;
    if (later.logRestarts) {
        logRestarts = true;
        logText = std::move(later.logText);
    } else {
        logText += later.logText;
    }
    if (!later.statusText.empty()) {
        statusText = std::move(later.statusText);
    }
    if (!later.waitingText.empty()) {
        waitingText = std::move(later.waitingText);
    }
    if (later.ends) {
        ends = true;
        totals = later.totals;
    }
}

namespace {

// Gathers what the run does between two reports and hands it to the worker's mailbox.
class ReportingSink : public RunSink {
public:
    using DeliverFunction = std::function<void(WorkerReport)>;
    ReportingSink(MergeOptions& record, RunLogFile& logFile, DeliverFunction deliver)
        : record_(record), logFile_(logFile), deliver_(std::move(deliver)) {}

    void entryStarted(const EntryPaths&) override {}

    void entryFinished(const EntryPaths& paths, const PageReport&) override {
        ++pending_.steps;
        pending_.statusText = doingText(paths);
        if (GetTickCount64() - lastReport_ >= kReportIntervalMs) {
            Send();
        }
    }

    // Shown at once: the run may wait a long time.
    void waitingForFolder(const std::string& folder) override {
        WorkerReport waiting;
        waiting.statusText = waitingText(folder);
        waiting.waitingText = waiting.statusText;
        deliver_(std::move(waiting));
    }

    // A run that gave up waiting ends with the line that says so.
    void holdProblem(const std::string& line) override { problem_ = line; }

    // The progress bar's range, before the first step.
    void scanned(int found) override {
        WorkerReport report;
        report.scanned = true;
        report.found = found;
        deliver_(std::move(report));
    }

    // The last report: the closing text, the totals, and whatever the log gained since the last
    // report; the log file, which ends like the log box with the closing text, is closed first.
    void Close(const RunTotals& totals, int exitCode) {
        pending_.statusText = totals.gaveUp ? problem_ : dialogClosingText(totals);
        pending_.ends = true;
        pending_.totals = totals;
        TakeLog();
        logFile_.add(pending_.statusText + "\r\n");
        const std::string problem = logFile_.finish(exitCode);
        if (!problem.empty()) {
            pending_.statusText += " " + problem;
        }
        Deliver();
    }

private:
    void Send() {
        TakeLog();
        Deliver();
    }

    // The log box keeps the run's log; the record hands over what it wrote since the last report
    // and keeps nothing of it. The log file takes it as it goes.
    void TakeLog() {
        pending_.logRestarts = !logStarted_;
        pending_.logText = record_.takeRunLog();
        logStarted_ = true;
        logFile_.add(pending_.logText);
    }

    void Deliver() {
        deliver_(std::exchange(pending_, WorkerReport{}));
        lastReport_ = GetTickCount64();
    }

    MergeOptions& record_;
    RunLogFile& logFile_;
    DeliverFunction deliver_;
    WorkerReport pending_;
    bool logStarted_ = false;
    ULONGLONG lastReport_ = 0;
    std::string problem_;
};

}  // namespace

MergeWorker::MergeWorker(HWND dialog, std::unique_ptr<MergeOptions> record, bool keepHierarchy,
                         LogFileSetting log)
    : dialog_(dialog), record_(std::move(record)), keepHierarchy_(keepHierarchy), log_(std::move(log)) {}

MergeWorker::~MergeWorker() {
    if (thread_ != nullptr) {
        CloseHandle(thread_);
    }
}

bool MergeWorker::Start() {
    // Through the runtime's thread start, so that the runtime's own per-thread state exists.
    const uintptr_t thread = _beginthreadex(nullptr, 0, &MergeWorker::ThreadProc, this, 0, nullptr);
    thread_ = reinterpret_cast<HANDLE>(thread);
    return thread_ != nullptr;
}

unsigned __stdcall MergeWorker::ThreadProc(void* worker) {
    return static_cast<MergeWorker*>(worker)->Run();
}

unsigned MergeWorker::Run() {
    MergeOptions& record = *record_;
    RunLogFile logFile(log_);
    logFile.begin();
    RunSession session(record, RunSession::Kind::Merge, true);
    WorkerReport begin;
    begin.begins = true;
    const bool saveDirFailed = !session.saveFolderReady();
    begin.saveDirFailed = saveDirFailed;
    Deliver(std::move(begin), saveDirFailed);

    ReportingSink sink(record, logFile, [this](WorkerReport report) { Deliver(std::move(report), false); });
    const std::string sourceDir = record.sourceDir();
    const std::string destDir = record.destDir();
    const RunTotals totals = walkScanList(
        session,
        [&](const std::string& entry) { return windowEntryPaths(sourceDir, destDir, entry, keepHierarchy_); },
        &sink);
    // The exit code a command-line run would have ended with, for the log file.
    sink.Close(totals, saveDirFailed ? kExitNoDestination : exitCodeOf(totals));
    return static_cast<unsigned>(totals.merged);
}

void MergeWorker::Deliver(WorkerReport report, bool wait) {
    if (windowGone_) {
        return;
    }
    bool announce = false;
    {
        const std::lock_guard<std::mutex> lock(mailboxLock_);
        mailbox_.Merge(std::move(report));
        announce = !announced_;
        announced_ = true;
        // A dialog far behind (a huge log box is slow to grow) would otherwise let the waiting
        // log text grow without bound: then the worker waits until it has been taken.
        wait = wait || mailbox_.logText.size() > kMostWaitingLogBytes;
    }
    if (wait) {
        // Fails at once when the window is gone.
        SendMessageA(dialog_, WM_WORKER_REPORT, 0, 0);
    } else if (announce && !PostMessageA(dialog_, WM_WORKER_REPORT, 0, 0)) {
        // The window is gone: nobody takes a report any more, and the run goes on without them.
        windowGone_ = true;
        const std::lock_guard<std::mutex> lock(mailboxLock_);
        mailbox_ = WorkerReport{};
    }
}

WorkerReport MergeWorker::TakeReport() {
    const std::lock_guard<std::mutex> lock(mailboxLock_);
    announced_ = false;
    return std::exchange(mailbox_, WorkerReport{});
}

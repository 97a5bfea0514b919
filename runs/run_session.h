// RunSession: everything one merge run holds while it works, owned in one place and let go when
// it ends: its save folder, made (a plan only finds whether it could be) and held open and locked
// for the whole run, the list of the temporaries it makes there, and the batch that builds its
// outputs. The command line, the window's worker and the preview each make one for a run.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>

#include "engine/merge_batch.h"
#include "engine/merge_record.h"
#include "engine/record_keeper.h"
#include "engine/temporary_records.h"
#include "platform/folder_lock.h"
#include "platform/save_folder.h"
#include "runs/merge_options.h"

// What taking the save folder met, for the log.
struct HoldReport {
    platform::LockProblem problem = platform::LockProblem::None;
    int leftoversKept = 0;         // temporaries killed runs listed that could not be removed now
    bool folderNotListed = false;  // its entries could not be listed, so no leftover was looked for
};

class RunSession {
public:
    // A run that merges, or one that only plans (the preview): it reads and compares what a run
    // would and creates, changes, holds and removes nothing.
    enum class Kind { Merge, Plan };

    // A run of `options` (its settings and log stay the record's). Its save folder, destDir, is
    // made now as the user named it, or for a plan found able to be made; with `makesFolders`
    // the folders of outputs below it are made where missing.
    RunSession(MergeOptions& options, Kind kind, bool makesFolders);
    // A run that was never finished was abandoned: the output it was building stays as it was,
    // and everything is let go.
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    MergeOptions& options() { return options_; }
    Kind kind() const { return kind_; }
    // False when the save folder was not there and could not be made (or, for a plan, could not
    // be made).
    bool saveFolderReady() const { return saveFolderReady_; }

    // Holds the save folder for the run, across processes and machines: waits while another run
    // holds it (`waiting` is called once, before the wait), for at most the record's waitMinutes,
    // and removes what killed runs left there. A plan only opens it, when it is there. A folder
    // that cannot be held is merged into without the hold, unless the wait timed out.
    HoldReport hold(const std::function<void()>& waiting);

    // True when the record of how merged faxes were made may tell outputs unchanged.
    bool tellsUnchanged() const { return keeper_.tells(); }
    // Before the first page of `output`: true, with each page's report, when the record tells the
    // output made from exactly `pages` and none of them nor the output changed since; it is then
    // left as it is, nothing of it read.
    bool leaveAsRecorded(const std::string& output, const std::vector<ScannedPage>& pages,
                         std::vector<PageReport>& reports) {
        return batch_.leaveAsRecorded(output, pages, options_.keepFileDate(), reports);
    }

    // Merges page file `source` into `output`: started afresh when it is not the output the last
    // page went to, extended otherwise (see MergeBatch::mergePage). `scanned`: what the scan found
    // of the page file.
    PageReport mergePage(const std::string& source, const std::string& output,
                         const PageFacts* scanned = nullptr);
    // The page's line in the log, after the line of a folder it could not enter, the first time.
    void logPage(const std::string& source, const std::string& output, const PageReport& report);
    // Both: false when the page was not merged.
    bool mergeFile(const std::string& source, const std::string& output, PageReport* report = nullptr);
    // Completes the output the last page went to; what became of it.
    OutputFate completeOutput() { return batch_.completeOutput(); }

    // True once one of the run's temporaries could not be listed in the save folder.
    bool failedToList() const { return list_.failedToList(); }

    // How a run ended.
    struct Ending {
        int lostEntries = 0;          // merged into outputs that did not reach their place
        bool temporariesKept = true;  // false: temporaries it could not remove are not listed
    };
    // Ends the run: completes the last output and puts it in place, with a log line for each
    // output that could not be, and lets everything go.
    Ending finish();

    // The batch: for reading page files ahead, and for tests of what may happen to a save folder
    // while a run writes.
    MergeBatch& batch() { return batch_; }

private:
    // Finds the record of how the save folder's faxes were made, and starts the next one.
    void startRecord(std::int64_t runStart);
    // Writes the next record, once what it vouches for is on disk.
    void keepRecord();

    MergeOptions& options_;
    const Kind kind_;
    bool saveFolderReady_ = false;
    platform::SaveFolder saveFolder_;
    platform::FolderLock lock_;
    TemporaryRecords list_;
    // The record: where it is kept, under which name, for which save folder; the one found.
    platform::OpenFolder cache_;
    std::string recordName_;
    std::string recordKey_;
    MergeRecord earlier_;
    bool earlierFound_ = false;
    RecordKeeper keeper_{nullptr, 0};
    MergeBatch batch_;
    std::unordered_set<std::string> toldNotEntered_;  // folders whose line the log has
    bool finished_ = false;
};

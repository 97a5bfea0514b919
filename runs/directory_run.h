// A merge run over the scan list, shared by the command line and the dialog's worker: the
// header, one merge per entry in list order, the count, and the reports a front end receives.
#pragma once

#include <functional>
#include <string>

#include "engine/merge_batch.h"
#include "engine/output_paths.h"
#include "engine/source_scan.h"
#include "platform/folder_lock.h"

class MergeOptions;

struct RunTotals {
    int merged = 0;
    int failed = 0;
    int foldersNotRead = 0;  // a folder passed over because it was merged by another path is none
    bool gaveUp = false;     // another run held the save folder for longer than this one might wait
};

// What a run tells its front end as it goes: the console prints, the dialog's worker carries
// it to the window, tests record it. Every call comes from the thread that performs the run.
class RunSink {
public:
    virtual ~RunSink() = default;
    // Entries are merged each output's together, and logged in the order of the list.
    virtual void entryStarted(const EntryPaths& paths) = 0;
    virtual void entryFinished(const EntryPaths& paths, const PageReport& report) = 0;
    virtual void entryLogged(const EntryPaths&, const PageReport&) {}
    // The output the last entries went to is complete.
    virtual void outputCompleted(const std::string&, OutputFate) {}
    // Another run holds the save folder; this one waits for it before its first entry.
    virtual void waitingForFolder(const std::string&) {}
    // The save folder is held (or cannot be) and its page files have been found: this many.
    virtual void scanned(int) {}
    // The line the log gives a save folder that cannot be held or whose lock file was replaced.
    virtual void holdProblem(const std::string&) {}
    // A folder the run takes no page files from, where its line stands among the entries.
    virtual void folderPassedOver(const UnreadFolder&) {}
};

// What a run says while it waits for another run to finish with its save folder.
std::string waitingText(const std::string& folder);

// The opening lines of every run's log.
std::string runHeader(const std::string& sourceDir, const std::string& destDir);

// The closing block of a command-line run's log.
std::string commandLineClosing(const RunTotals& totals);

// The log line of a folder the scan could not read, or passed over as merged by another path.
std::string unreadFolderLine(const UnreadFolder& folder);

// The line of a save folder that cannot be held (no line break); for a wait that timed out, after
// `minutes`.
std::string holdProblemLine(platform::LockProblem problem, const std::string& folder, int minutes);

// The line of temporaries that killed runs left and that could not be removed now.
std::string leftoversKeptLine(int kept, const std::string& folder);

using PathRule = std::function<EntryPaths(const std::string& entry)>;

// Where the command line puts each output: directly in destDir, as it always has; with "/s" or
// "/h", by the window's rules for "Include Sub-dir" and "Keep Hiberarchy", so that both write the
// same outputs from the same tree.
PathRule commandLinePathRule(const MergeOptions& options);

// Holds the save folder (waiting, and telling `sink`, while another run holds it), then scans the
// source (so that a run that waited never works from what it found before the other run ended),
// writes the header into the log, then merges the entries of the scan list, its paths formed by
// `rule`, each output's pages together (the outputs in the order of their first pages, each
// output's pages in list order), and logs them in list order; with `makeOutputDirectories` the
// folder of each output is made where missing. A failed entry is counted as such and the walk
// goes on. Each folder the scan could not read has its line where its entries would have been.
// Ends the run (finishRun). A record that only plans (planOnly) takes the same walk, without the
// hold. A run whose wait timed out merges nothing.
RunTotals walkScanList(MergeOptions& options, const PathRule& rule, bool makeOutputDirectories,
                       RunSink* sink);

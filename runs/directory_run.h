// A merge run over the scan list, shared by the command line and the dialog's worker: the
// header, one merge per entry in list order, the count, and the reports a front end receives.
#pragma once

#include <functional>
#include <string>

#include "engine/output_paths.h"
#include "engine/source_scan.h"

class MergeOptions;

struct RunTotals {
    int merged = 0;
    int failed = 0;
    int foldersNotRead = 0;
};

// What a run tells its front end as it goes: the console prints, the dialog's worker carries
// it to the window, tests record it. Every call comes from the thread that performs the run.
class RunSink {
public:
    virtual ~RunSink() = default;
    virtual void entryStarted(const EntryPaths& paths) = 0;
    virtual void entryFinished(const EntryPaths& paths, bool merged) = 0;
    // Another run holds the save folder; this one waits for it before its first entry.
    virtual void waitingForFolder(const std::string&) {}
};

// What a run says while it waits for another run to finish with its save folder.
std::string waitingText(const std::string& folder);

// The opening lines of every run's log.
std::string runHeader(const std::string& sourceDir, const std::string& destDir);

// The closing block of a command-line run's log.
std::string commandLineClosing(const RunTotals& totals);

// The log line of a folder the scan could not read.
std::string unreadFolderLine(const UnreadFolder& folder);

using PathRule = std::function<EntryPaths(const std::string& entry)>;

// Holds the save folder (waiting, and telling `sink`, while another run holds it), writes the
// header into the log, then merges each entry of the scan list in order, its paths
// formed by `rule`; with `makeOutputDirectories` the directory of each output is made first. A
// failed entry is counted as such and the walk goes on. Each folder the scan could not read has
// its line where its entries would have been. Ends the run (finishRun).
RunTotals walkScanList(MergeOptions& options, const PathRule& rule, bool makeOutputDirectories, RunSink* sink);

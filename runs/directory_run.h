// The order of a merge run over the scan list, shared by the command line, the dialog's worker
// and the preview: the hold, the scan, the header, each output's pages merged together and logged
// in list order, the count, and the reports a front end receives.
#pragma once

#include <functional>
#include <string>

#include "engine/merge_batch.h"
#include "engine/output_paths.h"
#include "engine/source_scan.h"
#include "runs/run_session.h"
#include "runs/run_texts.h"

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

using PathRule = std::function<EntryPaths(const std::string& entry)>;

// Holds the save folder of `session` (waiting, and telling `sink`, while another run holds it),
// then scans the source (so that a run that waited never works from what it found before the
// other run ended), writes the header into the log, then merges the entries of the scan list, its
// paths formed by `rule`, each output's pages together (the outputs in the order of their first
// pages, each output's pages in list order), and logs them in list order. A failed entry is
// counted as such and the walk goes on. Each folder the scan could not read has its line where
// its entries would have been. Ends the session. A session that only plans takes the same walk,
// without the hold. A run whose wait timed out merges nothing.
RunTotals walkScanList(RunSession& session, const PathRule& rule, RunSink* sink);

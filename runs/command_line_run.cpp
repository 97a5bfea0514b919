// The command-line driver: where the command line puts each output, the directory run with its
// closing block, and the exit code a script reads.
#include <cstdio>

#include "engine/output_paths.h"
#include "platform/ansi_string.h"
#include "runs/command_line.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "runs/run_preview.h"
#include "runs/run_session.h"

PathRule commandLinePathRule(const MergeOptions& options) {
    const std::string source = options.sourceDir();
    const std::string destination = options.destDir();
    if (options.includeSubdirs() || options.keepHierarchy()) {
        const bool keepHierarchy = options.keepHierarchy();
        return [=](const std::string& entry) {
            return windowEntryPaths(source, destination, entry, keepHierarchy);
        };
    }
    return [=](const std::string& entry) { return commandLineEntryPaths(source, destination, entry); };
}

int runDirectoryMerge(MergeOptions& options, RunTotals* totals, RunSink* sink) {
    // Sub-folders repeated below the save folder are made as their outputs need them.
    RunSession session(options, RunSession::Kind::Merge, options.includeSubdirs() && options.keepHierarchy());
    if (!session.saveFolderReady()) {
        if (!options.destDir().empty()) {
            options.appendRunLog("Failed to create dir: " + options.destDir() + "\r\n");
        }
        return -1;
    }
    const RunTotals counted = walkScanList(session, commandLinePathRule(options), sink);
    options.appendRunLog(commandLineClosing(counted));
    if (totals != nullptr) {
        *totals = counted;
    }
    return 0;
}

namespace {

// A command-line run tells on standard error of its wait for the save folder and of a save folder
// it cannot hold, in UTF-8 like everything else the console program writes.
class StandardErrorSink : public RunSink {
public:
    void entryStarted(const EntryPaths&) override {}
    void entryFinished(const EntryPaths&, const PageReport&) override {}
    void waitingForFolder(const std::string& folder) override { tell(waitingText(folder)); }
    // Also in the log, which a script may not keep.
    void holdProblem(const std::string& line) override { tell(line); }

private:
    static void tell(const std::string& line) {
        std::fputs(platform::toUtf8(line + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
};

}  // namespace

int performDirectoryRun(MergeOptions& options, std::FILE* pleaseWait) {
    if (pleaseWait != nullptr) {
        std::fputs("Please Wait...\n", pleaseWait);
        std::fflush(pleaseWait);
    }
    // The source is scanned once the save folder is held, in the run itself.
    RunTotals totals;
    StandardErrorSink sink;
    if ((options.preview() ? previewDirectoryMerge(options, totals)
                           : runDirectoryMerge(options, &totals, &sink)) != 0) {
        return kExitNoDestination;
    }
    return exitCodeOf(totals);
}

int exitCodeOf(const RunTotals& totals) {
    if (totals.gaveUp) {
        return kExitGaveUpWaiting;
    }
    if (totals.failed > 0) {
        return kExitSomeFailed;
    }
    return totals.foldersNotRead > 0 ? kExitFoldersNotRead : kExitMerged;
}

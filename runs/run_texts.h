// The texts of a run's log, and of what a run says on standard error or in the window: the
// header, the line of each page file, the lines of folders passed over and of a save folder that
// cannot be held, and the command line's closing block.
#pragma once

#include <string>

#include "engine/merge_batch.h"
#include "engine/source_scan.h"
#include "platform/folder_lock.h"

struct RunTotals {
    int merged = 0;
    int failed = 0;
    int foldersNotRead = 0;  // a folder passed over because it was merged by another path is none
    bool gaveUp = false;     // another run held the save folder for longer than this one might wait
};

// The opening lines of every run's log.
std::string runHeader(const std::string& sourceDir, const std::string& destDir);

// The reason the log gives for a page file that failed with this kAppend* result.
const char* pageFailureReason(int result);

// Appends to `log` the line of a page file merged (or not) into `output`, with its line end.
void appendPageLine(std::string& log, const std::string& source, const std::string& output,
                    const PageReport& report);

// The line of a folder below the save folder that a run did not enter, with its line end.
std::string notEnteredLine(const std::string& folder, bool ownerUnknown);

// The line of an output that could not be completed or given its dates, with its line end.
std::string outputNoteLine(const OutputNote& note);

// The closing block of a command-line run's log.
std::string commandLineClosing(const RunTotals& totals);

// The log line of a folder the scan could not read, or passed over as merged by another path.
std::string unreadFolderLine(const UnreadFolder& folder);

// The line of a save folder that cannot be held (no line break); for a wait that timed out, after
// `minutes`.
std::string holdProblemLine(platform::LockProblem problem, const std::string& folder, int minutes);

// The line of temporaries that killed runs left and that could not be removed now.
std::string leftoversKeptLine(int kept, const std::string& folder);

// The line of a save folder whose entries could not be listed when the run took it.
std::string saveFolderNotListedLine(const std::string& folder);

// The line of a run that could not list its temporaries, or keep those that stay listed.
std::string temporariesNotListedLine(const std::string& folder);
std::string temporariesNotKeptLine(const std::string& folder);

// What a run says while it waits for another run to finish with its save folder.
std::string waitingText(const std::string& folder);

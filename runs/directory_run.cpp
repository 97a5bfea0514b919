// The directory merge run: the order of work both drivers share, and the command-line driver.
#include "runs/directory_run.h"

#include <cstdio>

#include "engine/output_files.h"
#include "runs/merge_options.h"

std::string runHeader(const std::string& sourceDir, const std::string& destDir) {
    return "Source Dir: " + sourceDir + "\r\nDestination Dir: " + destDir + "\r\n\r\n";
}

std::string commandLineClosing(const RunTotals& totals) {
    std::string text = "\r\n---------\r\nTotal merged WinFax files: " + std::to_string(totals.merged) + "\r\n";
    if (totals.failed > 0) {
        text += "Failed WinFax files: " + std::to_string(totals.failed) + "\r\n";
    }
    if (totals.foldersNotRead > 0) {
        text += "Folders not read: " + std::to_string(totals.foldersNotRead) + "\r\n";
    }
    return text;
}

std::string unreadFolderLine(const UnreadFolder& folder) {
    const char* reason = "cannot be listed";
    switch (folder.reason) {
        case FolderReason::NotFound:
            reason = "not found";
            break;
        case FolderReason::AccessDenied:
            reason = "access denied";
            break;
        case FolderReason::InUse:
            reason = "in use by another program";
            break;
        case FolderReason::PathTooLong:
            reason = "path too long";
            break;
        case FolderReason::NameNotInCodePage:
            reason = "the folder name cannot be used in this system's code page";
            break;
        case FolderReason::AlreadyMerged:
            return "Skipped folder: " + folder.folder + " (already merged as " + folder.firstPath + ")\r\n";
        case FolderReason::NotListable:
            break;
    }
    return "Cannot read folder: " + folder.folder + " (" + reason + ")\r\n";
}

std::string holdProblemLine(platform::LockProblem problem, const std::string& folder) {
    const std::string lockFile = folder + platform::kSeparator + platform::kLockFileName;
    const std::string notHeld = "Cannot hold the save folder " + folder + " (";
    const char* others = "): another Quirewell run may merge into it at the same time";
    switch (problem) {
        case platform::LockProblem::ReplacedLink:
            return "Replaced the lock file " + lockFile + ": it was a link";
        case platform::LockProblem::ReplacedOther:
            return "Replaced the lock file " + lockFile + ": it was no plain file of its own";
        case platform::LockProblem::CannotOpen:
            return notHeld + "its lock file cannot be opened" + others;
        case platform::LockProblem::CannotReplace:
            return notHeld + "its lock file is a folder or a link that cannot be replaced" + others;
        case platform::LockProblem::FileSystemNoLocks:
            return notHeld + "its file system does not lock files" + others;
        case platform::LockProblem::None:
            break;
    }
    return std::string();
}

std::string waitingText(const std::string& folder) {
    return "Waiting for another Quirewell run to finish with " + folder;
}

RunTotals walkScanList(MergeOptions& options, const PathRule& rule, bool makeOutputDirectories, RunSink* sink) {
    const platform::LockProblem problem = options.holdSaveFolder([&] {
        if (sink != nullptr) {
            sink->waitingForFolder(options.destDir());
        }
    });
    const int found = options.collectFaxFiles(options.includeSubdirs());
    if (sink != nullptr) {
        sink->scanned(found);
    }
    options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
    if (problem != platform::LockProblem::None) {
        const std::string line = holdProblemLine(problem, options.destDir());
        options.appendRunLog(line + "\r\n");
        if (sink != nullptr) {
            sink->holdProblem(line);
        }
    }
    RunTotals totals;
    // Entries in list order mostly share their output's directory with the entry before; it is
    // made once for them instead of being looked up again for every page file.
    std::string lastDirectory;
    bool directoryMade = false;
    const std::vector<UnreadFolder>& unread = options.unreadFolders();
    std::size_t nextUnread = 0;
    const auto logUnreadFolders = [&](std::size_t entriesDone) {
        for (; nextUnread < unread.size() && unread[nextUnread].position <= entriesDone; ++nextUnread) {
            const UnreadFolder& folder = unread[nextUnread];
            options.appendRunLog(unreadFolderLine(folder));
            // Reached again by a link or junction, a folder has been merged all the same.
            totals.foldersNotRead += folder.reason == FolderReason::AlreadyMerged ? 0 : 1;
            if (sink != nullptr) {
                sink->folderPassedOver(folder);
            }
        }
    };
    // The count is read again after every entry, as the list may only be replaced between runs.
    for (std::size_t index = 0; index < options.scanCount(); ++index) {
        logUnreadFolders(index);
        const EntryPaths paths = rule(options.scanList()[index]);
        if (sink != nullptr) {
            sink->entryStarted(paths);
        }
        if (makeOutputDirectories) {
            std::string directory = directoryPart(paths.output);
            if (!directoryMade || directory != lastDirectory) {
                makeDirectories(directory);
                lastDirectory = std::move(directory);
                directoryMade = true;
            }
        }
        PageReport report;
        const bool merged = options.mergeFile(paths.source, paths.output, &report);
        ++(merged ? totals.merged : totals.failed);
        if (sink != nullptr) {
            sink->entryFinished(paths, report);
        }
    }
    logUnreadFolders(options.scanCount());
    // Entries whose output could not be put in place did not reach any output after all.
    const int lost = options.finishRun();
    totals.merged -= lost;
    totals.failed += lost;
    return totals;
}

PathRule commandLinePathRule(const MergeOptions& options) {
    const std::string source = options.sourceDir();
    const std::string destination = options.destDir();
    if (options.includeSubdirs() || options.keepHierarchy()) {
        const bool keepHierarchy = options.keepHierarchy();
        return [=](const std::string& entry) { return windowEntryPaths(source, destination, entry, keepHierarchy); };
    }
    return [=](const std::string& entry) { return commandLineEntryPaths(source, destination, entry); };
}

int MergeOptions::runDirectoryMerge(RunTotals* totals, RunSink* sink) {
    if (destDir_.empty()) {
        return -1;
    }
    if (makeDirectories(destDir_) == 0) {
        appendRunLog("Failed to create dir: " + destDir_ + "\r\n");
        return -1;
    }
    // Sub-folders repeated below the save folder are made as their outputs need them.
    const RunTotals counted = walkScanList(*this, commandLinePathRule(*this), includeSubdirs_ && keepHierarchy_, sink);
    appendRunLog(commandLineClosing(counted));
    if (totals != nullptr) {
        *totals = counted;
    }
    return 0;
}

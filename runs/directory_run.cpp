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
            reason = "already merged through another path";
            break;
        case FolderReason::NotListable:
            break;
    }
    return "Cannot read folder: " + folder.folder + " (" + reason + ")\r\n";
}

std::string waitingText(const std::string& folder) {
    return "Waiting for another Quirewell run to finish with " + folder;
}

RunTotals walkScanList(MergeOptions& options, const PathRule& rule, bool makeOutputDirectories, RunSink* sink) {
    options.holdSaveFolder([&] {
        if (sink != nullptr) {
            sink->waitingForFolder(options.destDir());
        }
    });
    options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
    RunTotals totals;
    // Entries in list order mostly share their output's directory with the entry before; it is
    // made once for them instead of being looked up again for every page file.
    std::string lastDirectory;
    bool directoryMade = false;
    const std::vector<UnreadFolder>& unread = options.unreadFolders();
    std::size_t nextUnread = 0;
    const auto logUnreadFolders = [&](std::size_t entriesDone) {
        for (; nextUnread < unread.size() && unread[nextUnread].position <= entriesDone; ++nextUnread) {
            options.appendRunLog(unreadFolderLine(unread[nextUnread]));
            ++totals.foldersNotRead;
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
        const bool merged = options.mergeFile(paths.source, paths.output);
        ++(merged ? totals.merged : totals.failed);
        if (sink != nullptr) {
            sink->entryFinished(paths, merged);
        }
    }
    logUnreadFolders(options.scanCount());
    // Entries whose output could not be put in place did not reach any output after all.
    const int lost = options.finishRun();
    totals.merged -= lost;
    totals.failed += lost;
    return totals;
}

int MergeOptions::runDirectoryMerge(RunTotals* totals, RunSink* sink) {
    if (destDir_.empty()) {
        return -1;
    }
    if (makeDirectories(destDir_) == 0) {
        appendRunLog("Failed to create dir: " + destDir_ + "\r\n");
        return -1;
    }
    const std::string source = sourceDir_;
    const std::string destination = destDir_;
    const RunTotals counted = walkScanList(
        *this, [&](const std::string& entry) { return commandLineEntryPaths(source, destination, entry); }, false,
        sink);
    appendRunLog(commandLineClosing(counted));
    if (totals != nullptr) {
        *totals = counted;
    }
    return 0;
}

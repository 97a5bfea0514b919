// The directory merge run: the order of work both drivers share, and the command-line driver.
#include "runs/directory_run.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "engine/output_files.h"
#include "platform/ansi_string.h"
#include "runs/merge_options.h"

std::string runHeader(const std::string& sourceDir, const std::string& destDir) {
    return "Source Dir: " + sourceDir + "\r\nDestination Dir: " + destDir + "\r\n\r\n";
}

std::string commandLineClosing(const RunTotals& totals) {
    std::string text =
        "\r\n---------\r\nTotal merged WinFax files: " + std::to_string(totals.merged) + "\r\n";
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
        case FolderReason::StrangersLink:
        case FolderReason::LinkOwnerUnknown:
            return (folder.isFile ? "Skipped file: " : "Skipped folder: ") + folder.folder +
                   (folder.reason == FolderReason::StrangersLink
                        ? " (a link of another user's)\r\n"
                        : " (a link whose owner cannot be told)\r\n");
        case FolderReason::NotListable:
            break;
    }
    return "Cannot read folder: " + folder.folder + " (" + reason + ")\r\n";
}

std::string holdProblemLine(platform::LockProblem problem, const std::string& folder, int minutes) {
    const std::string notHeld = "Cannot hold the save folder " + folder + " (";
    const char* others = "): another Quirewell run may merge into it at the same time";
    switch (problem) {
        case platform::LockProblem::CannotOpen:
            return notHeld + "its lock file cannot be opened" + others;
        case platform::LockProblem::NotPlainFile:
            return notHeld + "its lock file is a link, a folder or no plain file" + others;
        case platform::LockProblem::FileSystemNoLocks:
            return notHeld + "its file system does not lock files" + others;
        case platform::LockProblem::TimedOut:
            return "Gave up waiting for " + folder + " after " + std::to_string(minutes) +
                   (minutes == 1 ? " minute" : " minutes") + ": another run still holds it";
        case platform::LockProblem::None:
            break;
    }
    return std::string();
}

std::string leftoversKeptLine(int kept, const std::string& folder) {
    return "Cannot remove " + std::to_string(kept) + (kept == 1 ? " temporary" : " temporaries") +
           " that an interrupted run left in " + folder + (kept == 1 ? ": it stays" : ": they stay") +
           " listed for the next run";
}

std::string waitingText(const std::string& folder) {
    return "Waiting for another Quirewell run to finish with " + folder;
}

namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

// The order in which a run merges its entries: each output's pages together, the outputs in the
// order of their first pages and each output's pages in list order, so that every output is built
// once and the pages of each come out as the list has them. `next[i]` is the entry merged after
// entry i into the same output; the first entries of the outputs are returned.
std::vector<std::uint32_t> outputsInOrder(const std::vector<std::string>& list, const PathRule& rule,
                                          std::vector<std::uint32_t>& next) {
    next.assign(list.size(), kNoEntry);
    std::vector<std::uint32_t> firsts;
    // The last entry of each output so far, by the file system's spelling; in a list in name
    // order nearly every entry joins the output of the entry before.
    std::unordered_map<std::string, std::uint32_t> lastOf;
    std::string previousKey;
    for (std::uint32_t i = 0; i < list.size(); ++i) {
        std::string key = platform::pathKey(rule(list[i]).output);
        if (i > 0 && key == previousKey) {
            next[i - 1] = i;
            continue;
        }
        if (i > 0) {
            lastOf[previousKey] = i - 1;
        }
        const auto earlier = lastOf.find(key);
        if (earlier == lastOf.end()) {
            firsts.push_back(i);
        } else {
            next[earlier->second] = i;
        }
        previousKey = std::move(key);
    }
    return firsts;
}

// Nothing known yet of an entry's page.
constexpr std::int8_t kNotMerged = 1;

}  // namespace

RunTotals walkScanList(MergeOptions& options, const PathRule& rule, bool makeOutputDirectories,
                       RunSink* sink) {
    // The save folder itself is the one the user named, made as named; everything below it is
    // made through it.
    if (makeOutputDirectories) {
        makeDirectories(options.destDir());
    }
    const HoldReport held = options.holdSaveFolder([&] {
        if (sink != nullptr) {
            sink->waitingForFolder(options.destDir());
        }
    });
    RunTotals totals;
    const auto tell = [&](const std::string& line) {
        options.appendRunLog(line + "\r\n");
        if (sink != nullptr) {
            sink->holdProblem(line);
        }
    };
    if (held.problem == platform::LockProblem::TimedOut) {
        // Nothing is scanned or merged: the other run may be changing the folder still.
        options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
        tell(holdProblemLine(held.problem, options.destDir(), options.waitMinutes()));
        options.finishRun();
        totals.gaveUp = true;
        return totals;
    }
    const int found = options.collectFaxFiles(options.includeSubdirs());
    if (sink != nullptr) {
        sink->scanned(found);
    }
    options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
    if (held.problem != platform::LockProblem::None) {
        tell(holdProblemLine(held.problem, options.destDir(), options.waitMinutes()));
    }
    if (held.leftoversKept > 0) {
        tell(leftoversKeptLine(held.leftoversKept, options.destDir()));
    }
    options.setMakesFolders(makeOutputDirectories);
    const std::vector<std::string>& list = options.scanList();
    const std::vector<UnreadFolder>& unread = options.unreadFolders();
    std::size_t nextUnread = 0;
    const auto logUnreadFolders = [&](std::size_t entriesDone) {
        for (; nextUnread < unread.size() && unread[nextUnread].position <= entriesDone; ++nextUnread) {
            const UnreadFolder& folder = unread[nextUnread];
            options.appendRunLog(unreadFolderLine(folder));
            // Reached again by a link or junction, a folder has been merged all the same; a
            // stranger's link is passed over, which is no failure either.
            totals.foldersNotRead += isFailure(folder.reason) ? 1 : 0;
            if (sink != nullptr) {
                sink->folderPassedOver(folder);
            }
        }
    };
    // What each entry's page met, kept until the entries before it are logged.
    std::vector<std::int8_t> results(list.size(), kNotMerged);
    std::vector<bool> datesNotKept(list.size(), false);
    std::unordered_map<std::uint32_t, PageReport> refused;
    std::size_t logged = 0;
    const auto logEntry = [&](const EntryPaths& paths, const PageReport& report) {
        logUnreadFolders(logged);
        options.logPage(paths.source, paths.output, report);
        if (sink != nullptr) {
            sink->entryLogged(paths, report);
        }
        ++logged;
    };
    // The entries merged since, up to the first one still to come.
    const auto logMerged = [&] {
        while (logged < list.size() && results[logged] != kNotMerged) {
            PageReport report;
            report.result = results[logged];
            report.dateNotKept = datesNotKept[logged];
            if (const auto found = refused.find(static_cast<std::uint32_t>(logged)); found != refused.end()) {
                report = std::move(found->second);
                refused.erase(found);
            }
            logEntry(rule(list[logged]), report);
        }
    };
    std::vector<std::uint32_t> next;
    for (const std::uint32_t first : outputsInOrder(list, rule, next)) {
        std::string output;
        for (std::uint32_t index = first; index != kNoEntry; index = next[index]) {
            const EntryPaths paths = rule(list[index]);
            if (sink != nullptr) {
                sink->entryStarted(paths);
            }
            const PageReport report = options.mergePage(paths.source, paths.output);
            ++(report.result == kAppendOk ? totals.merged : totals.failed);
            if (sink != nullptr) {
                sink->entryFinished(paths, report);
            }
            results[index] = static_cast<std::int8_t>(report.result);
            // In a list in name order nearly every entry is the next to log.
            if (index == logged) {
                logEntry(paths, report);
            } else {
                datesNotKept[index] = report.dateNotKept;
                if (!report.notEntered.empty()) {
                    refused[index] = report;
                }
            }
            output = paths.output;
        }
        const OutputFate fate = options.completeOutput();
        if (sink != nullptr) {
            sink->outputCompleted(output, fate);
        }
        logMerged();
    }
    logMerged();
    logUnreadFolders(list.size());
    if (options.failedToList()) {
        tell("Cannot list this run's temporaries in " + options.destDir() +
             ": a run interrupted now would leave them behind");
    }
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
        return [=](const std::string& entry) {
            return windowEntryPaths(source, destination, entry, keepHierarchy);
        };
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
    const RunTotals counted =
        walkScanList(*this, commandLinePathRule(*this), includeSubdirs_ && keepHierarchy_, sink);
    appendRunLog(commandLineClosing(counted));
    if (totals != nullptr) {
        *totals = counted;
    }
    return 0;
}

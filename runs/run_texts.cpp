// The texts of a run's log and of what a run says besides.
#include "runs/run_texts.h"

const char* pageFailureReason(int result) {
    switch (result) {
        case kAppendCannotOpenPage:
            return "cannot open the page file";
        case kAppendCannotReadPage:
            return "cannot read the page file";
        case kAppendNameNotInCodePage:
            return "the file name cannot be used in this system's code page";
        case kAppendNoMemory:
            return "out of memory";
        case kAppendCannotOpenOutput:
        case kAppendIoError:
        case kAppendOutputFull:
            return "cannot write the output file";
        case kAppendDamagedOutput:
            return "cannot renumber the output's pages";
        default:
            return "not a WinFax page file";
    }
}

namespace {

const char* problemText(OutputProblem problem) {
    switch (problem) {
        case OutputProblem::Damaged:
            return " (failed: cannot renumber the output's pages)";
        case OutputProblem::CannotPutInPlace:
            return " (failed: cannot write the output file)";
        default:
            return " (file date not kept)";
    }
}

}  // namespace

void appendPageLine(std::string& log, const std::string& source, const std::string& output,
                    const PageReport& report) {
    // Appended piece by piece: a line a page file, and a run may have hundreds of thousands.
    log.append(source).append(" -> ").append(output);
    if (report.result != kAppendOk) {
        log.append(" (failed: ").append(pageFailureReason(report.result)).append(")");
    } else if (report.dateNotKept) {
        log.append(" (file date not kept)");
    }
    log.append("\r\n");
}

std::string notEnteredLine(const std::string& folder, bool ownerUnknown) {
    return "Not entered: " + folder +
           (ownerUnknown ? " (a link whose owner cannot be told)\r\n" : " (a link of another user's)\r\n");
}

std::string outputNoteLine(const OutputNote& note) {
    return note.path + problemText(note.problem) + "\r\n";
}

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
        case platform::LockProblem::FolderCannotBeOpened:
            return notHeld + "the folder cannot be opened" + others;
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

std::string saveFolderNotListedLine(const std::string& folder) {
    return "Cannot list the save folder " + folder +
           ": what an interrupted run left there stays until a later run can list it";
}

std::string temporariesNotListedLine(const std::string& folder) {
    return "Cannot list this run's temporaries in " + folder +
           ": a run interrupted now would leave them behind";
}

std::string temporariesNotKeptLine(const std::string& folder) {
    return "Cannot keep the temporaries this run could not remove listed in " + folder + ": they stay behind";
}

std::string waitingText(const std::string& folder) {
    return "Waiting for another Quirewell run to finish with " + folder;
}

// MergeOptions: construction and reset, the scan into the list, and the run's steps on its
// outputs (one page file merged with its log line, the outputs finished at the end).
#include "runs/merge_options.h"

#include "engine/source_scan.h"

const char* pageFailureReason(int result) {
    switch (result) {
        case kAppendCannotOpenPage:
            return "cannot open the page file";
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

MergeOptions::MergeOptions() {
    resetOptions();
}

void MergeOptions::resetOptions() {
    fileMask_ = "*.*";
    sourceDir_.clear();
    destDir_.clear();
    keepFileDate_ = false;
    includeSubdirs_ = false;
    keepHierarchy_ = false;
    scanList_.clear();
    unreadFolders_.clear();
    runLog_.clear();
}

int MergeOptions::collectFaxFiles(bool includeSubdirs) {
    includeSubdirs_ = includeSubdirs;
    if (sourceDir_.empty()) {
        return -1;
    }
    scanList_.clear();
    unreadFolders_.clear();
    scanDirectory(sourceDir_, includeSubdirs);
    return static_cast<int>(scanList_.size());
}

void MergeOptions::scanDirectory(const std::string& directory, bool includeSubdirs) {
    listPageFiles(sourceDir_, directory, fileMask_, includeSubdirs, scanList_, unreadFolders_);
}

HoldReport MergeOptions::holdSaveFolder(const std::function<void()>& waiting) {
    return batch_.holdFolder(destDir_, waiting,
                             waitMinutes_ < 0 ? platform::kWaitForever : waitMinutes_ * 60000LL);
}

bool MergeOptions::mergeFile(const std::string& source, const std::string& output, PageReport* reported) {
    const PageReport report = mergePage(source, output);
    if (reported != nullptr) {
        *reported = report;
    }
    logPage(source, output, report);
    return report.result == kAppendOk;
}

void MergeOptions::logPage(const std::string& source, const std::string& output, const PageReport& report) {
    if (!report.notEntered.empty() && toldNotEntered_.insert(report.notEntered).second) {
        runLog_.append("Not entered: ")
            .append(report.notEntered)
            .append(report.notEnteredOwnerUnknown ? " (a link whose owner cannot be told)\r\n"
                                                  : " (a link of another user's)\r\n");
    }
    // Appended piece by piece: a line a page file, and a run may have hundreds of thousands.
    runLog_.append(source).append(" -> ").append(output);
    if (report.result != kAppendOk) {
        runLog_.append(" (failed: ").append(pageFailureReason(report.result)).append(")");
    } else if (report.dateNotKept) {
        runLog_.append(" (file date not kept)");
    }
    runLog_.append("\r\n");
}

int MergeOptions::finishRun() {
    const BatchResult result = batch_.finish();
    for (const OutputNote& note : result.notes) {
        runLog_ += note.path + problemText(note.problem) + "\r\n";
    }
    toldNotEntered_.clear();
    return result.lostEntries;
}

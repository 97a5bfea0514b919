// MergeOptions: construction and reset, the scan into the list, and the log's page lines.
#include "runs/merge_options.h"

#include "engine/source_scan.h"
#include "runs/run_texts.h"

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
    scanFacts_.clear();
    runLog_.clear();
    runLogKept_ = true;
}

int MergeOptions::collectFaxFiles(bool includeSubdirs) {
    includeSubdirs_ = includeSubdirs;
    if (sourceDir_.empty()) {
        return -1;
    }
    scanList_.clear();
    unreadFolders_.clear();
    scanFacts_.clear();
    scanDirectory(sourceDir_, includeSubdirs);
    return static_cast<int>(scanList_.size());
}

void MergeOptions::scanDirectory(const std::string& directory, bool includeSubdirs) {
    listPageFiles(sourceDir_, directory, fileMask_, includeSubdirs, scanList_, unreadFolders_, &scanFacts_,
                  scanFileFacts_);
}

void MergeOptions::logPage(const std::string& source, const std::string& output, const PageReport& report) {
    if (runLogKept_) {
        appendPageLine(runLog_, source, output, report);
    }
}

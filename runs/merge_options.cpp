// MergeOptions construction, reset and the log that marks the start of a run.
#include "runs/merge_options.h"

MergeOptions::MergeOptions() { resetOptions(); }

MergeOptions::~MergeOptions() { finishRun(); }

void MergeOptions::resetOptions() {
    fileMask_ = "*.*";
    sourceDir_.clear();
    destDir_.clear();
    keepFileDate_ = false;
    scanList_.clear();
    setRunLog(std::string());
}

void MergeOptions::setRunLog(const std::string& text) {
    // A run that was not finished still leaves its outputs complete.
    finishRun();
    runLog_ = text;
}

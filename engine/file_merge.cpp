// The per-file merge: one page file appended to its output, the output renumbered, the run's
// log line written, and the file times copied on request.
#include "engine/file_merge.h"

#include "engine/fax_file.h"
#include "engine/page_renumber.h"
#include "platform/ansi_string.h"
#include "platform/file_system.h"
#include "runs/merge_options.h"

bool copyFileTimes(const std::string& from, const std::string& to) {
    platform::FileTimes times;
    return platform::readFileTimes(from, times) && platform::writeFileTimes(to, times);
}

int makeDirectories(const std::string& path) {
    if (platform::isDirectory(path)) {
        return 1;
    }
    const std::size_t separator = platform::findLastChar(path, platform::kSeparator);
    if (separator != std::string::npos) {
        const std::string parent = path.substr(0, separator);
        if (!platform::isRootPrefix(parent)) {
            makeDirectories(parent);
        }
    }
    platform::createDirectory(path);
    // A path that ends with a separator was made by the call on its parent; what counts is
    // that the directory is there now.
    return platform::isDirectory(path) ? 1 : 0;
}

const char* appendFailureReason(int appendResult) {
    switch (appendResult) {
        case kAppendNoMemory:
            return "out of memory";
        case kAppendCannotOpenOutput:
        case kAppendIoError:
        case kAppendOutputFull:
            return "cannot write the output file";
        default:
            return "not a WinFax page file";
    }
}

bool MergeOptions::mergeFile(const std::string& source, const std::string& output) {
    const std::string key = platform::pathKey(output);
    const auto started = startedOutputs_.find(key);
    const bool createNew = started == startedOutputs_.end();

    std::string failure;
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        failure = "cannot open the page file";
    } else {
        AppendInfo info;
        const int appended = page.appendTo(output, createNew, &info);
        page.close();
        if (appended != kAppendOk) {
            failure = appendFailureReason(appended);
        } else if (createNew) {
            // Only an output that holds a page counts as started: when its first page fails,
            // the next one starts it afresh instead of extending an older file.
            startedOutputs_[key] = {output, info.copyStart + info.copyLength, info.pagesAppended, false, {}};
            outputOrder_.push_back(key);
        } else {
            StartedOutput& state = started->second;
            // The counts along the chain are written once the run is through; that is only
            // right while the output is exactly as this run left it.
            if (state.damaged || info.copyStart != state.length ||
                info.outputCountBefore != static_cast<int>(state.pages)) {
                state.damaged = true;
                failure = "cannot renumber the output's pages";
            }
            state.length = info.copyStart + info.copyLength;
            state.pages += info.pagesAppended;
        }
    }

    std::string line = source + " -> " + output;
    if (!failure.empty()) {
        line += " (failed: " + failure + ")";
    } else if (keepFileDate_) {
        // The output takes the times of its last page once it is complete; a page whose times
        // cannot be read says so now, and leaves the output without kept times.
        platform::FileTimes times;
        const bool readable = platform::readFileTimes(source, times);
        startedOutputs_[key].datedBy = readable ? source : std::string();
        if (!readable) {
            line += " (file date not kept)";
        }
    }
    runLog_ += line + "\r\n";
    return failure.empty();
}

int MergeOptions::finishRun() {
    int failed = 0;
    for (const std::string& key : outputOrder_) {
        const StartedOutput& state = startedOutputs_[key];
        // A damaged output has had its failure logged with the page that found it.
        if (state.damaged) {
            continue;
        }
        if (renumberPages(state.path) != kRenumberOk) {
            runLog_ += state.path + " (failed: cannot renumber the output's pages)\r\n";
            ++failed;
        } else if (!state.datedBy.empty() && !copyFileTimes(state.datedBy, state.path)) {
            runLog_ += state.path + " (file date not kept)\r\n";
        }
    }
    startedOutputs_.clear();
    outputOrder_.clear();
    return failed;
}

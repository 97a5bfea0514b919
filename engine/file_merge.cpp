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
    const bool createNew = startedOutputs_.count(key) == 0;

    std::string failure;
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        failure = "cannot open the page file";
    } else {
        const int appended = page.appendTo(output, createNew);
        page.close();
        if (appended != kAppendOk) {
            failure = appendFailureReason(appended);
        } else {
            // Only an output that holds a page counts as started: when its first page fails,
            // the next one starts it afresh instead of extending an older file.
            startedOutputs_.insert(key);
            if (renumberPages(output) != kRenumberOk) {
                failure = "cannot renumber the output's pages";
            }
        }
    }

    std::string line = source + " -> " + output;
    if (!failure.empty()) {
        line += " (failed: " + failure + ")";
    } else if (keepFileDate_ && !copyFileTimes(source, output)) {
        line += " (file date not kept)";
    }
    runLog_ += line + "\r\n";
    return failure.empty();
}

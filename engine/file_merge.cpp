// The per-file merge: one page file appended to its output, the run's log line written, the
// output's page counts written once it is complete, and the file times copied on request.
#include "engine/file_merge.h"

#include "engine/byte_order.h"
#include "engine/fax_file.h"
#include "engine/output_paths.h"
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
        case kAppendDamagedOutput:
            return "cannot renumber the output's pages";
        default:
            return "not a WinFax page file";
    }
}

std::FILE* MergeOptions::outputFor(const std::string& key, const std::string& path) {
    if (openOutput_ != nullptr && openKey_ == key) {
        return openOutput_;
    }
    completeOpenOutput();
    const auto started = startedOutputs_.find(key);
    const bool isNew = started == startedOutputs_.end();
    if (!isNew && started->second.broken) {
        return nullptr;
    }
    // A new output of this run is started afresh, replacing whatever a killed run left; a
    // started one is extended where this run left it, and only if nothing else has changed it.
    const std::string temporary = temporaryPathFor(path);
    std::FILE* stream = platform::openFile(temporary, isNew ? "w+b" : "r+b");
    if (stream == nullptr) {
        return nullptr;
    }
    if (!isNew && platform::fileSize(stream) != started->second.length) {
        started->second.broken = true;
        std::fclose(stream);
        return nullptr;
    }
    // Pages are written whole, one write each; a stream buffer would only add a copy.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    openKey_ = key;
    openOutput_ = stream;
    return stream;
}

void MergeOptions::closeOpenOutput() {
    if (openOutput_ != nullptr) {
        std::fclose(openOutput_);
        openOutput_ = nullptr;
        openKey_.clear();
    }
}

void MergeOptions::completeOpenOutput() {
    if (openOutput_ == nullptr) {
        return;
    }
    // Only a started output is left open: a new one whose first page failed was closed at once.
    const auto found = startedOutputs_.find(openKey_);
    if (found == startedOutputs_.end()) {
        closeOpenOutput();
        return;
    }
    StartedOutput& state = found->second;
    // Each page counts itself and the pages after it, the first one the whole fax. The pages
    // were appended whole, each copy's last page ending where the next copy starts, so these
    // are exactly the headers a walk along the chain would meet.
    const std::size_t total = state.pageStarts.size();
    bool counted = true;
    for (std::size_t i = 0; counted && i < total; ++i) {
        std::uint8_t count[2];
        byte_order::writeU16(count, static_cast<std::uint16_t>(total - i));
        counted = platform::writeAt(openOutput_, std::int64_t{state.pageStarts[i]} + fax_field::kPageCount, count,
                                    sizeof count);
    }
    const bool closed = std::fclose(openOutput_) == 0;
    openOutput_ = nullptr;
    openKey_.clear();
    if (!counted || !closed) {
        state.broken = true;
    }
}

bool MergeOptions::mergeFile(const std::string& source, const std::string& output) {
    const std::string key = platform::pathKey(output);
    std::string failure;
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        failure = "cannot open the page file";
    } else {
        // The page is read and checked before its output is opened, so that a page that cannot
        // be used never starts or changes an output.
        FaxFile::Copy copy;
        const int read = page.readCopy(copy);
        page.close();
        std::FILE* stream = read == kAppendOk ? outputFor(key, output) : nullptr;
        const auto started = startedOutputs_.find(key);
        const bool isNew = started == startedOutputs_.end();
        AppendInfo info;
        int appended = read;
        if (read == kAppendOk && stream == nullptr) {
            appended = isNew ? kAppendCannotOpenOutput : kAppendDamagedOutput;
        } else if (read == kAppendOk) {
            appended = FaxFile::appendCopy(copy, stream, isNew ? 0 : started->second.length,
                                           isNew ? 0 : static_cast<unsigned>(started->second.pageStarts.size()), info);
        }
        if (appended == kAppendOk) {
            // Only an output that holds a page counts as started: when its first page fails,
            // the next one starts it afresh instead of extending an older file.
            StartedOutput& state = startedOutputs_[key];
            if (isNew) {
                state.path = output;
                state.temporary = temporaryPathFor(output);
                outputOrder_.push_back(key);
            }
            for (const std::size_t page : copy.pages) {
                state.pageStarts.push_back(static_cast<std::uint32_t>(state.length + static_cast<long long>(page)));
            }
            state.length += info.copyLength;
            ++state.entries;
        } else {
            failure = appendFailureReason(appended);
            if (stream != nullptr && (isNew || appended == kAppendIoError)) {
                // A write that failed half-way is undone, so that the output goes on with the
                // pages it had; a new output that never held one is dropped.
                if (isNew) {
                    closeOpenOutput();
                    platform::removeFile(temporaryPathFor(output));
                } else if (!platform::truncateFile(stream, started->second.length)) {
                    started->second.broken = true;
                    closeOpenOutput();
                }
            }
        }
    }

    std::string line = source + " -> " + output;
    if (!failure.empty()) {
        line += " (failed: " + failure + ")";
    } else if (keepFileDate_) {
        // The output takes the times of its last page once it is in place; a page whose times
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
    completeOpenOutput();
    int lost = 0;
    for (const std::string& key : outputOrder_) {
        const StartedOutput& state = startedOutputs_[key];
        // An output that could not be completed never replaces the one already there: the
        // pages merged into it are lost to this run and counted as failed.
        if (state.broken) {
            platform::removeFile(state.temporary);
            runLog_ += state.path + " (failed: cannot renumber the output's pages)\r\n";
            lost += state.entries;
        } else if (!platform::replaceFile(state.temporary, state.path)) {
            platform::removeFile(state.temporary);
            runLog_ += state.path + " (failed: cannot write the output file)\r\n";
            lost += state.entries;
        } else if (!state.datedBy.empty() && !copyFileTimes(state.datedBy, state.path)) {
            runLog_ += state.path + " (file date not kept)\r\n";
        }
    }
    startedOutputs_.clear();
    outputOrder_.clear();
    return lost;
}

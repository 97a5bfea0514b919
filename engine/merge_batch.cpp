// MergeBatch: starting, extending, completing and placing a run's outputs.
#include "engine/merge_batch.h"

#include "engine/fax_file.h"
#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

// Names tried for a new output's temporary before it counts as one that cannot be written: names
// taken by others are passed over without a try.
constexpr unsigned kTemporaryAttempts = 8;

}  // namespace

MergeBatch::MergeBatch(Mode mode)
    : nextTemporary_(firstTemporaryNumber(platform::processNumber())), mode_(mode) {}

MergeBatch::~MergeBatch() {
    closeOpenOutput();
    for (const std::string& key : order_) {
        platform::removeFile(outputs_[key].temporary);
    }
}

platform::LockProblem MergeBatch::holdFolder(const std::string& folder,
                                             const std::function<void()>& waiting) {
    if (mode_ == Mode::Plan) {
        return platform::LockProblem::None;
    }
    folder_ = folder;
    const platform::HoldResult held = lock_.hold(folder, waiting);
    if (lock_.held()) {
        // Whatever the list says, nothing but a plain file under a temporary's name below this
        // folder is removed; one that cannot be removed now stays listed for a later run.
        std::string kept;
        for (const ListedTemporary& listed : listedTemporaries(held.listed)) {
            if (platform::removeBeneath(folder, listed.steps) == platform::RemoveResult::Failed) {
                kept += listed.line;
            }
        }
        lock_.replaceRecords(kept);
    }
    return held.problem;
}

std::FILE* MergeBatch::createTemporary(const std::string& output, std::string& temporary) {
    for (unsigned attempt = 0; attempt < kTemporaryAttempts;) {
        temporary = temporaryPathFor(output, nextTemporary_++);
        // A name already taken is someone else's: never listed, so never removed on the list's word.
        if (platform::pathExists(temporary)) {
            continue;
        }
        ++attempt;
        // Listed just before it is created, so that a run killed at any moment leaves nothing
        // unlisted, and taken off again when it could not be created.
        const std::string line = lock_.held() ? temporaryListLine(folder_, temporary) : std::string();
        const bool listed = !line.empty() && lock_.record(line);
        std::FILE* stream = platform::createNewFile(temporary);
        if (stream != nullptr) {
            return stream;
        }
        if (listed) {
            lock_.unrecordLast();
        }
    }
    return nullptr;
}

std::FILE* MergeBatch::outputFor(const std::string& key, const std::string& path, std::string& temporary) {
    if (openOutput_ != nullptr && openKey_ == key) {
        return openOutput_;
    }
    completeOpenOutput();
    const auto started = outputs_.find(key);
    const bool isNew = started == outputs_.end();
    if (!isNew && started->second.broken) {
        return nullptr;
    }
    // A new output of this batch gets a temporary of its own, created where no file of that name
    // is; a started one is extended where this batch left it, and only if nothing else has
    // changed it.
    std::FILE* stream =
        isNew ? createTemporary(path, temporary) : platform::openFile(started->second.temporary, "r+b");
    if (stream == nullptr) {
        return nullptr;
    }
    if (!isNew && platform::fileSize(stream) != started->second.pages.length) {
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

void MergeBatch::closeOpenOutput() {
    if (openOutput_ != nullptr) {
        std::fclose(openOutput_);
        openOutput_ = nullptr;
        openKey_.clear();
    }
}

void MergeBatch::completeOpenOutput() {
    if (openOutput_ == nullptr) {
        return;
    }
    // Only a started output is left open: a new one whose first page failed was closed at once.
    const auto found = outputs_.find(openKey_);
    if (found == outputs_.end()) {
        closeOpenOutput();
        return;
    }
    const bool counted = writePageCounts(openOutput_, found->second.pages);
    const bool closed = std::fclose(openOutput_) == 0;
    openOutput_ = nullptr;
    openKey_.clear();
    if (!counted || !closed) {
        found->second.broken = true;
    }
}

PageReport MergeBatch::mergePage(const std::string& source, const std::string& output, bool keepFileDate) {
    PageReport report;
    // A name the code page could not hold was listed with "?" in it; opened under any other
    // spelling it could be another file.
    if (!platform::isExactName(source.substr(platform::findLastChar(source, platform::kSeparator) + 1))) {
        report.result = kAppendNameNotInCodePage;
        return report;
    }
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        report.result = kAppendCannotOpenPage;
        return report;
    }
    PageCopy copy;
    report.result = page.readCopy(copy);
    page.close();
    if (report.result != kAppendOk) {
        return report;
    }

    const std::string key = platform::pathKey(output);
    report.pages = copy.pages.size();
    // An output whose path the system would refuse is refused before anything is written, in a
    // plan as in a run.
    if (outputs_.find(key) == outputs_.end() && !platform::pathFits(output)) {
        report.result = kAppendCannotOpenOutput;
        return report;
    }
    if (mode_ == Mode::Plan) {
        // Placed nowhere, but counted against the output's limits as a write would be.
        StartedOutput& planned = outputs_[key];
        report.result = placeCopy(copy, nullptr, planned.pages);
        if (planned.pages.starts.empty()) {
            outputs_.erase(key);
        }
        return report;
    }
    std::string temporary;
    std::FILE* stream = outputFor(key, output, temporary);
    auto started = outputs_.find(key);
    const bool isNew = started == outputs_.end();
    if (stream == nullptr) {
        report.result = isNew ? kAppendCannotOpenOutput : kAppendDamagedOutput;
        return report;
    }
    OutputPages fresh;
    OutputPages& pages = isNew ? fresh : started->second.pages;
    const std::int64_t lengthBefore = pages.length;
    report.result = placeCopy(copy, stream, pages);
    if (report.result != kAppendOk) {
        // Only an output that holds a page counts as started, so a new one is dropped; a write
        // that failed half-way is undone, so that the output goes on with the pages it had.
        if (isNew) {
            closeOpenOutput();
            platform::removeFile(temporary);
        } else if (report.result == kAppendIoError && !platform::truncateFile(stream, lengthBefore)) {
            started->second.broken = true;
            closeOpenOutput();
        }
        return report;
    }
    if (isNew) {
        StartedOutput state;
        state.path = output;
        state.temporary = temporary;
        state.pages = std::move(fresh);
        started = outputs_.emplace(key, std::move(state)).first;
        order_.push_back(key);
    }
    ++started->second.entries;
    if (keepFileDate) {
        // The output takes the times of its last page once it is in place; a page whose times
        // cannot be read says so now, and leaves the output without kept times.
        StartedOutput& state = started->second;
        state.dated = platform::readFileTimes(source, state.times);
        report.dateNotKept = !state.dated;
    }
    return report;
}

BatchResult MergeBatch::finish() {
    completeOpenOutput();
    BatchResult result;
    for (const std::string& key : order_) {
        const StartedOutput& state = outputs_[key];
        // An output that could not be completed never replaces the one already there: the
        // pages merged into it are lost to this run.
        if (state.broken) {
            platform::removeFile(state.temporary);
            result.notes.push_back({state.path, OutputProblem::Damaged});
            result.lostEntries += state.entries;
        } else if (!platform::replaceFile(state.temporary, state.path)) {
            platform::removeFile(state.temporary);
            result.notes.push_back({state.path, OutputProblem::CannotPutInPlace});
            result.lostEntries += state.entries;
        } else if (state.dated && !platform::writeFileTimes(state.path, state.times)) {
            result.notes.push_back({state.path, OutputProblem::DateNotKept});
        }
    }
    outputs_.clear();
    order_.clear();
    lock_.release();
    return result;
}

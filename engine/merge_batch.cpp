// MergeBatch: starting, extending, completing and placing a run's outputs.
#include "engine/merge_batch.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/byte_order.h"
#include "engine/fax_file.h"
#include "engine/fax_header.h"
#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

// Names tried for a new output's temporary before it counts as one that cannot be written: names
// taken by others are passed over without a try.
constexpr unsigned kTemporaryAttempts = 8;

// An output is built in memory up to this size (a fax is seldom a tenth of it); a larger one goes
// on in its temporary page by page.
constexpr std::size_t kMemoryLimit = std::size_t{4} << 20;

// The file in an output's place is compared with it in pieces of at most this size.
constexpr std::size_t kComparePiece = std::size_t{1} << 20;

// Where a page header holds its count.
constexpr std::int64_t kCountField = static_cast<std::int64_t>(fax_field::kPageCount);

bool sameTimes(const platform::FileTimes& a, const platform::FileTimes& b) {
    return a.lastAccess == b.lastAccess && a.lastWrite == b.lastWrite &&
           (!a.hasCreation || !b.hasCreation || a.creation == b.creation);
}

}  // namespace

MergeBatch::MergeBatch(Mode mode)
    : nextTemporary_(firstTemporaryNumber(platform::processNumber())), mode_(mode) {}

MergeBatch::~MergeBatch() {
    closeOpenOutput();
    for (const std::string& key : order_) {
        if (!outputs_[key].temporary.empty()) {
            platform::removeFile(outputs_[key].temporary);
        }
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

bool MergeBatch::wasThere(const std::string& path) {
    const std::string folder = directoryPart(path);
    const auto [listing, isNew] = listings_.try_emplace(platform::pathKey(folder));
    if (isNew) {
        std::vector<platform::DirEntry> entries;
        platform::listDirectory(folder.empty() ? "." : folder, "*", entries);
        for (const platform::DirEntry& entry : entries) {
            listing->second.insert(platform::pathKey(entry.name));
        }
    }
    return listing->second.count(platform::pathKey(path.substr(folder.empty() ? 0 : folder.size() + 1))) > 0;
}

std::FILE* MergeBatch::createTemporary(const std::string& output, std::string& temporary) {
    for (unsigned attempt = 0; attempt < kTemporaryAttempts;) {
        temporary = temporaryPathFor(output, nextTemporary_++);
        // A name already taken is someone else's: never listed, so never removed on the list's word.
        if (wasThere(temporary)) {
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

void MergeBatch::closeOpenOutput() {
    if (openOutput_ != nullptr) {
        std::fclose(openOutput_);
        openOutput_ = nullptr;
    }
    placed_.close();
    memory_.clear();
    building_ = Building::InMemory;
    openKey_.clear();
    openState_ = nullptr;
}

bool MergeBatch::placedHolds(const std::uint8_t* bytes, std::int64_t offset, std::size_t length,
                             const std::vector<std::uint32_t>& headers) {
    if (!placed_.isOpen() || offset + static_cast<std::int64_t>(length) > placedInfo_.size) {
        return false;
    }
    for (std::size_t done = 0; done < length;) {
        const std::size_t piece = std::min(kComparePiece, length - done);
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        compared_.resize(piece);
        if (!placed_.readAt(at, compared_.data(), piece)) {
            return false;
        }
        // The counts the file has stand for the counts this output will have.
        const std::int64_t firstHeader = std::max<std::int64_t>(0, at - kCountField - 1);
        for (auto header = std::lower_bound(headers.begin(), headers.end(), firstHeader,
                                            [](std::uint32_t h, std::int64_t from) { return h < from; });
             header != headers.end() && std::int64_t{*header} + kCountField < at + static_cast<std::int64_t>(piece);
             ++header) {
            for (std::int64_t b = 0; b < 2; ++b) {
                const std::int64_t field = std::int64_t{*header} + kCountField + b - at;
                if (field >= 0 && field < static_cast<std::int64_t>(piece)) {
                    compared_[static_cast<std::size_t>(field)] = bytes[done + static_cast<std::size_t>(field)];
                }
            }
        }
        if (std::memcmp(compared_.data(), bytes + done, piece) != 0) {
            return false;
        }
        done += piece;
    }
    return true;
}

bool MergeBatch::placedCountsAre(const OutputPages& pages) {
    const std::size_t total = pages.starts.size();
    for (std::size_t i = 0; i < total; ++i) {
        std::uint8_t count[2];
        if (!placed_.readAt(std::int64_t{pages.starts[i]} + kCountField, count, sizeof count) ||
            byte_order::readU16(count) != total - i) {
            return false;
        }
    }
    return true;
}

std::FILE* MergeBatch::temporaryOf(StartedOutput& state) {
    if (openOutput_ == nullptr) {
        openOutput_ = createTemporary(state.path, state.temporary);
    }
    return openOutput_;
}

int MergeBatch::writeMemory(StartedOutput& state) {
    if (temporaryOf(state) == nullptr) {
        return kAppendCannotOpenOutput;
    }
    return platform::writeAt(openOutput_, 0, memory_.data(), memory_.size()) ? kAppendOk : kAppendIoError;
}

int MergeBatch::leavePlaced(StartedOutput& state, std::int64_t length) {
    if (temporaryOf(state) == nullptr) {
        return kAppendCannotOpenOutput;
    }
    for (std::int64_t done = 0; done < length;) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(kComparePiece, length - done));
        compared_.resize(piece);
        if (!placed_.readAt(done, compared_.data(), piece) ||
            !platform::writeAt(openOutput_, done, compared_.data(), piece)) {
            state.broken = true;
            closeOpenOutput();
            return kAppendIoError;
        }
        done += static_cast<std::int64_t>(piece);
    }
    placed_.close();
    building_ = Building::InTemporary;
    return kAppendOk;
}

int MergeBatch::leaveMemory(StartedOutput& state) {
    if (placedHolds(memory_.data(), 0, memory_.size(), state.pages.starts)) {
        building_ = Building::AsPlaced;
        memory_.clear();
        return kAppendOk;
    }
    const int result = writeMemory(state);
    memory_.clear();
    if (result != kAppendOk) {
        state.broken = true;
        closeOpenOutput();
        return result;
    }
    placed_.close();
    building_ = Building::InTemporary;
    return kAppendOk;
}

int MergeBatch::addCopy(StartedOutput& state, PageCopy& copy, bool copyInMemory) {
    // A copy that did not fit beside the output in memory.
    if (building_ == Building::InMemory && !copyInMemory) {
        const int left = leaveMemory(state);
        if (left != kAppendOk) {
            return left;
        }
    }
    const OutputPages before = {state.pages.length, {}};
    const std::size_t pagesBefore = state.pages.starts.size();
    const int result =
        placeCopy(copy, building_ == Building::InTemporary ? openOutput_ : nullptr, state.pages);
    if (result != kAppendOk) {
        // A refused copy leaves the output as it was; a write that failed half-way is undone, so
        // that the output goes on with the pages it had.
        if (building_ == Building::InMemory) {
            memory_.resize(static_cast<std::size_t>(before.length));
        } else if (result == kAppendIoError && building_ == Building::InTemporary &&
                   !platform::truncateFile(openOutput_, before.length)) {
            state.broken = true;
            closeOpenOutput();
        }
        return result;
    }
    if (building_ != Building::AsPlaced ||
        placedHolds(copy.bytes, before.length, copy.length, state.pages.starts)) {
        return kAppendOk;
    }
    // From this page on the output differs from the file in its place: it goes on in its
    // temporary, from what it holds so far.
    int moved = leavePlaced(state, before.length);
    if (moved == kAppendOk && !platform::writeAt(openOutput_, before.length, copy.bytes, copy.length)) {
        moved = kAppendIoError;
    }
    if (moved != kAppendOk) {
        state.pages.starts.resize(pagesBefore);
        state.pages.length = before.length;
        if (building_ == Building::InTemporary && openOutput_ != nullptr &&
            !platform::truncateFile(openOutput_, before.length)) {
            state.broken = true;
            closeOpenOutput();
        }
    }
    return moved;
}

void MergeBatch::completeOpenOutput() {
    if (openKey_.empty()) {
        return;
    }
    StartedOutput& state = *openState_;
    switch (building_) {
        case Building::InMemory:
            setPageCounts(memory_.data(), state.pages);
            state.unchanged = placedInfo_.regular && placedInfo_.size == state.pages.length &&
                              placedHolds(memory_.data(), 0, memory_.size(), {});
            state.unwritten = !state.unchanged && writeMemory(state) != kAppendOk;
            break;
        case Building::AsPlaced:
            state.unchanged = placedInfo_.size == state.pages.length && placedCountsAre(state.pages);
            if (!state.unchanged) {
                const int left = leavePlaced(state, state.pages.length);
                state.unwritten = left == kAppendCannotOpenOutput;
                state.broken = state.broken || (left == kAppendOk && !writePageCounts(openOutput_, state.pages));
            }
            break;
        case Building::InTemporary:
            state.broken = state.broken || !writePageCounts(openOutput_, state.pages);
            break;
    }
    // Asked again, as reading the file may have moved its last access on; times that cannot be
    // told are set all the same.
    if (state.unchanged && state.dated) {
        platform::FileInfo now;
        state.placedTimes = placed_.info(now) ? now.times : platform::FileTimes{0, 0, -1, false};
    }
    if (openOutput_ != nullptr && std::fclose(openOutput_) != 0) {
        state.broken = true;
    }
    openOutput_ = nullptr;
    closeOpenOutput();
}

int MergeBatch::startOutput(const std::string& key, const std::string& output, PageCopy& copy, bool copyInMemory) {
    StartedOutput state;
    state.path = output;
    // The file in the output's place is kept open, to compare the output with. Without one the
    // output is surely new, and its temporary is made at once, so that a folder that cannot take
    // it is told at its first page.
    // Opened as it is: a link or pipe a stranger put there is replaced, never read.
    if (!wasThere(output) || !placed_.open(output, false, placedInfo_)) {
        placedInfo_ = platform::FileInfo{};
        if (temporaryOf(state) == nullptr) {
            memory_.clear();
            return kAppendCannotOpenOutput;
        }
    }
    building_ = copyInMemory ? Building::InMemory : placed_.isOpen() ? Building::AsPlaced : Building::InTemporary;
    openKey_ = key;
    const auto started = outputs_.emplace(key, std::move(state)).first;
    openState_ = &started->second;
    const int result = addCopy(started->second, copy, copyInMemory);
    if (result != kAppendOk) {
        // Only an output that holds a page counts as started.
        const std::string temporary = started->second.temporary;
        closeOpenOutput();
        if (!temporary.empty()) {
            platform::removeFile(temporary);
        }
        outputs_.erase(started);
        return result;
    }
    order_.push_back(key);
    return kAppendOk;
}

bool MergeBatch::reopen(const std::string& key, StartedOutput& state) {
    platform::FileInfo info;
    bool usable = false;
    if (state.unchanged) {
        // The file in its place holds it as this batch left it: it goes on in memory, or when too
        // large for memory, as placed.
        building_ = state.pages.length <= static_cast<std::int64_t>(kMemoryLimit) ? Building::InMemory
                                                                                   : Building::AsPlaced;
        if (!placed_.open(state.path, false, info)) {
            return false;
        }
        placedInfo_ = info;
        // Taken up where this batch left it, and only if nothing else has changed its length.
        usable = info.size == state.pages.length;
        if (usable && building_ == Building::InMemory) {
            try {
                memory_.resize(static_cast<std::size_t>(state.pages.length));
            } catch (const std::bad_alloc&) {
                usable = false;
            }
            usable = usable && placed_.readAt(0, memory_.data(), memory_.size());
        }
    } else {
        building_ = Building::InTemporary;
        openOutput_ = platform::openFile(state.temporary, "r+b", &info);
        if (openOutput_ == nullptr) {
            return false;
        }
        std::setvbuf(openOutput_, nullptr, _IONBF, 0);
        usable = info.size == state.pages.length;
    }
    if (!usable) {
        closeOpenOutput();
        state.broken = true;
        return false;
    }
    openKey_ = key;
    openState_ = &state;
    state.unchanged = false;
    return true;
}

PageReport MergeBatch::mergePage(const std::string& source, const std::string& output, bool keepFileDate) {
    PageReport report;
    // A name the code page could not hold was listed with "?" in it; opened under any other
    // spelling it could be another file.
    if (!platform::isExactName(std::string_view(source).substr(platform::findLastChar(source, platform::kSeparator) + 1))) {
        report.result = kAppendNameNotInCodePage;
        return report;
    }
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        report.result = kAppendCannotOpenPage;
        return report;
    }
    // Pages of one output mostly follow each other: its key is made once for them.
    if (output != lastOutput_) {
        lastOutput_ = output;
        lastKey_ = platform::pathKey(output);
    }
    const std::string& key = lastKey_;
    const bool isOpen = mode_ == Mode::Write && !openKey_.empty() && key == openKey_;
    // A page of another output: the one the last page went to is complete, as far as this batch
    // knows, and one started before is taken up again.
    if (mode_ == Mode::Write && !isOpen) {
        completeOpenOutput();
    }
    const auto started = isOpen ? outputs_.end() : outputs_.find(key);
    const bool isNew = !isOpen && started == outputs_.end();
    bool usable = true;
    if (mode_ == Mode::Write && !isNew && !isOpen) {
        usable = !started->second.broken && reopen(key, started->second);
    }
    // The page is read straight to the end of the output in memory when it fits there.
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(page.size(), 0));
    bool intoMemory = mode_ == Mode::Write && usable && (isNew || building_ == Building::InMemory) &&
                      memory_.size() + size <= kMemoryLimit;
    if (intoMemory && memory_.capacity() < kMemoryLimit) {
        try {
            memory_.reserve(kMemoryLimit);
        } catch (const std::bad_alloc&) {
            intoMemory = false;
        }
    }
    ByteBuffer& into = intoMemory ? memory_ : pageBuffer_;
    if (!intoMemory) {
        pageBuffer_.clear();
    }
    PageCopy copy;
    report.result = page.readCopy(into, copy);
    // Asked after the reading, as the run before gave the output the times its last page had then.
    platform::FileTimes times;
    const bool timesKnown = keepFileDate && page.times(times);
    page.close();
    if (report.result == kAppendOk) {
        report.pages = copy.pages.size();
        // An output whose path the system would refuse is refused before anything is written,
        // in a plan as in a run.
        if (isNew && !platform::pathFits(output)) {
            report.result = kAppendCannotOpenOutput;
        } else if (mode_ == Mode::Plan) {
            // Placed nowhere, but counted against the output's limits as a write would be.
            StartedOutput& planned = outputs_[key];
            report.result = placeCopy(copy, nullptr, planned.pages);
            if (planned.pages.starts.empty()) {
                outputs_.erase(key);
            }
        } else if (isNew) {
            report.result = startOutput(key, output, copy, intoMemory);
        } else {
            report.result =
                usable ? addCopy(isOpen ? *openState_ : started->second, copy, intoMemory) : kAppendDamagedOutput;
        }
    }
    if (intoMemory && isNew && report.result != kAppendOk) {
        memory_.clear();
    }
    // A page buffer grown for a very large page file is not kept for the rest of the run.
    if (pageBuffer_.capacity() > kMemoryLimit) {
        ByteBuffer().swap(pageBuffer_);
    }
    if (report.result != kAppendOk || mode_ == Mode::Plan) {
        return report;
    }
    StartedOutput& state = *openState_;
    ++state.entries;
    if (keepFileDate) {
        // The output takes the times of its last page once it is in place; a page whose times
        // cannot be read says so now, and leaves the output without kept times.
        state.dated = timesKnown;
        state.times = times;
        report.dateNotKept = !state.dated;
    }
    return report;
}

BatchResult MergeBatch::finish() {
    completeOpenOutput();
    BatchResult result;
    for (const std::string& key : order_) {
        const StartedOutput& state = outputs_[key];
        if (state.broken || state.unwritten) {
            // An output that could not be completed never replaces the one already there: the
            // pages merged into it are lost to this run.
            if (!state.temporary.empty()) {
                platform::removeFile(state.temporary);
            }
            result.notes.push_back({state.path, state.broken ? OutputProblem::Damaged : OutputProblem::CannotPutInPlace});
            result.lostEntries += state.entries;
        } else if (!state.unchanged && !platform::replaceFile(state.temporary, state.path)) {
            platform::removeFile(state.temporary);
            result.notes.push_back({state.path, OutputProblem::CannotPutInPlace});
            result.lostEntries += state.entries;
        } else if (state.dated && !(state.unchanged && sameTimes(state.times, state.placedTimes)) &&
                   !platform::writeFileTimes(state.path, state.times)) {
            // An unchanged output is left as it is: only times that differ are given to it.
            result.notes.push_back({state.path, OutputProblem::DateNotKept});
        }
    }
    outputs_.clear();
    order_.clear();
    listings_.clear();
    lock_.release();
    return result;
}

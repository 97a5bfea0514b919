// MergeBatch: starting, extending, completing and placing a run's outputs.
#include "engine/merge_batch.h"

#include <algorithm>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/fax_file.h"
#include "engine/fax_header.h"
#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "platform/ansi_string.h"

namespace {

// Names tried for a new output's temporary, taken by others or not, before the output counts as
// one that cannot be written: a folder full of strangers' files costs a run no more.
constexpr unsigned kTemporaryAttempts = 300;

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

// The steps of `path`, between separators; "." steps left out.
std::vector<std::string> stepsOf(const std::string& path) {
    std::vector<std::string> steps;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = platform::findFirstChar(path, platform::kSeparator, start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start && path.compare(start, end - start, ".") != 0) {
            steps.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return steps;
}

}  // namespace

MergeBatch::MergeBatch(Mode mode)
    : mode_(mode), nextTemporary_(firstTemporaryNumber(platform::processNumber())) {}

MergeBatch::~MergeBatch() {
    closeOpenOutput();
}

HoldReport MergeBatch::holdFolder(const std::string& folder, const std::function<void()>& waiting,
                                  long long waitMs) {
    HoldReport report;
    savePath_ = folder;
    // A plan walks the folder as the run would, and holds nothing.
    if (!saveFolder_.open(folder) || mode_ == Mode::Plan) {
        report.problem =
            mode_ == Mode::Plan ? platform::LockProblem::None : platform::LockProblem::CannotOpen;
        return report;
    }
    const platform::HoldResult held = lock_.hold(saveFolder_.root(), waiting, waitMs);
    report.problem = held.problem;
    if (lock_.held()) {
        // The folder's names, listed once for the lists killed runs left and for the outputs
        // that go directly into it.
        folderKey_ = platform::pathKey(folder);
        auto& names = listings_[folderKey_];
        std::vector<std::string> listed;
        saveFolder_.root().list(listed);
        for (const std::string& name : listed) {
            names.insert(platform::pathKey(name));
        }
        report.leftoversKept = records_.removeLeftovers(saveFolder_, listed, held.earlierList);
        folderKey_.clear();
    } else if (held.problem == platform::LockProblem::TimedOut) {
        saveFolder_.close();
    }
    return report;
}

MergeBatch::Place MergeBatch::placeOf(const std::string& output) const {
    Place place;
    place.folderPath = directoryPart(output);
    place.name = output.substr(place.folderPath.empty() ? 0 : place.folderPath.size() + 1);
    place.belowSaveFolder = !savePath_.empty() && output.size() > savePath_.size() &&
                            output.compare(0, savePath_.size(), savePath_) == 0 &&
                            (output[savePath_.size()] == platform::kSeparator ||
                             platform::endsWithChar(savePath_, platform::kSeparator));
    if (place.belowSaveFolder) {
        place.steps = stepsOf(place.folderPath.substr(std::min(savePath_.size(), place.folderPath.size())));
    }
    return place;
}

platform::Reach MergeBatch::openFolderOf(const Place& place, PageReport& report) {
    const std::string key = platform::pathKey(place.folderPath);
    if (key != folderKey_) {
        folderKey_ = key;
        folderReach_ = reachFolder(place, refused_);
    }
    if (!refused_.empty()) {
        report.notEntered = refused_;
        report.notEnteredOwnerUnknown = folderReach_ == platform::Reach::UnknownLink;
    }
    return folderReach_;
}

platform::Reach MergeBatch::reachFolder(const Place& place, std::string& refused) {
    refused.clear();
    platform::Reach reach = platform::Reach::Failed;
    std::size_t reached = 0;
    if (!place.belowSaveFolder) {
        // Outside any save folder held, the folder is the one the output's path names.
        reach = folder_.openNamed(place.folderPath) ? platform::Reach::Reached : platform::Reach::Failed;
    } else if (!saveFolder_.isOpen()) {
        // A save folder not made yet holds nothing: all a plan needs to know.
        folder_.close();
        reach = platform::Reach::Missing;
    } else if (std::count(place.steps.begin(), place.steps.end(), "..") == 0) {
        reach = saveFolder_.reach(place.steps, makesFolders_ && mode_ == Mode::Write, folder_, reached);
    }
    if (reach == platform::Reach::StrangersLink || reach == platform::Reach::UnknownLink) {
        refused = savePath_;
        for (std::size_t i = 0; i <= reached && i < place.steps.size(); ++i) {
            if (!platform::endsWithChar(refused, platform::kSeparator)) {
                refused += platform::kSeparator;
            }
            refused += place.steps[i];
        }
    }
    return reach;
}

bool MergeBatch::wasThere(const std::string& name) {
    const auto [listing, isNew] = listings_.try_emplace(folderKey_);
    if (isNew && folder_.isOpen()) {
        std::vector<std::string> names;
        folder_.list(names);
        for (const std::string& entry : names) {
            listing->second.insert(platform::pathKey(entry));
        }
    }
    return listing->second.count(platform::pathKey(name)) > 0;
}

bool MergeBatch::makeTemporary() {
    if (temporary_.isOpen()) {
        return true;
    }
    if (mode_ == Mode::Plan || !folder_.isOpen()) {
        return false;
    }
    for (unsigned attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        const std::string name = temporaryName(nextTemporary_++);
        // A name already taken is someone else's: never listed, so never removed on the list's word.
        if (wasThere(name)) {
            continue;
        }
        // Listed just before it is made, so that a run killed at any moment leaves nothing
        // unlisted, and taken off again when it could not be made.
        std::string line;
        if (lock_.held() && open_.belowSaveFolder) {
            std::vector<std::string> steps = open_.steps;
            steps.push_back(name);
            line = temporaryListLine(steps);
        }
        const bool listed = !line.empty() && records_.record(saveFolder_, line);
        if (folder_.create(name, temporary_)) {
            open_.line = listed ? line : std::string();
            return true;
        }
        if (listed) {
            records_.unrecordLast();
        }
    }
    return false;
}

void MergeBatch::closeOpenOutput() {
    if (temporary_.isOpen() && !temporary_.discard() && !open_.line.empty()) {
        // Listed, and still there: the next run removes it.
        records_.keep(open_.line);
    }
    temporary_.close();
    placed_.close();
    memory_.clear();
    building_ = Building::InMemory;
    isOpen_ = false;
    open_ = OpenOutput{};
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
             header != headers.end() &&
             std::int64_t{*header} + kCountField < at + static_cast<std::int64_t>(piece);
             ++header) {
            for (std::int64_t b = 0; b < 2; ++b) {
                const std::int64_t field = std::int64_t{*header} + kCountField + b - at;
                if (field >= 0 && field < static_cast<std::int64_t>(piece)) {
                    compared_[static_cast<std::size_t>(field)] =
                        bytes[done + static_cast<std::size_t>(field)];
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

int MergeBatch::writeMemory() {
    if (mode_ == Mode::Plan) {
        return kAppendOk;
    }
    // Made at the output's first page when its place was free: nothing may have written to it.
    if (!makeTemporary()) {
        return kAppendCannotOpenOutput;
    }
    if (temporary_.size() != 0) {
        return kAppendDamagedOutput;
    }
    return platform::writeAt(temporary_.stream(), 0, memory_.data(), memory_.size()) ? kAppendOk
                                                                                     : kAppendIoError;
}

int MergeBatch::leavePlaced(std::int64_t length) {
    building_ = Building::InTemporary;
    if (mode_ == Mode::Plan) {
        placed_.close();
        return kAppendOk;
    }
    if (!makeTemporary()) {
        placed_.close();
        return kAppendCannotOpenOutput;
    }
    for (std::int64_t done = 0; done < length;) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(kComparePiece, length - done));
        compared_.resize(piece);
        if (!placed_.readAt(done, compared_.data(), piece) ||
            !platform::writeAt(temporary_.stream(), done, compared_.data(), piece)) {
            open_.broken = true;
            placed_.close();
            return kAppendIoError;
        }
        done += static_cast<std::int64_t>(piece);
    }
    placed_.close();
    return kAppendOk;
}

int MergeBatch::leaveMemory() {
    if (placedHolds(memory_.data(), 0, memory_.size(), open_.pages.starts)) {
        building_ = Building::AsPlaced;
        memory_.clear();
        return kAppendOk;
    }
    const int result = writeMemory();
    memory_.clear();
    placed_.close();
    building_ = Building::InTemporary;
    if (result != kAppendOk) {
        open_.broken = true;
    }
    return result;
}

int MergeBatch::addCopy(PageCopy& copy, bool copyInMemory) {
    // A copy that did not fit beside the output in memory.
    if (building_ == Building::InMemory && !copyInMemory) {
        const int left = leaveMemory();
        if (left != kAppendOk) {
            return left;
        }
    }
    std::FILE* const written = building_ == Building::InTemporary ? temporary_.stream() : nullptr;
    const OutputPages before = {open_.pages.length, {}};
    const std::size_t pagesBefore = open_.pages.starts.size();
    const int result = placeCopy(copy, written, open_.pages);
    if (result != kAppendOk) {
        // A refused copy leaves the output as it was; a write that failed half-way is undone, so
        // that the output goes on with the pages it had.
        if (building_ == Building::InMemory) {
            memory_.resize(static_cast<std::size_t>(before.length));
        } else if (result == kAppendIoError && written != nullptr &&
                   !platform::truncateFile(written, before.length)) {
            open_.broken = true;
        }
        return result;
    }
    if (building_ != Building::AsPlaced ||
        placedHolds(copy.bytes, before.length, copy.length, open_.pages.starts)) {
        return kAppendOk;
    }
    // From this page on the output differs from the file in its place: it goes on in its
    // temporary, from what it holds so far.
    int moved = leavePlaced(before.length);
    if (moved == kAppendOk && temporary_.isOpen() &&
        !platform::writeAt(temporary_.stream(), before.length, copy.bytes, copy.length)) {
        moved = kAppendIoError;
    }
    if (moved != kAppendOk) {
        open_.pages.starts.resize(pagesBefore);
        open_.pages.length = before.length;
        if (temporary_.isOpen() && !platform::truncateFile(temporary_.stream(), before.length)) {
            open_.broken = true;
        }
    }
    return moved;
}

OutputFate MergeBatch::completeOutput() {
    if (!isOpen_) {
        return OutputFate::Failed;
    }
    bool unchanged = false;
    bool unwritten = false;
    switch (building_) {
        case Building::InMemory:
            setPageCounts(memory_.data(), open_.pages);
            unchanged = placedInfo_.regular && placedInfo_.size == open_.pages.length &&
                        placedHolds(memory_.data(), 0, memory_.size(), {});
            if (!unchanged) {
                // A full disk leaves it unwritten; a temporary that someone wrote to is broken.
                const int written = writeMemory();
                open_.broken = open_.broken || written == kAppendDamagedOutput;
                unwritten = written != kAppendOk && written != kAppendDamagedOutput;
            }
            break;
        case Building::AsPlaced:
            unchanged = placedInfo_.size == open_.pages.length && placedCountsAre(open_.pages);
            if (!unchanged) {
                const int left = leavePlaced(open_.pages.length);
                unwritten = left == kAppendCannotOpenOutput;
                open_.broken = open_.broken || (left == kAppendOk && temporary_.isOpen() &&
                                                !writePageCounts(temporary_.stream(), open_.pages));
            }
            break;
        case Building::InTemporary:
            open_.broken =
                open_.broken || (temporary_.isOpen() && !writePageCounts(temporary_.stream(), open_.pages));
            break;
    }
    const OutputFate fate = placeOpenOutput(unchanged, unwritten);
    completed_.insert(open_.key);
    closeOpenOutput();
    return fate;
}

OutputFate MergeBatch::placeOpenOutput(bool unchanged, bool unwritten) {
    const OutputFate planned = unchanged              ? OutputFate::Unchanged
                               : open_.somethingThere ? OutputFate::Replaces
                                                      : OutputFate::New;
    if (mode_ == Mode::Plan) {
        return planned;
    }
    if (placingHook_ && temporary_.isOpen()) {
        const std::string folder = directoryPart(open_.path);
        placingHook_(folder.empty() ? temporary_.name() : folder + platform::kSeparator + temporary_.name());
    }
    // Whatever wrote to the temporary besides this run changed its length.
    open_.broken = open_.broken || (!unchanged && !unwritten && temporary_.size() != open_.pages.length);
    const auto fail = [&](OutputProblem problem) {
        result_.notes.push_back({open_.path, problem});
        result_.lostEntries += open_.entries;
        return OutputFate::Failed;
    };
    if (open_.broken || unwritten) {
        // An output that could not be completed never replaces the one already there: the pages
        // merged into it are lost to this run.
        return fail(open_.broken ? OutputProblem::Damaged : OutputProblem::CannotPutInPlace);
    }
    if (unchanged) {
        // Left as it is: only times that differ are given to it. They are asked again, as
        // reading the file may have moved its last access on; times that cannot be told are
        // set all the same.
        platform::FileInfo now;
        if (open_.dated && !(placed_.info(now) && sameTimes(open_.times, now.times)) &&
            !placed_.setTimes(open_.times)) {
            result_.notes.push_back({open_.path, OutputProblem::DateNotKept});
        }
        return planned;
    }
    placed_.close();
    if (!temporary_.putInPlace(open_.name)) {
        return fail(OutputProblem::CannotPutInPlace);
    }
    // Given after the rename, on the file's own handle: a system that carries a replaced file's
    // creation time over to the file put in its place would otherwise undo it.
    if (open_.dated && !temporary_.setTimes(open_.times)) {
        result_.notes.push_back({open_.path, OutputProblem::DateNotKept});
    }
    temporary_.close();
    return planned;
}

int MergeBatch::startOutput(const std::string& key, const std::string& output, PageCopy& copy,
                            bool copyInMemory, bool keepFileDate, PageReport& report) {
    const Place place = placeOf(output);
    const platform::Reach reached = openFolderOf(place, report);
    // A plan goes on where the run would make the folder.
    if (reached != platform::Reach::Reached &&
        !(reached == platform::Reach::Missing && mode_ == Mode::Plan)) {
        return kAppendCannotOpenOutput;
    }
    isOpen_ = true;
    open_.key = key;
    open_.path = output;
    open_.name = place.name;
    open_.steps = place.steps;
    open_.belowSaveFolder = place.belowSaveFolder;
    // The file in the output's place is kept open, to compare the output with: a plain file of
    // its own only (a link or pipe a stranger put there, or a second name of another file, is
    // replaced, never read). Without one the output is surely new, and its temporary is made at
    // once, so that a folder that cannot take it is told at its first page.
    open_.somethingThere = reached == platform::Reach::Reached && wasThere(place.name);
    unsigned links = 0;
    placedInfo_ = platform::FileInfo{};
    if (open_.somethingThere &&
        (!placed_.openIn(folder_, place.name, keepFileDate, placedInfo_, links) || links != 1)) {
        placed_.close();
        placedInfo_ = platform::FileInfo{};
    }
    if (!placed_.isOpen() && mode_ == Mode::Write && !makeTemporary()) {
        closeOpenOutput();
        return kAppendCannotOpenOutput;
    }
    building_ = copyInMemory       ? Building::InMemory
                : placed_.isOpen() ? Building::AsPlaced
                                   : Building::InTemporary;
    const int result = addCopy(copy, copyInMemory);
    if (result != kAppendOk) {
        // Only an output that holds a page counts as started.
        closeOpenOutput();
    }
    return result;
}

PageReport MergeBatch::mergePage(const std::string& source, const std::string& output, bool keepFileDate) {
    PageReport report;
    // A name the code page could not hold was listed with "?" in it; opened under any other
    // spelling it could be another file.
    if (!platform::isExactName(
            std::string_view(source).substr(platform::findLastChar(source, platform::kSeparator) + 1))) {
        report.result = kAppendNameNotInCodePage;
        return report;
    }
    FaxFile page;
    page.open(source);
    if (!page.isOpen()) {
        report.result = kAppendCannotOpenPage;
        return report;
    }
    // Pages of one output come together: its key is made once for them.
    if (output != lastOutput_) {
        lastOutput_ = output;
        lastKey_ = platform::pathKey(output);
    }
    const std::string& key = lastKey_;
    const bool isNew = !isOpen_ || key != open_.key;
    // A page of another output: the one the last page went to is complete.
    if (isNew) {
        completeOutput();
    }
    // The page is read straight to the end of the output in memory when it fits there.
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(page.size(), 0));
    bool intoMemory = (isNew || building_ == Building::InMemory) && memory_.size() + size <= kMemoryLimit;
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
        // in a plan as in a run; so is a second start of an output already complete.
        if (isNew && (!platform::pathFits(output) || completed_.count(key) > 0)) {
            report.result = kAppendCannotOpenOutput;
        } else if (isNew) {
            report.result = startOutput(key, output, copy, intoMemory, keepFileDate, report);
        } else {
            // An output that broke is not built on: its later pages fail as well.
            report.result = open_.broken ? kAppendDamagedOutput : addCopy(copy, intoMemory);
        }
    }
    if (intoMemory && isNew && report.result != kAppendOk) {
        memory_.clear();
    }
    // A page buffer grown for a very large page file is not kept for the rest of the run.
    if (pageBuffer_.capacity() > kMemoryLimit) {
        ByteBuffer().swap(pageBuffer_);
    }
    if (report.result != kAppendOk) {
        return report;
    }
    ++open_.entries;
    if (keepFileDate) {
        // The output takes the times of its last page once it is in place; a page whose times
        // cannot be read says so now, and leaves the output without kept times.
        open_.dated = timesKnown;
        open_.times = times;
        report.dateNotKept = !open_.dated;
    }
    return report;
}

BatchResult MergeBatch::finish() {
    completeOutput();
    BatchResult result = std::move(result_);
    result_ = BatchResult{};
    records_.finish();
    lock_.release();
    saveFolder_.close();
    savePath_.clear();
    folder_.close();
    folderKey_.clear();
    listings_.clear();
    refused_.clear();
    completed_.clear();
    lastOutput_.clear();
    lastKey_.clear();
    return result;
}

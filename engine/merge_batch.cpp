// MergeBatch: starting, extending, completing and placing a run's outputs.
#include "engine/merge_batch.h"

#include <algorithm>
#include <new>

#include "engine/fax_file.h"
#include "engine/output_paths.h"
#include "platform/ansi_string.h"

namespace {

// The dates an unchanged output keeps: the last access is left out, as comparing the output moves
// it on wherever the file system keeps access times (relatime does, past the time the dates were
// last set), so that every run would set them again.
bool sameDates(const platform::FileTimes& a, const platform::FileTimes& b) {
    return a.lastWrite == b.lastWrite && (!a.hasCreation || !b.hasCreation || a.creation == b.creation);
}

}  // namespace

MergeBatch::MergeBatch(const platform::SaveFolder& saveFolder, const std::string& savePath,
                       TemporaryRecords* list, Mode mode, bool makesFolders)
    : mode_(mode), makesFolders_(makesFolders), places_(saveFolder, savePath, list) {}

MergeBatch::~MergeBatch() {
    closeOpenOutput();
}

bool MergeBatch::makeTemporary() {
    if (!temporary_ && mode_ == Mode::Write) {
        if (std::optional<Temporary> made = places_.makeTemporary(open_.place)) {
            temporary_.emplace(std::move(*made));
        }
    }
    return temporary_.has_value();
}

void MergeBatch::closeOpenOutput() {
    // Removed unless it was put in place.
    temporary_.reset();
    placed_.close();
    memory_.clear();
    aheadInMemory_ = false;
    building_ = Building::InMemory;
    isOpen_ = false;
    open_ = OpenOutput{};
}

void MergeBatch::takeReadAhead(PageReadAhead& from) {
    // The buffer the last output's pages were read to, or the one they replaced, is read to again.
    from.giveBack(std::move(ahead_.bytes));
    ahead_ = from.take();
    nextAhead_ = 0;
    aheadInMemory_ = false;
}

PageRead* MergeBatch::nextPageRead(const std::string& source) {
    if (nextAhead_ >= ahead_.pages.size()) {
        return nullptr;
    }
    // Pages are merged in the order they were read ahead; any other page ends the reading ahead
    // of this output, read again at its turn.
    PageRead& read = ahead_.pages[nextAhead_];
    if (read.source != &source) {
        dropReadAhead();
        return nullptr;
    }
    ++nextAhead_;
    return &read;
}

void MergeBatch::dropReadAhead() {
    nextAhead_ = ahead_.pages.size();
}

int MergeBatch::writeMemory() {
    if (mode_ == Mode::Plan) {
        return kAppendOk;
    }
    if (!makeTemporary()) {
        return kAppendCannotOpenOutput;
    }
    return platform::writeAt(temporary_->stream(), 0, memory_.data(), memoryLength()) ? kAppendOk
                                                                                      : kAppendIoError;
}

int MergeBatch::leavePlaced(std::int64_t length) {
    building_ = Building::InTemporary;
    int result = kAppendOk;
    if (mode_ == Mode::Write && !makeTemporary()) {
        result = kAppendCannotOpenOutput;
    } else if (mode_ == Mode::Write && !placed_.copyTo(temporary_->stream(), length)) {
        open_.broken = true;
        result = kAppendIoError;
    }
    placed_.close();
    return result;
}

int MergeBatch::leaveMemory() {
    if (placed_.holds(memory_.data(), 0, memoryLength(), open_.pages.starts)) {
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
    std::FILE* const written =
        building_ == Building::InTemporary && temporary_ ? temporary_->stream() : nullptr;
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
        placed_.holds(copy.bytes, before.length, copy.length, open_.pages.starts)) {
        return kAppendOk;
    }
    // From this page on the output differs from the file in its place: it goes on in its
    // temporary, from what it holds so far.
    int moved = leavePlaced(before.length);
    if (moved == kAppendOk && temporary_.has_value() &&
        !platform::writeAt(temporary_->stream(), before.length, copy.bytes, copy.length)) {
        moved = kAppendIoError;
    }
    if (moved != kAppendOk) {
        open_.pages.starts.resize(pagesBefore);
        open_.pages.length = before.length;
        if (temporary_.has_value() && !platform::truncateFile(temporary_->stream(), before.length)) {
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
        case Building::InMemory: {
            setPageCounts(memory_.data(), open_.pages);
            unchanged =
                placed_.size() == open_.pages.length && placed_.holds(memory_.data(), 0, memoryLength(), {});
            if (!unchanged) {
                // A full disk leaves it unwritten.
                unwritten = writeMemory() != kAppendOk;
            }
            break;
        }
        case Building::AsPlaced:
            unchanged = placed_.size() == open_.pages.length && placed_.countsAre(open_.pages);
            if (!unchanged) {
                const int left = leavePlaced(open_.pages.length);
                unwritten = left == kAppendCannotOpenOutput;
                open_.broken = open_.broken || (left == kAppendOk && temporary_.has_value() &&
                                                !writePageCounts(temporary_->stream(), open_.pages));
            }
            break;
        case Building::InTemporary:
            open_.broken = open_.broken ||
                           (temporary_.has_value() && !writePageCounts(temporary_->stream(), open_.pages));
            break;
    }
    const OutputFate fate = placeOpenOutput(unchanged, unwritten);
    recordOutput(fate);
    completed_.insert(open_.key);
    closeOpenOutput();
    return fate;
}

void MergeBatch::recordOutput(OutputFate fate) {
    if (keeper_ == nullptr || !keeper_->keeps() || mode_ != Mode::Write || !open_.recordable ||
        fate == OutputFate::Failed || open_.datesSet) {
        return;
    }
    const bool written = fate != OutputFate::Unchanged;
    RecordedOutput output{open_.path, open_.keepFileDate,
                          written ? open_.writtenFacts : platform::FileFacts{}, std::move(open_.recorded)};
    if (!written && !placed_.facts(output.facts)) {
        return;
    }
    const platform::FolderFacts& folder = places_.folderFacts();
    if (output.facts.size < 0) {
        return;
    }
    if (output.facts.volume == 0) {
        output.facts.volume = folder.volume;
    }
    keeper_->built(std::move(output), open_.pageTrust, folder.trust, written);
}

OutputFate MergeBatch::placeOpenOutput(bool unchanged, bool unwritten) {
    const OutputFate planned = unchanged              ? OutputFate::Unchanged
                               : open_.somethingThere ? OutputFate::Replaces
                                                      : OutputFate::New;
    if (mode_ == Mode::Plan) {
        return planned;
    }
    if (placingHook_ && temporary_) {
        const std::string folder = directoryPart(open_.path);
        placingHook_(folder.empty() ? temporary_->name()
                                    : folder + platform::kSeparator + temporary_->name());
    }
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
        // Left as it is: only dates that differ are given to it, asked now; times that cannot be
        // told are set all the same.
        platform::FileTimes now;
        if (open_.dated && !(placed_.times(now) && sameDates(open_.times, now))) {
            open_.datesSet = true;
            if (!placed_.setTimes(open_.times)) {
                result_.notes.push_back({open_.path, OutputProblem::DateNotKept});
            }
        }
        return planned;
    }
    placed_.close();
    if (!temporary_) {
        return fail(OutputProblem::CannotPutInPlace);
    }
    bool timesKept = false;
    // Whatever wrote to the temporary besides this run changed its length.
    const bool keeps = keeper_ != nullptr && keeper_->keeps();
    switch (temporary_->putInPlace(open_.place.name, open_.pages.length, open_.dated ? &open_.times : nullptr,
                                   timesKept, keeps ? &open_.writtenFacts : nullptr)) {
        case platform::Placing::Placed:
            break;
        case platform::Placing::ChangedLength:
            return fail(OutputProblem::Damaged);
        default:
            return fail(OutputProblem::CannotPutInPlace);
    }
    if (open_.dated && !timesKept) {
        result_.notes.push_back({open_.path, OutputProblem::DateNotKept});
    }
    return planned;
}

int MergeBatch::startOutput(const std::string& key, const std::string& output, PageCopy& copy,
                            bool copyInMemory, bool keepFileDate, PageReport& report) {
    OutputPlace place = places_.placeOf(output);
    std::string refused;
    const platform::Reach reached = places_.open(place, makesFolders_ && mode_ == Mode::Write, refused);
    if (!refused.empty()) {
        report.notEntered = refused;
        report.notEnteredOwnerUnknown = reached == platform::Reach::UnknownLink;
    }
    // A plan goes on where the run would make the folder.
    if (reached != platform::Reach::Reached &&
        !(reached == platform::Reach::Missing && mode_ == Mode::Plan)) {
        return kAppendCannotOpenOutput;
    }
    isOpen_ = true;
    open_.key = key;
    open_.path = output;
    open_.place = std::move(place);
    // The file in the output's place is kept open, to compare the output with. Without one the
    // output is surely new, and its temporary is made at once, so that a folder that cannot take
    // it is told at its first page.
    open_.somethingThere = reached == platform::Reach::Reached && places_.wasThere(open_.place.name);
    if (open_.somethingThere) {
        placed_.open(places_.folder(), open_.place.name, keepFileDate);
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

void MergeBatch::setRecordKeeper(RecordKeeper* keeper) {
    keeper_ = keeper;
    places_.setListsFacts(keeper != nullptr && keeper->tells());
}

bool MergeBatch::leaveAsRecorded(const std::string& output, const std::vector<ScannedPage>& pages,
                                 bool keepFileDate, std::vector<PageReport>& reports) {
    if (keeper_ == nullptr || !keeper_->tells() || pages.empty()) {
        return false;
    }
    completeOutput();
    std::string scratch;
    const std::string& key = platform::pathKeyOf(output, scratch);
    // A path the system would refuse was refused before, so it is in no record: not asked again.
    if (completed_.count(key) > 0) {
        return false;
    }
    // The output's folder is reached as for any output (and made as for any: the way it was reached
    // is kept for the output's pages); what is in its place is known from the folder's listing,
    // without opening it.
    const OutputPlace place = places_.placeOf(output);
    std::string refused;
    platform::FileFacts placed;
    if (places_.open(place, makesFolders_ && mode_ == Mode::Write, refused) != platform::Reach::Reached ||
        !places_.factsOf(place.name, placed)) {
        return false;
    }
    const RecordedOutput* recorded = keeper_->unchanged(output, key, pages, keepFileDate, placed);
    if (recorded == nullptr) {
        return false;
    }
    reports.assign(pages.size(), PageReport{});
    for (std::size_t i = 0; i < pages.size(); ++i) {
        reports[i].pages = recorded->pages[i].pages;
    }
    completed_.insert(key);
    return true;
}

PageReport MergeBatch::mergePage(const std::string& source, const std::string& output, bool keepFileDate,
                                 const PageFacts* scanned) {
    PageReport report;
    // A page that fails into an output being built is in the run's log, which the record cannot
    // tell again: that output is not recorded.
    const auto failed = [&](int result) {
        report.result = result;
        if (isOpen_ && platform::pathKey(output) == open_.key) {
            open_.recordable = false;
        }
        return report;
    };
    // Pages of one output come together: its key is made once for them.
    if (output != lastOutput_) {
        lastOutput_ = output;
        lastKey_ = platform::pathKey(output);
    }
    const std::string& key = lastKey_;
    const bool isNew = !isOpen_ || key != open_.key;
    // The page as it was read ahead, taken where it lies as it would have been read now: at the
    // start of a new output, or just past the end of the output in memory.
    PageRead* ahead = nextPageRead(source);
    if (ahead != nullptr &&
        !(isNew ? ahead->offset == 0
                : building_ == Building::InMemory && aheadInMemory_ && ahead->offset == memoryLength() &&
                      ahead->offset + ahead->length <= memory_.size())) {
        dropReadAhead();
        ahead = nullptr;
    }
    FaxFile page;
    if (ahead == nullptr) {
        if (!hasExactName(source)) {
            return failed(kAppendNameNotInCodePage);
        }
        page.open(source);
        if (!page.isOpen()) {
            return failed(kAppendCannotOpenPage);
        }
    }
    // A page of another output: the one the last page went to is complete.
    if (isNew) {
        completeOutput();
    }
    const bool keeps = keepsFacts();
    PageCopy copy;
    platform::FileTimes times;
    bool timesKnown = false;
    // The facts it was read with, for the record.
    platform::FileFacts facts;
    bool factsKnown = false;
    bool intoMemory = true;
    if (ahead != nullptr) {
        if (isNew) {
            memory_.swap(ahead_.bytes);
            aheadInMemory_ = true;
        }
        copy.bytes = memory_.data() + ahead->offset;
        copy.length = ahead->length;
        copy.pages = std::move(ahead->pages);
        report.result = kAppendOk;
        timesKnown = keepFileDate && ahead->timesKnown;
        times = ahead->times;
        factsKnown = keeps && ahead->factsKnown;
        facts = ahead->facts;
    } else {
        // The page is read straight to the end of the output in memory when it fits there.
        const auto size = static_cast<std::size_t>(std::max<std::int64_t>(page.size(), 0));
        intoMemory = (isNew || building_ == Building::InMemory) && memoryLength() + size <= kMemoryLimit;
        if (intoMemory && memory_.size() != memoryLength()) {
            // Pages read ahead that were not taken.
            memory_.resize(memoryLength());
            aheadInMemory_ = false;
        }
        // Room for a page read to the page boundary past the output's end, too.
        if (intoMemory && memory_.capacity() < kMemoryLimit + kPageAlignment) {
            try {
                memory_.reserve(kMemoryLimit + kPageAlignment);
            } catch (const std::bad_alloc&) {
                intoMemory = false;
            }
        }
        ByteBuffer& into = intoMemory ? memory_ : pageBuffer_;
        if (!intoMemory) {
            pageBuffer_.clear();
        }
        report.result = page.readCopy(into, copy);
        // Asked after the reading, as the run before gave the output the times its last page had
        // then.
        timesKnown = keepFileDate && page.times(times);
        factsKnown = keeps && report.result == kAppendOk && page.facts(facts);
        page.close();
    }
    if (factsKnown && facts.volume == 0 && scanned != nullptr) {
        facts.volume = scanned->facts.volume;
    }
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
        return failed(report.result);
    }
    ++open_.entries;
    open_.keepFileDate = keepFileDate;
    if (keeps) {
        open_.recorded.push_back({pathHash(source), facts, static_cast<std::uint32_t>(report.pages)});
        open_.pageTrust.push_back(scanned != nullptr ? scanned->trust : platform::FileTrust::None);
        open_.recordable = open_.recordable && factsKnown && (!keepFileDate || timesKnown);
    }
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
    places_.release();
    completed_.clear();
    lastOutput_.clear();
    lastKey_.clear();
    // Nothing more is read ahead for this batch.
    ahead_ = OutputRead{};
    nextAhead_ = 0;
    return result;
}

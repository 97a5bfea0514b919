// MergeBatch: the outputs of one run, built one at a time from their page files, which come
// together. An output is built in memory, where its page counts are set, and once complete it is
// compared with the file in its place: one that holds it already is left as it is; any other is
// written to a temporary beside its place in one write and put in place at once, so that an output
// is only ever replaced by a complete one. An output too large for memory is compared page by
// page with the file in its place for as long as it matches, and from the first difference built
// in its temporary page by page. Everything below the save folder is reached through the folder
// held open, never by a path of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/byte_buffer.h"
#include "engine/output_places.h"
#include "engine/page_read_ahead.h"
#include "engine/page_writer.h"
#include "engine/placed_file.h"
#include "engine/record_keeper.h"
#include "engine/source_scan.h"
#include "engine/temporary.h"
#include "platform/file_system.h"
#include "platform/save_folder.h"

// How one page file fared.
struct PageReport {
    int result = kAppendOk;    // kAppend*: kAppendOk when the page is in its output
    bool dateNotKept = false;  // merged, but its times cannot be read, so its output keeps none
    std::size_t pages = 0;     // the pages it brought to its output
    // Set on a page refused because its output would go below such a folder.
    std::string notEntered;
    bool notEnteredOwnerUnknown = false;  // the system does not tell whose link it is
};

// What finishing found about one output, for its line in the run's log.
enum class OutputProblem {
    Damaged,           // a write could not be undone, it changed behind the run's back, or its
                       // counts could not be written: the earlier output stays
    CannotPutInPlace,  // complete, but it could not be written or could not replace the earlier one
    DateNotKept,       // in place, but its last page's times could not be given to it
};
struct OutputNote {
    std::string path;
    OutputProblem problem;
};

// What became of an output once complete, as a plan tells it: a new file, the file in its place
// replaced, or that file left as it is because it holds the output already.
enum class OutputFate { New, Replaces, Unchanged, Failed };

struct BatchResult {
    std::vector<OutputNote> notes;  // in the order the outputs were started
    int lostEntries = 0;            // page files merged into outputs that did not reach their place
};

class MergeBatch {
public:
    // A batch that writes its outputs, or one that only plans them: it reads and checks every
    // page file and compares each output with the file in its place as writing would, so that it
    // knows every refusal a run would meet but the ones only writing can show and what a run would
    // write, and creates, changes and removes nothing.
    enum class Mode { Write, Plan };
    // The outputs of a run that holds `saveFolder` (opened from `savePath`; for a plan, open
    // only when it is there) and lists its temporaries in `list` (null for a plan). With
    // `makesFolders`, the folders of outputs below the save folder are made where missing.
    MergeBatch(const platform::SaveFolder& saveFolder, const std::string& savePath, TemporaryRecords* list,
               Mode mode, bool makesFolders);
    // A batch that was never finished belongs to a run that was abandoned: the output it was
    // building stays as it was.
    ~MergeBatch();
    MergeBatch(const MergeBatch&) = delete;
    MergeBatch& operator=(const MergeBatch&) = delete;

    Mode mode() const { return mode_; }
    // What the save folder held when the run took it.
    void knowSaveFolder(const std::vector<platform::FolderEntry>& entries) {
        places_.knowSaveFolder(entries);
    }
    // The run's record keeping: what tells outputs unchanged, and what gathers the next record.
    // The folders of outputs are then listed with their entries' facts.
    void setRecordKeeper(RecordKeeper* keeper);

    // Before the first page of `output`: when the record tells that the output was made, with
    // `keepFileDate`, from exactly the page files of `pages` as the scan found them, and that
    // neither they nor the file in its place changed since, it is left as it is without reading a
    // page file or the output, and `reports` gets each page's report in order. False otherwise,
    // with nothing done: the output takes the usual road.
    bool leaveAsRecorded(const std::string& output, const std::vector<ScannedPage>& pages, bool keepFileDate,
                         std::vector<PageReport>& reports);

    // Merges page file `source` into `output`: started afresh when it is not the output the last
    // page went to, extended otherwise. The page is read and checked before its output is
    // touched, so a page that cannot be used never starts or changes an output; when an output's
    // first page fails, its next page starts it. The pages of an output come together: a page of
    // an output this batch has completed already is refused. With `keepFileDate` the output is to
    // take this page's times once it is in place.
    // `scanned`: what the scan found of the page file, for the record.
    PageReport mergePage(const std::string& source, const std::string& output, bool keepFileDate,
                         const PageFacts* scanned = nullptr);

    // Before the first page of each output, when the run reads its pages ahead with `from`: takes
    // what was read of them. The pages are to be merged as they were read, each by the very string
    // it was read by; any other page, or a page that cannot go where it was read to, is read again
    // at its turn.
    void takeReadAhead(PageReadAhead& from);
    // True when the batch keeps each page's facts for the record.
    bool keepsFacts() const { return keeper_ != nullptr && keeper_->keeps() && mode_ == Mode::Write; }

    // Completes the output the last page went to: puts it in place, or finds it there already.
    // What became of it; Failed when none was being built or it did not reach its place.
    OutputFate completeOutput();

    // Completes the last output; the batch is then empty and may start again.
    BatchResult finish();
    // Lets go of the output being built, which stays as it was: the run was abandoned.
    void abandon() { closeOpenOutput(); }

    // Called with each temporary just before it is put in place: for tests of what others may
    // do to a save folder meanwhile.
    void setPlacingHook(std::function<void(const std::string& temporary)> hook) {
        placingHook_ = std::move(hook);
    }

private:
    // How the output the last page went to is being built.
    enum class Building {
        InMemory,     // in memory_, with the file in its place (if any) open to compare it with
        AsPlaced,     // too large for memory, and so far the file in its place holds it
        InTemporary,  // in its temporary, page by page (a plan only counts its length)
    };

    // The output being built.
    struct OpenOutput {
        std::string key;
        std::string path;
        OutputPlace place;
        OutputPages pages;
        int entries = 0;  // page files merged into it
        bool broken = false;
        bool somethingThere = false;  // its place held a file (or anything) when it started
        bool dated = false;           // its last page's times are to be kept
        platform::FileTimes times;
        bool keepFileDate = false;
        // For the record: its pages as they were read, how far each may be trusted, and whether it
        // can be recorded at all (no page of it failed, every page's times known).
        std::vector<RecordedPage> recorded;
        std::vector<platform::FileTrust> pageTrust;
        bool recordable = true;
        bool datesSet = false;             // found in place, its dates set now
        platform::FileFacts writtenFacts;  // written now: its facts in place
    };

    int startOutput(const std::string& key, const std::string& output, PageCopy& copy, bool copyInMemory,
                    bool keepFileDate, PageReport& report);
    // Places a copy at the end of the open output, as the output is being built.
    int addCopy(PageCopy& copy, bool copyInMemory);
    // The output in memory grows past it: it goes on as placed, or in its temporary.
    int leaveMemory();
    // The output goes on in its temporary, which gets the first `length` bytes of the file in its
    // place (all of it the output holds so far, but its counts).
    int leavePlaced(std::int64_t length);
    // The open output's temporary, made now when it has none yet; false when none can be made.
    bool makeTemporary();
    // Writes the output built in memory to its temporary.
    int writeMemory();
    // Puts the complete output in place, or leaves the file there as it is; notes what failed.
    OutputFate placeOpenOutput(bool unchanged, bool unwritten);
    // Lets go of the open output, its temporary removed unless it was put in place.
    void closeOpenOutput();
    // The output's length in memory: memory_ may hold pages read ahead past it.
    std::size_t memoryLength() const { return static_cast<std::size_t>(open_.pages.length); }
    // The next page read ahead, when it is `source`; null otherwise, and for the rest of the output.
    PageRead* nextPageRead(const std::string& source);
    void dropReadAhead();
    // Gives the record keeper the complete output that met `fate`.
    void recordOutput(OutputFate fate);

    Mode mode_;
    bool makesFolders_;
    OutputPlaces places_;
    OpenOutput open_;
    bool isOpen_ = false;
    std::unordered_set<std::string> completed_;  // by key
    std::string lastOutput_;                     // the output the last page named, and its key
    std::string lastKey_;
    Building building_ = Building::InMemory;
    std::optional<Temporary> temporary_;  // the open output's, when it has one
    PlacedFile placed_;                   // the file in its place, to compare it with
    ByteBuffer memory_;
    ByteBuffer pageBuffer_;  // a page file that does not go straight to memory_
    OutputRead ahead_;             // what was read ahead of the output to come or being built
    std::size_t nextAhead_ = 0;    // its next page to merge
    bool aheadInMemory_ = false;   // memory_ is the buffer the open output's pages were read ahead to
    BatchResult result_;
    std::function<void(const std::string&)> placingHook_;
    RecordKeeper* keeper_ = nullptr;
};

// MergeBatch: the outputs of one run. It starts an output afresh with its first page file and
// extends it with the later ones. An output is built in memory, where its page counts are set, and
// once complete it is compared with the file in its place: one that holds it already is left as it
// is; any other is written to a temporary beside its place in one write, and at the end put in
// place and given its file times, so that an output is replaced only by a complete one. An output
// too large for memory is compared page by page with the file in its place for as long as it
// matches, and from the first difference built in its temporary page by page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/byte_buffer.h"
#include "engine/page_writer.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"

// How one page file fared.
struct PageReport {
    int result = kAppendOk;    // kAppend*: kAppendOk when the page is in its output
    bool dateNotKept = false;  // merged, but its times cannot be read, so its output keeps none
    std::size_t pages = 0;     // the pages it brought to its output
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

struct BatchResult {
    std::vector<OutputNote> notes;  // in the order the outputs were started
    int lostEntries = 0;            // page files merged into outputs that did not reach their place
};

class MergeBatch {
public:
    // A batch that writes its outputs, or one that only plans them: it reads and checks every
    // page file and keeps count of each output's pages and length as writing would, so that it
    // knows every refusal a run would meet but the ones only writing can show, and creates,
    // changes and removes nothing.
    enum class Mode { Write, Plan };
    explicit MergeBatch(Mode mode = Mode::Write);
    // A batch that was never finished belongs to a run that was abandoned: its temporaries are
    // removed, every output stays as it was, and the save folder is let go.
    ~MergeBatch();
    MergeBatch(const MergeBatch&) = delete;
    MergeBatch& operator=(const MergeBatch&) = delete;

    // Between runs, a batch may be made one that writes or one that plans.
    void setMode(Mode mode) { mode_ = mode; }
    Mode mode() const { return mode_; }

    // Holds the save folder for the batch, waiting while another run holds it (`waiting` is
    // called once, before the wait), and removes the temporaries a killed run left there: only
    // files below the folder that its lock file lists under a temporary's exact name. A folder
    // that cannot be held is merged into without the hold. What the hold met, for the log.
    platform::LockProblem holdFolder(const std::string& folder, const std::function<void()>& waiting);
    bool folderHeld() const { return lock_.held(); }

    // Merges page file `source` into `output`: started afresh when this batch has not started it
    // yet, extended otherwise. The page is read and checked before its output is touched, so a
    // page that cannot be used never starts or changes an output; when an output's first page
    // fails, its next page starts it. With `keepFileDate` the output is to take this page's
    // times once it is in place.
    PageReport mergePage(const std::string& source, const std::string& output, bool keepFileDate);

    // Completes every output started, puts each in its place and gives it its times, then lets
    // the save folder go; the batch is then empty and may start again.
    BatchResult finish();

private:
    // An output that holds at least one page of this batch, as the batch left it.
    struct StartedOutput {
        std::string path;
        std::string temporary;  // where it is built, once it has a temporary
        OutputPages pages;
        int entries = 0;  // page files merged into it
        bool broken = false;
        bool unwritten = false;  // complete, but its temporary could not be made or written
        bool unchanged = false;  // complete, and the file in its place holds every byte of it
        // The times of its last page, read when that page was merged, when they are to be kept;
        // and for an unchanged output, the times the file in its place has.
        bool dated = false;
        platform::FileTimes times;
        platform::FileTimes placedTimes;
    };

    // How the output the last page went to is being built.
    enum class Building {
        InMemory,     // in memory_, with the file in its place (if any) open to compare it with
        AsPlaced,     // too large for memory, and so far the file in its place holds it
        InTemporary,  // in its temporary, page by page
    };

    // Starts `output` with a copy in memory_ (`copyInMemory`) or in pageBuffer_.
    int startOutput(const std::string& key, const std::string& output, PageCopy& copy, bool copyInMemory);
    // Opens a started output again for more pages, where this batch left it.
    bool reopen(const std::string& key, StartedOutput& state);
    // Places a copy at the end of the open output, as the output is being built.
    int addCopy(StartedOutput& state, PageCopy& copy, bool copyInMemory);
    // The output in memory grows past it: it goes on as placed, or in its temporary.
    int leaveMemory(StartedOutput& state);
    // The output goes on in its temporary, which gets the first `length` bytes of the file in its
    // place (all of it the output holds so far, but its counts).
    int leavePlaced(StartedOutput& state, std::int64_t length);
    // The output the last page went to is complete (so far): its counts are set, and it is
    // written, or found in its place already. The next page goes elsewhere.
    void completeOpenOutput();
    void closeOpenOutput();
    // The output's temporary, open for writing: made now (createTemporary) when it has none yet;
    // null when none can be made.
    std::FILE* temporaryOf(StartedOutput& state);
    // Writes the output built in memory to its temporary, made first when need be.
    int writeMemory(StartedOutput& state);
    // A new temporary for `output`, created where no file is and listed in the lock file.
    std::FILE* createTemporary(const std::string& output, std::string& temporary);
    // True when the folder of `path` held something of that name when this batch first looked
    // there. A folder is listed once, instead of a lookup of every name that is not there: on some
    // file systems (and under Wine) such a lookup searches the whole folder, and a run makes
    // thousands of them, one for each new output and for each temporary's name.
    bool wasThere(const std::string& path);
    // True when the file in the output's place holds `length` bytes at `offset` as `bytes` has
    // them, but for the page counts of the headers at `headers` (positions in the output), which
    // are set once the output is complete.
    bool placedHolds(const std::uint8_t* bytes, std::int64_t offset, std::size_t length,
                     const std::vector<std::uint32_t>& headers);
    // True when the page counts in the file in the output's place are those of `pages`.
    bool placedCountsAre(const OutputPages& pages);

    // Keyed by the file system's spelling of the path; `order_` keeps the order of starts.
    std::unordered_map<std::string, StartedOutput> outputs_;
    std::vector<std::string> order_;
    // The names each output folder held when first looked at, by the file system's spelling.
    std::unordered_map<std::string, std::unordered_set<std::string>> listings_;
    // The output that the last page went to stays open for the next one, which in a sorted list
    // is nearly always the next page of the same fax.
    std::string openKey_;
    StartedOutput* openState_ = nullptr;  // its state (the map keeps its elements in place)
    std::string lastOutput_;              // the output the last page named, and its key
    std::string lastKey_;
    Building building_ = Building::InMemory;
    std::FILE* openOutput_ = nullptr;  // its temporary, when it has one
    platform::InputFile placed_;       // the file in its place, to compare it with
    platform::FileInfo placedInfo_;    // what the system told of it when it was opened
    ByteBuffer memory_;
    ByteBuffer pageBuffer_;  // a page file that does not go straight to memory_
    ByteBuffer compared_;    // a piece of the file in an output's place
    platform::FolderLock lock_;
    std::string folder_;           // the save folder as held, which the list's lines are relative to
    std::uint32_t nextTemporary_;  // the number of the next temporary's name to try
    Mode mode_;
};

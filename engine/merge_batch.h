// MergeBatch: the outputs of one run. It starts an output afresh with its first page file and
// extends it with the later ones, builds each beside its place, and at the end writes their page
// counts, puts them in place and gives them their file times, so that an output is replaced
// only by a complete one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

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
    CannotPutInPlace,  // complete, but it could not replace the earlier output
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
        std::string temporary;  // where it is built until the batch is finished
        OutputPages pages;
        int entries = 0;  // page files merged into it
        bool broken = false;
        // The times of its last page, read when that page was merged, when they are to be kept.
        bool dated = false;
        platform::FileTimes times;
    };

    // The output's file, open: the one already open, a started one reopened, or a new temporary
    // (its path in `temporary`).
    std::FILE* outputFor(const std::string& key, const std::string& path, std::string& temporary);
    // A new temporary for `output`, created where no file is and listed in the lock file.
    std::FILE* createTemporary(const std::string& output, std::string& temporary);
    void closeOpenOutput();
    void completeOpenOutput();

    // Keyed by the file system's spelling of the path; `order_` keeps the order of starts.
    std::unordered_map<std::string, StartedOutput> outputs_;
    std::vector<std::string> order_;
    // The output that the last page went to stays open for the next one, which in a sorted list
    // is nearly always the next page of the same fax.
    std::string openKey_;
    std::FILE* openOutput_ = nullptr;
    platform::FolderLock lock_;
    std::string folder_;           // the save folder as held, which the list's lines are relative to
    std::uint32_t nextTemporary_;  // the number of the next temporary's name to try
    Mode mode_;
};

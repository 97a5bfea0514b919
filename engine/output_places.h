// Where a run's outputs go: its save folder, held open (and locked) for the run, the folder of
// each output reached below it (made where missing) and listed once, and the temporaries made
// there, each listed in the run's list just before it is made. Nothing below the save folder is
// reached by a path of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/temporary_records.h"
#include "platform/folder_lock.h"
#include "platform/save_folder.h"

// What holding the save folder met, for the log.
struct HoldReport {
    platform::LockProblem problem = platform::LockProblem::None;
    int leftoversKept = 0;  // temporaries killed runs listed that could not be removed now
};

// An output's place: its folder (below the save folder, or for an output outside it the folder
// its path names) and its name there.
struct OutputPlace {
    std::string folderPath;
    std::vector<std::string> steps;  // of the folder below the save folder
    bool belowSaveFolder = false;
    std::string name;
};

class OutputPlaces {
public:
    OutputPlaces();
    ~OutputPlaces() { release(); }

    // Holds the save folder, waiting for at most `waitMs` while another run holds it, and removes
    // what killed runs left there; for a plan, only opens it (when it is there).
    HoldReport hold(const std::string& folder, const std::function<void()>& waiting, long long waitMs,
                    bool planOnly);
    bool held() const { return lock_.held(); }

    OutputPlace placeOf(const std::string& output) const;
    // Opens the folder of `place`, made where missing with `make`, unless it is open already.
    // `refused` names the folder on the way that was not entered, if any.
    platform::Reach open(const OutputPlace& place, bool make, std::string& refused);
    const platform::OpenFolder& folder() const { return folder_; }
    // True when the open folder held something of that name when this run first looked there.
    bool wasThere(const std::string& name);

    // Makes a temporary in the open folder of `place`, listed first when the folder is held;
    // `line` its line in the list, empty when unlisted. False when none can be made.
    bool makeTemporary(const OutputPlace& place, platform::CreatedFile& file, std::string& line);
    // A listed temporary that could not be removed: it stays listed.
    void keep(const std::string& line) { records_.keep(line); }
    bool failedToList() const { return records_.failedToList(); }

    // The run ends: its list goes (or keeps what stays), and the save folder is let go.
    void release();

private:
    platform::Reach reach(const OutputPlace& place, bool make, std::string& refused);

    std::string savePath_;  // the save folder as held, which outputs' places are found below
    platform::SaveFolder saveFolder_;
    platform::FolderLock lock_;
    TemporaryRecords records_;
    // The open folder, by the file system's spelling of its path, and the names each folder
    // held when first looked at.
    std::string folderKey_;
    bool folderKnown_ = false;
    platform::Reach reached_ = platform::Reach::Failed;
    std::string refused_;
    platform::OpenFolder folder_;
    std::unordered_map<std::string, std::unordered_set<std::string>> listings_;
    std::uint32_t nextTemporary_;  // the number of the next temporary's name to try
};

// Where a run's outputs go below its save folder, held open (and locked) by the run: the folder
// of each output reached step by step (made where missing) and listed once, and the temporaries
// made there, each listed in the run's list just before it is made. Nothing below the save folder
// is reached by a path of its own, and no output outside it is written.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/temporary.h"
#include "platform/save_folder.h"

class TemporaryRecords;

// An output's place: its folder (below the save folder) and its name there.
struct OutputPlace {
    std::string folderPath;
    std::vector<std::string> steps;  // of the folder below the save folder
    bool belowSaveFolder = false;
    std::string name;
};

class OutputPlaces {
public:
    // Below `saveFolder`, opened from `savePath` (not open: a plan of a save folder not made yet),
    // with the run's `list` of temporaries (null for a plan).
    OutputPlaces(const platform::SaveFolder& saveFolder, std::string savePath, TemporaryRecords* list);

    // Whether the folders of outputs are listed with the facts of their entries.
    void setListsFacts(bool on) { listsFacts_ = on; }
    bool listsFacts() const { return listsFacts_; }
    // What the save folder held when the run took it, so that it is not listed twice.
    void knowSaveFolder(const std::vector<platform::FolderEntry>& entries);

    OutputPlace placeOf(const std::string& output) const;
    // Opens the folder of `place`, made where missing with `make`, unless it is open already.
    // `refused` names the folder on the way that was not entered, if any.
    platform::Reach open(const OutputPlace& place, bool make, std::string& refused);
    const platform::OpenFolder& folder() const { return *folder_; }
    // True when the open folder held something of that name when this run first looked there.
    bool wasThere(const std::string& name);
    // The facts `name` had when this run first listed the open folder (with listsFacts); false
    // when they are not known.
    bool factsOf(const std::string& name, platform::FileFacts& facts);
    // What the open folder's file system tells of its files.
    const platform::FolderFacts& folderFacts();

    // Makes a temporary in the open folder of `place`, listed first; none when none can be made.
    std::optional<Temporary> makeTemporary(const OutputPlace& place);

    // The run ends: the folders it opened and what it learnt of them are let go.
    void release();

private:
    platform::Reach reach(const OutputPlace& place, bool make, std::string& refused);
    // The names a folder held when this run first looked, by the file system's spelling.
    struct Listing {
        bool complete = false;  // a folder that could not be listed is asked name by name
        std::unordered_map<std::string, platform::FileFacts> names;
    };
    Listing& listing();

    const platform::SaveFolder& saveFolder_;
    std::string savePath_;
    TemporaryRecords* list_;
    // The open folder, by the file system's spelling of its path.
    std::string folderKey_;
    bool folderKnown_ = false;
    platform::Reach reached_ = platform::Reach::Failed;
    std::string refused_;
    std::shared_ptr<platform::OpenFolder> folder_;
    std::unordered_map<std::string, Listing> listings_;
    Listing* current_ = nullptr;  // the open folder's, once looked up
    bool listsFacts_ = false;
    bool folderFactsKnown_ = false;
    platform::FolderFacts folderFacts_;
    std::uint32_t nextTemporary_;  // the number of the next temporary's name to try
};

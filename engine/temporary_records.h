// What a run keeps of its temporaries in its save folder, so that a run killed at any moment
// leaves nothing that the next one cannot clean: a list file of the run's own, made exclusively
// (".quirewell-" and four of 0-9 and a-z, ".list"), which names each temporary before it is made
// and goes when the run ends; and the lists killed runs left, whose temporaries the next run that
// holds the folder removes. Lists lie where strangers may write, so what one names is only ever a
// plain file with a temporary's exact name below the save folder, reached through no link.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/save_folder.h"

// True for a name listFileName gives, and for nothing else.
bool isListFileName(const std::string& name);
std::string listFileName(std::uint32_t number);

class TemporaryRecords {
public:
    explicit TemporaryRecords(const platform::SaveFolder& folder) : folder_(folder) {}
    ~TemporaryRecords() { list_.close(); }
    TemporaryRecords(const TemporaryRecords&) = delete;
    TemporaryRecords& operator=(const TemporaryRecords&) = delete;

    // The save folder is held: from now on the run lists its temporaries. A run that does not
    // hold it lists nothing, so that another run never removes what this one is still writing.
    void startListing() { listing_ = true; }
    bool keepsList() const { return listing_; }

    // In a save folder just held, whose entries are `names`: removes what every list found there
    // names (and `earlierList`, an earlier version's, which stays where it is), and the lists
    // that name nothing left. A list that names a temporary that cannot be removed now stays for
    // the next run. Returns how many listed temporaries stay.
    int removeLeftovers(const std::vector<std::string>& names, const std::string& earlierList);

    // Lists `line` (a temporaryListLine) just before its temporary is made; the list file is made
    // with the first line. False when the line cannot be listed.
    bool record(const std::string& line);
    // Takes the line recorded last off the list again: its file could not be made, and the name
    // may be someone else's.
    void unrecordLast();
    // A listed temporary that this run could not remove: its line stays when the run ends.
    void keep(const std::string& line) { kept_ += line; }
    // True once a line could not be listed: a run killed now would leave its temporary behind.
    bool failedToList() const { return failedToList_; }
    // The run's list file, while it is open: a file the run wrote in the save folder.
    const platform::CreatedFile* file() const { return list_.isOpen() ? &list_ : nullptr; }

    // The run ends: the list goes, or when temporaries stay, it holds their lines alone (or, when
    // that cannot be written, everything it held). False when the temporaries that stay could not
    // be kept listed.
    bool finish();

private:
    const platform::SaveFolder& folder_;
    bool listing_ = false;
    platform::CreatedFile list_;
    std::int64_t length_ = 0;        // what the list file holds
    std::int64_t lastRecorded_ = 0;  // its length before the last line
    std::string kept_;
    bool failedToList_ = false;
    bool namesOthers_ = false;  // a line for a file this run did not make could not be taken off
};

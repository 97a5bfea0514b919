// What a run does with the record of how merged faxes were made: it tells from the record found
// which outputs are as the record left them, without reading their page files or themselves, and
// it gathers the next record: every output the run knows unchanged for certain, whose page files'
// and own times are safely older than the moment they were looked at (and, for a fax it wrote, once
// its bytes are known to be on disk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/merge_record.h"
#include "platform/file_system.h"

// A page file as the run's scan found it.
struct ScannedPage {
    const std::string* source = nullptr;
    platform::FileFacts facts;  // size -1: not looked at
};

class RecordKeeper {
public:
    // With the record the run found (null when there is none, or every byte is to be compared),
    // for a run that began looking at files at `runStart` (a file clock reading).
    RecordKeeper(const MergeRecord* earlier, std::int64_t runStart)
        : earlier_(earlier), runStart_(runStart) {}

    // Whether the run takes facts of the files it reads and compares, for the next record.
    bool keeps() const { return keeps_; }
    void setKeeps(bool on) { keeps_ = on; }
    // Whether a record was found that may tell outputs unchanged.
    bool tells() const { return earlier_ != nullptr && earlier_->size() > 0; }

    // The output recorded as made from exactly `pages` (their facts as the scan found them) with
    // `keepFileDate`, when every one of those and the file in its place (`placed`) are as the record
    // left them; it then goes into the next record as it is. Null otherwise.
    // `key`: the output path's platform::pathKey.
    const RecordedOutput* unchanged(const std::string& output, const std::string& key,
                                    const std::vector<ScannedPage>& pages, bool keepFileDate,
                                    const platform::FileFacts& placed);

    // An output the run built and either found in its place (compared byte for byte) or wrote
    // there: recorded when it and every one of its pages (`pageTrust` in order) are safely older
    // than the run's start; one it wrote, when its times are safely older than the moment the
    // next record is taken, once its bytes are on disk.
    void built(RecordedOutput output, const std::vector<platform::FileTrust>& pageTrust,
               platform::FileTrust outputTrust, bool written);

    // True when the next record would say nothing the record found did not: every output it
    // holds found unchanged, and no other.
    bool sameAsEarlier() const {
        return earlier_ != nullptr && pending_.empty() && carried_.size() == earlier_->size();
    }
    // True when the next record would vouch for an output this run wrote or compared, which must
    // be on disk first; the newest time among them, for a wait.
    bool needsDisk() const { return !pending_.empty(); }
    std::int64_t newestPending() const;

    // The next record, taken at `moment`, with `onDisk` telling whether the disk was waited for;
    // `settled`: an output compared (not written) older than this is surely written out by the
    // system by now, where that wait does not cover it.
    MergeRecord next(std::int64_t moment, bool onDisk, std::int64_t settled);

private:
    struct Pending {
        RecordedOutput output;
        platform::FileTrust trust;
        bool written;
    };

    const MergeRecord* earlier_;
    std::int64_t runStart_;
    bool keeps_ = true;
    std::vector<const RecordedOutput*> carried_;  // of `earlier_`, unchanged
    std::vector<Pending> pending_;
};

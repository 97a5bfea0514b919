// The record of what each merged fax was made from, kept between runs so that a fax whose page
// files and own file have not changed is known from a listing, without reading either: for each
// merged fax, its page files in merge order with each one's facts (length, last-write and change
// time, identity) and pages, whether it took its last page's dates, and its own facts as the run
// left it. A record vouches only for what was known unchanged for certain; it is a cache, which a
// run that cannot trust it (cut short, damaged, of another version or another save folder) drops.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

struct RecordedPage {
    // The page file's path as the run formed it, told by its hash: the facts say which file it is,
    // the path only that the run takes it by the same name, and a path of its own per page file
    // would make a record of an archive several times larger and slower to read.
    std::uint64_t source = 0;
    platform::FileFacts facts;
    std::uint32_t pages = 0;  // the pages it brought to its merged fax
    bool operator==(const RecordedPage&) const = default;
};

// The hash of a page file's path as a record keeps it.
std::uint64_t pathHash(const std::string& path);

struct RecordedOutput {
    std::string path;  // the merged fax's path as the run formed it
    bool keepFileDate = false;
    platform::FileFacts facts;
    std::vector<RecordedPage> pages;
    bool operator==(const RecordedOutput&) const = default;
};

class MergeRecord {
public:
    // The output recorded under the path whose key (platform::pathKey) is `key`, or null.
    const RecordedOutput* find(const std::string& key) const;
    // Records an output; one recorded before under the same path is replaced.
    void add(RecordedOutput output);
    std::size_t size() const { return outputs_.size(); }
    bool operator==(const MergeRecord& other) const { return outputs_ == other.outputs_; }

    // The record as a file's bytes, for the save folder `key` names, with its own checksum.
    std::string encode(const std::string& key) const;
    // Reads a record from `bytes`; false, with nothing recorded, when they are not a whole,
    // undamaged record of this program's version for the save folder `key` names.
    bool decode(const std::string& bytes, const std::string& key);

private:
    std::vector<RecordedOutput> outputs_;
    std::unordered_map<std::uint64_t, std::size_t> byPath_;  // by the hash of each output's path key
};

// True when the times in `facts` are safely older than `moment` (a file clock reading), so that
// any change since gives the file other times: by more than the grain of the file system's clock
// (two seconds where its times are whole seconds, and where they come from a server's clock,
// which may run apart from this computer's). Never for a file system whose facts tell nothing.
bool safelyOlder(const platform::FileFacts& facts, std::int64_t moment, platform::FileTrust trust);

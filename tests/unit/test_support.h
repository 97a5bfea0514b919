// Shared helpers of the unit tests: a scratch directory removed afterwards, whole-file reads
// and writes, and page files made by the generator.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "runs/merge_options.h"
#include "runs/run_session.h"
#include "tools/fax_generator.h"

namespace test_support {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The scratch directory itself, or a path below it; `relative` uses '/' between levels and
    // is given the platform's separator.
    std::string path(const std::string& relative = std::string()) const;
    // Writes a file (creating its directories) and returns its path.
    std::string write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const;
    void makeDir(const std::string& relative) const;

private:
    std::filesystem::path root_;
};

// A path written with '/' in the platform's own spelling.
std::string nativePath(std::string path);

std::vector<std::uint8_t> readFile(const std::string& path);
// The temporaries a run is building (or left) in `folder`, by name.
std::vector<std::string> temporariesIn(const std::string& folder);
bool exists(const std::string& path);

// A run as the programs make one, for tests that merge page by page: its save folder made and
// held for the run, the outputs below it.
class HeldRun {
public:
    explicit HeldRun(const std::string& saveFolder, bool keepFileDate = false, bool makesFolders = false);
    MergeOptions& options() { return options_; }
    RunSession& session() { return *session_; }
    const HoldReport& held() const { return held_; }
    bool mergeFile(const std::string& source, const std::string& output) {
        return session_->mergeFile(source, output);
    }
    // Ends the run; the entries merged into outputs that did not reach their place.
    int finish() { return session_->finish().lostEntries; }
    // Ends the run and starts the next one in the same save folder, with a log of its own.
    int finishAndStartAgain();
    const std::string& log() const { return options_.runLogText(); }

private:
    void start();

    MergeOptions options_;
    bool makesFolders_;
    std::unique_ptr<RunSession> session_;
    HoldReport held_;
};

// While it lives, runs keep their records in `folder` (where the environment chooses the cache
// folder: not on Windows, whose runs keep them in the prefix's or the user's own).
class CacheOfItsOwn {
public:
    explicit CacheOfItsOwn(const std::string& folder);
    ~CacheOfItsOwn();
    CacheOfItsOwn(const CacheOfItsOwn&) = delete;
    CacheOfItsOwn& operator=(const CacheOfItsOwn&) = delete;
    // The paths of the files the runs keep there.
    std::vector<std::string> files() const;

private:
    std::string earlier_;
};

// What Linux counts of this process's reading and writing so far ("rchar", "wchar"); -1 where it
// does not (a Windows program under Wine would read Wine's own count).
long long ioCount(const std::string& field);

// A page file of the given kind from a generator seeded with `seed`.
std::vector<std::uint8_t> pageFile(std::uint64_t seed, FaxKind kind = FaxKind::Consistent,
                                   std::size_t dataLength = 300, unsigned pages = 3);

}  // namespace test_support

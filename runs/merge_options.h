// MergeOptions: the record one merge run works on: its switches and directories, the scan's
// list of page files and the run's text log. What a run holds while it works (its save folder,
// its temporaries, its outputs) is its RunSession's.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "engine/merge_batch.h"
#include "engine/source_scan.h"

inline constexpr int kModeDirectory = 1;
inline constexpr int kModeFile = 2;

class MergeOptions {
public:
    MergeOptions();
    MergeOptions(const MergeOptions&) = delete;
    MergeOptions& operator=(const MergeOptions&) = delete;

    // Back to the settings of a fresh record; `quiet`, `preview` and `mode` keep their values.
    void resetOptions();

    bool keepFileDate() const { return keepFileDate_; }
    // Whether the scan takes the page files of the sub-folders too ("/s"), and whether their
    // outputs go into the same sub-folders below destDir ("/h").
    bool includeSubdirs() const { return includeSubdirs_; }
    void setIncludeSubdirs(bool on) { includeSubdirs_ = on; }
    bool keepHierarchy() const { return keepHierarchy_; }
    // "/auto:N": the minutes of automatic merging the window is to start with, or 0.
    int autoMinutes() const { return autoMinutes_; }
    // An "/auto" switch stood among the switches, whether its minutes were taken or not.
    bool presetAsked() const { return presetAsked_; }
    void setKeepFileDate(bool on) { keepFileDate_ = on; }
    bool quiet() const { return quiet_; }
    // "/n": the command line asks for the plan of the run instead of the run.
    bool preview() const { return preview_; }
    int mode() const { return mode_; }

    const std::string& fileMask() const { return fileMask_; }
    void setFileMask(const std::string& mask) { fileMask_ = mask; }
    const std::string& sourceDir() const { return sourceDir_; }
    void setSourceDir(const std::string& dir) { sourceDir_ = dir; }
    const std::string& destDir() const { return destDir_; }
    void setDestDir(const std::string& dir) { destDir_ = dir; }

    // A run whose log nobody reads (a quiet run with no log file) writes none: at a line a page
    // file, it would cost a large archive's run more than finding the archive unchanged.
    void setRunLogKept(bool kept) { runLogKept_ = kept; }
    void setRunLog(const std::string& text) {
        if (runLogKept_) {
            runLog_ = text;
        }
    }
    void appendRunLog(const std::string& text) {
        if (runLogKept_) {
            runLog_ += text;
        }
    }
    std::string runLog() const { return runLog_; }
    const std::string& runLogText() const { return runLog_; }
    // Hands over the log written since the last call and goes on with an empty one; the run
    // carries on. A front end that shows a long run's log as it grows takes it in pieces this
    // way, so that the log is kept once, where it is shown.
    std::string takeRunLog() { return std::exchange(runLog_, std::string()); }
    // Makes room in the log for `more` bytes at once, when a run knows how long its lines will be.
    void reserveRunLog(std::size_t more) {
        if (runLogKept_) {
            runLog_.reserve(runLog_.size() + more);
        }
    }
    bool runLogKept() const { return runLogKept_; }

    std::size_t scanCount() const { return scanList_.size(); }
    std::string scanEntry(std::size_t index) const { return scanList_.at(index); }
    const std::vector<std::string>& scanList() const { return scanList_; }
    // The folders the scan could not read, each with its place among the entries.
    const std::vector<UnreadFolder>& unreadFolders() const { return unreadFolders_; }
    // What the scan found of each entry besides its path, in the list's order; with
    // `setScanFacts(true)` each file's own facts too.
    const std::vector<PageFacts>& scanFacts() const { return scanFacts_; }
    void setScanFacts(bool fileFacts) { scanFileFacts_ = fileFacts; }

    // "/c": every merged fax is compared byte for byte, whatever the record of how it was made says.
    bool compareEverything() const { return compareEverything_; }
    void setCompareEverything(bool on) { compareEverything_ = on; }

    // Reads the switches, directories and file mask from the text after the program's name
    // (null when there is none). Text meant for standard output (the usage text) is appended to
    // `standardOutput`. Returns 0 for a command-line run, 1 for the window's preset ("/auto:N"),
    // -1 without a command line, 126 when it is incomplete or its minutes are refused.
    int parseCommandLine(const char* commandLine, std::string& standardOutput);

    // Fills the list with the page files below sourceDir (with sub-directories on request, which
    // the record keeps for the run), in name order within each directory, and notes every folder
    // it could not read. The number of entries, or -1 when sourceDir is empty.
    int collectFaxFiles(bool includeSubdirs);
    void scanDirectory(const std::string& directory, bool includeSubdirs);

    // "/w:N": the most minutes a run waits for another run to let the save folder go, or -1 for as
    // long as it takes.
    int waitMinutes() const { return waitMinutes_; }
    void setWaitMinutes(int minutes) { waitMinutes_ = minutes; }
    // A "/w:" switch stood among the switches with minutes it does not take.
    bool waitRefused() const { return waitRefused_; }

    // "/log:FILE" or "/log+:FILE": the file the run's log goes to besides the screen (empty for
    // none), and whether the log is added to what the file holds rather than replacing it.
    const std::string& logFile() const { return logFile_; }
    bool logAppends() const { return logAppends_; }
    // A "/log:" or "/log+:" switch stood among the switches without a file name.
    bool logRefused() const { return logRefused_; }

    // Appends the log line of a page file merged (or not) into `output`.
    void logPage(const std::string& source, const std::string& output, const PageReport& report);

private:
    bool keepFileDate_ = false;
    bool includeSubdirs_ = false;
    bool keepHierarchy_ = false;
    int autoMinutes_ = 0;
    int waitMinutes_ = -1;
    bool waitRefused_ = false;
    bool presetAsked_ = false;
    std::string logFile_;
    bool logAppends_ = false;
    bool logRefused_ = false;
    bool quiet_ = false;
    bool preview_ = false;
    int mode_ = kModeDirectory;
    std::string fileMask_;
    std::string sourceDir_;
    std::string destDir_;
    std::string runLog_;
    bool runLogKept_ = true;
    std::vector<std::string> scanList_;
    std::vector<UnreadFolder> unreadFolders_;
    std::vector<PageFacts> scanFacts_;
    bool scanFileFacts_ = false;
    bool compareEverything_ = false;
};

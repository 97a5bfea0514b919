// MergeOptions: the record one merge run works on: its switches and directories, the scan's
// list of page files, and the run's text log with the outputs the run has started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

struct RunTotals;
class RunSink;

inline constexpr int kModeDirectory = 1;
inline constexpr int kModeFile = 2;

class MergeOptions {
public:
    MergeOptions();
    // Completes the outputs of a run that was not finished.
    ~MergeOptions();
    MergeOptions(const MergeOptions&) = delete;
    MergeOptions& operator=(const MergeOptions&) = delete;

    // Back to the settings of a fresh record; `quiet` and `mode` keep their values.
    void resetOptions();

    bool keepFileDate() const { return keepFileDate_; }
    void setKeepFileDate(bool on) { keepFileDate_ = on; }
    bool quiet() const { return quiet_; }
    int mode() const { return mode_; }

    const std::string& fileMask() const { return fileMask_; }
    void setFileMask(const std::string& mask) { fileMask_ = mask; }
    const std::string& sourceDir() const { return sourceDir_; }
    void setSourceDir(const std::string& dir) { sourceDir_ = dir; }
    const std::string& destDir() const { return destDir_; }
    void setDestDir(const std::string& dir) { destDir_ = dir; }

    // Replacing the log starts a new run: no output counts as started any more.
    void setRunLog(const std::string& text);
    void appendRunLog(const std::string& text) { runLog_ += text; }
    std::string runLog() const { return runLog_; }
    const std::string& runLogText() const { return runLog_; }
    // Hands over the log written since the last call and goes on with an empty one; the run
    // and its started outputs carry on. A caller that passes a long run's log on in pieces
    // this way keeps no second copy of it.
    std::string takeRunLogText() {
        std::string taken;
        taken.swap(runLog_);
        return taken;
    }

    std::size_t scanCount() const { return scanList_.size(); }
    std::string scanEntry(std::size_t index) const { return scanList_.at(index); }
    const std::vector<std::string>& scanList() const { return scanList_; }

    // Reads the switches, directories and file mask from the text after the program's name
    // (null when there is none). Text meant for standard output (the usage text) is appended to
    // `standardOutput`. Returns 0 for a command-line run, -1 without a command line, 126 when
    // it is incomplete.
    int parseCommandLine(const char* commandLine, std::string& standardOutput);

    // The command-line run over the scan list: every output directly in destDir, the log closed
    // by the totals. 0 when the run was made, -1 when destDir is empty or cannot be made.
    int runDirectoryMerge(RunTotals* totals = nullptr, RunSink* sink = nullptr);

    // Fills the list with the page files below sourceDir (with sub-directories on request), in
    // name order within each directory. The number of entries, or -1 when sourceDir is empty.
    int collectFaxFiles(bool includeSubdirs);
    void scanDirectory(const std::string& directory, bool includeSubdirs);

    // Merges page file `source` into output `output`: a new output of this run is started
    // afresh, a started one is extended. Logs one line; false when the page was not merged.
    bool mergeFile(const std::string& source, const std::string& output);

    // Completes the outputs this run started and puts each in its place: until now every
    // output was built beside it, so that an earlier version stays whole until the new one is.
    // Its page counts are written once all its pages are in, and its file times then taken
    // from its last page when asked to. Returns the number of entries that had been merged
    // into outputs that could not be completed; each such output has a log line.
    int finishRun();

private:
    bool keepFileDate_ = false;
    bool quiet_ = false;
    int mode_ = kModeDirectory;
    std::string fileMask_;
    std::string sourceDir_;
    std::string destDir_;
    std::string runLog_;
    std::vector<std::string> scanList_;
    // An output that received a page in this run, as this run left it.
    struct StartedOutput {
        std::string path;
        std::string temporary;  // where it is built until the run is through
        long long length = 0;
        int entries = 0;        // entries merged into it
        bool broken = false;    // a write could not be undone, it changed behind the run's
                                // back, or its counts could not be written
        std::string datedBy;    // the page file whose times the output takes, when kept
        // Where each of its pages starts, so that the counts can be written without walking
        // the chain back out of the file; one entry a page.
        std::vector<std::uint32_t> pageStarts;
    };
    std::FILE* outputFor(const std::string& key, const std::string& path);
    void closeOpenOutput();
    void completeOpenOutput();

    // Keyed by the file system's spelling of the path; `outputOrder_` keeps the order of starts.
    std::unordered_map<std::string, StartedOutput> startedOutputs_;
    std::vector<std::string> outputOrder_;
    // The output that the last page went to stays open for the next one, which in a sorted list
    // is nearly always the next page of the same fax.
    std::string openKey_;
    std::FILE* openOutput_ = nullptr;
};

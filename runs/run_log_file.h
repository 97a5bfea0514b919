// "/log:FILE" and "/log+:FILE": a run's log written to a file as well as to the screen, each run's
// log between a line that tells when it started, the program's version and its command line, and a
// line with its exit code, so that a file that gathers the runs of many nights tells them apart.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "platform/log_file.h"

class MergeOptions;

// "==== 2024-03-07 03:00:00 Quirewell 2.3.417: quirewell-cli /q C:\Fax D:\Merged", the line before
// a run's log (no line end).
std::string logFileHeader(const platform::LocalTime& started, const std::string& version,
                          const std::string& commandLine);

// "==== Exit code 4", the line after a run's log (no line end).
std::string logFileFooter(int exitCode);

// "Cannot write the log file FILE (REASON)", what the user is told of a log file that could not
// be opened or written (no line end).
std::string logFileProblemLine(const std::string& path, platform::LogFileProblem problem);

// The log is kept with "\r\n" line ends; standard output takes "\n", which the Windows runtime
// writes as "\r\n" again.
std::string withLineFeeds(const std::string& text);

// Where a run's log goes besides the screen: no file when `path` is empty. `commandLine` is the
// program's name and arguments as the user gave them.
struct LogFileSetting {
    std::string path;
    bool append = false;
    std::string commandLine;
};

// One run's log on its way to its file, through a handle opened when the run begins and closed
// when it ends, shared with whoever reads the file meanwhile. The first failure ends the writing,
// so that it is told once.
class RunLogFile {
public:
    explicit RunLogFile(LogFileSetting setting) : setting_(std::move(setting)) {}

    // Opens the file (emptied, or to be added to) and writes the line before the log, with the
    // time now.
    void begin();
    // Writes log text kept with "\r\n" line ends as standard output would take it: in UTF-8, with
    // this platform's line ends.
    void add(const std::string& text);
    // Writes the line after the log and closes the file. The line that tells why the file could not
    // be opened or written, or empty.
    std::string finish(int exitCode);

private:
    void put(const std::string& text);

    LogFileSetting setting_;
    platform::LogFile file_;
    platform::LogFileProblem problem_ = platform::LogFileProblem::None;
};

// The command-line run (performDirectoryRun), with its log also in the file that the command
// line's "/log:" or "/log+:" names. A log file that cannot be written is told in one line on
// standard error, and given to `logFileProblem` when asked; the run and its exit code are as without
// the file.
int performLoggedRun(MergeOptions& options, std::FILE* pleaseWait, const std::string& commandLine,
                     std::string* logFileProblem = nullptr);

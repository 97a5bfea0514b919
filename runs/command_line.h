// The command line of both programs: the usage text, the results of parsing, and the directory
// run that a parsed command line asks for, with exit codes a script can rely on (the parsing in
// command_line.cpp, the run in command_line_run.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "runs/directory_run.h"

class MergeOptions;
struct RunTotals;

// Results of MergeOptions::parseCommandLine.
inline constexpr int kParseRun = 0;     // a command-line run is requested
inline constexpr int kParsePreset = 1;  // "/auto:N": the window starts hidden with these settings
inline constexpr int kParseNoCommandLine = -1;
inline constexpr int kParseIncomplete = 126;  // fewer than two arguments, or an empty destination

// Exit codes of a command-line directory run.
inline constexpr int kExitMerged = 0;          // every page file found was merged, or none was found
inline constexpr int kExitNoDestination = 3;   // the destination directory could not be created
inline constexpr int kExitSomeFailed = 4;      // the run finished, but some page files failed
inline constexpr int kExitFoldersNotRead = 5;  // the run finished, but some folders could not be read
inline constexpr int kExitGaveUpWaiting = 6;   // another run held the save folder for longer than "/w:N"

// The usage text, its three lines as written to standard output, in the program's code page: its
// Chinese words ("not supported yet") are GBK bytes in code page 936 and UTF-8 where the program
// runs in UTF-8.
const std::string& usageText();

// The console program's arguments as one command line: joined with single blanks, an argument
// that holds a blank or is empty enclosed in double quotes.
std::string joinArguments(const std::vector<std::string>& arguments);

// Where the command line puts each output: directly in destDir, as it always has; with "/s" or
// "/h", by the window's rules for "Include Sub-dir" and "Keep Hiberarchy", so that both write the
// same outputs from the same tree.
PathRule commandLinePathRule(const MergeOptions& options);

// The command-line run: the top level of sourceDir with every output directly in destDir, or
// with "/s" and "/h" the window's rules for its sub-folders; the log closed by the totals. 0
// when the run was made, -1 when destDir is empty or cannot be made.
int runDirectoryMerge(MergeOptions& options, RunTotals* totals = nullptr, RunSink* sink = nullptr);

// "Please Wait...\n" on `pleaseWait` (unless null), the run (or with "/n" its preview, into the
// log) over the source's top level, or with "/s" its whole tree; returns the exit code. A wait for
// another run to finish with the save folder is told on standard error.
int performDirectoryRun(MergeOptions& options, std::FILE* pleaseWait);

// The exit code of a run that went as far as these totals tell: 0, 4, 5 or 6.
int exitCodeOf(const RunTotals& totals);

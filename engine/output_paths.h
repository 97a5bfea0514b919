// Where each page file goes: the source path of a scan entry and the path of the merged fax it
// joins. Page files whose names differ only in their last three characters before the extension
// (and in the extension) share one output.
#pragma once

#include <string>

struct EntryPaths {
    std::string source;
    std::string output;
};

// The merged fax's file name for a page file's name: the name without its extension and the
// three characters before it (without all of it when shorter), followed by "fax.fxm".
std::string outputNameFor(const std::string& pageFileName);

// Where an output is built during a run, beside it: a name the scan never takes for a page file,
// and one no other running process takes either (`attempt` gives further names, should one be
// in use). The run puts it in the output's place once the output is complete.
std::string temporaryPathFor(const std::string& output, unsigned attempt = 0);

// True for a name temporaryPathFor gives.
bool isTemporaryPath(const std::string& path);

// The part of `path` before its last separator; empty when there is none.
std::string directoryPart(const std::string& path);

// Window run: with `keepHierarchy` the entry's sub-directories are repeated below destDir;
// without it every output lies directly in destDir.
EntryPaths windowEntryPaths(const std::string& sourceDir, const std::string& destDir, const std::string& entry,
                            bool keepHierarchy);

// Command-line run: every output lies directly in destDir.
EntryPaths commandLineEntryPaths(const std::string& sourceDir, const std::string& destDir,
                                 const std::string& entry);

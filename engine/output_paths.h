// Where each page file goes: the source path of a scan entry and the path of the merged fax it
// joins. Page files whose names differ only in their last three characters before the extension
// (and in the extension) share one output.
#pragma once

#include <cstdint>
#include <string>

struct EntryPaths {
    std::string source;
    std::string output;
};

// The merged fax's file name for a page file's name: the name without its extension and the
// three characters before it (without all of it when shorter), followed by "fax.fxm".
std::string outputNameFor(const std::string& pageFileName);

// Where an output is built during a run: a file in the output's folder, named "~qw" and four
// characters of 0-9 and a-z after the number it is given. Seven characters, as short as the
// shortest output's name ("fax.fxm"), so a temporary's path is never longer than its output's and
// never fails where the output would fit; and no name the scan takes for a page file or an
// output. The run puts it in the output's place once the output is complete.
inline constexpr std::uint32_t kTemporaryNames = 36 * 36 * 36 * 36;
std::string temporaryName(std::uint32_t number);

// The number a process's runs start their temporaries' names at. Processes start far apart, so
// that runs writing into one folder at once (one saving below another's save folder) seldom try
// the same name.
std::uint32_t firstTemporaryNumber(std::uint32_t processNumber);

// True for a name temporaryName gives, and for nothing else.
bool isTemporaryName(const std::string& name);

// The part of `path` before its last separator; empty when there is none.
std::string directoryPart(const std::string& path);

// Window run: with `keepHierarchy` the entry's sub-directories are repeated below destDir;
// without it every output lies directly in destDir.
EntryPaths windowEntryPaths(const std::string& sourceDir, const std::string& destDir, const std::string& entry,
                            bool keepHierarchy);

// Command-line run: every output lies directly in destDir.
EntryPaths commandLineEntryPaths(const std::string& sourceDir, const std::string& destDir,
                                 const std::string& entry);

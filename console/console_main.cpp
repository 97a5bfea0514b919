// The console program (quirewell on POSIX, quirewell-cli.exe on Windows): the command-line mode
// for scripts and terminals, with the run log on standard output and real exit codes.
#include <cstdio>
#include <string>
#include <vector>

#include "runs/command_line.h"
#include "runs/merge_options.h"

namespace {

constexpr int kExitUsage = 2;

// The log is kept with "\r\n" line ends; standard output takes "\n", which the Windows runtime
// writes as "\r\n" again.
std::string withLineFeeds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        result += text[i];
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string commandLine = joinArguments(arguments);
    MergeOptions options;
    std::string standardOutput;
    const int parsed = options.parseCommandLine(commandLine.c_str(), standardOutput);
    if (parsed != kParseRun) {
        // Where the window program would open its window, a console has nothing to show.
        std::fputs(usageText().c_str(), stdout);
        return kExitUsage;
    }
    if (options.mode() == kModeFile) {
        std::fputs("Quirewell: file mode (/f) is not supported\n", stderr);
        return kExitUsage;
    }
    const int exitCode = performDirectoryRun(options, stdout);
    if (!options.quiet()) {
        std::fputs(withLineFeeds(options.runLogText()).c_str(), stdout);
    }
    if (std::fflush(stdout) != 0) {
        std::fputs("Quirewell: cannot write the run log to standard output\n", stderr);
    }
    return exitCode;
}

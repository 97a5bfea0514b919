// The console program (quirewell on POSIX, quirewell-cli.exe on Windows): the command-line mode
// for scripts and terminals, with the run log on standard output and real exit codes.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ansi_string.h"
#include "platform/program_io.h"
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

// Standard output takes UTF-8, whatever the program's code page.
void writeOut(const std::string& text) { std::fputs(platform::toUtf8(text).c_str(), stdout); }

}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8Console console;
    const std::string commandLine = joinArguments(platform::programArguments(argc, argv));
    MergeOptions options;
    std::string standardOutput;
    const int parsed = options.parseCommandLine(commandLine.c_str(), standardOutput);
    if (parsed != kParseRun) {
        // Where the window program would open its window, a console has nothing to show.
        writeOut(usageText());
        return kExitUsage;
    }
    if (options.mode() == kModeFile) {
        std::fputs("Quirewell: file mode (/f) is not supported\n", stderr);
        return kExitUsage;
    }
    const int exitCode = performDirectoryRun(options, stdout);
    if (!options.quiet()) {
        writeOut(withLineFeeds(options.runLogText()));
    }
    if (std::fflush(stdout) != 0) {
        std::fputs("Quirewell: cannot write the run log to standard output\n", stderr);
    }
    return exitCode;
}

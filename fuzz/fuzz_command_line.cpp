// Fuzz target: the command-line parser over arbitrary text. It returns one of its results, a
// run always has a destination and never a log file without a name, and its usage text is the
// only thing it ever writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runs/command_line.h"
#include "runs/merge_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    MergeOptions options;
    std::string out;
    const int result = options.parseCommandLine(line.c_str(), out);
    const bool known = result == kParseRun || result == kParsePreset || result == kParseIncomplete;
    const bool destinationWhenRun = result != kParseRun || !options.destDir().empty();
    const bool namedLogWhenRun = result == kParseIncomplete || !options.logRefused();
    const bool onlyUsage = out.empty() || out == usageText();
    const bool knownMode = options.mode() == kModeDirectory || options.mode() == kModeFile;
    if (!known || !destinationWhenRun || !namedLogWhenRun || !onlyUsage || !knownMode) {
        std::fprintf(stderr, "unexpected parse of the command line\n");
        std::abort();
    }
    return 0;
}

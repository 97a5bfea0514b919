// Fuzz target: the browser command built from an arbitrary registered open command and target.
// A command it builds fits its buffer, ends with a blank and the target, and keeps the
// registered command up to where the placeholder was cut.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "links/link_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string command = input.substr(0, split);
    const std::string target = split == std::string::npos ? std::string() : input.substr(split + 1);
    const auto built = browserCommand(command, target);
    if (!built) {
        return 0;
    }
    const std::string tail = " " + target;
    const bool fits = built->size() + 1 <= kCommandBytes;
    const bool endsWithTarget = built->size() >= tail.size() && built->compare(built->size() - tail.size(),
                                                                               tail.size(), tail) == 0;
    const bool keepsPrefix = endsWithTarget && command.compare(0, built->size() - tail.size(),
                                                               *built, 0, built->size() - tail.size()) == 0;
    if (!fits || !endsWithTarget || !keepsPrefix) {
        std::fprintf(stderr, "an unexpected browser command\n");
        std::abort();
    }
    return 0;
}

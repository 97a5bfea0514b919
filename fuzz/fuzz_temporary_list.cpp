// Fuzz target: a list of temporaries, which a run reads from a folder strangers may write. Every
// entry it takes names a temporary's exact name below the save folder through plain steps (never
// the folder itself, its parent, a drive or a path of its own), and each entry's line written
// again reads back as the same steps.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/output_paths.h"
#include "engine/temporary_list.h"

namespace {

bool plainStep(const std::string& step) {
    return !step.empty() && step != "." && step != ".." && step.find('/') == std::string::npos &&
           step.find('\0') == std::string::npos
#ifdef _WIN32
           && step.find_first_of("\\:") == std::string::npos
#endif
        ;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const ListedTemporary& listed : listedTemporaries(text)) {
        bool plain = !listed.steps.empty() && isTemporaryName(listed.steps.back());
        for (const std::string& step : listed.steps) {
            plain = plain && plainStep(step);
        }
        const std::vector<ListedTemporary> again = listedTemporaries(temporaryListLine(listed.steps));
        const bool readsBack = again.size() == 1 && again[0].steps == listed.steps;
        if (!plain || !readsBack || text.find(listed.line) == std::string::npos) {
            std::fprintf(stderr, "a listed entry that is no temporary below the save folder\n");
            std::abort();
        }
    }
    return 0;
}

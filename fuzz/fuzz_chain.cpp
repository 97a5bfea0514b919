// Fuzz target: faxinfo's walk of a page chain over arbitrary bytes. It must stay inside the
// bytes, and a chain it calls well formed must be one: consecutive, ending at the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/page_chain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ChainReport report = walkChain(data, size);
    if (report.wellFormed) {
        const auto& pages = report.pages;
        bool consistent = !pages.empty() && pages.front().position == 0 &&
                          pages.back().header.blockEnd() == static_cast<std::int64_t>(size);
        for (std::size_t i = 0; consistent && i + 1 < pages.size(); ++i) {
            consistent = pages[i].header.blockEnd() == pages[i + 1].position;
        }
        if (!consistent) {
            std::fprintf(stderr, "a chain called well formed is not\n");
            std::abort();
        }
    }
    return 0;
}

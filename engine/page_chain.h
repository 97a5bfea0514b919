// Reading a whole fax file's page chain and judging whether it is well formed: every header
// signed, the chain ending exactly at the end of the file after the pages the first header
// counts, and the counts reading N, N-1, ..., 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/fax_header.h"

struct ChainPage {
    std::int64_t position = 0;
    FaxHeader header;
};

struct ChainReport {
    std::vector<ChainPage> pages;  // every header reached, in chain order
    bool wellFormed = false;
    std::string problem;  // why not, when not well formed
};

ChainReport walkChain(const std::uint8_t* bytes, std::size_t length);

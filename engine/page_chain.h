// Reading a whole fax file's page chain and judging whether it is well formed: every header
// signed, the chain ending exactly at the end of the file after the pages the first header
// counts, and the counts reading N, N-1, ..., 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
    std::string problem;           // why not, when not well formed
};

ChainReport walkChain(const std::uint8_t* bytes, std::size_t length);

// The same walk over a file of `length` bytes that is not held in memory: `readHeader` reads the
// kFaxHeaderSize bytes at a position into its buffer, or returns false when it cannot.
using HeaderReader = std::function<bool(std::int64_t position, std::uint8_t* header)>;
ChainReport walkChain(std::int64_t length, const HeaderReader& readHeader);

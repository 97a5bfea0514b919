// Fuzz target: the link colour read from arbitrary registry bytes. It never reads past the
// value's buffer, and a colour it accepts has nothing above the blue byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "links/link_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the buffer a setting is read into, so that a read past it is caught.
    std::vector<char> buffer(data, data + std::min(size, kColorValueBytes));
    buffer.resize(kColorValueBytes, '\0');
    const auto fromValue = colorFromValue(buffer.data(), buffer.size());
    const auto fromText = parseColorText(std::string(reinterpret_cast<const char*>(data), size));
    if ((fromValue && (*fromValue >> 24) != 0) || (fromText && (*fromText >> 24) != 0)) {
        std::fprintf(stderr, "a colour with bits above blue\n");
        std::abort();
    }
    return 0;
}

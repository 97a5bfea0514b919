// The link label's pointing-hand cursor as the two bit planes of a 32 by 32 monochrome cursor.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kHandCursorSize = 32;
// The hot spot is the tip of the index finger.
inline constexpr int kHandHotSpotX = 5;
inline constexpr int kHandHotSpotY = 0;

// 4 bytes a row, top row first, the most significant bit the leftmost pixel. AND 1 with XOR 0 is
// transparent, AND 0 with XOR 0 black, AND 0 with XOR 1 white.
struct CursorPlanes {
    std::array<std::uint8_t, 128> andPlane;
    std::array<std::uint8_t, 128> xorPlane;
};

CursorPlanes handCursorPlanes();

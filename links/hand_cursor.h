// The link label's pointing-hand cursor as the two bit planes of a monochrome cursor, drawn on a
// 32 by 32 grid and scaled to the cursor size the system asks for (48 or 64 at higher DPIs).
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kHandCursorSize = 32;
// The hot spot is the tip of the index finger.
inline constexpr int kHandHotSpotX = 5;
inline constexpr int kHandHotSpotY = 0;

// Rows of `bytesPerRow` bytes (whole 16-bit words, as the platform wants them), top row first, the
// most significant bit of each byte the leftmost pixel. AND 1 with XOR 0 is transparent, AND 0
// with XOR 0 black, AND 0 with XOR 1 white.
struct CursorPlanes {
    int size = kHandCursorSize;
    int bytesPerRow = kHandCursorSize / 8;
    int hotSpotX = kHandHotSpotX;
    int hotSpotY = kHandHotSpotY;
    std::vector<std::uint8_t> andPlane;
    std::vector<std::uint8_t> xorPlane;
};

// The hand at `size` by `size` pixels; sizes below the drawn 32 give the drawn size.
CursorPlanes handCursorPlanes(int size = kHandCursorSize);

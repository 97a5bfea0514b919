// The pointing hand's bit planes: the picture's rows as the platform reads them, leftmost pixel
// in the most significant bit.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "links/hand_cursor.h"

namespace {

using Row = std::array<std::uint8_t, 4>;

Row rowOf(const std::array<std::uint8_t, 128>& plane, int row) {
    return {plane[row * 4], plane[row * 4 + 1], plane[row * 4 + 2], plane[row * 4 + 3]};
}

TEST(HandCursor, PlanesHoldThePicture) {
    const CursorPlanes planes = handCursorPlanes();
    const struct {
        int row;
        const char* picture;
        Row andBits;
        Row xorBits;
    } cases[] = {
        {0, ".....##..........", {0xF9, 0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00, 0x00}},
        {1, "....#oo#.........", {0xF0, 0xFF, 0xFF, 0xFF}, {0x06, 0x00, 0x00, 0x00}},
        {9, "###.#oo#oo#oo#oo#", {0x10, 0x00, 0x7F, 0xFF}, {0x06, 0xDB, 0x00, 0x00}},
        {16, "...#ooooooooooo#.", {0xE0, 0x00, 0xFF, 0xFF}, {0x0F, 0xFE, 0x00, 0x00}},
        {21, ".....##########..", {0xF8, 0x01, 0xFF, 0xFF}, {0x00, 0x00, 0x00, 0x00}},
        {22, "(transparent)", {0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00, 0x00}},
        {31, "(transparent)", {0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.andBits, rowOf(planes.andPlane, c.row)) << "AND row " << c.row << " " << c.picture;
        EXPECT_EQ(c.xorBits, rowOf(planes.xorPlane, c.row)) << "XOR row " << c.row << " " << c.picture;
    }
}

TEST(HandCursor, HotSpotIsTheFingerTip) {
    const CursorPlanes planes = handCursorPlanes();
    // The hot spot's pixel is drawn (AND 0) and black (XOR 0); so is its neighbour, the tip's
    // other half, while the pixel left of it is transparent.
    const auto bit = [](int column) { return static_cast<std::uint8_t>(0x80u >> column); };
    const std::uint8_t andRow0 = planes.andPlane[kHandHotSpotY * 4];
    EXPECT_EQ(0, andRow0 & bit(kHandHotSpotX));
    EXPECT_EQ(0, andRow0 & bit(kHandHotSpotX + 1));
    EXPECT_NE(0, andRow0 & bit(kHandHotSpotX - 1));
    EXPECT_EQ(0, planes.xorPlane[kHandHotSpotY * 4] & bit(kHandHotSpotX));
}

}  // namespace

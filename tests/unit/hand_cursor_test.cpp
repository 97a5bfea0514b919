// The pointing hand's bit planes: the picture's rows as the platform reads them, leftmost pixel
// in the most significant bit, at the drawn size and scaled to the larger system cursor sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "links/hand_cursor.h"

namespace {

using Row = std::array<std::uint8_t, 4>;

Row rowOf(const std::vector<std::uint8_t>& plane, int row) {
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

// A pixel of the planes: '.' transparent, '#' black, 'o' white.
char pixelAt(const CursorPlanes& planes, int row, int column) {
    const auto byte = static_cast<std::size_t>(row * planes.bytesPerRow + column / 8);
    const auto bit = static_cast<std::uint8_t>(0x80u >> (column % 8));
    if ((planes.andPlane[byte] & bit) != 0) {
        return '.';
    }
    return (planes.xorPlane[byte] & bit) != 0 ? 'o' : '#';
}

TEST(HandCursor, LargerCursorsShowTheSameHandScaledWithTheHotSpotOnTheFingerTip) {
    const struct {
        int size;
        int bytesPerRow;
        int hotSpotX;
    } cases[] = {{32, 4, kHandHotSpotX}, {40, 6, 7}, {48, 6, 8}, {64, 8, 10}, {16, 4, kHandHotSpotX}};
    const CursorPlanes drawn = handCursorPlanes();
    for (const auto& c : cases) {
        const CursorPlanes planes = handCursorPlanes(c.size);
        const int size = planes.size;
        EXPECT_EQ(std::max(c.size, kHandCursorSize), size) << c.size;
        EXPECT_EQ(c.bytesPerRow, planes.bytesPerRow) << c.size;
        ASSERT_EQ(static_cast<std::size_t>(c.bytesPerRow * size), planes.andPlane.size()) << c.size;
        ASSERT_EQ(planes.andPlane.size(), planes.xorPlane.size()) << c.size;
        // Every pixel shows the drawn pixel it covers; the columns beyond the cursor's width, which
        // only fill the last word of a row, stay transparent.
        int mismatches = 0;
        for (int row = 0; row < size; ++row) {
            for (int column = 0; column < planes.bytesPerRow * 8; ++column) {
                const char expected =
                    column < size ? pixelAt(drawn, row * 32 / size, column * 32 / size) : '.';
                mismatches += pixelAt(planes, row, column) != expected ? 1 : 0;
            }
        }
        EXPECT_EQ(0, mismatches) << c.size;
        // The hot spot's pixel is black, and so is its neighbour, the tip's other half, while the
        // pixel left of it is transparent.
        EXPECT_EQ(c.hotSpotX, planes.hotSpotX) << c.size;
        EXPECT_EQ(kHandHotSpotY, planes.hotSpotY) << c.size;
        EXPECT_EQ('#', pixelAt(planes, planes.hotSpotY, planes.hotSpotX)) << c.size;
        EXPECT_EQ('#', pixelAt(planes, planes.hotSpotY, planes.hotSpotX + 1)) << c.size;
        EXPECT_EQ('.', pixelAt(planes, planes.hotSpotY, planes.hotSpotX - 1)) << c.size;
    }
}

}  // namespace

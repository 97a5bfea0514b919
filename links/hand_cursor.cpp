// The pointing hand, drawn as text so that the picture can be read and changed here, and turned
// into the bit planes the platform's cursor wants at the size it wants.
#include "links/hand_cursor.h"

#include <cstddef>
#include <iterator>
#include <string_view>

namespace {

// # black, o white, . transparent. Rows below and columns to the right are transparent.
constexpr std::string_view kHandPicture[] = {
    ".....##..........",  //
    "....#oo#.........",  //
    "....#oo#.........",  //
    "....#oo#.........",  //
    "....#oo#.........",  //
    "....#oo###.......",  //
    "....#oo#oo###....",  //
    "....#oo#oo#oo##..",  //
    "....#oo#oo#oo#o#.",  //
    "###.#oo#oo#oo#oo#",  //
    "#oo##oooooooo#oo#",  //
    "#ooo#ooooooooooo#",  //
    ".#oo#ooooooooooo#",  //
    "..#o#ooooooooooo#",  //
    "..#ooooooooooooo#",  //
    "...#oooooooooooo#",  //
    "...#ooooooooooo#.",  //
    "....#oooooooooo#.",  //
    "....#oooooooooo#.",  //
    ".....#oooooooo#..",  //
    ".....#oooooooo#..",  //
    ".....##########..",  //
};

// Which pixel of the drawing a pixel of a cursor of `size` shows: each pixel takes the drawn one
// it falls on, so that at twice the size every drawn pixel becomes two by two.
std::size_t DrawnPixel(int pixel, int size) {
    return static_cast<std::size_t>(pixel * kHandCursorSize / size);
}

char DrawnAt(std::size_t row, std::size_t column) {
    if (row >= std::size(kHandPicture) || column >= kHandPicture[row].size()) {
        return '.';
    }
    return kHandPicture[row][column];
}

}  // namespace

CursorPlanes handCursorPlanes(int size) {
    CursorPlanes planes;
    planes.size = size < kHandCursorSize ? kHandCursorSize : size;
    planes.bytesPerRow = (planes.size + 15) / 16 * 2;
    // The first pixel that shows the drawn finger tip, so that the hot spot stays on the tip.
    planes.hotSpotX = (kHandHotSpotX * planes.size + kHandCursorSize - 1) / kHandCursorSize;
    planes.hotSpotY = (kHandHotSpotY * planes.size + kHandCursorSize - 1) / kHandCursorSize;
    const auto bytes = static_cast<std::size_t>(planes.bytesPerRow * planes.size);
    planes.andPlane.assign(bytes, 0xFF);
    planes.xorPlane.assign(bytes, 0x00);
    for (int row = 0; row < planes.size; ++row) {
        for (int column = 0; column < planes.size; ++column) {
            const char drawn = DrawnAt(DrawnPixel(row, planes.size), DrawnPixel(column, planes.size));
            if (drawn == '.') {
                continue;
            }
            const auto byte = static_cast<std::size_t>(row * planes.bytesPerRow + column / 8);
            const auto bit = static_cast<std::uint8_t>(0x80u >> (column % 8));
            planes.andPlane[byte] = static_cast<std::uint8_t>(planes.andPlane[byte] & ~bit);
            if (drawn == 'o') {
                planes.xorPlane[byte] = static_cast<std::uint8_t>(planes.xorPlane[byte] | bit);
            }
        }
    }
    return planes;
}

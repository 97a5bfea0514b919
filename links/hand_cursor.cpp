// The pointing hand, drawn as text so that the picture can be read and changed here, and turned
// into the bit planes the platform's cursor wants.
#include "links/hand_cursor.h"

#include <cstddef>
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

constexpr std::size_t kBytesPerRow = kHandCursorSize / 8;

}  // namespace

CursorPlanes handCursorPlanes() {
    CursorPlanes planes{};
    planes.andPlane.fill(0xFF);
    planes.xorPlane.fill(0x00);
    std::size_t row = 0;
    for (const std::string_view line : kHandPicture) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::size_t byte = row * kBytesPerRow + column / 8;
            const auto bit = static_cast<std::uint8_t>(0x80u >> (column % 8));
            if (line[column] == '.') {
                continue;
            }
            planes.andPlane[byte] = static_cast<std::uint8_t>(planes.andPlane[byte] & ~bit);
            if (line[column] == 'o') {
                planes.xorPlane[byte] = static_cast<std::uint8_t>(planes.xorPlane[byte] | bit);
            }
        }
        ++row;
    }
    return planes;
}

// The arithmetic of link alignment and window centring, free of any window.
#include "links/link_geometry.h"

#include <cstdint>

namespace {

// One axis of the centring: centred on [centreLow, centreHigh), then kept inside [areaLow,
// areaHigh). Sums are taken in 64 bits so that extreme coordinates cannot overflow.
int placeOnAxis(int centreLow, int centreHigh, int areaLow, int areaHigh, int size) {
    std::int64_t edge = (static_cast<std::int64_t>(centreLow) + centreHigh) / 2 - size / 2;
    if (edge < areaLow) {
        edge = areaLow;
    } else if (edge + size > areaHigh) {
        edge = static_cast<std::int64_t>(areaHigh) - size;
    }
    return static_cast<int>(edge);
}

}  // namespace

LinkAlignment linkAlignment(std::uint32_t windowStyle) {
    if ((windowStyle & kStyleCenter) != 0) {
        return LinkAlignment::Center;
    }
    if ((windowStyle & kStyleRight) != 0) {
        return LinkAlignment::Right;
    }
    return LinkAlignment::Left;
}

int linkShift(LinkAlignment alignment, int clientRight, int measuredRight) {
    const std::int64_t freeWidth = static_cast<std::int64_t>(clientRight) - measuredRight;
    switch (alignment) {
        case LinkAlignment::Center:
            return static_cast<int>(freeWidth / 2);
        case LinkAlignment::Right:
            return static_cast<int>(freeWidth);
        case LinkAlignment::Left:
            break;
    }
    return 0;
}

PlacePoint centredPosition(const std::optional<PlaceRect>& centreOn, const PlaceRect& workArea, int width,
                           int height) {
    const PlaceRect& centre = centreOn ? *centreOn : workArea;
    return {placeOnAxis(centre.left, centre.right, workArea.left, workArea.right, width),
            placeOnAxis(centre.top, centre.bottom, workArea.top, workArea.bottom, height)};
}

// CenterOnOwner: reads the rectangles from the windows and leaves the arithmetic to centredPosition.
#include "links/window_centering.h"

#include <optional>

#include "links/link_geometry.h"

namespace {

PlaceRect ToPlaceRect(const RECT& rect) {
    return {static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right),
            static_cast<int>(rect.bottom)};
}

}  // namespace

void CenterOnOwner(HWND window, HWND centreOn) {
    if (centreOn == nullptr) {
        centreOn = GetWindow(window, GW_OWNER);
    }
    RECT own{};
    GetWindowRect(window, &own);
    if (centreOn != nullptr) {
        const LONG style = GetWindowLongA(centreOn, GWL_STYLE);
        if ((style & WS_VISIBLE) == 0 || (style & WS_MINIMIZE) != 0) {
            centreOn = nullptr;
        }
    }
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    std::optional<PlaceRect> centre;
    if (centreOn != nullptr) {
        RECT ownerRect{};
        GetWindowRect(centreOn, &ownerRect);
        centre = ToPlaceRect(ownerRect);
    }
    const PlacePoint place =
        centredPosition(centre, ToPlaceRect(workArea), static_cast<int>(own.right - own.left),
                        static_cast<int>(own.bottom - own.top));
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

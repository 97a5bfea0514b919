// CenterOnOwner: the placement of the program's top-level dialogs when they open.
#pragma once

#include <windows.h>

// Moves `window` (size, z-order and activation unchanged) so that it is centred over `centreOn`,
// or over its owner when `centreOn` is null, and kept inside the desktop work area. A hidden or
// minimised window to centre on does not count: the window is then centred on the work area.
void CenterOnOwner(HWND window, HWND centreOn = nullptr);

// The DPI a window is shown at and the system's sizes at that DPI, so that icons and cursors are
// made at the size the system asks for on the window's monitor.
#pragma once

#include <windows.h>

// The DPI of the monitor the window is on (Windows 10 1607 and later), else the system's DPI.
UINT WindowDpi(HWND window);

// A system metric (SM_CXSMICON, SM_CXCURSOR, ...) at the window's DPI.
int MetricForWindow(HWND window, int index);

// Icon `id` of `instance` at the size the metrics `widthIndex` and `heightIndex` give for the
// window's DPI (SM_CXSMICON and SM_CYSMICON for the small icon); null when it cannot be loaded.
HICON LoadIconForWindow(HWND window, HINSTANCE instance, int id, int widthIndex, int heightIndex);

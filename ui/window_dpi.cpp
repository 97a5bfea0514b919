// WindowDpi and the metrics at a window's DPI: the per-monitor calls are looked up in user32 at
// run time, so that the program still starts on the Windows versions that lack them.
#include "ui/window_dpi.h"

namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using MetricsForDpiFunction = int(WINAPI*)(int, UINT);

struct PerMonitorCalls {
    DpiForWindowFunction dpiForWindow = nullptr;
    MetricsForDpiFunction metricsForDpi = nullptr;
};

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    // Through an untyped pointer, which the compiler lets become any function's type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const PerMonitorCalls& Calls() {
    static const PerMonitorCalls calls = [] {
        PerMonitorCalls found;
        if (const HMODULE user32 = GetModuleHandleA("user32.dll"); user32 != nullptr) {
            found.dpiForWindow = Lookup<DpiForWindowFunction>(user32, "GetDpiForWindow");
            found.metricsForDpi = Lookup<MetricsForDpiFunction>(user32, "GetSystemMetricsForDpi");
        }
        return found;
    }();
    return calls;
}

}  // namespace

UINT WindowDpi(HWND window) {
    if (Calls().dpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = Calls().dpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int MetricForWindow(HWND window, int index) {
    // Without the per-monitor call the system's metrics are those of the system's DPI, which is
    // then also every window's.
    if (Calls().metricsForDpi != nullptr && Calls().dpiForWindow != nullptr && window != nullptr) {
        return Calls().metricsForDpi(index, WindowDpi(window));
    }
    return GetSystemMetrics(index);
}

HICON LoadIconForWindow(HWND window, HINSTANCE instance, int id, int widthIndex, int heightIndex) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         MetricForWindow(window, widthIndex),
                                         MetricForWindow(window, heightIndex), LR_DEFAULTCOLOR));
}

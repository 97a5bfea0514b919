// LinkLabel: a static text control of a dialog turned into a web link, drawn in the link colours
// with an underlined font, a hand cursor and a tooltip, and opened in the browser when activated.
#pragma once

#include <windows.h>

#include <memory>

#include "links/link_geometry.h"

class LinkLabel {
public:
    LinkLabel() = default;
    ~LinkLabel();
    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    // Stores a copy of the address the link opens. Owners call it before Attach, which registers
    // the tooltip with it. False, with no target, when the copy cannot be made.
    bool SetTarget(const char* text);
    // Takes over an existing control window; false, changing nothing, when its window procedure
    // cannot be replaced.
    bool Attach(HWND control);
    // Measures the link text into linkRect; false when there is no window or nothing to show.
    bool MeasureLink();
    // Opens the target in the web browser and marks the link visited; false when nothing started.
    bool OpenTarget();

    // What the link holds now, for its owner and its tests. The window is null before Attach and
    // after the window is gone; linkRect is in the control's client coordinates.
    HWND Window() const { return window; }
    const char* Caption() const { return caption.get(); }
    const char* Target() const { return target.get(); }
    RECT LinkRect() const { return linkRect; }
    HWND Tooltip() const { return tooltip; }
    COLORREF LinkColor() const { return linkColor; }
    bool Visited() const { return visited; }

private:
    static LRESULT CALLBACK SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    // The message table; `handled` is cleared for messages that go on to the previous procedure.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void Initialize();
    // The hand cursor at the system's cursor size for the window's DPI, replacing an earlier one.
    void MakeCursor();
    // The underlined copy of normalFont, replacing the link font made before.
    void MakeLinkFont();
    // Measures the text again and moves the tooltip's area with it.
    void Remeasure();
    void ReadColors();
    void Paint(HDC given);
    void Detach();
    bool InLink(LPARAM point) const;
    const char* ShownText() const { return caption ? caption.get() : target.get(); }
    LinkAlignment Alignment() const;
    void Repaint(bool update);

    HWND window = nullptr;
    std::unique_ptr<char[]> caption;
    std::unique_ptr<char[]> target;
    HCURSOR cursor = nullptr;
    HFONT linkFont = nullptr;
    HFONT normalFont = nullptr;
    RECT linkRect{};
    HWND tooltip = nullptr;
    COLORREF linkColor = RGB(0, 0, 255);
    COLORREF visitedColor = RGB(128, 0, 128);
    bool visited = false;
    bool ownsLinkFont = false;

    WNDPROC previousProc = nullptr;
};

// LinkLabel: measuring the link text where it is drawn, and painting it in the link colours with
// its focus rectangle.
#include "links/link_label.h"

#include <commctrl.h>

#include "links/link_geometry.h"

namespace {

UINT DrawFormat(LinkAlignment alignment) {
    switch (alignment) {
        case LinkAlignment::Center:
            return DT_CENTER;
        case LinkAlignment::Right:
            return DT_RIGHT;
        case LinkAlignment::Left:
            break;
    }
    return DT_LEFT;
}

}  // namespace

void LinkLabel::Remeasure() {
    MeasureLink();
    if (IsWindow(tooltip)) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = window;
        tool.uId = 1;
        tool.rect = linkRect;
        SendMessageA(tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

LinkAlignment LinkLabel::Alignment() const {
    return linkAlignment(static_cast<std::uint32_t>(GetWindowLongA(window, GWL_STYLE)));
}

bool LinkLabel::MeasureLink() {
    if (!IsWindow(window) || (!caption && !target)) {
        return false;
    }
    const HDC dc = GetDC(window);
    RECT client{};
    GetClientRect(window, &client);
    linkRect = client;
    const HGDIOBJ previousFont = linkFont != nullptr ? SelectObject(dc, linkFont) : nullptr;
    const LinkAlignment alignment = Alignment();
    DrawTextA(dc, ShownText(), -1, &linkRect, DrawFormat(alignment) | DT_WORDBREAK | DT_CALCRECT);
    if (previousFont != nullptr) {
        SelectObject(dc, previousFont);
    }
    // DT_CALCRECT leaves the text at the left edge whatever the alignment; move it to where the
    // text is drawn, so that hit testing, tooltip and focus rectangle match the drawn text.
    OffsetRect(&linkRect, linkShift(alignment, client.right, linkRect.right), 0);
    ReleaseDC(window, dc);
    return true;
}

void LinkLabel::Paint(HDC given) {
    PAINTSTRUCT paint{};
    const HDC dc = given != nullptr ? given : BeginPaint(window, &paint);

    RECT client{};
    GetClientRect(window, &client);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(window), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(window)));
    if (brush != nullptr) {
        FillRect(dc, &client, brush);
    }

    const COLORREF color = !IsWindowEnabled(window) ? GetSysColor(COLOR_GRAYTEXT)
                           : visited                ? visitedColor
                                                    : linkColor;
    SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColor = SetTextColor(dc, color);
    const HFONT font = linkFont != nullptr ? linkFont : normalFont;
    const HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    if (const char* text = ShownText(); text != nullptr) {
        RECT area = linkRect;
        DrawTextA(dc, text, -1, &area, DrawFormat(Alignment()) | DT_WORDBREAK);
    }
    if (GetFocus() == window) {
        DrawFocusRect(dc, &linkRect);
    }
    SetTextColor(dc, previousColor);
    if (previousFont != nullptr) {
        SelectObject(dc, previousFont);
    }

    if (given == nullptr) {
        EndPaint(window, &paint);
    }
}

void LinkLabel::Repaint(bool update) {
    InvalidateRect(window, nullptr, TRUE);
    if (update) {
        UpdateWindow(window);
    }
}

// LinkLabel: taking over the control window, its initialisation and message table.
#include "links/link_label.h"

#include <commctrl.h>

#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "links/hand_cursor.h"
#include "links/link_text.h"
#include "ui/window_dpi.h"

namespace {

// The window property through which the shared window procedure finds its label.
constexpr char kLabelProperty[] = "QuirewellLinkLabel";
constexpr char kColorSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";

// Mouse messages, WM_MOUSEMOVE to WM_MBUTTONDBLCLK, are relayed to the tooltip so that it knows
// when the pointer rests over the link.
constexpr UINT kFirstRelayedMessage = 0x0200;
constexpr UINT kLastRelayedMessage = 0x0209;

// Sent to each child window after its top-level window moved to a monitor of another DPI.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

std::unique_ptr<char[]> CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (copy) {
        std::memcpy(copy.get(), text, size);
    }
    return copy;
}

// A colour setting read into a zero-filled buffer of its fixed size. A value that does not fit,
// or fills the buffer without a terminator, is no colour.
std::optional<COLORREF> ReadColorValue(HKEY key, const char* name) {
    char buffer[kColorValueBytes] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::optional<LinkColor> color = colorFromValue(buffer, sizeof buffer);
    if (!color) {
        return std::nullopt;
    }
    return static_cast<COLORREF>(*color);
}

}  // namespace

LinkLabel::~LinkLabel() {
    // Normally the window has gone first; a window that outlives its label must not keep calling
    // into a destroyed object.
    if (window != nullptr && IsWindow(window)) {
        Detach();
    }
    if (ownsLinkFont && linkFont != nullptr) {
        DeleteObject(linkFont);
    }
    if (cursor != nullptr) {
        DestroyCursor(cursor);
    }
}

bool LinkLabel::SetTarget(const char* text) {
    target.reset();
    if (text == nullptr) {
        return false;
    }
    target = CopyText(text);
    return target != nullptr;
}

bool LinkLabel::Attach(HWND control) {
    if (window != nullptr || !IsWindow(control) || !SetPropA(control, kLabelProperty, this)) {
        return false;
    }
    // The Ptr form keeps the whole procedure address on 64-bit Windows.
    SetLastError(ERROR_SUCCESS);
    const LONG_PTR previous =
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LinkLabel::SubclassProc));
    if (previous == 0 && GetLastError() != ERROR_SUCCESS) {
        RemovePropA(control, kLabelProperty);
        return false;
    }
    previousProc = reinterpret_cast<WNDPROC>(previous);
    window = control;
    Initialize();
    return true;
}

void LinkLabel::Initialize() {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));

    // A static control only reports clicks with SS_NOTIFY; other classes are left as they are.
    char className[8] = {};
    if (GetClassNameA(window, className, sizeof className) > 0 && lstrcmpiA(className, "static") == 0) {
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        if ((style & SS_NOTIFY) == 0) {
            SetWindowLongA(window, GWL_STYLE, style | SS_NOTIFY);
        }
    }

    MakeCursor();

    normalFont = reinterpret_cast<HFONT>(SendMessageA(GetParent(window), WM_GETFONT, 0, 0));
    if (normalFont == nullptr) {
        normalFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    }
    if (linkFont == nullptr) {
        MakeLinkFont();
    }

    tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, window, nullptr, instance, nullptr);

    if (!caption) {
        const int length = GetWindowTextLengthA(window);
        if (length > 0) {
            std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<std::size_t>(length) + 1]);
            if (text && GetWindowTextA(window, text.get(), length + 1) > 0) {
                caption = std::move(text);
                MeasureLink();
                SetWindowTextA(window, caption.get());
            }
        }
    }
    MeasureLink();

    if (IsWindow(tooltip)) {
        SendMessageA(tooltip, TTM_ACTIVATE, TRUE, 0);
        TOOLINFOA tool{};
        // The record as the oldest common controls know it, without lpReserved: 44 bytes on
        // 32-bit Windows and 64 on 64-bit, where handles and pointers are twice as wide.
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = 0;
        tool.hwnd = window;
        tool.uId = 1;
        tool.rect = linkRect;
        tool.hinst = instance;
        tool.lpszText = target.get();
        tool.lParam = 0;
        SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }

    ReadColors();
}

void LinkLabel::MakeCursor() {
    // The hand at the size of the system's own cursors at the window's DPI, as large as the
    // arrow it replaces.
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    const CursorPlanes planes = handCursorPlanes(MetricForWindow(window, SM_CXCURSOR));
    const HCURSOR made = CreateCursor(instance, planes.hotSpotX, planes.hotSpotY, planes.size, planes.size,
                                      planes.andPlane.data(), planes.xorPlane.data());
    if (made == nullptr) {
        return;
    }
    if (cursor != nullptr) {
        if (GetCursor() == cursor) {
            SetCursor(made);
        }
        DestroyCursor(cursor);
    }
    cursor = made;
}

void LinkLabel::MakeLinkFont() {
    // The normal font underlined, at the normal font's size: the dialog's font, which the system
    // makes anew for each DPI the dialog is shown at.
    if (normalFont == nullptr) {
        return;
    }
    LOGFONTA description{};
    if (GetObjectA(normalFont, sizeof description, &description) == 0) {
        return;
    }
    description.lfUnderline = TRUE;
    const HFONT made = CreateFontIndirectA(&description);
    if (made == nullptr) {
        return;
    }
    if (ownsLinkFont && linkFont != nullptr) {
        DeleteObject(linkFont);
    }
    linkFont = made;
    ownsLinkFont = true;
}

void LinkLabel::ReadColors() {
    // The browser's own link colours, so that links here look like links there. The key belongs to
    // the user and is opened with full access; where that is refused the defaults stay.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kColorSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    linkColor = ReadColorValue(key, "Anchor Color").value_or(linkColor);
    visitedColor = ReadColorValue(key, "Anchor Color Visited").value_or(visitedColor);
    RegCloseKey(key);
}

bool LinkLabel::InLink(LPARAM point) const {
    const POINT where{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    return PtInRect(&linkRect, where) != 0;
}

LRESULT LinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    if (message == WM_DESTROY) {
        if (IsWindow(tooltip)) {
            DestroyWindow(tooltip);
            tooltip = nullptr;
        }
        handled = false;
        return 0;
    }
    if (message >= kFirstRelayedMessage && message <= kLastRelayedMessage && IsWindow(tooltip)) {
        MSG relayed{};
        relayed.hwnd = window;
        relayed.message = message;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
        case WM_ERASEBKGND:
            // The background is filled while painting, so that the text never flickers.
            return 1;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Repaint(false);
            return 0;
        case WM_MOUSEMOVE:
            if (target && InLink(lParam)) {
                SetCursor(cursor);
                return 0;
            }
            break;
        case WM_MOUSELEAVE:
            return 0;
        case WM_LBUTTONDOWN:
            if (InLink(lParam)) {
                SetFocus(window);
                SetCapture(window);
            }
            return 0;
        case WM_LBUTTONUP:
            // Only a click that both began and ended on the link opens it.
            if (GetCapture() == window) {
                ReleaseCapture();
                if (InLink(lParam)) {
                    OpenTarget();
                }
            }
            return 0;
        case WM_CHAR:
            if (wParam == '\r' || wParam == ' ') {
                OpenTarget();
            }
            return 0;
        case WM_GETDLGCODE: {
            // The link wants its characters, and the Enter key too: left to the dialog, Enter
            // would press the default button (in the main window, OK, which ends the program)
            // instead of opening the link.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const bool enter = key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
            return DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
        }
        case WM_SETCURSOR: {
            // Over the link the cursor set by WM_MOUSEMOVE stays; elsewhere the control's own.
            POINT where{};
            GetCursorPos(&where);
            ScreenToClient(window, &where);
            if (target && PtInRect(&linkRect, where)) {
                return TRUE;
            }
            break;
        }
        case WM_ENABLE:
            Repaint(true);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(normalFont);
        case WM_SETFONT:
            // A dialog moved to a monitor of another DPI gives its controls its font made for that
            // DPI; the link's own font follows, and so does the text's rectangle.
            normalFont = reinterpret_cast<HFONT>(wParam);
            MakeLinkFont();
            Remeasure();
            if (lParam != 0) {
                Repaint(true);
            }
            return 0;
        case WM_UPDATEUISTATE:
            // The static control's own procedure would redraw its plain text when the dialog's
            // keyboard cues change; the link draws itself and always shows its focus rectangle.
            return 0;
        case WM_SIZE:
            Remeasure();
            Repaint(false);
            return 0;
        case kDpiChangedAfterParent:
            MakeCursor();
            break;
        default:
            break;
    }
    handled = false;
    return 0;
}

void LinkLabel::Detach() {
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&LinkLabel::SubclassProc)) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    }
    RemovePropA(window, kLabelProperty);
    window = nullptr;
}

LRESULT CALLBACK LinkLabel::SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<LinkLabel*>(GetPropA(control, kLabelProperty));
    if (self == nullptr || self->window != control) {
        return DefWindowProcA(control, message, wParam, lParam);
    }
    bool handled = false;
    LRESULT result = self->HandleMessage(message, wParam, lParam, handled);
    if (!handled) {
        result = CallWindowProcA(self->previousProc, control, message, wParam, lParam);
    }
    // The window's last message: give the window back its own procedure before it is gone.
    if (message == WM_NCDESTROY) {
        self->Detach();
    }
    return result;
}

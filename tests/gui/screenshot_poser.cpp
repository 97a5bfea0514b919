// Sets Quirewell's windows up for the pictures of scripts/screenshot: each step acts on the
// running program's main window and prints the screen area to capture, as ImageMagick's crop
// geometry WIDTHxHEIGHT+X+Y.
// Usage: screenshot_poser merge FAX-DIR SAVE-DIR | about | tray-menu | close | quit | has-font NAME
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_driver.h"
#include "resources/resource.h"

namespace {

constexpr char kMenuClass[] = "#32768";

HWND WaitForTopLevel(const char* className, const char* title) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowA(className, title)) != nullptr && IsWindowVisible(found); });
    return found;
}

int PrintArea(const RECT& area) {
    std::printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
    return 0;
}

int PrintWindowArea(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return PrintArea(area);
}

int Fail(const char* what) {
    std::fprintf(stderr, "screenshot_poser: %s\n", what);
    return 1;
}

int CALLBACK FoundFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// Exit code 0 when the system has the font family `name`.
int HasFont(const char* name) {
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, name, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, &FoundFont, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "has-font" && argc == 3) {
        return HasFont(argv[2]);
    }
    const HWND dialog = WaitForTopLevel("#32770", "Quirewell");
    if (dialog == nullptr) {
        return Fail("Quirewell's window is not there");
    }
    if (step == "merge" && argc == 4) {
        SetText(dialog, IDC_FAX_DIR, argv[2]);
        SetText(dialog, IDC_SAVE_DIR, argv[3]);
        Click(dialog, IDC_INCLUDE_SUBDIRS);
        Click(dialog, IDC_KEEP_HIERARCHY);
        Click(dialog, IDC_MERGE);
        // Done once the closing text shows and the button takes clicks again.
        if (!WaitUntil(
                [&] {
                    return ControlText(dialog, IDC_STATUS).rfind("Done.", 0) == 0 &&
                           IsWindowEnabled(GetDlgItem(dialog, IDC_MERGE));
                },
                120000)) {
            return Fail("the merge did not finish");
        }
        // The caret and the selection rest in the fax folder, as after typing it.
        SetForegroundWindow(dialog);
        Sleep(500);
        return PrintWindowArea(dialog);
    }
    if (step == "about") {
        PressButton(dialog, ID_APP_ABOUT);
        const HWND about = WaitForTopLevel("#32770", "About Quirewell");
        if (about == nullptr) {
            return Fail("the about box did not open");
        }
        Sleep(500);
        // The box over the window it belongs to.
        RECT area{};
        RECT box{};
        GetWindowRect(dialog, &area);
        GetWindowRect(about, &box);
        UnionRect(&area, &area, &box);
        return PrintArea(area);
    }
    if (step == "tray-menu") {
        // The menu opens where the pointer is: on the icon, as after a right click there.
        const HWND tray = FindWindowA(nullptr, "Wine System Tray");
        const HWND icon =
            tray != nullptr ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
        if (icon == nullptr) {
            return Fail("the notification area shows no icon");
        }
        RECT iconArea{};
        GetWindowRect(icon, &iconArea);
        SetCursorPos((iconArea.left + iconArea.right) / 2, (iconArea.top + iconArea.bottom) / 2);
        PostMessageA(dialog, RegisterWindowMessageA("WM_TRAYICON"), 201, WM_RBUTTONUP);
        const HWND menu = WaitForTopLevel(kMenuClass, nullptr);
        if (menu == nullptr) {
            return Fail("the menu did not open");
        }
        Sleep(500);
        RECT area{};
        RECT menuArea{};
        GetWindowRect(tray, &area);
        GetWindowRect(menu, &menuArea);
        UnionRect(&area, &area, &menuArea);
        return PrintArea(area);
    }
    if (step == "close") {
        // Whatever the last step opened goes with Escape: the about box, or the menu.
        if (const HWND about = FindWindowA("#32770", "About Quirewell"); about != nullptr) {
            PressButton(about, IDCANCEL);
        }
        if (const HWND menu = FindWindowA(kMenuClass, nullptr); menu != nullptr && IsWindowVisible(menu)) {
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        return 0;
    }
    if (step == "quit") {
        PressButton(dialog, IDCANCEL);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: screenshot_poser merge FAX-DIR SAVE-DIR | about | tray-menu | close | quit | "
                 "has-font NAME\n");
    return 2;
}

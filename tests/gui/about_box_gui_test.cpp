// The about box as a user meets it, opened by this test program: its template, where it opens,
// how it closes, and its two links, which start unvisited at every opening.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gui_driver.h"
#include "link_test_support.h"
#include "links/about_dialog.h"
#include "links/web_pages.h"
#include "resources/resource.h"
#include "web_site.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);
constexpr char kTitle[] = "About Quirewell";

struct ThreadWindowSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ThreadWindowSearch*>(param);
    if (IsWindowVisible(window) && WindowText(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForThreadWindow(DWORD thread, const char* title) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    do {
        ThreadWindowSearch search{title, nullptr};
        EnumThreadWindows(thread, &VisitThreadWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

// Waits until `window` shows `color` in at least a few pixels; false when it never does.
bool WaitForColor(HWND window, COLORREF color) {
    const ULONGLONG deadline = GetTickCount64() + 5000;
    do {
        if (CountPixels(window, color) > 20) {
            return true;
        }
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return false;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// How far the centre of `inner` lies from the centre of `outer`, the larger of both axes.
LONG CentreDistance(const RECT& inner, const RECT& outer) {
    const LONG dx = std::abs((inner.left + inner.right) - (outer.left + outer.right)) / 2;
    const LONG dy = std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)) / 2;
    return std::max(dx, dy);
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class AboutBoxGui : public ::testing::Test {
protected:
    void SetUp() override { PrepareLinkTest(browser); }

    void TearDown() override {
        for (const HWND owner : owners) {
            DestroyWindow(owner);
        }
        PumpMessages(nullptr);
        CoUninitialize();
    }

    // A visible top-level window of this thread at the given screen rectangle.
    HWND MakeOwner(int x, int y, int width, int height) {
        const HWND owner =
            CreateWindowExA(0, "Static", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        owners.push_back(owner);
        PumpMessages(nullptr);
        return owner;
    }

    // Opens the box with `open` on this thread, which blocks while the box is shown, and meanwhile
    // runs `drive` on a helper thread with the box's window. `drive` ends the box; should it not,
    // the box is cancelled so that the test goes on. Returns what `open` returned.
    INT_PTR WithAboutBox(const std::function<INT_PTR()>& open, const std::function<void(HWND)>& drive) {
        const DWORD uiThread = GetCurrentThreadId();
        std::thread driver([&] {
            const HWND box = WaitForThreadWindow(uiThread, kTitle);
            if (box == nullptr) {
                return;
            }
            drive(box);
            const ULONGLONG deadline = GetTickCount64() + 5000;
            while (IsWindow(box) && GetTickCount64() < deadline) {
                Sleep(20);
            }
            if (IsWindow(box)) {
                PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            }
        });
        const INT_PTR result = open();
        driver.join();
        return result;
    }

    INT_PTR RunAbout(HWND owner, const std::function<void(HWND)>& drive) {
        return WithAboutBox([owner] { return AboutDialog().Run(GetModuleHandleA(nullptr), owner); }, drive);
    }

    BrowserStandIn browser;
    std::vector<HWND> owners;
};

TEST_F(AboutBoxGui, TheTemplateShowsNameVersionAndBothLinks) {
    struct Seen {
        int id;
        std::string className;
        std::string text;
        LONG style;
        RECT rect;      // in the box's client coordinates
        RECT expected;  // the template's position and size, in the same units
    };
    const struct {
        int id;
        const char* className;
        const char* text;
        LONG style;
        RECT dialogUnits;  // x, y, x + width, y + height
    } expected[] = {
        {IDOK, "Button", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {63, 74, 113, 88}},
        {IDC_LINK_SITE, "Static", QW_MAKER_LINE_TEXT, WS_VISIBLE | WS_GROUP | SS_CENTER, {40, 23, 172, 43}},
        {IDC_STATIC, "Static", "", WS_VISIBLE | SS_ICON, {8, 10, 28, 30}},
        {IDC_STATIC, "Static", "Quirewell v2.3", WS_VISIBLE | WS_GROUP | SS_CENTER, {40, 12, 172, 20}},
        {IDC_ABOUT_LINK_DONATE,
         "Static",
         "Support us by making a donation",
         WS_VISIBLE | WS_GROUP | SS_CENTER,
         {40, 47, 172, 55}},
    };
    std::vector<Seen> seen;
    LONG boxStyle = 0;
    RECT client{};
    RECT clientExpected{0, 0, 180, 95};
    HWND focus = nullptr;
    HWND okButton = nullptr;
    bool hasIcon = false;
    const INT_PTR result = RunAbout(nullptr, [&](HWND box) {
        boxStyle = GetWindowLongA(box, GWL_STYLE);
        GetClientRect(box, &client);
        MapDialogRect(box, &clientExpected);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread);
        focus = thread.hwndFocus;
        okButton = GetDlgItem(box, IDOK);
        std::size_t index = 0;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            Seen s{GetDlgCtrlID(child),
                   ClassOf(child),
                   WindowText(child),
                   GetWindowLongA(child, GWL_STYLE),
                   {},
                   {}};
            GetWindowRect(child, &s.rect);
            MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&s.rect), 2);
            if (index < std::size(expected)) {
                s.expected = expected[index].dialogUnits;
                MapDialogRect(box, &s.expected);
            }
            if ((s.style & SS_TYPEMASK) == SS_ICON && s.className == "Static") {
                hasIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
            }
            seen.push_back(s);
            ++index;
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
        boxStyle & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME | WS_MINIMIZEBOX));
    EXPECT_EQ(clientExpected.right, client.right);
    EXPECT_EQ(clientExpected.bottom, client.bottom);
    EXPECT_EQ(okButton, focus) << "the OK button has the focus";
    EXPECT_TRUE(hasIcon) << "the program icon";
    ASSERT_EQ(std::size(expected), seen.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const auto& e = expected[i];
        const Seen& s = seen[i];
        EXPECT_EQ(e.id, s.id) << i;
        EXPECT_EQ(e.className, s.className) << i;
        EXPECT_EQ(e.style, s.style & e.style) << i;
        if ((e.style & SS_ICON) != SS_ICON) {
            EXPECT_EQ(e.text, s.text) << i;
            EXPECT_TRUE(EqualRect(&s.rect, &s.expected)) << i;
        } else {
            // An icon control takes the icon's size; its corner stays where the template puts it.
            EXPECT_EQ(s.expected.left, s.rect.left) << i;
            EXPECT_EQ(s.expected.top, s.rect.top) << i;
        }
    }
}

// Run at 96, 120, 144 and 192 DPI by tests/gui/dpi_runs.sh, and at the prefix's DPI with the others.
TEST_F(AboutBoxGui, ControlsFitTheBoxAtTheCurrentDpi) {
    if (DpiOfThisRun() != 0) {
        ASSERT_EQ(DpiOfThisRun(), ScreenDpi()) << "the prefix did not take the DPI of this run";
    }
    std::vector<std::string> problems{"the box did not open"};
    SIZE icon{};
    RunAbout(nullptr, [&](HWND box) {
        problems = LayoutProblems(box, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ClassOf(child) == "Static") {
                icon = IconSize(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)));
            }
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(std::vector<std::string>{}, problems);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), icon.cx) << "the program icon at the size of this DPI";
}

TEST_F(AboutBoxGui, OkAndEnterEndWithOneEscapeAndTheCloseBoxWithTwo) {
    const struct {
        const char* name;
        std::function<void(HWND)> end;
        INT_PTR result;
    } cases[] = {
        {"OK button", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }, 1},
        {"Enter", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_RETURN, 0x001C0001); },
         1},
        {"OK with a notification code",
         [](HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, 0x7777), 0); }, 1},
        {"Escape", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001); },
         2},
        {"close box", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, RunAbout(nullptr, c.end)) << c.name;
    }
}

TEST_F(AboutBoxGui, TheAboutCommandCentresTheBoxOverTheActiveWindow) {
    const HWND owner = MakeOwner(100, 150, 640, 480);
    SetActiveWindow(owner);
    PumpMessages(nullptr, 50);
    ASSERT_EQ(owner, GetActiveWindow());
    HWND boxOwner = nullptr;
    RECT box{};
    bool ownerEnabled = true;
    WithAboutBox(
        [] {
            ShowAboutBox(GetModuleHandleA(nullptr));
            return INT_PTR{0};
        },
        [&](HWND about) {
            boxOwner = GetWindow(about, GW_OWNER);
            box = ScreenRect(about);
            ownerEnabled = IsWindowEnabled(owner) != FALSE;
            PostMessageA(about, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(owner, boxOwner);
    EXPECT_FALSE(ownerEnabled) << "the owner waits while the box is open";
    EXPECT_LE(CentreDistance(box, ScreenRect(owner)), 1);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(AboutBoxGui, TheBoxStaysOnTheWorkAreaAndIgnoresOwnersThatAreNotShown) {
    const RECT work = WorkArea();
    const struct {
        const char* name;
        std::function<HWND()> owner;
        bool pushedIntoCorner;  // else centred on the work area
    } cases[] = {
        {"owner hanging over the bottom right corner",
         [&] { return MakeOwner(work.right - 200, work.bottom - 100, 600, 500); }, true},
        {"minimised owner",
         [&] {
             const HWND owner = MakeOwner(100, 100, 400, 300);
             ShowWindow(owner, SW_MINIMIZE);
             PumpMessages(nullptr, 50);
             return owner;
         },
         false},
        {"hidden owner",
         [&] {
             const HWND owner = MakeOwner(100, 100, 400, 300);
             ShowWindow(owner, SW_HIDE);
             return owner;
         },
         false},
        {"no owner", [] { return HWND{nullptr}; }, false},
    };
    for (const auto& c : cases) {
        const HWND owner = c.owner();
        RECT box{};
        RunAbout(owner, [&](HWND about) {
            box = ScreenRect(about);
            PostMessageA(about, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(Inside(box, work)) << c.name;
        if (c.pushedIntoCorner) {
            EXPECT_EQ(work.right, box.right) << c.name;
            EXPECT_EQ(work.bottom, box.bottom) << c.name;
        } else {
            EXPECT_LE(CentreDistance(box, work), 1) << c.name;
        }
    }
}

TEST_F(AboutBoxGui, WithoutAnActiveWindowTheBoxHasNoOwner) {
    ASSERT_EQ(nullptr, GetActiveWindow());
    HWND boxOwner = reinterpret_cast<HWND>(1);
    RECT box{};
    WithAboutBox(
        [] {
            ShowAboutBox(GetModuleHandleA(nullptr));
            return INT_PTR{0};
        },
        [&](HWND about) {
            boxOwner = GetWindow(about, GW_OWNER);
            box = ScreenRect(about);
            PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_EQ(nullptr, boxOwner);
    EXPECT_LE(CentreDistance(box, WorkArea()), 1);
}

TEST_F(AboutBoxGui, LinksOpenTheirPagesAndStartUnvisitedAtEveryOpening) {
    // The first opening: the donation link is visited.
    bool blueBefore = false;
    bool purpleAfter = false;
    std::vector<std::string> recorded;
    RunAbout(nullptr, [&](HWND box) {
        const HWND donate = GetDlgItem(box, IDC_ABOUT_LINK_DONATE);
        blueBefore = WaitForColor(donate, kBlue);
        ClickMiddleOf(donate);
        purpleAfter = WaitForColor(donate, kPurple);
        recorded = browser.WaitForRecorded(1);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(blueBefore);
    EXPECT_TRUE(purpleAfter);
    EXPECT_EQ(std::vector<std::string>{kDonationPage}, recorded);

    // The next opening: unvisited again; the maker line opens the site's root.
    bool donateBlueAgain = false;
    bool siteBlue = false;
    bool sitePurple = false;
    std::string siteText;
    RunAbout(nullptr, [&](HWND box) {
        const HWND donate = GetDlgItem(box, IDC_ABOUT_LINK_DONATE);
        const HWND site = GetDlgItem(box, IDC_LINK_SITE);
        donateBlueAgain = WaitForColor(donate, kBlue) && CountPixels(donate, kPurple) == 0;
        siteBlue = WaitForColor(site, kBlue);
        siteText = WindowText(site);
        ClickMiddleOf(site);
        sitePurple = WaitForColor(site, kPurple);
        recorded = browser.WaitForRecorded(2);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(donateBlueAgain);
    EXPECT_TRUE(siteBlue);
    EXPECT_TRUE(sitePurple);
    EXPECT_EQ("Written by the Quirewell team\n" QW_WEB_SITE, siteText);
    EXPECT_EQ((std::vector<std::string>{kDonationPage, kSiteRootPage}), recorded);
}

}  // namespace

// Link labels as a user meets them, on a dialog of this test program: their colours on the
// screen, clicks, keys, the hand cursor and tooltip, and the browser they start.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog_base.h"
#include "gui_driver.h"
#include "link_test_ids.h"
#include "link_test_support.h"
#include "links/hand_cursor.h"
#include "links/link_label.h"
#include "links/web_pages.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);
constexpr COLORREF kBackground = RGB(236, 255, 245);

// The dialog that hosts the links: it records the clicks it is told of (BN_CLICKED and STN_CLICKED
// alike) and paints the links' background with its own brush.
class LinkTestDialog : public DialogBase {
public:
    LinkTestDialog() : background_(CreateSolidBrush(kBackground)) {}
    ~LinkTestDialog() override { DeleteObject(background_); }

    std::vector<int> commands;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
            case WM_INITDIALOG:
                return TRUE;
            case WM_COMMAND:
                if (HIWORD(wParam) == BN_CLICKED) {
                    commands.push_back(LOWORD(wParam));
                }
                return TRUE;
            case WM_CTLCOLORSTATIC:
                return reinterpret_cast<INT_PTR>(background_);
            default:
                return FALSE;
        }
    }

private:
    HBRUSH background_;
};

const std::map<int, std::string> kTargets = {
    {IDC_TEST_LEFT, kProductPage},       {IDC_TEST_CENTRED, kDonationPage},  {IDC_TEST_RIGHT, kSiteAddress},
    {IDC_TEST_TWO_LINES, kSiteRootPage}, {IDC_TEST_DISABLED, kDonationPage},
};

class LinkLabelGui : public ::testing::Test {
protected:
    void SetUp() override { PrepareLinkTest(browser); }

    void TearDown() override {
        CloseDialog();
        CoUninitialize();
    }

    // Shows the test dialog with a link, targets set first, on each of its static texts; the
    // left-aligned one opens `leftTarget`.
    void OpenDialog(const std::string& leftTarget = kProductPage) {
        CloseDialog();
        dialog = std::make_unique<LinkTestDialog>();
        ASSERT_NE(nullptr, dialog->CreateModeless(GetModuleHandleA(nullptr), IDD_LINK_TEST, nullptr));
        for (const auto& [id, target] : kTargets) {
            auto link = std::make_unique<LinkLabel>();
            ASSERT_TRUE(link->SetTarget(id == IDC_TEST_LEFT ? leftTarget.c_str() : target.c_str()));
            ASSERT_TRUE(link->Attach(Control(id))) << id;
            links[id] = std::move(link);
        }
        ShowWindow(Dialog(), SW_SHOWNORMAL);
        UpdateWindow(Dialog());
        PumpMessages(Dialog(), 50);
    }

    void CloseDialog() {
        if (dialog && IsWindow(Dialog())) {
            DestroyWindow(Dialog());
            PumpMessages(nullptr);
        }
        links.clear();
        dialog.reset();
    }

    HWND Dialog() const { return dialog->Window(); }
    HWND Control(int id) const { return GetDlgItem(Dialog(), id); }
    LinkLabel& Link(int id) { return *links.at(id); }

    // Presses the left button at `down` and releases it at `up`, in the control's client points.
    void Click(int id, LPARAM down, LPARAM up) {
        SendMessageA(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, down);
        SendMessageA(Control(id), WM_LBUTTONUP, 0, up);
        PumpMessages(Dialog());
    }
    void ClickLink(int id) { Click(id, CentreOf(Link(id).LinkRect()), CentreOf(Link(id).LinkRect())); }

    BrowserStandIn browser;
    std::unique_ptr<LinkTestDialog> dialog;
    std::map<int, std::unique_ptr<LinkLabel>> links;
};

std::string ToolText(HWND tooltip, HWND tool) {
    char text[256] = {};
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = tool;
    info.uId = 1;
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

TEST_F(LinkLabelGui, AttachingTakesTheControlsTextAndRegistersTheTooltip) {
    OpenDialog();
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(Dialog(), WM_GETFONT, 0, 0));
    for (const auto& [id, target] : kTargets) {
        const HWND control = Control(id);
        LinkLabel& link = Link(id);
        EXPECT_EQ(control, link.Window()) << id;
        EXPECT_EQ(WindowText(control), link.Caption()) << id;
        EXPECT_EQ(target, link.Target()) << id;
        EXPECT_NE(0, GetWindowLongA(control, GWL_STYLE) & SS_NOTIFY) << "statics report clicks " << id;
        EXPECT_EQ(dialogFont, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0))) << id;

        const HWND tooltip = link.Tooltip();
        ASSERT_TRUE(IsWindow(tooltip)) << id;
        EXPECT_EQ("tooltips_class32", ClassOf(tooltip));
        EXPECT_EQ(1, SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0)) << id;
        EXPECT_EQ(target, ToolText(tooltip, control)) << id;
        TOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = control;
        info.uId = 1;
        ASSERT_TRUE(SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info))) << id;
        const RECT text = link.LinkRect();
        EXPECT_TRUE(EqualRect(&info.rect, &text)) << "the tooltip covers the text " << id;
    }
    EXPECT_STREQ("First line\nSecond line", Link(IDC_TEST_TWO_LINES).Caption());
    EXPECT_FALSE(Link(IDC_TEST_LEFT).Attach(Control(IDC_TEST_LEFT))) << "a link takes one window";

    // A control of another class keeps its style.
    const HWND edit = Control(IDC_TEST_EDIT);
    const LONG editStyle = GetWindowLongA(edit, GWL_STYLE);
    LinkLabel editLink;
    editLink.SetTarget(kProductPage);
    ASSERT_TRUE(editLink.Attach(edit));
    EXPECT_EQ(editStyle, GetWindowLongA(edit, GWL_STYLE));
    CloseDialog();
}

TEST_F(LinkLabelGui, LinksAreDrawnInLinkVisitedAndGreyText) {
    OpenDialog();
    const HWND left = Control(IDC_TEST_LEFT);
    EXPECT_GT(CountPixels(left, kBlue), 20);
    EXPECT_EQ(0, CountPixels(left, kPurple));
    RECT client{};
    GetClientRect(left, &client);
    EXPECT_EQ(kBackground, PixelAt(left, client.right - 1, client.bottom - 1)) << "the dialog's brush";

    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const HWND disabled = Control(IDC_TEST_DISABLED);
    EXPECT_GT(CountPixels(disabled, grey), 20);
    EXPECT_EQ(0, CountPixels(disabled, kBlue));

    ClickLink(IDC_TEST_LEFT);
    EXPECT_TRUE(Link(IDC_TEST_LEFT).Visited());
    EXPECT_GT(CountPixels(left, kPurple), 20) << "visited after the browser started";
    EXPECT_EQ(0, CountPixels(left, kBlue));
    EXPECT_EQ(std::vector<std::string>{kProductPage}, browser.WaitForRecorded(1));

    // A disabled link stays grey even once visited, and shows the visited colour when enabled.
    EXPECT_TRUE(Link(IDC_TEST_DISABLED).OpenTarget());
    EXPECT_GT(CountPixels(disabled, grey), 20);
    EXPECT_EQ(0, CountPixels(disabled, kPurple));
    EnableWindow(disabled, TRUE);
    EXPECT_GT(CountPixels(disabled, kPurple), 20);
    EXPECT_EQ(0, CountPixels(disabled, grey));

    EXPECT_EQ((std::vector<std::string>{kProductPage, kDonationPage}), browser.WaitForRecorded(2));
}

TEST_F(LinkLabelGui, ColoursComeFromTheBrowserSettings) {
    const COLORREF green = RGB(0, 128, 0);
    const struct {
        const char* name;
        DWORD type;
        std::string value;  // stored as given, without a terminator unless it holds one
        COLORREF drawn;
    } cases[] = {
        {"0,128,0", REG_SZ, std::string("0,128,0", 8), green},
        {"blanks before the numbers", REG_SZ, std::string(" 12, 34, 56", 12), RGB(12, 34, 56)},
        {"300 wraps to 44", REG_SZ, std::string("300,0,0", 8), RGB(44, 0, 0)},
        {"green missing its blue", REG_SZ, std::string("0,128", 6), kBlue},
        {"trailing comma", REG_SZ, std::string("0,128,", 7), kBlue},
        {"-1 for red", REG_SZ, std::string("-1,0,0", 7), kBlue},
        {"longer than 11 characters", REG_SZ, std::string("000,128,0000", 13), kBlue},
        {"12 bytes without a terminator", REG_BINARY, "000,128,0000", kBlue},
    };
    for (const auto& c : cases) {
        browser.Registry().SetBytes(HKEY_CURRENT_USER, kColorSettingsKey, "Anchor Color", c.type,
                                    c.value.data(), static_cast<DWORD>(c.value.size()));
        OpenDialog();
        EXPECT_GT(CountPixels(Control(IDC_TEST_LEFT), c.drawn), 20) << c.name;
        EXPECT_EQ(c.drawn, Link(IDC_TEST_LEFT).LinkColor()) << c.name;
        CloseDialog();
    }

    browser.Registry().SetString(HKEY_CURRENT_USER, kColorSettingsKey, "Anchor Color", "0,128,0");
    browser.Registry().SetString(HKEY_CURRENT_USER, kColorSettingsKey, "Anchor Color Visited", "0,128,128");
    OpenDialog();
    ClickLink(IDC_TEST_LEFT);
    EXPECT_GT(CountPixels(Control(IDC_TEST_LEFT), RGB(0, 128, 128)), 20);
    EXPECT_EQ(0, CountPixels(Control(IDC_TEST_LEFT), green));
    EXPECT_EQ(std::vector<std::string>{kProductPage}, browser.WaitForRecorded(1));
}

TEST_F(LinkLabelGui, OnlyAClickThatBeginsAndEndsOnTheLinkOpensIt) {
    // A document handler that would show it was used: the shell comes first.
    browser.RegisterHtmlHandler(browser.RecorderCommand("fallback \"%1\""));
    OpenDialog();
    const HWND left = Control(IDC_TEST_LEFT);
    RECT client{};
    GetClientRect(left, &client);
    const LPARAM inside = CentreOf(Link(IDC_TEST_LEFT).LinkRect());
    const LPARAM besideText = PointParam(client.right - 2, client.bottom / 2);
    const LPARAM outsideControl = PointParam(-5, -5);
    ASSERT_LT(Link(IDC_TEST_LEFT).LinkRect().right, client.right - 2);
    const struct {
        const char* name;
        LPARAM down;
        LPARAM up;
    } misses[] = {
        {"pressed on the link, released beside the text", inside, besideText},
        {"pressed on the link, released outside the control", inside, outsideControl},
        {"pressed beside the text, released on the link", besideText, inside},
    };
    for (const auto& miss : misses) {
        Click(IDC_TEST_LEFT, miss.down, miss.up);
        EXPECT_EQ(nullptr, GetCapture()) << miss.name;
        EXPECT_FALSE(Link(IDC_TEST_LEFT).Visited()) << miss.name;
        EXPECT_GT(CountPixels(left, kBlue), 20) << miss.name;
    }
    Click(IDC_TEST_LEFT, inside, inside);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(left, GetFocus()) << "a click on the link takes the focus";
    EXPECT_TRUE(Link(IDC_TEST_LEFT).Visited());
    EXPECT_EQ(std::vector<std::string>{kProductPage}, browser.WaitForRecorded(1));
    EXPECT_TRUE(dialog->commands.empty()) << "the dialog is told nothing";
}

TEST_F(LinkLabelGui, TheFocusedLinkOpensOnSpaceAndEnterAndSwallowsOtherCharacters) {
    OpenDialog();
    const HWND left = Control(IDC_TEST_LEFT);
    // The focus rectangle around the text covers some of the background pixels there.
    const RECT text = Link(IDC_TEST_LEFT).LinkRect();
    const int unfocusedBackground = CountPixels(left, kBackground, &text);
    ClickLink(IDC_TEST_LEFT);
    ASSERT_EQ(left, GetFocus());
    EXPECT_LT(CountPixels(left, kBackground, &text), unfocusedBackground - 10) << "focus rectangle";
    ASSERT_EQ(1u, browser.WaitForRecorded(1).size());

    // The Space key, through the dialog's keyboard handling.
    PostMessageA(left, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageA(left, WM_KEYUP, VK_SPACE, 0xC0390001);
    PumpMessages(Dialog(), 100);
    EXPECT_EQ(2u, browser.WaitForRecorded(2).size()) << "Space";

    // The Enter key opens the link too, and does not press the dialog's default button.
    PostMessageA(left, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(left, WM_KEYUP, VK_RETURN, 0xC01C0001);
    PumpMessages(Dialog(), 100);
    EXPECT_EQ(3u, browser.WaitForRecorded(3).size()) << "Enter";
    EXPECT_TRUE(dialog->commands.empty()) << "Enter pressed a button";

    // "x" is the mnemonic of the dialog's "E&xtra" button, but the link takes it and does nothing.
    PostMessageA(left, WM_CHAR, 'x', 0);
    PumpMessages(Dialog(), 100);
    EXPECT_EQ(3u, browser.WaitForRecorded(3).size()) << "x opens nothing";
    EXPECT_TRUE(dialog->commands.empty());

    // With the focus elsewhere the same character reaches the button.
    SetFocus(Control(IDOK));
    PostMessageA(Control(IDOK), WM_CHAR, 'x', 0);
    PumpMessages(Dialog(), 100);
    EXPECT_EQ(std::vector<int>{IDC_TEST_EXTRA}, dialog->commands);
    EXPECT_EQ(unfocusedBackground, CountPixels(left, kBackground, &text)) << "focus rectangle gone";
}

// Run at 96, 120, 144 and 192 DPI by tests/gui/dpi_runs.sh, and at the prefix's DPI with the others.
TEST_F(LinkLabelGui, TheHandCursorHasTheSystemSizeAndShowsOverTheTextOnlyAtTheCurrentDpi) {
    OpenDialog();
    const HWND centred = Control(IDC_TEST_CENTRED);
    LinkLabel& link = Link(IDC_TEST_CENTRED);
    const RECT text = link.LinkRect();
    ASSERT_GT(text.left, 4) << "a short centred caption leaves room beside it";
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);

    SetCursor(arrow);
    SendMessageA(centred, WM_MOUSEMOVE, 0, PointParam(2, (text.top + text.bottom) / 2));
    EXPECT_EQ(arrow, GetCursor()) << "beside the text";
    SendMessageA(centred, WM_MOUSEMOVE, 0, CentreOf(text));
    const HCURSOR hand = GetCursor();
    ASSERT_NE(arrow, hand) << "over the text";

    // As large as the system's own cursors at this DPI.
    const CursorPlanes planes = handCursorPlanes(GetSystemMetrics(SM_CXCURSOR));
    EXPECT_EQ(GetSystemMetrics(SM_CXCURSOR), planes.size);
    EXPECT_EQ(planes.size, IconSize(hand).cx);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(static_cast<DWORD>(planes.hotSpotX), info.xHotspot);
    EXPECT_EQ(static_cast<DWORD>(planes.hotSpotY), info.yHotspot);
    EXPECT_EQ(nullptr, info.hbmColor) << "a monochrome cursor";
    const std::size_t planeBytes = planes.andPlane.size();
    std::vector<BYTE> bits(2 * planeBytes);
    ASSERT_EQ(static_cast<LONG>(bits.size()),
              GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data()));
    EXPECT_EQ(0, memcmp(bits.data(), planes.andPlane.data(), planeBytes)) << "the AND plane on top";
    EXPECT_EQ(0, memcmp(bits.data() + planeBytes, planes.xorPlane.data(), planeBytes))
        << "the XOR plane below";
    DeleteObject(info.hbmMask);

    // While the pointer rests on the text the control keeps the hand; beside it the arrow returns.
    POINT onText{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
    ClientToScreen(centred, &onText);
    SetCursorPos(onText.x, onText.y);
    EXPECT_TRUE(SendMessageA(centred, WM_SETCURSOR, reinterpret_cast<WPARAM>(centred),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(hand, GetCursor());
    POINT beside{2, (text.top + text.bottom) / 2};
    ClientToScreen(centred, &beside);
    SetCursorPos(beside.x, beside.y);
    SendMessageA(centred, WM_SETCURSOR, reinterpret_cast<WPARAM>(centred),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(arrow, GetCursor());

    // A click beside a centred text does nothing.
    Click(IDC_TEST_CENTRED, PointParam(2, 2), PointParam(2, 2));
    EXPECT_FALSE(link.Visited());
}

TEST_F(LinkLabelGui, TheLinkRectangleIsWhereTheTextIsDrawn) {
    OpenDialog();
    const auto clientOf = [this](int id) {
        RECT client{};
        GetClientRect(Control(id), &client);
        return client;
    };
    const RECT leftText = Link(IDC_TEST_LEFT).LinkRect();
    EXPECT_EQ(0, leftText.left);
    EXPECT_LT(leftText.right, clientOf(IDC_TEST_LEFT).right);

    const RECT centred = Link(IDC_TEST_CENTRED).LinkRect();
    EXPECT_LE(std::abs(centred.left - (clientOf(IDC_TEST_CENTRED).right - centred.right)), 1);
    const RECT right = Link(IDC_TEST_RIGHT).LinkRect();
    EXPECT_EQ(clientOf(IDC_TEST_RIGHT).right, right.right);
    EXPECT_GT(right.left, 0);

    const RECT twoLines = Link(IDC_TEST_TWO_LINES).LinkRect();
    EXPECT_EQ(2 * (leftText.bottom - leftText.top), twoLines.bottom - twoLines.top) << "two lines";

    // Every pixel of link colour lies inside the measured rectangle.
    for (const int id : {IDC_TEST_LEFT, IDC_TEST_CENTRED, IDC_TEST_RIGHT, IDC_TEST_TWO_LINES}) {
        const RECT text = Link(id).LinkRect();
        const int all = CountPixels(Control(id), kBlue);
        EXPECT_GT(all, 10) << id;
        EXPECT_EQ(all, CountPixels(Control(id), kBlue, &text)) << id;
    }

    // A resized control measures again.
    RECT placed{};
    GetWindowRect(Control(IDC_TEST_CENTRED), &placed);
    SetWindowPos(Control(IDC_TEST_CENTRED), nullptr, 0, 0, (placed.right - placed.left) / 2,
                 placed.bottom - placed.top, SWP_NOMOVE | SWP_NOZORDER);
    const RECT narrower = Link(IDC_TEST_CENTRED).LinkRect();
    EXPECT_LE(std::abs(narrower.left - (clientOf(IDC_TEST_CENTRED).right - narrower.right)), 1);
    EXPECT_LT(narrower.left, centred.left);

    // Moved to a monitor of twice the DPI, a dialog gives its controls its font made anew at twice
    // the height: the link measures and draws its text in that font as well.
    LOGFONTA description{};
    ASSERT_NE(0, GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Dialog(), WM_GETFONT, 0, 0)),
                            sizeof description, &description));
    description.lfHeight *= 2;
    const HFONT doubled = CreateFontIndirectA(&description);
    const int drawnBefore = CountPixels(Control(IDC_TEST_LEFT), kBlue);
    SendMessageA(Control(IDC_TEST_LEFT), WM_SETFONT, reinterpret_cast<WPARAM>(doubled), TRUE);
    PumpMessages(Dialog(), 50);
    const RECT larger = Link(IDC_TEST_LEFT).LinkRect();
    EXPECT_GE(larger.bottom - larger.top, 2 * (leftText.bottom - leftText.top) - 2);
    EXPECT_GT(larger.right, leftText.right);
    const int drawn = CountPixels(Control(IDC_TEST_LEFT), kBlue);
    EXPECT_GT(drawn, drawnBefore) << "drawn in the larger font";
    EXPECT_EQ(drawn, CountPixels(Control(IDC_TEST_LEFT), kBlue, &larger));
    CloseDialog();
    DeleteObject(doubled);
}

TEST_F(LinkLabelGui, WithoutAShellHandlerTheHtmlDocumentCommandOpensTheLink) {
    browser.BreakShellHandler();
    const std::string longTarget = std::string(kSiteRootPage) + std::string(480, 'a');
    const struct {
        const char* name;
        std::optional<std::string> openCommand;  // none: no ".htm" registration
        std::string target;
        bool opens;
    } cases[] = {
        {"quoted placeholder", browser.RecorderCommand("\"%1\""), kProductPage, true},
        {"unquoted placeholder with options after it", browser.RecorderCommand("%1 --new-window"),
         kDonationPage, true},
        {"no placeholder", browser.RecorderCommand(""), kSiteAddress, true},
        {"program missing", browser.MissingBrowserCommand(), kProductPage,
         false},
        {"no document registration", std::nullopt, kProductPage, false},
        {"open command longer than 260 bytes", browser.RecorderCommand("\"%1\" --" + std::string(300, 'p')),
         kProductPage, false},
        {"command line longer than 520 bytes", browser.RecorderCommand("\"%1\""), longTarget, false},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        if (c.openCommand) {
            browser.RegisterHtmlHandler(*c.openCommand);
        } else {
            browser.RemoveHtmlHandler();
        }
        OpenDialog(c.target);
        EXPECT_EQ(c.opens, Link(IDC_TEST_LEFT).OpenTarget()) << c.name;
        EXPECT_EQ(c.opens, Link(IDC_TEST_LEFT).Visited()) << c.name;
        EXPECT_GT(CountPixels(Control(IDC_TEST_LEFT), c.opens ? kPurple : kBlue), 20) << c.name;
        if (c.opens) {
            expected.push_back(c.target);
            EXPECT_EQ(expected, browser.WaitForRecorded(expected.size())) << c.name;
        }
        CloseDialog();
    }
    EXPECT_EQ(expected, browser.WaitForRecorded(expected.size()));
}

TEST_F(LinkLabelGui, DestroyingTheWindowOrTheLinkLetsGoOfTheOther) {
    OpenDialog();
    const HWND tooltip = Link(IDC_TEST_LEFT).Tooltip();
    ASSERT_TRUE(IsWindow(tooltip));
    DestroyWindow(Dialog());
    PumpMessages(nullptr);
    EXPECT_EQ(nullptr, Link(IDC_TEST_LEFT).Window());
    EXPECT_FALSE(IsWindow(tooltip));

    // A link destroyed before its window gives the window its own procedure back.
    OpenDialog();
    const HWND edit = Control(IDC_TEST_EDIT);
    const LONG_PTR ownProc = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    {
        LinkLabel link;
        link.SetTarget(kProductPage);
        ASSERT_TRUE(link.Attach(edit));
        EXPECT_NE(ownProc, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    }
    EXPECT_EQ(ownProc, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowTextA(edit, "still an edit box");
    EXPECT_EQ("still an edit box", WindowText(edit));
}

}  // namespace

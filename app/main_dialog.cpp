// MainDialog: the message table, the exchange of held values, the folder picker, the
// notification-area icon and help. Merges started from the window are in window_runs.cpp, automatic
// merging in auto_merge.cpp.
#include "app/main_dialog.h"

#include <shlobj.h>

#include <climits>

#include "app/module_state.h"
#include "app/private_messages.h"
#include "links/about_dialog.h"
#include "links/web_pages.h"
#include "links/window_centering.h"
#include "platform/win32/wide_text.h"
#include "resources/resource.h"
#include "runs/dialog_rules.h"
#include "ui/window_dpi.h"

namespace {

constexpr UINT kTrayIconId = 201;
// Sent when the window moved to a monitor of another DPI, or the monitor's scale changed.
constexpr UINT kDpiChanged = 0x02E0;

constexpr int kCheckBoxes[] = {IDC_INCLUDE_SUBDIRS, IDC_KEEP_FILE_DATE, IDC_KEEP_HIERARCHY, IDC_AUTO_MERGE};

const COLORREF kDialogColor = RGB(236, 255, 245);
const COLORREF kEditColor = RGB(255, 255, 255);

}  // namespace

MainDialog::MainDialog() : quitMessage_(RegisterWindowMessageA("Quirewell.Quit")) {}

MainDialog::~MainDialog() {
    WaitForWorker();
    if (loop_ != nullptr) {
        loop_->RemoveFilter(this);
    }
    if (Window() != nullptr) {
        DestroyWindow(Window());
    }
    trayIcon_.Remove();
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(dialogBrush_), static_cast<HGDIOBJ>(editBrush_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
    for (HICON icon : {bigIcon_, smallIcon_, warningIcon_}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

bool MainDialog::PreTranslate(MSG& message) {
    return Window() != nullptr && IsDialogMessageA(Window(), &message);
}

void MainDialog::CloseWithCode(int code) {
    if (runActive_ == 1) {
        // The run goes on to its end with nothing on screen but the icon, which says so; no
        // automatic merge starts again, and EndRun closes for good.
        closingCode_ = code;
        KillTimer(Window(), kAutoMergeTimer);
        ShowWindow(Window(), SW_HIDE);
        trayIcon_.SetTip("Quirewell\nFinishing the merge...");
        return;
    }
    trayIcon_.Remove();
    DestroyWindow(Window());
    PostQuitMessage(code);
}

INT_PTR MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_AUTOMERGE:
            SetAutoMergeTimer(static_cast<int>(wParam), lParam == 1);
            return TRUE;
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_SYSCOMMAND:
            if (wParam == SC_MINIMIZE) {
                // The window leaves the screen and the taskbar; the icon brings it back.
                ShowWindow(Window(), SW_HIDE);
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return OnColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam));
        case WM_WORKER_REPORT:
            OnWorkerReport();
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                OnEndSession();
            }
            return TRUE;
        case kDpiChanged:
            LoadIcons();
            // The system's dialog handling goes on to scale the window, its controls and its font.
            return FALSE;
        default:
            break;
    }
    if (message == trayIcon_.CallbackMessage()) {
        // Closed while its run finishes, the program offers nothing more.
        return Answer(closingCode_ != 0 ? 0 : trayIcon_.OnCallback(TheModule().Instance(), wParam, lParam));
    }
    if (message == quitMessage_) {
        return Answer(OnQuitRequest(static_cast<DWORD>(wParam), lParam == 1));
    }
    if (message == trayIcon_.TaskbarCreatedMessage()) {
        trayIcon_.Reinstall();
        return FALSE;
    }
    return FALSE;
}

INT_PTR MainDialog::Answer(LRESULT result) {
    // A dialog procedure hands a message's result to its sender through DWLP_MSGRESULT.
    SetWindowLongPtrA(Window(), DWLP_MSGRESULT, result);
    return TRUE;
}

BOOL MainDialog::OnInitDialog() {
    // The dialog has no owner, so it opens in the middle of the work area.
    CenterOnOwner(Window());
    LoadIcons();

    loop_ = TheModule().FindLoop();
    if (loop_ != nullptr) {
        loop_->AddFilter(this);
    }
    // The targets are set before the links are attached, so each registers its tooltip with it.
    productLink_.SetTarget(kProductPage);
    donationLink_.SetTarget(kDonationPage);
    siteLink_.SetTarget(kSiteAddress);
    progressBar_ = GetDlgItem(Window(), IDC_PROGRESS);
    dialogBrush_ = CreateSolidBrush(kDialogColor);
    editBrush_ = CreateSolidBrush(kEditColor);
    // The log box holds a whole run's log, however long.
    SendDlgItemMessageA(Window(), IDC_LOG, EM_SETLIMITTEXT, 0, 0);

    held_ = HeldValues{};
    runActive_ = 0;
    ExchangeData(Direction::Write);
    trayIcon_.Install(Window(), "Quirewell", smallIcon_, kTrayIconId);
    return TRUE;
}

void MainDialog::LoadIcons() {
    // Both icons at the sizes the system asks for at the window's DPI, so that it never scales
    // one of another size; the small one is also the notification area's. After a merge that did
    // not go well the notification area shows the system's own warning sign instead, which every
    // user knows, at the same size.
    const HINSTANCE instance = TheModule().Instance();
    const HICON bigIcon = LoadIconForWindow(Window(), instance, IDI_QUIREWELL, SM_CXICON, SM_CYICON);
    const HICON smallIcon = LoadIconForWindow(Window(), instance, IDI_QUIREWELL, SM_CXSMICON, SM_CYSMICON);
    const HICON warningIcon =
        LoadIconForWindow(Window(), nullptr, LOWORD(IDI_WARNING), SM_CXSMICON, SM_CYSMICON);
    SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    trayIcon_.SetIcon(warned_ ? warningIcon : smallIcon);
    for (HICON old : {bigIcon_, smallIcon_, warningIcon_}) {
        if (old != nullptr) {
            DestroyIcon(old);
        }
    }
    bigIcon_ = bigIcon;
    smallIcon_ = smallIcon;
    warningIcon_ = warningIcon;
}

INT_PTR MainDialog::OnCommand(WORD id) {
    switch (id) {
        case ID_APP_ABOUT:
            ShowAboutBox(TheModule().Instance());
            return TRUE;
        case ID_APP_EXIT:
            CloseWithCode(kExitOk);
            return TRUE;
        case ID_TRAY_OPEN:
            ShowAndBringToFront();
            return TRUE;
        case IDOK:
            CloseWithCode(kExitOk);
            return TRUE;
        case IDCANCEL:
            CloseWithCode(kExitCancel);
            return TRUE;
        case IDC_FAX_DIR_BUTTON:
            PickDirectory(held_.faxDir);
            return TRUE;
        case IDC_SAVE_DIR_BUTTON:
            PickDirectory(held_.saveDir);
            return TRUE;
        case IDC_MERGE:
            MergeNow();
            return TRUE;
        case IDC_HELP_BUTTON:
            OpenHelp();
            return TRUE;
        case IDC_AUTO_MERGE:
            ApplyAutoMerge();
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR MainDialog::OnColor(UINT message, HDC dc, HWND control) {
    const bool isLog = control != nullptr && GetDlgCtrlID(control) == IDC_LOG;
    switch (message) {
        case WM_CTLCOLOREDIT:
            SetTextColor(dc, RGB(128, 0, 0));
            SetBkMode(dc, isLog ? OPAQUE : TRANSPARENT);
            return reinterpret_cast<INT_PTR>(editBrush_);
        case WM_CTLCOLORSTATIC:
            SetTextColor(dc, RGB(120, 0, 0));
            SetBkMode(dc, isLog ? OPAQUE : TRANSPARENT);
            return reinterpret_cast<INT_PTR>(dialogBrush_);
        case WM_CTLCOLORBTN:
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(dialogBrush_);
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(dialogBrush_);
        default:
            return FALSE;
    }
}

bool MainDialog::ExchangeText(int id, std::string& held, Direction direction) {
    const HWND control = GetDlgItem(Window(), id);
    if (control == nullptr) {
        return false;
    }
    if (direction == Direction::Write) {
        return SetDlgItemTextA(Window(), id, held.c_str()) != FALSE;
    }
    // Read as the control holds it and converted without best fit, which would make of a folder
    // the code page cannot hold a look-alike that may exist; "?" for what is lost names no
    // folder, and the run refuses it.
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, text.data(), length + 1);
    if (got == 0 && length > 0) {
        return false;
    }
    text.resize(static_cast<std::size_t>(got));
    bool exact = true;
    held = platform::narrow(text, exact);
    return true;
}

bool MainDialog::ExchangeLog(Direction direction) {
    // The box is read-only and shows exactly what it was given, so reading it back would only
    // make a second copy of a log that can run to megabytes.
    if (direction == Direction::Read) {
        return true;
    }
    if (held_.logReplaces) {
        if (!SetDlgItemTextA(Window(), IDC_LOG, held_.logText.c_str())) {
            return false;
        }
        held_.logReplaces = false;
    } else if (!held_.logText.empty()) {
        // What is new is added at the box's end.
        SendDlgItemMessageA(Window(), IDC_LOG, EM_SETSEL, INT_MAX, INT_MAX);
        SendDlgItemMessageA(Window(), IDC_LOG, EM_REPLACESEL, FALSE,
                            reinterpret_cast<LPARAM>(held_.logText.c_str()));
    }
    held_.logText.clear();
    return true;
}

bool MainDialog::ExchangeData(Direction direction) {
    int* const checkStates[] = {&held_.includeSubdirs, &held_.keepFileDate, &held_.keepHierarchy,
                                &held_.autoMerge};
    for (std::size_t i = 0; i < std::size(kCheckBoxes); ++i) {
        if (direction == Direction::Read) {
            *checkStates[i] =
                static_cast<int>(SendDlgItemMessageA(Window(), kCheckBoxes[i], BM_GETCHECK, 0, 0));
        } else {
            *checkStates[i] = writableCheckState(*checkStates[i]);
            SendDlgItemMessageA(Window(), kCheckBoxes[i], BM_SETCHECK, static_cast<WPARAM>(*checkStates[i]),
                                0);
        }
    }
    const auto fail = [this](int id) {
        MessageBeep(0xFFFFFFFF);
        SetFocus(GetDlgItem(Window(), id));
        return false;
    };
    if (direction == Direction::Read) {
        BOOL translated = FALSE;
        held_.minutes = static_cast<int>(GetDlgItemInt(Window(), IDC_MINUTES, &translated, TRUE));
        if (!translated) {
            return fail(IDC_MINUTES);
        }
    } else if (!SetDlgItemInt(Window(), IDC_MINUTES, static_cast<UINT>(held_.minutes), TRUE)) {
        return fail(IDC_MINUTES);
    }

    if (!ExchangeText(IDC_FAX_DIR, held_.faxDir, direction)) {
        return fail(IDC_FAX_DIR);
    }
    if (!ExchangeText(IDC_SAVE_DIR, held_.saveDir, direction)) {
        return fail(IDC_SAVE_DIR);
    }
    if (!ExchangeLog(direction)) {
        return fail(IDC_LOG);
    }
    if (!ExchangeText(IDC_STATUS, held_.statusText, direction)) {
        return fail(IDC_STATUS);
    }
    if (direction == Direction::Write) {
        const std::pair<LinkLabel*, int> links[] = {{&productLink_, IDC_LINK_PRODUCT},
                                                    {&donationLink_, IDC_LINK_DONATE},
                                                    {&siteLink_, IDC_LINK_SITE}};
        for (const auto& [link, id] : links) {
            if (link->Window() == nullptr) {
                link->Attach(GetDlgItem(Window(), id));
            }
        }
    }
    return true;
}

void MainDialog::PickDirectory(std::string& held) {
    ExchangeData(Direction::Read);
    // Wide, like the folder texts: the choice keeps its name, or "?" for what the code page lacks.
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = GetActiveWindow();
    browse.pszDisplayName = displayName;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderW(&browse);
    if (item == nullptr) {
        return;
    }
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(item, path)) {
        bool exact = true;
        held = platform::narrow(path, exact);
        ExchangeData(Direction::Write);
    }
    CoTaskMemFree(item);
}

void MainDialog::ShowAndBringToFront() {
    if (!IsWindowVisible(Window())) {
        ShowWindow(Window(), SW_SHOW);
    }
    if (IsIconic(Window())) {
        ShowWindow(Window(), SW_RESTORE);
    } else {
        BringWindowToTop(Window());
    }
    SetForegroundWindow(Window());
}

void MainDialog::OpenHelp() {
    const std::string helpPath = helpPathFor(TheModule().ModulePath());
    helpLoader_.HtmlHelpA(nullptr, helpPath.c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
}

// MainDialog: the message table, the exchange of held values, starting merges, automatic
// merging, the notification-area icon and help.
#include "app/main_dialog.h"

#include <commctrl.h>
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

constexpr int kExitOk = 1;
constexpr int kExitCancel = 2;
constexpr UINT_PTR kAutoMergeTimer = 7;
constexpr UINT kTrayIconId = 201;
// Sent when the window moved to a monitor of another DPI, or the monitor's scale changed.
constexpr UINT kDpiChanged = 0x02E0;

constexpr int kCheckBoxes[] = {IDC_INCLUDE_SUBDIRS, IDC_KEEP_FILE_DATE, IDC_KEEP_HIERARCHY, IDC_AUTO_MERGE};
// Disabled while a run is active, in this order.
constexpr int kRunControls[] = {IDC_MERGE, IDC_FAX_DIR_BUTTON, IDC_SAVE_DIR_BUTTON, IDC_FAX_DIR, IDC_SAVE_DIR};

const COLORREF kDialogColor = RGB(236, 255, 245);
const COLORREF kEditColor = RGB(255, 255, 255);

}  // namespace

MainDialog::MainDialog() = default;

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
    for (HICON icon : {bigIcon_, smallIcon_}) {
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

void MainDialog::WaitForWorker() {
    if (worker_ == nullptr) {
        return;
    }
    // The worker may still be sending its reports; they are served here until it has ended.
    const HANDLE thread = worker_->Thread();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    worker_.reset();
}

INT_PTR MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_AUTOMERGE:
            if (lParam == 1) {
                SetTimer(Window(), kAutoMergeTimer, timerPeriodMs(static_cast<int>(wParam)), nullptr);
            } else {
                KillTimer(Window(), kAutoMergeTimer);
            }
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
    trayIcon_.Install(Window(), "Quirewell\nMerge WinFax files", smallIcon_, kTrayIconId);
    return TRUE;
}

void MainDialog::LoadIcons() {
    // Both icons at the sizes the system asks for at the window's DPI, so that it never scales
    // one of another size; the small one is also the notification area's.
    const HINSTANCE instance = TheModule().Instance();
    const HICON bigIcon = LoadIconForWindow(Window(), instance, IDI_QUIREWELL, SM_CXICON, SM_CYICON);
    const HICON smallIcon = LoadIconForWindow(Window(), instance, IDI_QUIREWELL, SM_CXSMICON, SM_CYSMICON);
    SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    trayIcon_.SetIcon(smallIcon);
    for (HICON old : {bigIcon_, smallIcon_}) {
        if (old != nullptr) {
            DestroyIcon(old);
        }
    }
    bigIcon_ = bigIcon;
    smallIcon_ = smallIcon;
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
        SendDlgItemMessageA(Window(), IDC_LOG, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(held_.logText.c_str()));
    }
    held_.logText.clear();
    return true;
}

bool MainDialog::ExchangeData(Direction direction) {
    int* const checkStates[] = {&held_.includeSubdirs, &held_.keepFileDate, &held_.keepHierarchy,
                                &held_.autoMerge};
    for (std::size_t i = 0; i < std::size(kCheckBoxes); ++i) {
        if (direction == Direction::Read) {
            *checkStates[i] = static_cast<int>(SendDlgItemMessageA(Window(), kCheckBoxes[i], BM_GETCHECK, 0, 0));
        } else {
            *checkStates[i] = writableCheckState(*checkStates[i]);
            SendDlgItemMessageA(Window(), kCheckBoxes[i], BM_SETCHECK, static_cast<WPARAM>(*checkStates[i]), 0);
        }
    }
    // "Keep Hiberarchy" stays enabled during a run and applies to the entries still to come.
    if (direction == Direction::Read && runActive_ == 1 && worker_ != nullptr) {
        worker_->SetKeepHierarchy(held_.keepHierarchy == 1);
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
        const std::pair<LinkLabel*, int> links[] = {
            {&productLink_, IDC_LINK_PRODUCT}, {&donationLink_, IDC_LINK_DONATE}, {&siteLink_, IDC_LINK_SITE}};
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

int MainDialog::PrepareRun() {
    // The worker scans the fax directory once it holds the save folder.
    preparedRun_ = std::make_unique<MergeOptions>();
    preparedRun_->setSourceDir(held_.faxDir);
    preparedRun_->setFileMask(held_.fileMask);
    preparedRun_->setIncludeSubdirs(held_.includeSubdirs == 1);
    return 0;
}

void MainDialog::MergeNow() {
    if (runActive_ == 1) {
        MessageBoxA(Window(), "Please wait while current merging stops", "Warning", MB_OK);
        return;
    }
    ExchangeData(Direction::Read);
    PrepareRun();
    if (held_.faxDir.empty()) {
        MessageBoxA(Window(), "Select Source Dir,\nwhere your fax files to be merged should be", "Warning", MB_OK);
        return;
    }
    if (held_.saveDir.empty()) {
        MessageBoxA(Window(), "Select Save Dir,\nwhere your merged fax files should be", "Warning", MB_OK);
        return;
    }
    StartMergeWorker();
}

void MainDialog::StartMergeWorker() {
    // The previous worker has delivered its last report, but may still be waiting for this
    // thread to take it; so its end is waited for with the messages served. Meanwhile its run
    // counts as active: a click served in the wait gets the usual refusal, a tick is skipped, and
    // a close only hides the window, which closes for good once the wait is over.
    if (worker_ != nullptr) {
        runActive_ = 1;
        WaitForWorker();
        runActive_ = 0;
        if (closingCode_ != 0) {
            CloseWithCode(closingCode_);
            return;
        }
    }
    // What the run takes from the held values goes into its record before the thread exists,
    // so that the worker never reads a held value.
    std::unique_ptr<MergeOptions> record = std::move(preparedRun_);
    record->setKeepFileDate(held_.keepFileDate == 1);
    record->setDestDir(held_.saveDir);
    worker_ = std::make_unique<MergeWorker>(Window(), std::move(record), held_.keepHierarchy == 1);
    if (!worker_->Start()) {
        worker_.reset();
        MessageBoxA(Window(), "Cannot start the merge", "Error", MB_OK);
        return;
    }
    runActive_ = 1;
}

void MainDialog::SetControlsEnabled(bool enabled) {
    for (const int id : kRunControls) {
        EnableWindow(GetDlgItem(Window(), id), enabled ? TRUE : FALSE);
    }
}

void MainDialog::BeginRun(bool saveDirFailed) {
    SetControlsEnabled(false);
    if (saveDirFailed) {
        MessageBoxA(Window(), "Error Save Dir", "Error", MB_OK);
    }
    SendMessageA(progressBar_, PBM_SETPOS, 0, 0);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void MainDialog::EndRun() {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SetControlsEnabled(true);
    runActive_ = 0;
    if (closingCode_ != 0) {
        CloseWithCode(closingCode_);
    }
}

void MainDialog::OnWorkerReport() {
    if (worker_ == nullptr) {
        return;
    }
    WorkerReport report = worker_->TakeReport();
    if (report.begins) {
        BeginRun(report.saveDirFailed);
    }
    if (report.scanned) {
        SendMessageA(progressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, progressMaximum(report.found)));
        SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
        SendMessageA(progressBar_, PBM_SETPOS, 0, 0);
    }
    if (report.steps > 0) {
        // One step per entry reported; drawn once, not once a step.
        SendMessageA(progressBar_, WM_SETREDRAW, FALSE, 0);
        for (unsigned i = 0; i < report.steps; ++i) {
            SendMessageA(progressBar_, PBM_STEPIT, 0, 0);
        }
        SendMessageA(progressBar_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(progressBar_, nullptr, TRUE);
    }
    if (!report.statusText.empty()) {
        held_.statusText = std::move(report.statusText);
    }
    if (report.logRestarts) {
        held_.logText = std::move(report.logText);
        held_.logReplaces = true;
    } else {
        held_.logText += report.logText;
    }
    // The closing text also closes the log box, directly after the run's log.
    if (report.ends) {
        held_.logText += held_.statusText;
    }
    ExchangeData(Direction::Write);
    if (report.ends) {
        EndRun();
    }
}

void MainDialog::StopAutoMerge() {
    SendMessageA(Window(), WM_AUTOMERGE, 0, 0);
    EnableWindow(GetDlgItem(Window(), IDC_MINUTES), TRUE);
}

void MainDialog::ApplyAutoMerge() {
    // The controls are read first, so that directories typed since the last read count; the
    // directories before the minutes, which may not read.
    const int state = static_cast<int>(SendDlgItemMessageA(Window(), IDC_AUTO_MERGE, BM_GETCHECK, 0, 0));
    ExchangeText(IDC_FAX_DIR, held_.faxDir, Direction::Read);
    ExchangeText(IDC_SAVE_DIR, held_.saveDir, Direction::Read);
    const bool minutesRead = ExchangeData(Direction::Read);
    const char* refusal = nullptr;
    if (held_.faxDir.empty()) {
        refusal = "Select Source Dir,\nwhere your fax files to be merged";
    } else if (held_.saveDir.empty()) {
        refusal = "Select Save Dir,\nwhere your merged fax files should be";
    } else if (state != 0 && (!minutesRead || !minutesAccepted(held_.minutes))) {
        refusal = "Merge every: enter a whole number of minutes from 1 to 35791";
    }
    if (refusal != nullptr) {
        MessageBoxA(Window(), refusal, "Warning", MB_OK);
        // Only the check box goes back; what was typed stays for the user to mend.
        held_.autoMerge = 0;
        StopAutoMerge();
        CheckDlgButton(Window(), IDC_AUTO_MERGE, BST_UNCHECKED);
        return;
    }
    EnableWindow(GetDlgItem(Window(), IDC_MINUTES), state == 0 ? TRUE : FALSE);
    SendMessageA(Window(), WM_AUTOMERGE, static_cast<WPARAM>(held_.minutes), state);
}

void MainDialog::OnTimer(UINT_PTR id) {
    if (id != kAutoMergeTimer) {
        return;
    }
    // A tick during a run is skipped without a word: nobody may be there to close a box, and a
    // night of ticks would stack them up. The next tick after the run merges.
    if (runActive_ == 1) {
        return;
    }
    ExchangeData(Direction::Read);
    PrepareRun();
    if (held_.faxDir.empty() || held_.saveDir.empty()) {
        return;
    }
    StartMergeWorker();
}

void MainDialog::OpenHelp() {
    const std::string helpPath = helpPathFor(TheModule().ModulePath());
    helpLoader_.HtmlHelpA(nullptr, helpPath.c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
}

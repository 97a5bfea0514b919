// The main window as a user drives it: defaults, merging with its texts and progress, the
// warnings, the folder picker, hiding in the notification area, closing codes, closing during a
// run, automatic merging and help.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>

#include "../unit/test_support.h"
#include "engine/page_chain.h"
#include "engine/temporary_records.h"
#include "gui_driver.h"
#include "link_test_support.h"
#include "platform/folder_lock.h"
#include "resources/resource.h"
#include "ui/window_dpi.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

constexpr const char* kSourceWarning = "Select Source Dir,\nwhere your fax files to be merged should be";
constexpr const char* kSaveWarning = "Select Save Dir,\nwhere your merged fax files should be";
constexpr const char* kHelpControlKey = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

void WriteTree(const ScratchDir& dir, const std::string& root, unsigned faxes, unsigned pages);

class MainWindow : public ::testing::Test {
protected:
    void Start(const std::string& arguments = "") {
        app_ = std::make_unique<AppProcess>(arguments);
        ASSERT_TRUE(app_->Started());
        dialog_ = app_->WaitForWindow("Quirewell");
        ASSERT_NE(nullptr, dialog_);
    }

    // Types both directories and presses "&Merge"; waits for the closing text of that run.
    std::string MergeFromWindow(const std::string& faxDir, const std::string& saveDir) {
        SetText(dialog_, IDC_FAX_DIR, faxDir);
        SetText(dialog_, IDC_SAVE_DIR, saveDir);
        Click(dialog_, IDC_MERGE);
        return WaitForDone(faxDir, saveDir);
    }

    // Waits until the run over these directories has shown its closing text.
    std::string WaitForDone(const std::string& faxDir, const std::string& saveDir, DWORD timeoutMs = 120000) {
        const std::string header = "Source Dir: " + faxDir + "\r\nDestination Dir: " + saveDir + "\r\n";
        std::string status;
        WaitUntil(
            [&] {
                status = ControlText(dialog_, IDC_STATUS);
                return status.rfind("Done.", 0) == 0 && IsWindowEnabled(GetDlgItem(dialog_, IDC_MERGE)) &&
                       ControlText(dialog_, IDC_LOG).rfind(header, 0) == 0;
            },
            timeoutMs);
        return status;
    }

    // Starts the window on a tree of 1,500 faxes (in/ to out/ below `dir`) and returns once the
    // run is under way, with the controls disabled.
    void StartLongRun(const ScratchDir& dir) {
        WriteTree(dir, "in", 1500, 3);
        Start();
        ASSERT_NE(nullptr, dialog_);
        SetText(dialog_, IDC_FAX_DIR, dir.path("in"));
        SetText(dialog_, IDC_SAVE_DIR, dir.path("out"));
        Click(dialog_, IDC_MERGE);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog_, IDC_MERGE)); }));
    }

    std::unique_ptr<AppProcess> app_;
    HWND dialog_ = nullptr;
};

// Every file below `a` has the same bytes below `b`, and the other way round.
void ExpectSameTree(const std::string& a, const std::string& b) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(a)) {
        if (entry.is_regular_file()) {
            const auto relative = std::filesystem::relative(entry.path(), a);
            EXPECT_EQ(readFile(entry.path().string()),
                      readFile((std::filesystem::path(b) / relative).string()))
                << relative.string();
            ++files;
        }
    }
    std::size_t others = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(b)) {
        others += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, others);
    EXPECT_GT(files, 0u);
}

// Selects a folder (a path in the picker's own process) in a folder picker. Wine's picker now
// and then loses a selection asked for while it is still opening the branches that lead to it;
// asked again once they are open, the selection always holds.
void SelectInPicker(HWND picker, void* remotePath) {
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remotePath));
    Sleep(300);
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remotePath));
}

std::size_t PagesIn(const std::string& path) {
    const auto bytes = readFile(path);
    const ChainReport report = walkChain(bytes.data(), bytes.size());
    return report.wellFormed ? report.pages.size() : 0;
}

void WriteTree(const ScratchDir& dir, const std::string& root, unsigned faxes, unsigned pages) {
    TreeSpec tree;
    tree.faxes = faxes;
    tree.minPages = pages;
    tree.maxPages = pages;
    tree.minSize = 300;
    tree.maxSize = 900;
    std::string error;
    ASSERT_GT(writeTree(dir.path(root), tree, faxes, error), 0) << error;
}

TEST_F(MainWindow, StartsWithItsDefaultsAndTheIconInstalled) {
    Start();
    EXPECT_EQ("60", ControlText(dialog_, IDC_MINUTES));
    for (const int id : {IDC_FAX_DIR, IDC_SAVE_DIR, IDC_LOG, IDC_STATUS}) {
        EXPECT_EQ("", ControlText(dialog_, id)) << id;
    }
    for (const int id : {IDC_INCLUDE_SUBDIRS, IDC_KEEP_FILE_DATE, IDC_KEEP_HIERARCHY, IDC_AUTO_MERGE}) {
        EXPECT_EQ(BST_UNCHECKED, CheckState(dialog_, id)) << id;
    }
    for (const int id :
         {IDC_MERGE, IDC_FAX_DIR_BUTTON, IDC_SAVE_DIR_BUTTON, IDC_FAX_DIR, IDC_SAVE_DIR, IDC_MINUTES}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, id))) << id;
    }
    EXPECT_TRUE(WaitUntil([] { return TrayShowsAnIcon(); }, 5000));

    // Centred on the work area, since the window has no owner.
    RECT window{};
    RECT work{};
    GetWindowRect(dialog_, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    EXPECT_EQ((work.left + work.right) / 2 - width / 2, window.left);
    EXPECT_EQ((work.top + work.bottom) / 2 - height / 2, window.top);

    // The three texts that are web links take mouse clicks.
    for (const int id : {IDC_LINK_PRODUCT, IDC_LINK_DONATE, IDC_LINK_SITE}) {
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog_, id), GWL_STYLE) & SS_NOTIFY) << id;
    }
    // The focus belongs to the program's own thread; this process can only ask that thread for it.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &thread));
    EXPECT_EQ(GetDlgItem(dialog_, IDC_FAX_DIR), thread.hwndFocus);
}

// Run at 96, 120, 144 and 192 DPI by tests/gui/dpi_runs.sh, and at the prefix's DPI with the others.
TEST_F(MainWindow, ControlsFitTheWindowAtTheCurrentDpi) {
    if (DpiOfThisRun() != 0) {
        ASSERT_EQ(DpiOfThisRun(), ScreenDpi()) << "the prefix did not take the DPI of this run";
    }
    Start();
    const DialogCopy copy(IDD_MAIN);
    ASSERT_NE(nullptr, copy.Font());
    EXPECT_EQ(std::vector<std::string>{}, LayoutProblems(dialog_, copy.Font()));
}

TEST_F(MainWindow, MergeShowsProgressStatusAndLogAndWritesTheConsolesBytes) {
    ScratchDir dir;
    dir.write("in/ABC002.FXR", pageFile(2));
    dir.write("in/ABC001.FXR", pageFile(1));
    dir.write("in/XY001.FXS", pageFile(3));
    dir.write("in/BAD001.FXR", pageFile(4, FaxKind::NoSignature));
    const auto sources = readFile(dir.path("in/ABC001.FXR"));
    Start();
    const std::string in = dir.path("in");
    const std::string out = dir.path("out");
    EXPECT_EQ("Done. Total 3 fax files merged, 1 failed.", MergeFromWindow(in, out));
    const std::string expectedLog =
        "Source Dir: " + in + "\r\nDestination Dir: " + out + "\r\n\r\n" + in + "\\ABC001.FXR -> " + out +
        "\\ABCfax.fxm\r\n" + in + "\\ABC002.FXR -> " + out + "\\ABCfax.fxm\r\n" + in + "\\BAD001.FXR -> " +
        out + "\\BADfax.fxm (failed: not a WinFax page file)\r\n" + in + "\\XY001.FXS -> " + out +
        "\\XYfax.fxm\r\n" + "Done. Total 3 fax files merged, 1 failed.";
    EXPECT_EQ(expectedLog, ControlText(dialog_, IDC_LOG));
    const HWND progress = GetDlgItem(dialog_, IDC_PROGRESS);
    EXPECT_EQ(4, SendMessageA(progress, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(4, SendMessageA(progress, PBM_GETPOS, 0, 0));
    EXPECT_EQ(2u, PagesIn(out + "\\ABCfax.fxm"));
    EXPECT_EQ(sources, readFile(dir.path("in/ABC001.FXR")));

    EXPECT_EQ(4, RunConsole("/q " + Quoted(in) + " " + Quoted(dir.path("console"))));
    ExpectSameTree(out, dir.path("console"));
}

TEST_F(MainWindow, MissingDirectoriesAreRefusedWithWarnings) {
    ScratchDir dir;
    Start();
    PressButton(dialog_, IDC_MERGE);
    EXPECT_EQ(kSourceWarning, AnswerMessageBox(*app_, "Warning"));
    SetText(dialog_, IDC_FAX_DIR, dir.path());
    PressButton(dialog_, IDC_MERGE);
    EXPECT_EQ(kSaveWarning, AnswerMessageBox(*app_, "Warning"));
    SetText(dialog_, IDC_FAX_DIR, "");
    Click(dialog_, IDC_AUTO_MERGE);
    EXPECT_EQ("Select Source Dir,\nwhere your fax files to be merged", AnswerMessageBox(*app_, "Warning"));
    EXPECT_TRUE(WaitUntil([&] { return CheckState(dialog_, IDC_AUTO_MERGE) == BST_UNCHECKED; }));
    EXPECT_EQ("", ControlText(dialog_, IDC_STATUS));
}

TEST_F(MainWindow, ARunRefusesASecondMergeAndSkipsATickWithoutABox) {
    ScratchDir dir;
    StartLongRun(dir);
    if (HasFatalFailure()) {
        return;
    }
    for (const int id : {IDC_FAX_DIR_BUTTON, IDC_SAVE_DIR_BUTTON, IDC_FAX_DIR, IDC_SAVE_DIR}) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, id))) << id;
    }
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_KEEP_HIERARCHY)));
    PressButton(dialog_, IDC_MERGE);
    EXPECT_EQ("Please wait while current merging stops", AnswerMessageBox(*app_, "Warning"));
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_EQ("", AnswerMessageBox(*app_, "Warning", 1000));
    EXPECT_EQ("Done. Total 4500 fax files merged.", WaitForDone(dir.path("in"), dir.path("out")));
    // The log box holds the whole log, far beyond an edit control's usual 32K.
    const std::string log = ControlText(dialog_, IDC_LOG);
    EXPECT_GT(log.size(), 100000u);
    EXPECT_EQ(4500, std::count(log.begin(), log.end(), '\n') - 3);
    EXPECT_EQ("\r\nDone. Total 4500 fax files merged.", log.substr(log.size() - 36));
}

TEST_F(MainWindow, SubDirectoriesWithAndWithoutTheirHierarchy) {
    const struct {
        bool keepHierarchy;
        std::vector<std::pair<const char*, std::size_t>> outputs;
    } cases[] = {{true, {{"out/s1/Kfax.fxm", 1}, {"out/s2/Kfax.fxm", 2}}}, {false, {{"out/Kfax.fxm", 3}}}};
    Start();
    Click(dialog_, IDC_INCLUDE_SUBDIRS);
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.write("in/s1/K001.FXR", pageFile(1));
        dir.write("in/s2/K001.FXR", pageFile(2));
        dir.write("in/s2/K002.FXR", pageFile(3));
        if ((CheckState(dialog_, IDC_KEEP_HIERARCHY) == BST_CHECKED) != c.keepHierarchy) {
            Click(dialog_, IDC_KEEP_HIERARCHY);
        }
        ASSERT_TRUE(WaitUntil(
            [&] { return (CheckState(dialog_, IDC_KEEP_HIERARCHY) == BST_CHECKED) == c.keepHierarchy; }));
        EXPECT_EQ("Done. Total 3 fax files merged.", MergeFromWindow(dir.path("in"), dir.path("out")));
        for (const auto& [path, pages] : c.outputs) {
            EXPECT_EQ(pages, PagesIn(dir.path(path))) << path;
        }
    }
}

TEST_F(MainWindow, KeepFileDateGivesEachOutputItsLastPagesTimes) {
    ScratchDir dir;
    dir.write("in/D001.FXR", pageFile(1));
    const std::string last = dir.write("in/D002.FXR", pageFile(2));
    platform::FileTimes times;
    ASSERT_TRUE(platform::readFileTimes(last, times));
    times.creation -= 1000000000000LL;
    times.lastWrite -= 3000000000000LL;
    ASSERT_TRUE(platform::writeFileTimes(last, times));
    Start();
    Click(dialog_, IDC_KEEP_FILE_DATE);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(dialog_, IDC_KEEP_FILE_DATE) == BST_CHECKED; }));
    EXPECT_EQ("Done. Total 2 fax files merged.", MergeFromWindow(dir.path("in"), dir.path("out")));
    platform::FileTimes source;
    platform::FileTimes output;
    ASSERT_TRUE(platform::readFileTimes(last, source));
    ASSERT_TRUE(platform::readFileTimes(dir.path("out/Dfax.fxm"), output));
    EXPECT_EQ(source.lastWrite, output.lastWrite);
    EXPECT_EQ(source.creation, output.creation);
}

TEST_F(MainWindow, FolderPickerSetsTheDirectoryAndKeepsWhatWasTyped) {
    ScratchDir dir;
    dir.makeDir("picked");
    Start();
    SetText(dialog_, IDC_SAVE_DIR, "typed but not read yet");
    SetText(dialog_, IDC_MINUTES, "15");
    Click(dialog_, IDC_FAX_DIR_BUTTON);
    // The shell's first folder picker of a fresh prefix takes its time.
    const HWND picker = app_->WaitForWindow("Browse for Folder", 60000);
    ASSERT_NE(nullptr, picker);
    void* remote = app_->RemoteString(dir.path("picked"));
    ASSERT_NE(nullptr, remote);
    SelectInPicker(picker, remote);
    PressButton(picker, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog_, IDC_FAX_DIR) == dir.path("picked"); }))
        << ControlText(dialog_, IDC_FAX_DIR);
    EXPECT_EQ("typed but not read yet", ControlText(dialog_, IDC_SAVE_DIR));
    EXPECT_EQ("15", ControlText(dialog_, IDC_MINUTES));

    Click(dialog_, IDC_SAVE_DIR_BUTTON);
    const HWND second = app_->WaitForWindow("Browse for Folder");
    ASSERT_NE(nullptr, second);
    PressButton(second, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(second); }));
    EXPECT_EQ("typed but not read yet", ControlText(dialog_, IDC_SAVE_DIR));

    dir.makeDir("saved");
    Click(dialog_, IDC_SAVE_DIR_BUTTON);
    const HWND third = app_->WaitForWindow("Browse for Folder");
    ASSERT_NE(nullptr, third);
    SelectInPicker(third, app_->RemoteString(dir.path("saved")));
    PressButton(third, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog_, IDC_SAVE_DIR) == dir.path("saved"); }));
    EXPECT_EQ(dir.path("picked"), ControlText(dialog_, IDC_FAX_DIR));
}

TEST_F(MainWindow, MinimiseHidesAndTheIconBringsItBack) {
    Start();
    const UINT trayMessage = RegisterWindowMessageA("WM_TRAYICON");
    SendMessageA(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_FALSE(IsIconic(dialog_));
    SendMessageA(dialog_, trayMessage, 201, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    SendMessageA(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SendMessageA(dialog_, trayMessage, 200, WM_LBUTTONDBLCLK);  // not our icon
    SendMessageA(dialog_, trayMessage, 201, WM_LBUTTONUP);      // a single click does nothing
    EXPECT_FALSE(IsWindowVisible(dialog_));
    PressButton(dialog_, ID_TRAY_OPEN);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog_) != FALSE; }));

    // A new taskbar (Explorer restarted) has lost the icon, and gets it again.
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = dialog_;
    icon.uID = 201;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));
    ASSERT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); }, 5000));
    SendMessageA(dialog_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([] { return TrayShowsAnIcon(); }, 5000));

    // A right click opens the icon's menu; Escape closes it again.
    PostMessageA(dialog_, trayMessage, 201, WM_RBUTTONUP);
    HWND menu = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return (menu = app_->FindWindowOfClass("#32768")) != nullptr && IsWindowVisible(menu); }));
    if (menu != nullptr) {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    PressButton(dialog_, ID_APP_EXIT);
    EXPECT_EQ(1, app_->WaitForExit());
    EXPECT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); }, 5000)) << "the icon outlived the program";
}

TEST_F(MainWindow, KeysAndCommandsCloseWithTheirCodes) {
    const struct {
        const char* name;
        UINT key;
        int exitCode;
    } cases[] = {{"Enter in an edit", VK_RETURN, 1}, {"Escape", VK_ESCAPE, 2}};
    for (const auto& c : cases) {
        Start();
        const HWND edit = GetDlgItem(dialog_, IDC_FAX_DIR);
        PostMessageA(edit, WM_KEYDOWN, c.key, 0);
        PostMessageA(edit, WM_KEYUP, c.key, 0);
        EXPECT_EQ(c.exitCode, app_->WaitForExit()) << c.name;
    }
    Start();
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(2, app_->WaitForExit());
}

TEST_F(MainWindow, ClosingDuringARunKeepsTheIconUntilTheRunHasEnded) {
    ScratchDir dir;
    StartLongRun(dir);
    if (HasFatalFailure()) {
        return;
    }
    PressButton(dialog_, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog_); }, 3000)) << "the window stayed";
    // The run goes on out of sight; the icon stays as long as it does, and a tick starts nothing.
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    // The icon goes when the run has ended, and the window and the program straight after it; an
    // icon missing while they stay went before the run ended.
    const auto ended = [&] {
        return !IsWindow(dialog_) || WaitForSingleObject(app_->Process(), 0) == WAIT_OBJECT_0;
    };
    int seen = 0;
    while (!ended()) {
        if (!TrayShowsAnIcon()) {
            EXPECT_TRUE(WaitUntil(ended, 2000)) << "the icon went before the run ended";
            break;
        }
        ++seen;
        Sleep(100);
    }
    EXPECT_GT(seen, 0) << "the run ended before it could be watched";
    EXPECT_EQ(2, app_->WaitForExit(120000));
    EXPECT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); }, 5000)) << "the icon outlived the program";
    EXPECT_EQ(0, RunConsole("/q " + Quoted(dir.path("in")) + " " + Quoted(dir.path("console"))));
    ExpectSameTree(dir.path("out"), dir.path("console"));
}

TEST_F(MainWindow, TheEndOfTheSessionIsAnsweredOnlyOnceTheRunHasEnded) {
    ScratchDir dir;
    StartLongRun(dir);
    if (HasFatalFailure()) {
        return;
    }
    // What the Restart Manager sends to close a program whose files an installer must replace.
    DWORD_PTR answer = 0;
    ASSERT_NE(0, SendMessageTimeoutA(dialog_, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000,
                                     &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer));
    SendMessageTimeoutA(dialog_, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 120000, &answer);
    // The system may end the process as soon as it has its answer: nothing of the run may be left.
    TerminateProcess(app_->Process(), 99);
    EXPECT_EQ(0, RunConsole("/q " + Quoted(dir.path("in")) + " " + Quoted(dir.path("console"))));
    ExpectSameTree(dir.path("out"), dir.path("console"));
}

TEST_F(MainWindow, TicksDuringARunAreSkippedWithoutAWindowAndTheRunStaysExact) {
    ScratchDir dir;
    WriteTree(dir, "in", 2000, 3);
    Start();
    const std::string in = dir.path("in");
    const std::string out = dir.path("out");
    SetText(dialog_, IDC_FAX_DIR, in);
    SetText(dialog_, IDC_SAVE_DIR, out);
    // The ticks are the test's own: the timer's first would come in the middle of the test on a
    // busy machine and start a run of its own while the log is compared.
    SetText(dialog_, IDC_MINUTES, "60");
    Click(dialog_, IDC_AUTO_MERGE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog_, IDC_MINUTES)); }));
    Click(dialog_, IDC_MERGE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog_, IDC_MERGE)); }));
    int ticks = 0;
    while (!IsWindowEnabled(GetDlgItem(dialog_, IDC_MERGE))) {
        PostMessageA(dialog_, WM_TIMER, 7, 0);
        ++ticks;
        Sleep(200);
        EXPECT_EQ(std::vector<std::string>{"Quirewell"}, app_->WindowTitles()) << "after tick " << ticks;
    }
    EXPECT_GT(ticks, 1);
    // A tick just as a run has ended starts the next, while the worker of the last may still be
    // handing over its log; a click after it is refused, and the window answers all the while.
    for (int run = 0; run < 3; ++run) {
        PostMessageA(dialog_, WM_TIMER, 7, 0);
        Click(dialog_, IDC_MERGE);
        Sleep(100);
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(dialog_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) << run;
        EXPECT_EQ("Please wait while current merging stops", AnswerMessageBox(*app_, "Warning")) << run;
        EXPECT_EQ("Done. Total 6000 fax files merged.", WaitForDone(in, out)) << run;
    }
    const std::string status = WaitForDone(in, out);
    EXPECT_EQ("Done. Total 6000 fax files merged.", status);
    // The log box holds the run's log exactly as the console writes it, and the outputs are its.
    ASSERT_EQ(0, RunConsole(Quoted(in) + " " + Quoted(dir.path("console")), dir.path("log.txt")));
    const auto bytes = readFile(dir.path("log.txt"));
    std::string consoleLog(bytes.begin(), bytes.end());
    consoleLog = consoleLog.substr(std::string("Please Wait...\r\n").size());
    consoleLog = consoleLog.substr(0, consoleLog.find("\r\n---------"));
    const std::string consoleHeader =
        "Source Dir: " + in + "\r\nDestination Dir: " + dir.path("console") + "\r\n";
    std::string expected = consoleLog.substr(consoleHeader.size());
    for (std::size_t at = 0; (at = expected.find(dir.path("console"), at)) != std::string::npos;
         at += out.size()) {
        expected.replace(at, dir.path("console").size(), out);
    }
    EXPECT_TRUE(ControlText(dialog_, IDC_LOG) ==
                "Source Dir: " + in + "\r\nDestination Dir: " + out + "\r\n" + expected + status);
    ExpectSameTree(out, dir.path("console"));
    PressButton(dialog_, ID_APP_EXIT);
    EXPECT_EQ(1, app_->WaitForExit());
}

// Waits until the icon's tip tells `note` after the time of day, as far as the tray's tooltip
// gives it.
bool WaitForNote(const std::string& note) {
    return WaitUntil([&] {
        const std::string tip = TrayTip();
        return tip.rfind("Quirewell\n", 0) == 0 && tip.find(':') == 12 && tip.size() > 40 &&
               (" " + note).rfind(tip.substr(15), 0) == 0;
    });
}

// Waits until the icon's tip tells the time of day the last merge ended ("14:00") and its outcome.
bool WaitForTip(const std::string& outcome) {
    return WaitUntil([&] {
        const std::string tip = TrayTip();
        return tip.rfind("Quirewell\nLast merge ", 0) == 0 && tip.find(':') == 23 &&
               tip.substr(26) == ": " + outcome;
    });
}

// Whether a save folder has a list of temporaries: it has once a run holds it and has begun.
bool HasAList(const std::string& folder) {
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(folder, none)) {
        if (isListFileName(entry.path().filename().string())) {
            return true;
        }
    }
    return false;
}

TEST_F(MainWindow, AWindowRunWaitsForAConsoleRunOnTheSameSaveFolderAndTheIconSaysSo) {
    ScratchDir dir;
    WriteTree(dir, "in", 1500, 3);
    const std::string in = dir.path("in");
    Start();
    SetText(dialog_, IDC_FAX_DIR, in);
    ASSERT_EQ(0, RunConsole("/q " + Quoted(in) + " " + Quoted(dir.path("single"))));
    // Started by the button, and by a tick, which waits no longer than its period (a minute).
    for (const bool tick : {false, true}) {
        const std::string out = dir.path(tick ? "out-tick" : "out-button");
        // The console run holds the save folder once it has listed its first temporary; the
        // window's run waits, says so in the status line and the icon's tip, and goes on after.
        HANDLE console = StartConsole("/q " + Quoted(in) + " " + Quoted(out), dir.path("console.txt"));
        ASSERT_NE(nullptr, console);
        ASSERT_TRUE(WaitUntil([&] { return HasAList(out); }, 20000));
        SetText(dialog_, IDC_SAVE_DIR, out);
        if (tick) {
            SetText(dialog_, IDC_MINUTES, "1");
            Click(dialog_, IDC_AUTO_MERGE);
            PostMessageA(dialog_, WM_TIMER, 7, 0);
        } else {
            Click(dialog_, IDC_MERGE);
        }
        const std::string waiting = "Waiting for another Quirewell run to finish with " + out;
        EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog_, IDC_STATUS) == waiting; }, 20000)) << tick;
        EXPECT_TRUE(WaitForNote(waiting)) << TrayTip();
        EXPECT_EQ(0, WaitForConsole(console));
        EXPECT_EQ("Done. Total 4500 fax files merged.", WaitForDone(in, out)) << tick;
        ExpectSameTree(out, dir.path("single"));
    }
}

TEST_F(MainWindow, AnAutomaticMergeGivesUpAfterItsPeriodAndSaysSo) {
    ScratchDir dir;
    dir.write("in/T001.FXR", pageFile(1));
    dir.makeDir("out");
    const std::string out = dir.path("out");
    // Another program holds the save folder for longer than the period of a minute.
    platform::OpenFolder saveFolder;
    ASSERT_TRUE(saveFolder.openNamed(out));
    platform::FolderLock other;
    other.hold(
        saveFolder, [] {}, platform::kWaitForever);
    ASSERT_TRUE(other.held());
    Start();
    SetText(dialog_, IDC_FAX_DIR, dir.path("in"));
    SetText(dialog_, IDC_SAVE_DIR, out);
    SetText(dialog_, IDC_MINUTES, "1");
    Click(dialog_, IDC_AUTO_MERGE);
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    const std::string gaveUp = "Gave up waiting for " + out + " after 1 minute: another run still holds it";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog_, IDC_STATUS) == gaveUp; }, 100000))
        << ControlText(dialog_, IDC_STATUS);
    EXPECT_TRUE(WaitForNote(gaveUp)) << TrayTip();
    EXPECT_FALSE(test_support::exists(dir.path("out/Tfax.fxm")));
    // Let go, the next tick merges.
    other.release();
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_TRUE(WaitUntil([&] { return test_support::exists(dir.path("out/Tfax.fxm")); }, 75000));
    EXPECT_EQ("Done. Total 1 fax files merged.", WaitForDone(dir.path("in"), out));
}

TEST_F(MainWindow, AutomaticMergingChecksItsMinutesAndMergesOnEachTick) {
    ScratchDir dir;
    dir.write("in/T001.FXR", pageFile(1));
    dir.write("in/T002.FXR", pageFile(2));
    Start();
    SetText(dialog_, IDC_FAX_DIR, dir.path("in"));
    SetText(dialog_, IDC_SAVE_DIR, dir.path("out"));
    // Refused minutes keep what was typed, the directories too; a text that is no number at
    // all is refused for the minutes, once the directories typed before it have been read.
    for (const char* minutes : {"abc", "0", "35792", "-1"}) {
        SetText(dialog_, IDC_MINUTES, minutes);
        Click(dialog_, IDC_AUTO_MERGE);
        EXPECT_EQ("Merge every: enter a whole number of minutes from 1 to 35791",
                  AnswerMessageBox(*app_, "Warning"))
            << minutes;
        EXPECT_TRUE(WaitUntil([&] { return CheckState(dialog_, IDC_AUTO_MERGE) == BST_UNCHECKED; }));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_MINUTES)));
        EXPECT_EQ(minutes, ControlText(dialog_, IDC_MINUTES));
        EXPECT_EQ(dir.path("in"), ControlText(dialog_, IDC_FAX_DIR));
    }
    SetText(dialog_, IDC_MINUTES, "1");
    Click(dialog_, IDC_AUTO_MERGE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog_, IDC_MINUTES)); }));
    EXPECT_EQ(BST_CHECKED, CheckState(dialog_, IDC_AUTO_MERGE));

    // A tick merges like the button.
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_EQ("Done. Total 2 fax files merged.", WaitForDone(dir.path("in"), dir.path("out")));
    EXPECT_EQ(2u, PagesIn(dir.path("out/Tfax.fxm")));

    // And the real timer fires after its minute.
    std::filesystem::remove(dir.path("out/Tfax.fxm"));
    EXPECT_TRUE(WaitUntil([&] { return test_support::exists(dir.path("out/Tfax.fxm")); }, 75000));
    EXPECT_EQ("Done. Total 2 fax files merged.", WaitForDone(dir.path("in"), dir.path("out")));

    Click(dialog_, IDC_AUTO_MERGE);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog_, IDC_MINUTES)) != FALSE; }));
}

TEST_F(MainWindow, ThePresetMergesOutOfSightAndTheIconTellsHowTheLastMergeWent) {
    ScratchDir dir;
    for (const char* name : {"in/P001.FXR", "in/P002.FXR", "in/a/P001.FXR", "in/a/b/Q001.FXR"}) {
        dir.write(name, pageFile(2));
    }
    const std::string in = dir.path("in");
    const std::string out = dir.path("out");
    // Minutes the timer cannot take start the window as without arguments.
    Start("/auto:0 /s " + Quoted(in) + " " + Quoted(out));
    EXPECT_EQ("", ControlText(dialog_, IDC_FAX_DIR));
    EXPECT_EQ(BST_UNCHECKED, CheckState(dialog_, IDC_AUTO_MERGE));
    const std::string preset =
        "/auto:1 /s /h /log+:" + Quoted(dir.path("ticks log.txt")) + " " + Quoted(in) + " " + Quoted(out);
    app_ = std::make_unique<AppProcess>(preset);
    ASSERT_TRUE(WaitUntil([&] { return (dialog_ = app_->FindWindowOfClass("#32770")) != nullptr; }, 5000));
    // It merges at once, with nothing on screen but the icon.
    EXPECT_EQ("Done. Total 4 fax files merged.", WaitForDone(in, out, 10000));
    EXPECT_EQ(std::vector<std::string>{}, app_->WindowTitles());
    EXPECT_TRUE(TrayShowsAnIcon());
    EXPECT_TRUE(WaitForTip("4 fax files")) << TrayTip();
    const std::vector<COLORREF> wentWell = TrayIconPixels();
    ASSERT_EQ(0, RunConsole("/q /s /h " + Quoted(in) + " " + Quoted(dir.path("console"))));
    ExpectSameTree(out, dir.path("console"));

    // Opened from the icon, the window holds the preset as if typed and ticked by hand.
    SendMessageA(dialog_, RegisterWindowMessageA("WM_TRAYICON"), 201, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(in, ControlText(dialog_, IDC_FAX_DIR));
    EXPECT_EQ(out, ControlText(dialog_, IDC_SAVE_DIR));
    EXPECT_EQ("1", ControlText(dialog_, IDC_MINUTES));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, IDC_MINUTES)));
    for (const int id : {IDC_INCLUDE_SUBDIRS, IDC_KEEP_HIERARCHY, IDC_AUTO_MERGE}) {
        EXPECT_EQ(BST_CHECKED, CheckState(dialog_, id)) << id;
    }
    EXPECT_EQ(BST_UNCHECKED, CheckState(dialog_, IDC_KEEP_FILE_DATE));
    // A tick merges what came since; a refused page file makes the icon warn, without a balloon here.
    dir.write("in/a/b/Q002.FXR", pageFile(3));
    dir.write("in/BAD001.FXR", pageFile(4, FaxKind::NoSignature));
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_TRUE(WaitForTip("5 fax files, 1 failed")) << TrayTip();
    EXPECT_EQ(2u, PagesIn(out + "\\a\\b\\Qfax.fxm"));
    EXPECT_TRUE(WaitUntil([&] { return TrayIconPixels() != wentWell; }, 2000));
    EXPECT_FALSE(WaitUntil([] { return !TrayBalloon().empty(); }, 3000));
    // Hidden: a merge that goes well takes the warning away; one that does not brings it and a balloon.
    SendMessageA(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    std::filesystem::remove(dir.path("in/BAD001.FXR"));
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_TRUE(WaitForTip("5 fax files")) << TrayTip();
    EXPECT_TRUE(WaitUntil([&] { return TrayIconPixels() == wentWell; }, 2000));
    dir.write("in/BAD001.FXR", pageFile(4, FaxKind::NoSignature));
    PostMessageA(dialog_, WM_TIMER, 7, 0);
    EXPECT_TRUE(WaitForTip("5 fax files, 1 failed")) << TrayTip();
    const std::string balloon = "The last merge could not merge 1 page file; the log tells why.";
    EXPECT_TRUE(WaitUntil([&] { return TrayBalloon() == balloon; }, 5000)) << TrayBalloon();
    // Each merge added its log, closed as the window's is, to the preset's log file, between its
    // command line and the exit code a command-line run would have given.
    const auto bytes = readFile(dir.path("ticks log.txt"));
    const std::string log(bytes.begin(), bytes.end());
    std::string exitCodes;
    for (std::size_t at = 0; (at = log.find("\r\n==== Exit code ", at)) != std::string::npos; ++at) {
        exitCodes += log.substr(at + 17, 1);
    }
    EXPECT_EQ("0404", exitCodes) << log;
    const auto count = [&](const std::string& text) {
        std::size_t found = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(4u, count(" Quirewell " + preset + "\r\nSource Dir: " + in + "\r\n"));
    EXPECT_EQ(2u, count("\r\nDone. Total 5 fax files merged, 1 failed.\r\n==== Exit code 4\r\n"));
}

TEST_F(MainWindow, AboutOpensTheAboutBoxOverTheWindow) {
    Start();
    PressButton(dialog_, ID_APP_ABOUT);
    const HWND about = app_->WaitForWindow("About Quirewell");
    ASSERT_NE(nullptr, about);
    RECT box{};
    RECT owner{};
    GetWindowRect(about, &box);
    GetWindowRect(dialog_, &owner);
    EXPECT_EQ((owner.left + owner.right) / 2 - (box.right - box.left) / 2, box.left);
    EXPECT_EQ(dialog_, GetWindow(about, GW_OWNER));
    PressButton(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowEnabled(dialog_));
}

TEST_F(MainWindow, HelpOpensTheHelpFileBesideTheProgram) {
    ASSERT_TRUE(test_support::exists(ProgramDirectory() + "\\Quirewell.chm"));
    Start();
    Click(dialog_, IDC_HELP_BUTTON);
    EXPECT_NE(nullptr, app_->WaitForWindow("Quirewell Help"));
    EXPECT_NE(nullptr, app_->FindWindowOfClass("HH Parent"));
    // Registered where there is no control, the one in the system folder stands in.
    RegistrySandbox registry;
    registry.SetString(HKEY_CLASSES_ROOT, kHelpControlKey, "", "C:\\nowhere\\hhctrl.ocx");
    Start();
    Click(dialog_, IDC_HELP_BUTTON);
    EXPECT_NE(nullptr, app_->WaitForWindow("Quirewell Help"));
}

TEST_F(MainWindow, HelpNeverLoadsAControlPlantedBesideTheProgramOrInTheCurrentFolder) {
    ScratchDir dir;
    const std::string planted = ProgramDirectory() + "\\planted_library.dll";
    // The planted library does say when it is loaded.
    dir.makeDir("check");
    ASSERT_TRUE(CopyFileA(planted.c_str(), dir.path("check/planted.dll").c_str(), FALSE));
    HMODULE loaded = LoadLibraryA(dir.path("check/planted.dll").c_str());
    ASSERT_NE(nullptr, loaded);
    FreeLibrary(loaded);
    ASSERT_TRUE(test_support::exists(dir.path("check/planted-library-loaded.txt")));

    // The program in a folder of its own, as a portable zip unpacked into Downloads, with the
    // library beside it and in the folder it is started from, and the help control's
    // registration gone.
    dir.makeDir("app");
    dir.makeDir("cwd");
    for (const char* file : {"Quirewell.exe", "Quirewell.chm"}) {
        ASSERT_TRUE(CopyFileA((ProgramDirectory() + "\\" + file).c_str(),
                              dir.path(std::string("app/") + file).c_str(), FALSE));
    }
    for (const char* where : {"app/hhctrl.ocx", "cwd/hhctrl.ocx"}) {
        ASSERT_TRUE(CopyFileA(planted.c_str(), dir.path(where).c_str(), FALSE));
    }
    RegistrySandbox registry;
    registry.Remove(HKEY_CLASSES_ROOT, kHelpControlKey, "");
    // Wine would take its own control for any file of that name; a Windows loader takes the file.
    registry.SetString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Quirewell.exe\\DllOverrides",
                       "hhctrl.ocx", "native,builtin");
    app_ = std::make_unique<AppProcess>("", dir.path("app/Quirewell.exe"), dir.path("cwd"));
    dialog_ = app_->WaitForWindow("Quirewell");
    ASSERT_NE(nullptr, dialog_);
    Click(dialog_, IDC_HELP_BUTTON);
    EXPECT_NE(nullptr, app_->WaitForWindow("Quirewell Help"));
    EXPECT_FALSE(test_support::exists(dir.path("app/planted-library-loaded.txt")));
    EXPECT_FALSE(test_support::exists(dir.path("cwd/planted-library-loaded.txt")));
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(2, app_->WaitForExit());
}

// Run at 96, 120, 144 and 192 DPI by tests/gui/dpi_runs.sh, and at the prefix's DPI with the others.
TEST(ProgramIcon, WindowIconsAreDrawnForTheirSizeAtTheCurrentDpi) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HWND window =
        CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, module, nullptr);
    ASSERT_NE(nullptr, window);
    const HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_QUIREWELL), RT_GROUP_ICON);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(nullptr, directory);
    // The small icon is also the notification area's.
    const struct {
        int widthMetric;
        int heightMetric;
    } icons[] = {{SM_CXSMICON, SM_CYSMICON}, {SM_CXICON, SM_CYICON}};
    for (const auto& icon : icons) {
        const int size = GetSystemMetrics(icon.widthMetric);
        const HICON loaded =
            LoadIconForWindow(window, module, IDI_QUIREWELL, icon.widthMetric, icon.heightMetric);
        EXPECT_EQ(size, IconSize(loaded).cx);
        DestroyIcon(loaded);
        // The image the system picks for that size was drawn at that size, not scaled from another.
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        const HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON);
        ASSERT_NE(nullptr, image) << size;
        const auto* header = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
        EXPECT_EQ(size, header[4] | header[5] << 8) << "the width of the image chosen for " << size;
    }
    DestroyWindow(window);
}

}  // namespace

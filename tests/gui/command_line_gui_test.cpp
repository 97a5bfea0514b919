// Quirewell.exe as a user meets it: the result box of a command-line run, quiet runs and their
// exit codes, and the main window built from its template.
#include <gtest/gtest.h>

#include <windows.h>

#include "../unit/test_support.h"
#include "engine/page_chain.h"
#include "gui_driver.h"
#include "resources/resource.h"

namespace {

using test_support::pageFile;
using test_support::ScratchDir;

bool wellFormed(const std::string& path) {
    const auto bytes = test_support::readFile(path);
    return walkChain(bytes.data(), bytes.size()).wellFormed;
}

TEST(CommandLineGui, ResultBoxShowsTheRunLogAndOkEndsTheRun) {
    ScratchDir dir;
    dir.write("in/K002.FXR", pageFile(2));
    dir.write("in/K001.FXR", pageFile(1));
    AppProcess app(Quoted(dir.path("in")) + " " + Quoted(dir.path("out")));
    ASSERT_TRUE(app.Started());
    const HWND box = app.WaitForWindow("Quirewell Result");
    ASSERT_NE(nullptr, box) << "no result box";
    const std::string in = dir.path("in") + "\\";
    const std::string out = dir.path("out") + "\\Kfax.fxm";
    EXPECT_EQ("Source Dir: " + dir.path("in") + "\r\nDestination Dir: " + dir.path("out") + "\r\n\r\n" + in +
                  "K001.FXR -> " + out + "\r\n" + in + "K002.FXR -> " + out +
                  "\r\n\r\n---------\r\nTotal merged WinFax files: 2\r\n",
              MessageBoxText(box));
    // The run is done before the box shows; the process waits for OK.
    EXPECT_TRUE(wellFormed(out));
    EXPECT_EQ(-1, app.WaitForExit(300));
    PressButton(box, IDOK);
    EXPECT_EQ(0, app.WaitForExit());
}

TEST(CommandLineGui, ALongLogIsShortenedSoThatTheBoxFitsTheScreen) {
    ScratchDir dir;
    for (int i = 1; i <= 45; ++i) {
        dir.write("in/L" + std::to_string(100 + i) + ".FXR", pageFile(static_cast<unsigned>(i)));
    }
    AppProcess app(Quoted(dir.path("in")) + " " + Quoted(dir.path("out")));
    const HWND box = app.WaitForWindow("Quirewell Result");
    ASSERT_NE(nullptr, box) << "no result box";
    const std::string text = MessageBoxText(box);
    // The header's three lines and 27 page files, the 18 lines left out, and the totals.
    const std::string closing = "... 18 more lines ...\r\n\r\n---------\r\nTotal merged WinFax files: 45\r\n";
    EXPECT_NE(std::string::npos, text.find("L127.FXR -> ")) << text;
    EXPECT_EQ(std::string::npos, text.find("L128.FXR -> ")) << text;
    ASSERT_GE(text.size(), closing.size());
    EXPECT_EQ(closing, text.substr(text.size() - closing.size()));
    PressButton(box, IDOK);
    EXPECT_EQ(0, app.WaitForExit());
}

TEST(CommandLineGui, QuietRunsShowNothingAndExitWithTheirCode) {
    const struct {
        const char* name;
        const char* switches;
        bool addBadPage;
        bool blockDestination;
        int exitCode;
        bool outputWritten;
        bool sourceMissing = false;
    } cases[] = {
        {"all merged", "/q", false, false, 0, true},
        {"switches in capitals", "/Q /L", false, false, 0, true},
        {"some pages failed", "/q", true, false, 4, true},
        {"destination cannot be made", "/q", false, true, 3, false},
        {"file mode does nothing", "/f", false, false, 0, false},
        {"a preview writes nothing", "/q /n", false, false, 0, false},
        {"a preview knows the failures", "/n /q", true, false, 4, false},
        {"source folder missing", "/q", false, false, 5, false, true},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        if (!c.sourceMissing) {
            dir.write("in/M001.FXR", pageFile(1));
        }
        if (c.addBadPage) {
            dir.write("in/N001.FXR", pageFile(2, FaxKind::NoSignature));
        }
        if (c.blockDestination) {
            dir.write("blocker", {1});
        }
        const std::string destination = c.blockDestination ? dir.path("blocker/out") : dir.path("out");
        AppProcess app(std::string(c.switches) + " " + Quoted(dir.path("in")) + " " + Quoted(destination));
        ASSERT_TRUE(app.Started());
        const int exitCode = app.WaitForExit();
        EXPECT_EQ(c.exitCode, exitCode) << c.name;
        EXPECT_EQ(c.outputWritten, test_support::exists(dir.path("out/Mfax.fxm"))) << c.name;
    }
}

TEST(CommandLineGui, WithoutACommandLineTheMainWindowShowsEveryControl) {
    AppProcess app("");
    ASSERT_TRUE(app.Started());
    const HWND dialog = app.WaitForWindow("Quirewell");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("#32770", ClassOf(dialog));
    const struct {
        int id;
        const char* className;
        const char* text;
    } controls[] = {
        {IDC_FAX_DIR, "Edit", ""},
        {IDC_SAVE_DIR, "Edit", ""},
        {IDC_FAX_DIR_BUTTON, "Button", "Fax Dir"},
        {IDC_SAVE_DIR_BUTTON, "Button", "Save Dir"},
        {IDC_MERGE, "Button", "&Merge"},
        {IDC_PROGRESS, "msctls_progress32", nullptr},
        {IDC_STATUS, "Static", ""},
        {IDC_LINK_PRODUCT, "Static",
         "Quirewell: \nAuto detect and merge your seperated multiple-page WinFax fax files into single fxm files"},
        {IDC_INCLUDE_SUBDIRS, "Button", "Include Sub-dir"},
        {ID_APP_ABOUT, "Button", "About"},
        {IDC_LOG, "Edit", ""},
        {IDC_KEEP_FILE_DATE, "Button", "Keep File Date"},
        {IDC_LINK_SITE, "Static", "More Fax Tools: http://www.quirewell.example"},
        {IDC_KEEP_HIERARCHY, "Button", "Keep Hiberarchy"},
        {IDC_LINK_DONATE, "Static", "Support us by making a donation"},
        {IDC_HELP_BUTTON, "Button", "Help"},
        {IDC_AUTO_MERGE, "Button", "Enable Merging Automatically"},
        {IDC_MINUTES, "Edit", nullptr},
    };
    for (const auto& c : controls) {
        const HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(nullptr, control) << "control " << c.id;
        EXPECT_EQ(c.className, ClassOf(control)) << "control " << c.id;
        if (c.text != nullptr) {
            EXPECT_EQ(c.text, WindowText(control)) << "control " << c.id;
        }
    }
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(2, app.WaitForExit());
}

TEST(CommandLineGui, OkClosesTheWindowWithCodeOne) {
    AppProcess app("/q onlyone");
    const HWND dialog = app.WaitForWindow("Quirewell");
    ASSERT_NE(nullptr, dialog);
    PressButton(dialog, IDOK);
    EXPECT_EQ(1, app.WaitForExit());
}

}  // namespace

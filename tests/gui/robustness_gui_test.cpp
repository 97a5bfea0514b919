// The Windows programs when the world gets in their way: a page file or a folder held by another
// program, and the window left merging automatically, run after run, over a tree that keeps
// changing.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdlib>
#include <filesystem>

#include "../unit/test_support.h"
#include "gui_driver.h"
#include "resources/resource.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

std::string ReadText(const std::string& path) {
    const auto bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Robustness, APageFileLockedByAnotherProgramIsReportedAndTheRestMerged) {
    ScratchDir dir;
    dir.write("in/L001.FXR", pageFile(1));
    const std::string locked = dir.write("in/L002.FXR", pageFile(2));
    dir.write("in/M001.FXR", pageFile(3));
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const int exitCode = RunConsole(Quoted(dir.path("in")) + " " + Quoted(dir.path("out")), dir.path("log.txt"));
    CloseHandle(holder);
    EXPECT_EQ(4, exitCode);
    const std::string log = ReadText(dir.path("log.txt"));
    EXPECT_NE(std::string::npos,
              log.find(locked + " -> " + dir.path("out") + "\\Lfax.fxm (failed: cannot open the page file)\r\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Total merged WinFax files: 2\r\nFailed WinFax files: 1\r\n")) << log;
    EXPECT_EQ(pageFile(2), readFile(locked));
}

TEST(Robustness, ASourceFolderHeldByAnotherProgramIsReportedWithExitCodeFive) {
    ScratchDir dir;
    dir.write("in/L001.FXR", pageFile(1));
    HANDLE holder = CreateFileA(dir.path("in").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const int exitCode = RunConsole(Quoted(dir.path("in")) + " " + Quoted(dir.path("out")), dir.path("log.txt"));
    CloseHandle(holder);
    EXPECT_EQ(5, exitCode);
    const std::string log = ReadText(dir.path("log.txt"));
    EXPECT_NE(std::string::npos, log.find("Cannot read folder: " + dir.path("in") + " (in use by another program)\r\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Total merged WinFax files: 0\r\nFolders not read: 1\r\n")) << log;
}

struct Usage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

Usage UsageOf(HANDLE process) {
    Usage usage;
    GetProcessHandleCount(process, &usage.handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    usage.privateBytes = memory.PrivateUsage;
    return usage;
}

TEST(Robustness, AutomaticMergingRunAfterRunOverAChangingTreeKeepsItsResources) {
    const char* configured = std::getenv("QW_SOAK_RUNS");
    const int runs = configured != nullptr ? std::atoi(configured) : 30;
    ScratchDir dir;
    TreeSpec tree;
    tree.faxes = 20;
    tree.minPages = 2;
    tree.maxPages = 4;
    tree.minSize = 500;
    tree.maxSize = 3000;
    std::string error;
    ASSERT_GT(writeTree(dir.path("in"), tree, 99, error), 0) << error;

    AppProcess app("");
    const HWND dialog = app.WaitForWindow("Quirewell");
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, IDC_FAX_DIR, dir.path("in"));
    SetText(dialog, IDC_SAVE_DIR, dir.path("out"));
    SetText(dialog, IDC_MINUTES, "1");
    Click(dialog, IDC_AUTO_MERGE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_MINUTES)); }));

    Usage warm;
    for (int run = 1; run <= runs; ++run) {
        // The tree changes between runs: a page rewritten, a page added, a page dropped; every
        // fax keeps its first page.
        const unsigned fax = static_cast<unsigned>(run % tree.faxes) + 1;
        char name[32];
        std::snprintf(name, sizeof name, "in/F%05u001.FXR", fax);
        dir.write(name, pageFile(1000 + static_cast<unsigned>(run)));
        std::snprintf(name, sizeof name, "in/F%05u%03u.FXS", fax, 500 + static_cast<unsigned>(run % 50));
        dir.write(name, pageFile(2000 + static_cast<unsigned>(run)));
        std::snprintf(name, sizeof name, "in/F%05u002.FXR", (fax % tree.faxes) + 1);
        std::error_code ignored;
        std::filesystem::remove(dir.path(name), ignored);

        SetText(dialog, IDC_STATUS, "");
        PostMessageA(dialog, WM_TIMER, 7, 0);
        ASSERT_TRUE(WaitUntil([&] {
            return ControlText(dialog, IDC_STATUS).rfind("Done.", 0) == 0 &&
                   IsWindowEnabled(GetDlgItem(dialog, IDC_MERGE));
        }, 60000)) << "run " << run;
        if (run == 5) {
            warm = UsageOf(app.Process());
        }
    }
    const Usage last = UsageOf(app.Process());
    EXPECT_LE(last.handles, warm.handles + 16) << "handles grew over " << runs << " runs";
    EXPECT_LE(last.privateBytes, warm.privateBytes + 8 * 1024 * 1024) << "memory grew over " << runs << " runs";

    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(2, app.WaitForExit());
    ASSERT_EQ(0, RunConsole("/q " + Quoted(dir.path("in")) + " " + Quoted(dir.path("console")),
                                dir.path("log.txt")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path("console"))) {
        const auto name = entry.path().filename().string();
        EXPECT_EQ(readFile(entry.path().string()), readFile(dir.path("out") + "\\" + name)) << name;
    }
}

}  // namespace

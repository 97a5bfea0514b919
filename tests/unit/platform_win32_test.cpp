// Windows-only behaviour of the platform layer and the merge: drive, UNC and relative roots of
// the directory recursion, the times of a page another program holds open, and a folder held open
// by another program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "platform/file_system.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

TEST(PlatformWin32, RootPrefixesAreNeverCreated) {
    const struct {
        const char* prefix;
        bool root;
    } cases[] = {{"", true},
                 {"C:", true},
                 {"\\\\server", true},
                 {"\\\\server\\share", true},
                 {"\\\\server\\share\\dir", false},
                 {"C:\\dir", false},
                 {"ab", false},
                 {"a", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.root, platform::isRootPrefix(c.prefix)) << c.prefix;
    }
}

TEST(PlatformWin32, TheTimesOfAPageAnotherProgramHoldsOpenAreKept) {
    test_support::ScratchDir dir;
    const std::string source = dir.write("in/L001.FXR", test_support::pageFile(1));
    const std::string out = dir.path("Lfax.fxm");
    // Another program holds the page file open for writing: it can still be read, and its times
    // are those of the handle the merge reads it with, not of a second opening that sharing
    // would refuse.
    std::FILE* holder = std::fopen(source.c_str(), "ab");
    ASSERT_NE(nullptr, holder);
    test_support::HeldRun run(dir.path(), true);
    EXPECT_TRUE(run.mergeFile(source, out));
    std::fclose(holder);
    EXPECT_EQ(0, run.finish());
    EXPECT_EQ(source + " -> " + out + "\r\n", run.log());
    platform::FileTimes page;
    platform::FileTimes merged;
    ASSERT_TRUE(platform::readFileTimes(source, page) && platform::readFileTimes(out, merged));
    EXPECT_EQ(page.lastWrite, merged.lastWrite);
}

TEST(PlatformWin32, AFolderHeldOpenByAnotherProgramIsReported) {
    test_support::ScratchDir dir;
    dir.write("in/A001.FXR", test_support::pageFile(1));
    dir.write("in/held/H001.FXR", test_support::pageFile(2));
    // Another program holds a folder open and shares it with nobody.
    HANDLE holder = CreateFileA(dir.path("in/held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.collectFaxFiles(true);
    CloseHandle(holder);
    EXPECT_EQ(std::vector<std::string>{"A001.FXR"}, options.scanList());
    ASSERT_EQ(1u, options.unreadFolders().size());
    EXPECT_EQ(dir.path("in/held"), options.unreadFolders()[0].folder);
    EXPECT_EQ(FolderReason::InUse, options.unreadFolders()[0].reason);
}

}  // namespace

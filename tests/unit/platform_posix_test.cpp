// POSIX-only behaviour of the platform layer: only the root ends the directory recursion, and
// only plain files are opened: never a directory, a pipe, or where asked, a link.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/file_system.h"
#include "test_support.h"

namespace {

TEST(PlatformPosix, OnlyTheRootIsARootPrefix) {
    EXPECT_TRUE(platform::isRootPrefix(""));
    EXPECT_FALSE(platform::isRootPrefix("a"));
    EXPECT_FALSE(platform::isRootPrefix("/tmp"));
}

TEST(PlatformPosix, OnlyPlainFilesAreOpened) {
    test_support::ScratchDir dir;
    dir.makeDir("d.FXR");
    EXPECT_EQ(nullptr, platform::openFile(dir.path("d.FXR"), "rb"));
    // A pipe under a page file's or an output's name would keep a run waiting for ever.
    ASSERT_EQ(0, mkfifo(dir.path("p.FXR").c_str(), 0600));
    EXPECT_EQ(nullptr, platform::openFile(dir.path("p.FXR"), "rb"));
    platform::FileInfo info;
    platform::InputFile file;
    EXPECT_FALSE(file.open(dir.path("p.FXR"), true, info));
    std::filesystem::create_symlink(dir.write("a.fxm", {1}), dir.path("link.fxm"));
    EXPECT_FALSE(file.open(dir.path("link.fxm"), false, info));
    ASSERT_TRUE(file.open(dir.path("link.fxm"), true, info));
    EXPECT_EQ(1, info.size);
}

}  // namespace

// POSIX-only behaviour of the platform layer: only the root ends the directory recursion, and
// a directory is never opened as a page file.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "test_support.h"

namespace {

TEST(PlatformPosix, OnlyTheRootIsARootPrefix) {
    EXPECT_TRUE(platform::isRootPrefix(""));
    EXPECT_FALSE(platform::isRootPrefix("a"));
    EXPECT_FALSE(platform::isRootPrefix("/tmp"));
}

TEST(PlatformPosix, DirectoriesAreNotOpenedAsFiles) {
    test_support::ScratchDir dir;
    dir.makeDir("d.FXR");
    EXPECT_EQ(nullptr, platform::openFile(dir.path("d.FXR"), "rb"));
}

}  // namespace

// POSIX-only parts of the scan: links to directories are never entered, and masks follow the
// Windows wildcard rules.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/wildcard_match.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

TEST(SourceScanPosix, LinksToDirectoriesAreNotEnteredButLinksToFilesCount) {
    test_support::ScratchDir dir;
    dir.write("src/sub/A001.FXR", {1});
    dir.write("elsewhere/B001.FXR", {1});
    std::filesystem::create_directory_symlink(dir.path("src"), dir.path("src/sub/loop"));
    std::filesystem::create_directory_symlink(dir.path("elsewhere"), dir.path("src/away.FXR"));
    std::filesystem::create_symlink(dir.path("elsewhere/B001.FXR"), dir.path("src/C001.FXR"));
    MergeOptions options;
    options.setSourceDir(dir.path("src"));
    ASSERT_EQ(2, options.collectFaxFiles(true));
    EXPECT_EQ((std::vector<std::string>{"C001.FXR", "sub/A001.FXR"}), options.scanList());
}

TEST(WildcardMatch, WindowsRules) {
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {
        {"A001.FXR", "*.*", true}, {"noextension", "*.*", true}, {".", "*.*", true},
        {"A001.FXR", "*", true},   {"A001.FXR", "a*.fxr", true}, {"A001.FXR", "?001.FXR", true},
        {"AB001.FXR", "?001.FXR", false}, {"A001.FXR", "*.FXS", false}, {"A001.FXR", "*1*", true},
        {"A001.FXR", "A001.FXR*", true},  {"A001.FXR", "A00", false},   {"", "?", false},
        {"aaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.matches, platform::matchesMask(c.name, c.mask)) << c.name << " ~ " << c.mask;
    }
}

}  // namespace

// POSIX-only parts of the scan: links are entered but no folder twice, and masks follow the
// Windows wildcard rules.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/output_files.h"
#include "platform/posix/wildcard_match.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

TEST(SourceScanPosix, LinksAreEnteredAndEveryFolderOnlyOnce) {
    test_support::ScratchDir dir;
    const std::string src = dir.path("src");
    dir.write("src/sub/A001.FXR", test_support::pageFile(1));
    dir.write("src/Z001.FXR", test_support::pageFile(2));
    dir.write("elsewhere/B001.FXR", test_support::pageFile(3));
    // A link back up the tree, a link out of it (as a mount point would lead), a second way to
    // the same folder, and a link to a file.
    std::filesystem::create_directory_symlink(src, dir.path("src/sub/loop"));
    std::filesystem::create_directory_symlink(dir.path("elsewhere"), dir.path("src/away.FXR"));
    std::filesystem::create_directory_symlink(dir.path("elsewhere"), dir.path("src/twice"));
    std::filesystem::create_symlink(dir.path("elsewhere/B001.FXR"), dir.path("src/C001.FXR"));
    MergeOptions options;
    options.setSourceDir(src);
    options.setDestDir(dir.path("out"));
    ASSERT_EQ(4, options.collectFaxFiles(true));
    EXPECT_EQ((std::vector<std::string>{"away.FXR/B001.FXR", "C001.FXR", "sub/A001.FXR", "Z001.FXR"}),
              options.scanList());

    // Each folder left out has its line after the entries of the folder that holds it; merged
    // by another path, it is no failure.
    RunSession session(options, RunSession::Kind::Merge, true);
    const RunTotals totals = walkScanList(
        session,
        [&](const std::string& entry) { return windowEntryPaths(src, dir.path("out"), entry, true); },
        nullptr);
    EXPECT_EQ(4, totals.merged);
    EXPECT_EQ(0, totals.foldersNotRead);
    const std::string out = dir.path("out");
    EXPECT_EQ(runHeader(src, out) + src + "/away.FXR/B001.FXR -> " + out + "/away.FXR/Bfax.fxm\r\n" + src +
                  "/C001.FXR -> " + out + "/Cfax.fxm\r\n" + src + "/sub/A001.FXR -> " + out +
                  "/sub/Afax.fxm\r\n" + "Skipped folder: " + src + "/sub/loop (already merged as " + src +
                  ")\r\n" + src + "/Z001.FXR -> " + out + "/Zfax.fxm\r\n" + "Skipped folder: " + src +
                  "/twice (already merged as " + src + "/away.FXR)\r\n",
              options.runLogText());
}

TEST(WildcardMatch, WindowsRules) {
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {
        {"A001.FXR", "*.*", true},
        {"noextension", "*.*", true},
        {".", "*.*", true},
        {"A001.FXR", "*", true},
        {"A001.FXR", "a*.fxr", true},
        {"A001.FXR", "?001.FXR", true},
        {"AB001.FXR", "?001.FXR", false},
        {"A001.FXR", "*.FXS", false},
        {"A001.FXR", "*1*", true},
        {"A001.FXR", "A001.FXR*", true},
        {"A001.FXR", "A00", false},
        {"", "?", false},
        {"aaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.matches, platform::matchesMask(c.name, c.mask)) << c.name << " ~ " << c.mask;
    }
}

}  // namespace

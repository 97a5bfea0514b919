// POSIX-only parts of the scan: links are entered but no folder twice, and masks follow the
// Windows wildcard rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "engine/output_files.h"
#include "platform/file_system.h"
#include "platform/posix/wildcard_match.h"
#include "platform/save_folder.h"
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

// A folder this large is looked at by several threads while it is listed: each entry must still
// carry its own file's facts and kind, links as the single-threaded listing tells them, and a
// link that leads nowhere no entry at all, in both listings a run makes.
TEST(SourceScanPosix, ALargeFolderIsListedWithEachFilesOwnFacts) {
    test_support::ScratchDir dir;
    constexpr int kFiles = 1500;
    for (int i = 0; i < kFiles; ++i) {
        dir.write("big/P" + std::to_string(100000 + i) + ".FXR", std::vector<std::uint8_t>(i % 97, 1));
    }
    dir.makeDir("big/sub");
    std::filesystem::create_symlink(dir.path("big/P100005.FXR"), dir.path("big/link.FXR"));
    std::filesystem::create_directory_symlink(dir.path("big/sub"), dir.path("big/dirlink"));
    std::filesystem::create_symlink(dir.path("nowhere"), dir.path("big/dangling.FXR"));
    const auto statOf = [&](const std::string& name, bool follow) {
        struct stat info {};
        const std::string path = dir.path("big/" + name);
        EXPECT_EQ(0, follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) << name;
        return info;
    };

    std::vector<platform::DirEntry> entries;
    ASSERT_EQ(platform::ListResult::Listed, platform::listDirectory(dir.path("big"), "*", entries, true));
    std::map<std::string, const platform::DirEntry*> byName;
    for (const platform::DirEntry& entry : entries) {
        byName[entry.name] = &entry;
    }
    EXPECT_EQ(0u, byName.count("dangling.FXR"));
    ASSERT_EQ(1u, byName.count("dirlink"));
    EXPECT_TRUE(byName["dirlink"]->isDirectory);
    EXPECT_EQ(platform::LinkOwner::OwnOrSystem, byName["dirlink"]->link);
    ASSERT_EQ(1u, byName.count("link.FXR"));
    EXPECT_EQ(platform::LinkOwner::OwnOrSystem, byName["link.FXR"]->link);
    EXPECT_EQ(5, byName["link.FXR"]->facts.size);
    int files = 0;
    for (const platform::DirEntry& entry : entries) {
        if (entry.name[0] != 'P') {
            continue;
        }
        ++files;
        const struct stat info = statOf(entry.name, true);
        EXPECT_FALSE(entry.isDirectory);
        EXPECT_EQ(platform::LinkOwner::NotALink, entry.link);
        EXPECT_EQ((std::stoi(entry.name.substr(1)) - 100000) % 97, entry.facts.size) << entry.name;
        EXPECT_EQ(static_cast<std::uint64_t>(info.st_ino), entry.facts.index) << entry.name;
    }
    EXPECT_EQ(kFiles, files);

    platform::OpenFolder folder;
    ASSERT_TRUE(folder.openNamed(dir.path("big")));
    std::vector<platform::FolderEntry> listed;
    ASSERT_TRUE(folder.listFacts(listed));
    EXPECT_EQ(static_cast<std::size_t>(kFiles + 4), listed.size());
    for (const platform::FolderEntry& entry : listed) {
        const struct stat info = statOf(entry.name, false);
        EXPECT_EQ(static_cast<std::int64_t>(info.st_size), entry.facts.size) << entry.name;
        EXPECT_EQ(static_cast<std::uint64_t>(info.st_ino), entry.facts.index) << entry.name;
    }
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

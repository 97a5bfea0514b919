// The source scan: which files are page files, in which order they are listed, and how
// sub-directories and the file mask shape the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "engine/source_scan.h"
#include "platform/file_system.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

using test_support::ScratchDir;

std::string orderKeyForTest(std::string name) {
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

std::vector<std::string> native(std::vector<std::string> paths) {
    for (std::string& path : paths) {
        path = test_support::nativePath(path);
    }
    return paths;
}

TEST(SourceScan, IsFaxFileLooksAtTheLastFourBytesInAnyCase) {
    const struct {
        const char* path;
        int expected;
    } cases[] = {{"A001.FXR", 1}, {"a001.fxs", 1},  {"x.FxD", 1},    {".FXR", 1},      {"FXR", 0},    {"", 0},
                 {"A001.fxm", 0}, {"A001.FXRX", 0}, {"A001.TIF", 0}, {"dir/A.fxr", 1}, {"A001FXR", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, isFaxFile(c.path)) << c.path;
    }
}

TEST(SourceScan, NameOrderFoldsAsciiCaseAndBreaksTiesByBytes) {
    const struct {
        const char* first;
        const char* second;
    } ordered[] = {{"a", "B"},
                   {"A", "a"},
                   {"abc", "abcd"},
                   {"a10", "a9"},
                   {"z", "_"},
                   {"Z001", "_001"},
                   {"AB", "Ab"},
                   {"sixteen letters!", "sixteen letters!x"},
                   {"LONGER THAN SIXTEEN a", "longer than sixteen B"},
                   {"0123456789abcdef0", "0123456789ABCDEF1"}};
    for (const auto& c : ordered) {
        EXPECT_TRUE(precedesInNameOrder(c.first, c.second)) << c.first << " before " << c.second;
        EXPECT_FALSE(precedesInNameOrder(c.second, c.first)) << c.second << " after " << c.first;
        // A scan takes them in that order too, where the file system holds both names.
        ScratchDir dir;
        dir.write(std::string(c.second) + ".FXR", {1});
        dir.write(std::string(c.first) + ".FXR", {1});
        MergeOptions options;
        options.setSourceDir(dir.path());
        if (options.collectFaxFiles(false) == 2) {
            EXPECT_EQ(
                (std::vector<std::string>{std::string(c.first) + ".FXR", std::string(c.second) + ".FXR"}),
                options.scanList());
        }
    }
    EXPECT_FALSE(precedesInNameOrder("same", "same"));
}

// A folder of many names is sorted a byte at a time, and names whose first sixteen bytes agree are
// compared whole: the list must come out as comparing every two names would put it.
TEST(SourceScan, AFolderOfManyNamesIsInNameOrder) {
    ScratchDir dir;
    std::vector<std::string> names;
    std::set<std::string> folded;
    unsigned state = 12345;
    const std::string letters = "aB_9zY0";
    while (names.size() < 300) {
        state = state * 1103515245u + 12345u;
        // Long names share their first sixteen bytes, so that ties are broken by the rest.
        std::string name = (state >> 20) % 3 == 0 ? "Same sixteen byt" : "";
        for (unsigned length = 1 + (state >> 8) % 9; length > 0; --length) {
            state = state * 1103515245u + 12345u;
            name += letters[(state >> 16) % letters.size()];
        }
        name += (state >> 24) % 2 == 0 ? ".FXR" : ".fxr";
        // Two names differing only in case are one file where the file system folds case.
        if (folded.insert(orderKeyForTest(name)).second) {
            names.push_back(name);
            dir.write(name, {1});
        }
    }
    MergeOptions options;
    options.setSourceDir(dir.path());
    ASSERT_EQ(static_cast<int>(names.size()), options.collectFaxFiles(false));
    std::sort(names.begin(), names.end(), precedesInNameOrder);
    EXPECT_EQ(names, options.scanList());
}

class ScanTree : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::uint8_t> bytes{1, 2, 3};
        for (const char* file : {"B001.FXR", "a002.fxr", "Zfax.fxm", "c003.FXS", "notes.txt", "_x001.FXR",
                                 "DIR.FXR/X001.FXD", "sub/s2/Y001.FXR", "sub/M001.FXR", "s1x/Q001.FXR"}) {
            dir.write(std::string("src/") + file, bytes);
        }
    }

    std::vector<std::string> scan(const std::string& sourceDir, bool subdirs,
                                  const std::string& mask = "*.*") {
        MergeOptions options;
        options.setSourceDir(sourceDir);
        options.setFileMask(mask);
        const int count = options.collectFaxFiles(subdirs);
        EXPECT_EQ(static_cast<int>(options.scanCount()), count);
        return options.scanList();
    }

    ScratchDir dir;
};

TEST_F(ScanTree, TopLevelOnlyInNameOrder) {
    EXPECT_EQ(native({"a002.fxr", "B001.FXR", "c003.FXS", "_x001.FXR"}), scan(dir.path("src"), false));
}

TEST_F(ScanTree, SubDirectoriesAreEnteredWhereTheyStandInTheOrder) {
    const auto expected = native({"a002.fxr", "B001.FXR", "c003.FXS", "DIR.FXR/X001.FXD", "s1x/Q001.FXR",
                                  "sub/M001.FXR", "sub/s2/Y001.FXR", "_x001.FXR"});
    EXPECT_EQ(expected, scan(dir.path("src"), true));
    // A trailing separator on the source directory gives the same entries.
    EXPECT_EQ(expected, scan(dir.path("src") + platform::kSeparator, true));
}

TEST_F(ScanTree, MaskFiltersFilesAndTheDirectoriesEntered) {
    EXPECT_EQ(native({"B001.FXR", "s1x/Q001.FXR", "_x001.FXR"}), scan(dir.path("src"), true, "*1*"));
    EXPECT_EQ(native({"c003.FXS"}), scan(dir.path("src"), true, "?003.fxs"));
}

TEST_F(ScanTree, MissingOrUnsetSourceDirectory) {
    EXPECT_TRUE(scan(dir.path("absent"), true).empty());
    MergeOptions options;
    options.setSourceDir(dir.path("src"));
    ASSERT_EQ(4, options.collectFaxFiles(false));
    options.setSourceDir("");
    EXPECT_EQ(-1, options.collectFaxFiles(true));
    EXPECT_EQ(4u, options.scanCount());  // the list keeps what it held
}

}  // namespace

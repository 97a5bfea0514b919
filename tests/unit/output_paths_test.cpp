// Where each page file's output goes, for both run forms.
#include <gtest/gtest.h>

#include "engine/output_paths.h"
#include "platform/file_system.h"
#include "test_support.h"

namespace {

// Test paths are written with '/' and given the platform's separator.
std::string p(const std::string& text) { return test_support::nativePath(text); }

TEST(OutputPaths, OutputNameDropsSevenBytesOfTheNameOnly) {
    const struct {
        const char* page;
        const char* output;
    } cases[] = {
        {"ABCDE001.FXR", "ABCDEfax.fxm"}, {"abc001.fxs", "abcfax.fxm"}, {"001.FXD", "fax.fxm"},
        {"AB.FXR", "fax.fxm"},            {"dir/AB.FXR", "dir/fax.fxm"}, {"sub/dir/XY123.FXR", "sub/dir/XYfax.fxm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(p(c.output), outputNameFor(p(c.page))) << c.page;
    }
}

TEST(OutputPaths, WindowRun) {
    const struct {
        const char* sourceDir;
        const char* destDir;
        const char* entry;
        bool keepHierarchy;
        const char* output;
    } cases[] = {
        {"/in", "/out", "ABCDE001.FXR", true, "/out/ABCDEfax.fxm"},
        {"/in", "/out", "ABCDE001.FXR", false, "/out/ABCDEfax.fxm"},
        {"/in", "/out", "s1/s2/ABC001.FXR", true, "/out/s1/s2/ABCfax.fxm"},
        {"/in", "/out", "s1/s2/ABC001.FXR", false, "/out/ABCfax.fxm"},
        {"/in/", "/out", "ABC001.FXR", true, "/out/ABCfax.fxm"},
        // A short name stays in its own directory instead of cutting into the directory's name.
        {"/in", "/out", "sub/AB.FXR", true, "/out/sub/fax.fxm"},
        {"/in", "/out", "sub/AB.FXR", false, "/out/fax.fxm"},
        // Only the leading fax directory is exchanged, never the same text inside a name.
        {"fax", "out", "ABC001.FXR", true, "out/ABCfax.fxm"},
        {"fax", "out", "fax/fax001.FXR", true, "out/fax/faxfax.fxm"},
        {"fax", "out", "fax/fax001.FXR", false, "out/faxfax.fxm"},
        {"d", "d/out", "d/Q001.FXR", true, "d/out/d/Qfax.fxm"},
    };
    for (const auto& c : cases) {
        const EntryPaths paths = windowEntryPaths(p(c.sourceDir), p(c.destDir), p(c.entry), c.keepHierarchy);
        EXPECT_EQ(p(c.sourceDir) + platform::kSeparator + p(c.entry), paths.source) << c.entry;
        EXPECT_EQ(p(c.output), paths.output) << c.sourceDir << " " << c.entry << " " << c.keepHierarchy;
    }
}

TEST(OutputPaths, CommandLineRun) {
    const struct {
        const char* entry;
        const char* output;
    } cases[] = {{"ABCDE001.FXR", "/out/ABCDEfax.fxm"}, {"AB.FXR", "/out/fax.fxm"}, {"1234567", "/out/fax.fxm"}};
    for (const auto& c : cases) {
        const EntryPaths paths = commandLineEntryPaths(p("/in"), p("/out"), c.entry);
        EXPECT_EQ(p("/in/") + c.entry, paths.source);
        EXPECT_EQ(p(c.output), paths.output) << c.entry;
    }
}

TEST(OutputPaths, DirectoryPart) {
    EXPECT_EQ(p("/out/sub"), directoryPart(p("/out/sub/Afax.fxm")));
    EXPECT_EQ("", directoryPart("Afax.fxm"));
    EXPECT_EQ("", directoryPart(p("/Afax.fxm")));
}

}  // namespace

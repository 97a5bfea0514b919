// Where each page file's output goes, for both run forms.
#include <gtest/gtest.h>

#include "engine/output_paths.h"
#include "platform/ansi_string.h"
#include "platform/file_system.h"
#include "test_support.h"

namespace {

// Test paths are written with '/' and given the platform's separator; UTF-8 in them is put in
// the program's code page, where "表" is 95 5C (a backslash for its second byte) in 932.
std::string p(const std::string& text) {
    std::string inCodePage;
    platform::fromUtf8(test_support::nativePath(text), inCodePage);
    return inCodePage;
}

TEST(OutputPaths, OutputNameDropsTheExtensionAndThreeCharactersOfTheNameOnly) {
    const struct {
        const char* page;
        const char* output;
    } cases[] = {
        {"ABCDE001.FXR", "ABCDEfax.fxm"},
        {"abc001.fxs", "abcfax.fxm"},
        {"001.FXD", "fax.fxm"},
        {"AB.FXR", "fax.fxm"},
        {"dir/AB.FXR", "dir/fax.fxm"},
        {"sub/dir/XY123.FXR", "sub/dir/XYfax.fxm"},
        // Characters, not bytes: a double-byte character is never cut, and its second byte is
        // never taken for a separator.
        {"表001.FXS", "表fax.fxm"},
        {"x表ソ淺.FXR", "xfax.fxm"},
        {"ソ表.FXR", "fax.fxm"},
        {"in表/ソ002.FXR", "in表/ソfax.fxm"},
        {"表/AB.FXR", "表/fax.fxm"},
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
        // Folders whose names end in a double-byte character with a backslash for its second byte.
        {"/in表", "/outソ", "淺/表001.FXR", true, "/outソ/淺/表fax.fxm"},
        {"/in表", "/outソ", "淺/表001.FXR", false, "/outソ/表fax.fxm"},
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
    } cases[] = {
        {"ABCDE001.FXR", "/out/ABCDEfax.fxm"}, {"AB.FXR", "/out/fax.fxm"}, {"1234567", "/out/fax.fxm"}};
    for (const auto& c : cases) {
        const EntryPaths paths = commandLineEntryPaths(p("/in"), p("/out"), c.entry);
        EXPECT_EQ(p("/in/") + c.entry, paths.source);
        EXPECT_EQ(p(c.output), paths.output) << c.entry;
    }
}

TEST(OutputPaths, DirectoryPart) {
    EXPECT_EQ(p("/out/sub"), directoryPart(p("/out/sub/Afax.fxm")));
    EXPECT_EQ(p("/outソ/in表"), directoryPart(p("/outソ/in表/Afax.fxm")));
    EXPECT_EQ("", directoryPart("Afax.fxm"));
    EXPECT_EQ("", directoryPart(p("/Afax.fxm")));
}

}  // namespace

// Windows-only behaviour of the platform layer and the merge: drive, UNC and relative roots of
// the directory recursion, and a page whose times cannot be read.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/file_system.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

TEST(PlatformWin32, RootPrefixesAreNeverCreated) {
    const struct {
        const char* prefix;
        bool root;
    } cases[] = {{"", true},          {"C:", true},          {"\\\\server", true}, {"\\\\server\\share", true},
                 {"\\\\server\\share\\dir", false}, {"C:\\dir", false}, {"ab", false}, {"a", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.root, platform::isRootPrefix(c.prefix)) << c.prefix;
    }
}

TEST(PlatformWin32, TimesThatCannotBeCopiedAreLoggedButThePageCounts) {
    test_support::ScratchDir dir;
    const std::string source = dir.write("in/L001.FXR", test_support::pageFile(1));
    const std::string out = dir.path("Lfax.fxm");
    // Another program holds the page file open for writing: it can still be read, but not
    // opened with read sharing only, which the time copy needs.
    std::FILE* holder = std::fopen(source.c_str(), "ab");
    ASSERT_NE(nullptr, holder);
    MergeOptions options;
    options.setKeepFileDate(true);
    EXPECT_TRUE(options.mergeFile(source, out));
    std::fclose(holder);
    EXPECT_EQ(source + " -> " + out + " (file date not kept)\r\n", options.runLogText());
}

}  // namespace

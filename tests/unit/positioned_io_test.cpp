// Positioned reads and writes on an open file: each lands at its own position whatever the
// stream's, and a read that would pass the end of the file fails instead of returning less.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/file_system.h"
#include "test_support.h"

namespace {

TEST(PositionedIo, ReadsAndWritesGoToTheirOwnPositions) {
    test_support::ScratchDir dir;
    std::FILE* file = platform::openFile(dir.path("io.bin"), "w+b");
    ASSERT_NE(nullptr, file);
    std::setvbuf(file, nullptr, _IONBF, 0);
    ASSERT_TRUE(platform::writeAt(file, 0, "abcdef", 6));
    ASSERT_TRUE(platform::writeAt(file, 3, "XY", 2));
    // Past the end: the gap reads as zeros.
    ASSERT_TRUE(platform::writeAt(file, 8, "z", 1));
    platform::FileInfo info;
    ASSERT_TRUE(platform::fileInfo(file, info));
    EXPECT_EQ(9, info.size);

    struct Read {
        std::int64_t position;
        std::size_t length;
        bool ok;
        std::string bytes;
    };
    const Read reads[] = {
        {0, 6, true, "abcXYf"}, {2, 3, true, "cXY"}, {5, 4, true, std::string("f\0\0z", 4)},
        {8, 1, true, "z"},      {6, 4, false, ""},  // one byte more than the file holds
        {9, 1, false, ""},
    };
    for (const Read& read : reads) {
        std::string got(read.length, '?');
        EXPECT_EQ(read.ok, platform::readAt(file, read.position, got.data(), got.size())) << read.position;
        if (read.ok) {
            EXPECT_EQ(read.bytes, got) << read.position;
        }
    }
    EXPECT_EQ(0, std::fclose(file));
}

}  // namespace

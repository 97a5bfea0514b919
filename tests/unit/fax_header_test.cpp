// The header's fields, its block end and relocation, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/fax_header.h"

namespace {

FaxHeader headerWith(std::int32_t dataOffset, std::uint8_t a, std::uint8_t b, std::int32_t extraLength,
                     std::int32_t dataLength) {
    FaxHeader h;
    h.data()[0] = kSignatureByte0;
    h.data()[1] = kSignatureByte1;
    h.setDataOffset(dataOffset);
    h.setFactorA(a);
    h.setFactorB(b);
    h.setExtraLength(extraLength);
    h.setDataLength(dataLength);
    return h;
}

TEST(FaxHeader, FieldsSitAtTheirOffsetsLittleEndian) {
    FaxHeader h;
    h.setDataOffset(0x01020304);
    h.setExtraOffset1(0x05060708);
    h.setExtraOffset2(-2);
    h.setPageCount(0xA1B2);
    h.setExtraLength(0x11223344);
    h.setFactorA(7);
    h.setFactorB(9);
    h.setDataLength(0x55667788);
    const std::uint8_t* b = h.data();
    const std::uint8_t expected[][5] = {
        {89, 0x04, 0x03, 0x02, 0x01},  {93, 0x08, 0x07, 0x06, 0x05},  {97, 0xFE, 0xFF, 0xFF, 0xFF},
        {105, 0x44, 0x33, 0x22, 0x11}, {116, 0x88, 0x77, 0x66, 0x55},
    };
    for (const auto& field : expected) {
        EXPECT_EQ(0, std::memcmp(b + field[0], field + 1, 4)) << "field at " << int{field[0]};
    }
    EXPECT_EQ(0xB2, b[101]);
    EXPECT_EQ(0xA1, b[102]);
    EXPECT_EQ(7, b[113]);
    EXPECT_EQ(9, b[114]);
}

TEST(FaxHeader, SignatureNeedsBothBytes) {
    const struct {
        std::uint8_t first, second;
        bool valid;
    } cases[] = {{11, '#', true}, {11, '$', false}, {12, '#', false}, {'#', 11, false}, {0, 0, false}};
    for (const auto& c : cases) {
        FaxHeader h;
        h.data()[0] = c.first;
        h.data()[1] = c.second;
        EXPECT_EQ(c.valid, h.isValid()) << int{c.first} << "," << int{c.second};
    }
}

TEST(FaxHeader, BlockEndAddsDataOffsetProductExtraAndData) {
    const struct {
        std::int32_t dataOffset;
        std::uint8_t a, b;
        std::int32_t extraLength, dataLength;
        std::int64_t blockEnd;
    } cases[] = {
        {128, 0, 0, 0, 1000, 1128},
        {128, 0, 200, 0, 10, 138},           // a factor of 0 makes the product 0
        {128, 255, 255, 0, 0, 128 + 65025},  // factors are unsigned bytes
        {500, 3, 4, 20, 30, 562},
        {128, 0, 0, -28, 0, 100},
        // Overflowing 32 bits does not wrap back to a small position.
        {std::numeric_limits<std::int32_t>::max(), 0, 0, 0, 10, 2147483657LL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.blockEnd, headerWith(c.dataOffset, c.a, c.b, c.extraLength, c.dataLength).blockEnd());
    }
}

TEST(FaxHeader, RelocationMovesOnlyPositiveExtraOffsets) {
    const struct {
        std::int32_t extra1, extra2;
        std::int32_t moved1, moved2;
    } cases[] = {{200, 300, 1200, 1300}, {0, 0, 0, 0}, {-5, 40, -5, 1040}, {1, -1, 1001, -1}};
    for (const auto& c : cases) {
        FaxHeader h = headerWith(128, 2, 3, 4, 5);
        h.setExtraOffset1(c.extra1);
        h.setExtraOffset2(c.extra2);
        h.setPageCount(3);
        FaxHeader before = h;
        ASSERT_TRUE(h.relocate(1000));
        EXPECT_EQ(1128, h.dataOffset());
        EXPECT_EQ(c.moved1, h.extraOffset1());
        EXPECT_EQ(c.moved2, h.extraOffset2());
        // Nothing else of the 128 bytes changes.
        for (std::size_t i = 0; i < kFaxHeaderSize; ++i) {
            if (i < 89 || i >= 101) {
                EXPECT_EQ(before.data()[i], h.data()[i]) << "byte " << i;
            }
        }
    }
}

TEST(FaxHeader, RelocationThatWouldOverflowChangesNothing) {
    FaxHeader h = headerWith(std::numeric_limits<std::int32_t>::max() - 10, 0, 0, 0, 0);
    const FaxHeader before = h;
    EXPECT_FALSE(h.relocate(11));
    EXPECT_EQ(0, std::memcmp(before.data(), h.data(), kFaxHeaderSize));
}

}  // namespace

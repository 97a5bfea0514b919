// Where a link's text sits in its control, and where a dialog centred over its owner or over the
// work area goes.
#include <gtest/gtest.h>

#include "links/link_geometry.h"

namespace {

TEST(LinkGeometry, AlignmentFollowsTheStaticStyle) {
    const struct {
        std::uint32_t style;
        LinkAlignment alignment;
    } cases[] = {
        {0x0, LinkAlignment::Left},           // SS_LEFT
        {0x1, LinkAlignment::Center},         // SS_CENTER
        {0x2, LinkAlignment::Right},          // SS_RIGHT
        {0x3, LinkAlignment::Center},         // both bits: centring is tested first
        {0x50000101, LinkAlignment::Center},  // with WS_CHILD, WS_VISIBLE and SS_NOTIFY
        {0x50000100, LinkAlignment::Left},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.alignment, linkAlignment(c.style)) << std::hex << c.style;
    }
}

TEST(LinkGeometry, MeasuredTextMovesToWhereItIsDrawn) {
    const struct {
        LinkAlignment alignment;
        int clientRight;
        int measuredRight;
        int shift;
    } cases[] = {
        {LinkAlignment::Left, 200, 80, 0},      {LinkAlignment::Center, 200, 80, 60},
        {LinkAlignment::Center, 200, 81, 59},  // half of 119, rounded toward zero
        {LinkAlignment::Right, 200, 81, 119},   {LinkAlignment::Center, 100, 130, -15},
        {LinkAlignment::Center, 100, 131, -15},  // half of -31, rounded toward zero
        {LinkAlignment::Right, 100, 130, -30},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shift, linkShift(c.alignment, c.clientRight, c.measuredRight))
            << static_cast<int>(c.alignment) << " " << c.clientRight << " " << c.measuredRight;
    }
}

TEST(LinkGeometry, DialogsAreCentredAndKeptInsideTheWorkArea) {
    const PlaceRect work{0, 0, 1280, 994};
    const struct {
        const char* name;
        std::optional<PlaceRect> owner;
        PlaceRect area;
        int width;
        int height;
        int x;
        int y;
    } cases[] = {
        {"over the owner", PlaceRect{100, 100, 600, 500}, work, 200, 100, 250, 250},
        {"odd sizes round toward zero", PlaceRect{100, 100, 601, 501}, work, 201, 101, 250, 250},
        {"no owner: the work area", std::nullopt, work, 300, 200, 490, 397},
        {"owner at the left edge", PlaceRect{-400, 10, 100, 210}, work, 300, 100, 0, 60},
        {"owner past the right and bottom", PlaceRect{1100, 900, 1500, 1200}, work, 300, 200, 980, 794},
        {"larger than the work area", std::nullopt, PlaceRect{0, 0, 100, 100}, 300, 200, 0, 0},
        {"work area off the origin", std::nullopt, PlaceRect{-1280, 30, 0, 1054}, 200, 100, -740, 492},
        {"negative centre sums round toward zero", PlaceRect{-101, -101, 0, 0},
         PlaceRect{-500, -500, 500, 500}, 11, 11, -55, -55},
    };
    for (const auto& c : cases) {
        const PlacePoint place = centredPosition(c.owner, c.area, c.width, c.height);
        EXPECT_EQ(c.x, place.x) << c.name;
        EXPECT_EQ(c.y, place.y) << c.name;
    }
}

}  // namespace

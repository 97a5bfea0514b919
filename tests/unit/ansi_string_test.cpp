// The string steps of the platform layer, on ASCII text (the same on every code page).
#include <gtest/gtest.h>

#include "platform/ansi_string.h"

namespace {

TEST(AnsiString, TrimTrailingSpace) {
    const struct {
        const char* text;
        const char* trimmed;
    } cases[] = {{"a b \t\r\n\v\f", "a b"}, {"  lead", "  lead"}, {"", ""}, {" \t ", ""}, {"x", "x"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.trimmed, platform::trimTrailingSpace(c.text)) << c.text;
    }
}

TEST(AnsiString, FindFirstAndLast) {
    EXPECT_EQ(1u, platform::findFirstChar("a b c", ' '));
    EXPECT_EQ(3u, platform::findLastChar("a b c", ' '));
    EXPECT_EQ(std::string::npos, platform::findFirstChar("abc", ' '));
    EXPECT_EQ(std::string::npos, platform::findLastChar("", ' '));
}

TEST(AnsiString, CaseConversion) {
    EXPECT_EQ("/l /q abc1.fxr", platform::toLowerCase("/L /Q ABC1.FXR"));
    EXPECT_EQ("ABC1.FXR", platform::toUpperCase("abc1.fxr"));
}

}  // namespace

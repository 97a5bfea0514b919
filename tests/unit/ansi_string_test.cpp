// The string steps of the platform layer, on ASCII text and on text in the program's code page.
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

// UTF-8 text in the program's code page ("?" where it lacks a character).
std::string cp(const char* utf8) {
    std::string text;
    platform::fromUtf8(utf8, text);
    return text;
}

TEST(AnsiString, FindFirstAndLast) {
    EXPECT_EQ(1u, platform::findFirstChar("a b c", ' '));
    EXPECT_EQ(3u, platform::findFirstChar("a b c", ' ', 2));
    EXPECT_EQ(3u, platform::findLastChar("a b c", ' '));
    EXPECT_EQ(std::string::npos, platform::findFirstChar("abc", ' '));
    EXPECT_EQ(std::string::npos, platform::findLastChar("", ' '));
    // In code page 932 the second bytes of "ソ" and "表" are backslashes; no search may find them.
    const std::string path = cp("inソ\\表");
    EXPECT_EQ(path.size() - cp("表").size() - 1, platform::findLastChar(path, '\\'));
    EXPECT_EQ(platform::findLastChar(path, '\\'), platform::findFirstChar(path, '\\'));
}

TEST(AnsiString, SeparatorAtTheEndAndCharactersBefore) {
    const struct {
        std::string text;
        bool endsWithBackslash;
    } ends[] = {{"in\\", true},      {"in", false},     {"", false},
                {cp("inソ"), false}, {cp("表"), false}, {cp("表\\"), true}};
    for (const auto& c : ends) {
        EXPECT_EQ(c.endsWithBackslash, platform::endsWithChar(c.text, '\\')) << c.text;
    }
    const std::string three = cp("表ソ淺");
    const std::size_t each = three.size() / 3;
    EXPECT_EQ(3 * each, platform::charsBefore(three, 0, three.size(), 0));
    EXPECT_EQ(2 * each, platform::charsBefore(three, 0, three.size(), 1));
    EXPECT_EQ(0u, platform::charsBefore(three, 0, three.size(), 3));
    EXPECT_EQ(0u, platform::charsBefore(three, 0, three.size(), 4));
    EXPECT_EQ(4u, platform::charsBefore("abcdefg", 2, 7, 3));
    EXPECT_EQ(2u, platform::charsBefore("abcdefg", 2, 4, 3));
}

TEST(AnsiString, CaseConversion) {
    EXPECT_EQ("/l /q abc1.fxr", platform::toLowerCase("/L /Q ABC1.FXR"));
    EXPECT_EQ("ABC1.FXR", platform::toUpperCase("abc1.fxr"));
}

}  // namespace

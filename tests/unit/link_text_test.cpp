// Link colours read from their settings text and browser command lines built from a registered
// open command, including the bounds that keep both inside their buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "links/link_text.h"

namespace {

constexpr LinkColor rgb(unsigned red, unsigned green, unsigned blue) {
    return red | (green << 8) | (blue << 16);
}

TEST(LinkColorText, ParsesRedGreenBlue) {
    const struct {
        const char* text;
        std::optional<LinkColor> color;
    } cases[] = {
        {"0,128,0", rgb(0, 128, 0)},
        {" 12, 34, 56", rgb(12, 34, 56)},
        {"300,0,0", rgb(44, 0, 0)},
        {"255,255,255", rgb(255, 255, 255)},
        {"0,0,-1", rgb(0, 0, 255)},
        {"+7,\t8,9 and more", rgb(7, 8, 9)},
        {"1,2,3,4", rgb(1, 2, 3)},
        {",,5", rgb(0, 0, 5)},
        {"99999999999,0,0", rgb(0xFF, 0, 0)},
        {"0,128", std::nullopt},
        {"0,128,", std::nullopt},
        {"-1,0,0", std::nullopt},
        {"0,-1,0", std::nullopt},
        {"", std::nullopt},
        {"red", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.color, parseColorText(c.text)) << '"' << c.text << '"';
    }
}

TEST(LinkColorText, OnlyAWholeTextInsideTheBufferCounts) {
    const struct {
        const char* name;
        const char* bytes;
        std::size_t length;
        std::optional<LinkColor> color;
    } cases[] = {
        {"short text, zero-filled", "0,128,0", 7, rgb(0, 128, 0)},
        {"11 characters and the terminator", "010,020,030", 11, rgb(10, 20, 30)},
        {"12 characters without terminator", "010,020,0301", 12, std::nullopt},
        {"empty buffer", "", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        char buffer[kColorValueBytes] = {};
        std::memcpy(buffer, c.bytes, c.length);
        EXPECT_EQ(c.color, colorFromValue(buffer, sizeof buffer)) << c.name;
    }
}

TEST(LinkColorText, TextInBufferStopsAtItsEnd) {
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(std::nullopt, textInBuffer(full, sizeof full));
    const char terminated[4] = {'a', 'b', '\0', 'd'};
    EXPECT_EQ("ab", textInBuffer(terminated, sizeof terminated));
    char registryValue[kRegistryValueBytes];
    std::memset(registryValue, 'x', sizeof registryValue);
    EXPECT_EQ(std::nullopt, textInBuffer(registryValue, sizeof registryValue));
    registryValue[kRegistryValueBytes - 1] = '\0';
    EXPECT_EQ(std::string(kRegistryValueBytes - 1, 'x'), textInBuffer(registryValue, sizeof registryValue));
}

TEST(BrowserCommand, TargetTakesThePlaceholdersPlace) {
    const std::string target = "http://www.quirewell.example/donate.htm";
    const struct {
        const char* name;
        const char* openCommand;
        std::string line;
    } cases[] = {
        {"quoted placeholder", "\"C:\\Browser\\browse.exe\" \"%1\"",
         "\"C:\\Browser\\browse.exe\"  " + target},
        {"unquoted placeholder with options after it", "C:\\Browser\\browse.exe -url %1 -new-window",
         "C:\\Browser\\browse.exe -url  " + target},
        {"no placeholder", "C:\\Browser\\browse.exe -nohome", "C:\\Browser\\browse.exe -nohome " + target},
        {"both forms", "browse.exe %1 \"%1\"", "browse.exe %1  " + target},
        {"placeholder glued to the program", "browse.exe%1", "browse.exe " + target},
        {"empty command", "", " " + target},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line, browserCommand(c.openCommand, target)) << c.name;
    }
}

TEST(BrowserCommand, ALineThatWouldNotFitIsRefused) {
    // The finished line and its terminating zero must fit the command buffer exactly.
    const std::string command = "browse.exe \"%1\"";
    const std::string prefix = "browse.exe  ";
    const std::string fits(kCommandBytes - 1 - prefix.size(), 'a');
    EXPECT_EQ(prefix + fits, browserCommand(command, fits));
    EXPECT_EQ(std::nullopt, browserCommand(command, fits + "a"));
    // The part cut away does not count against the buffer.
    const std::string longTail = "browse.exe %1 " + std::string(600, 'o');
    EXPECT_EQ("browse.exe  x", browserCommand(longTail, "x"));
    EXPECT_EQ(std::nullopt, browserCommand(std::string(600, 'c'), "x"));
}

}  // namespace

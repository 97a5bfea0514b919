// The main window's rules that need no window.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ansi_string.h"
#include "runs/dialog_rules.h"

namespace {

TEST(DialogRules, ClosingTextCountsFailuresAndFoldersOnlyWhenThereAreSome) {
    EXPECT_EQ("Done. Total 0 fax files merged.", dialogClosingText({0, 0}));
    EXPECT_EQ("Done. Total 12 fax files merged.", dialogClosingText({12, 0}));
    EXPECT_EQ("Done. Total 12 fax files merged, 3 failed.", dialogClosingText({12, 3}));
    EXPECT_EQ("Done. Total 12 fax files merged, 2 folders not read.", dialogClosingText({12, 0, 2}));
    EXPECT_EQ("Done. Total 12 fax files merged, 3 failed, 1 folders not read.",
              dialogClosingText({12, 3, 1}));
    EXPECT_EQ("Doing: C:\\in\\A001.FXR -> D:\\out\\Afax.fxm",
              doingText({"C:\\in\\A001.FXR", "D:\\out\\Afax.fxm"}));
}

TEST(DialogRules, TheIconTellsHowTheLastMergeWentAndWarnsOnceAfterAMergeThatFailed) {
    const struct {
        RunTotals totals;
        const char* tip;      // after "Quirewell\nLast merge 09:05: "
        const char* balloon;  // after "The last merge could not "; empty: no warning
    } cases[] = {
        {{812, 0, 0}, "812 fax files", ""},
        {{1, 0, 0}, "1 fax file", ""},
        {{0, 3, 0}, "0 fax files, 3 failed", "merge 3 page files"},
        {{5, 1, 1}, "5 fax files, 1 failed, 1 folder not read", "merge 1 page file or read 1 folder"},
        {{5, 0, 2}, "5 fax files, 2 folders not read", "read 2 folders"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string("Quirewell\nLast merge 09:05: ") + c.tip, trayTipText(c.totals, 9, 5));
        EXPECT_EQ(*c.balloon != '\0', mergeNeedsWarning(c.totals)) << c.tip;
        if (mergeNeedsWarning(c.totals)) {
            EXPECT_EQ(std::string("The last merge could not ") + c.balloon + "; the log tells why.",
                      warningBalloonText(c.totals));
        }
    }
    EXPECT_LE(trayTipText({2147483647, 2147483647, 2147483647}, 23, 59).size(), 127u);
    // A wait or its end after the time: whole, or with its middle left out to fit, never half a
    // character.
    std::string folder;
    // Characters of more than one byte in this code page: UTF-8, 936, 932, 1252.
    for (const char* name : {"\xE4\xBC\xA0\xE7\x9C\x9F", "\xE8\xA1\xA8", "Zo\xC3\xAB"}) {
        if (folder.empty() && !platform::fromUtf8(name, folder)) {
            folder.clear();
        }
    }
    ASSERT_FALSE(folder.empty());
    const struct {
        std::string text;
        std::string tip;
    } notes[] = {
        {"Waiting for another Quirewell run to finish with C:\\Fax",
         "Quirewell\n07:03 Waiting for another Quirewell run to finish with C:\\Fax"},
        {std::string(150, 'a') + "!",
         "Quirewell\n07:03 " + std::string(54, 'a') + "..." + std::string(53, 'a') + "!"},
    };
    for (const auto& note : notes) {
        EXPECT_EQ(note.tip, trayNoteText(note.text, 7, 3));
    }
    for (std::size_t length = 112; length < 140; ++length) {
        std::string text(length % 3, 'x');
        while (text.size() < length) {
            text += folder;
        }
        const std::string tip = trayNoteText(text, 7, 3);
        EXPECT_LE(tip.size(), 127u) << length;
        // Both ends of what is left out lie where characters begin.
        const std::size_t front = tip.find("...") - 16;
        const std::size_t back = text.size() - (tip.size() - tip.find("...") - 3);
        bool frontBegins = false;
        bool backBegins = false;
        for (std::size_t at = 0; at <= text.size();
             at += std::max<std::size_t>(1, platform::charLength(text, at))) {
            frontBegins = frontBegins || at == front;
            backBegins = backBegins || at == back;
        }
        EXPECT_TRUE(frontBegins && backBegins) << length;
    }
    // The balloon comes as the warning begins (warned before, now), unless the window is open.
    EXPECT_TRUE(warningBalloonDue(false, true, false));
    EXPECT_FALSE(warningBalloonDue(true, true, false) || warningBalloonDue(false, true, true));
}

TEST(DialogRules, ProgressMaximumKeepsTheLow16Bits) {
    const struct {
        int count;
        unsigned maximum;
    } cases[] = {{0, 0}, {1, 1}, {65535, 65535}, {65536, 0}, {70000, 70000 - 65536}, {-1, 65535}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.maximum, progressMaximum(c.count)) << c.count;
    }
}

TEST(DialogRules, MinutesAndTheirTimerPeriod) {
    const struct {
        int minutes;
        bool accepted;
    } cases[] = {{0, false}, {-5, false}, {1, true}, {60, true}, {35791, true}, {35792, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.accepted, minutesAccepted(c.minutes)) << c.minutes;
    }
    EXPECT_EQ(3600000u, timerPeriodMs(60));
    EXPECT_EQ(60000u, timerPeriodMs(1));
    EXPECT_LE(timerPeriodMs(kMaxMinutes), 0x7FFFFFFFu);
    EXPECT_GT(timerPeriodMs(kMaxMinutes + 1), 0x7FFFFFFFu);
}

TEST(DialogRules, CheckStatesOutsideTheirRangeAreWrittenAsUnchecked) {
    const int held[] = {-1, 0, 1, 2, 3, 100};
    const int written[] = {0, 0, 1, 2, 0, 0};
    for (std::size_t i = 0; i < std::size(held); ++i) {
        EXPECT_EQ(written[i], writableCheckState(held[i])) << held[i];
    }
}

TEST(DialogRules, HelpPathReplacesEverythingFromTheLastDot) {
    const struct {
        const char* module;
        const char* help;
    } cases[] = {
        {"C:\\Tools\\Quirewell.exe", "C:\\Tools\\Quirewell.chm"},
        {"C:\\My.Tools\\Quirewell", "C:\\My.chm"},
        {"C:\\Tools\\Quirewell", "C:\\Tools\\Quirewell.chm"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.help, helpPathFor(c.module)) << c.module;
    }
}

// A log of `entries` page file lines between the header and the closing block.
std::string logOf(int entries) {
    std::string log = "Source Dir: C:\\in\r\nDestination Dir: D:\\out\r\n\r\n";
    for (int i = 1; i <= entries; ++i) {
        log += "C:\\in\\F" + std::to_string(1000 + i) + ".FXR -> D:\\out\\Ffax.fxm\r\n";
    }
    return log + "\r\n---------\r\nTotal merged WinFax files: " + std::to_string(entries) + "\r\n";
}

TEST(DialogRules, TheResultBoxShortensALongLogToItsStartAndItsTotals) {
    const struct {
        int entries;  // with the header's 3 lines and the closing block's 3: lines in all + 6
        int omitted;  // -1: the log is shown whole
    } cases[] = {{0, -1}, {34, -1}, {35, 8}, {300, 273}};
    for (const auto& c : cases) {
        const std::string log = logOf(c.entries);
        const std::string shown = resultBoxText(log);
        if (c.omitted < 0) {
            EXPECT_EQ(log, shown) << c.entries;
            continue;
        }
        const std::string closing =
            "\r\n---------\r\nTotal merged WinFax files: " + std::to_string(c.entries) + "\r\n";
        const std::string firstLines = log.substr(0, log.find("F1028.FXR"));  // the header and 27 entries
        EXPECT_EQ(firstLines.substr(0, firstLines.rfind("\r\n") + 2) + "... " + std::to_string(c.omitted) +
                      " more lines ...\r\n" + closing,
                  shown)
            << c.entries;
    }
    // A log without a closing block keeps its first lines.
    std::string thirty;
    for (int i = 0; i < 30; ++i) {
        thirty += "line\r\n";
    }
    EXPECT_EQ(thirty + "... 15 more lines ...\r\n", resultBoxText(thirty + thirty.substr(0, 15 * 6)));
}

}  // namespace

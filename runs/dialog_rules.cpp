// The window-free rules of the main dialog.
#include "runs/dialog_rules.h"

#include <vector>

#include "platform/ansi_string.h"

std::string doingText(const EntryPaths& paths) {
    return "Doing: " + paths.source + " -> " + paths.output;
}

std::string dialogClosingText(const RunTotals& totals) {
    std::string text = "Done. Total " + std::to_string(totals.merged) + " fax files merged";
    if (totals.failed > 0) {
        text += ", " + std::to_string(totals.failed) + " failed";
    }
    if (totals.foldersNotRead > 0) {
        text += ", " + std::to_string(totals.foldersNotRead) + " folders not read";
    }
    return text + ".";
}

namespace {

// "1 folder", "2 folders".
std::string counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Built by appending: GCC 12 takes `"literal" + std::string&&` for an overlapping copy at -O3.
std::string twoDigits(int number) {
    std::string digits(number < 10 ? "0" : "");
    return digits.append(std::to_string(number));
}

}  // namespace

std::string trayTipText(const RunTotals& totals, int hour, int minute) {
    std::string text = "Quirewell\nLast merge " + twoDigits(hour) + ":" + twoDigits(minute) + ": " +
                       counted(totals.merged, "fax file", "fax files");
    if (totals.failed > 0) {
        text += ", " + std::to_string(totals.failed) + " failed";
    }
    if (totals.foldersNotRead > 0) {
        text += ", " + counted(totals.foldersNotRead, "folder", "folders") + " not read";
    }
    return text;
}

std::string trayNoteText(const std::string& text, int hour, int minute) {
    constexpr std::size_t kMostTipCharacters = 127;
    const std::string head = "Quirewell\n" + twoDigits(hour) + ":" + twoDigits(minute) + " ";
    std::string note = text;
    // Whole characters are left out, so that the tip holds no half of one.
    if (head.size() + note.size() > kMostTipCharacters) {
        const std::size_t keep = kMostTipCharacters - head.size() - 3;
        const std::size_t front = platform::charsBefore(note, 0, keep / 2 + 1, 1);
        std::size_t back = note.size() - (keep - front);
        while (back < note.size() && platform::charsBefore(note, 0, back + 1, 1) != back) {
            ++back;
        }
        note = note.substr(0, front) + "..." + note.substr(back);
    }
    return head + note;
}

bool mergeNeedsWarning(const RunTotals& totals) {
    return totals.failed > 0 || totals.foldersNotRead > 0;
}

bool warningBalloonDue(bool warnedBefore, bool warnedNow, bool windowVisible) {
    return warnedNow && !warnedBefore && !windowVisible;
}

std::string warningBalloonText(const RunTotals& totals) {
    std::string what;
    if (totals.failed > 0) {
        what = "merge " + counted(totals.failed, "page file", "page files");
    }
    if (totals.foldersNotRead > 0) {
        what += (what.empty() ? "read " : " or read ") + counted(totals.foldersNotRead, "folder", "folders");
    }
    return "The last merge could not " + what + "; the log tells why.";
}

unsigned progressMaximum(int count) {
    return static_cast<unsigned>(count) & 0xFFFFu;
}

int writableCheckState(int held) {
    return (held >= 0 && held <= 2) ? held : 0;
}

bool minutesAccepted(int minutes) {
    return minutes >= kMinMinutes && minutes <= kMaxMinutes;
}

unsigned timerPeriodMs(int minutes) {
    return static_cast<unsigned>(minutes) * 60000u;
}

std::string resultBoxText(const std::string& log) {
    constexpr std::size_t kMostLines = 40;
    constexpr std::size_t kFirstLines = 30;
    std::vector<std::size_t> lineEnds;  // just past each "\r\n"
    for (std::size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2)) {
        lineEnds.push_back(at + 2);
    }
    if (lineEnds.size() <= kMostLines) {
        return log;
    }
    // The closing block is the blank line before the "---------" line and all that follows.
    const std::size_t separator = log.rfind("\r\n---------\r\n");
    const std::size_t head = lineEnds[kFirstLines - 1];
    const std::size_t closing = separator != std::string::npos && separator >= head ? separator : log.size();
    std::size_t left = 0;
    for (const std::size_t end : lineEnds) {
        left += end > head && end <= closing ? 1 : 0;
    }
    return log.substr(0, head) + "... " + std::to_string(left) + " more lines ...\r\n" + log.substr(closing);
}

std::string helpPathFor(const std::string& modulePath) {
    if (modulePath.empty()) {
        return std::string();
    }
    const std::size_t dot = platform::findLastChar(modulePath, '.');
    return (dot == std::string::npos ? modulePath : modulePath.substr(0, dot)) + ".chm";
}

// The window-free rules of the main dialog.
#include "runs/dialog_rules.h"

#include "platform/ansi_string.h"

std::string doingText(const EntryPaths& paths) { return "Doing: " + paths.source + " -> " + paths.output; }

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

unsigned progressMaximum(int count) { return static_cast<unsigned>(count) & 0xFFFFu; }

int writableCheckState(int held) { return (held >= 0 && held <= 2) ? held : 0; }

bool minutesAccepted(int minutes) { return minutes >= kMinMinutes && minutes <= kMaxMinutes; }

unsigned timerPeriodMs(int minutes) { return static_cast<unsigned>(minutes) * 60000u; }

std::string helpPathFor(const std::string& modulePath) {
    if (modulePath.empty()) {
        return std::string();
    }
    const std::size_t dot = platform::findLastChar(modulePath, '.');
    return (dot == std::string::npos ? modulePath : modulePath.substr(0, dot)) + ".chm";
}

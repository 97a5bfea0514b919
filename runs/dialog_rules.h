// The main window's rules that need no window: the texts a dialog run shows, the progress bar's
// range, the accepted minutes of automatic merging and their timer period, what the notification
// icon tells of the last merge, and the help file's path. Kept here so that they are tested on
// every platform.
#pragma once

#include <string>

#include "engine/output_paths.h"
#include "runs/directory_run.h"

// "Doing: SOURCE -> OUTPUT", the status line while a page file is merged.
std::string doingText(const EntryPaths& paths);

// The status line at the end of a dialog run, which also closes its log box.
std::string dialogClosingText(const RunTotals& totals);

// The progress bar's maximum for a scan of `count` entries: the low 16 bits, so -1 (no source
// directory) gives 65535.
unsigned progressMaximum(int count);

// A check box's held state as it may be written back: 0, 1 or 2; anything else becomes 0.
int writableCheckState(int held);

// Minutes of automatic merging: whole numbers from 1 to 35791, whose period in milliseconds
// fits the platform's timer.
inline constexpr int kMinMinutes = 1;
inline constexpr int kMaxMinutes = 35791;
bool minutesAccepted(int minutes);
unsigned timerPeriodMs(int minutes);

// The notification icon's tip after a merge that ended at `hour`:`minute`, local time: "Quirewell"
// and a line "Last merge 14:00: 812 fax files", with ", 3 failed" and ", 1 folder not read" when
// there were any. Whatever the counts, it fits the 127 characters the shell shows.
std::string trayTipText(const RunTotals& totals, int hour, int minute);

// The notification icon's tip for what a run met at `hour`:`minute`: "Quirewell" and a line with
// the time and `text` (a wait for the save folder, or the end of one), its middle left out where
// the whole would pass the 127 characters the shell shows.
std::string trayNoteText(const std::string& text, int hour, int minute);

// A merge with failed page files or folders not read leaves the icon warning until one goes well.
bool mergeNeedsWarning(const RunTotals& totals);

// The balloon is due once, when the warning begins, and never while the window is open: its log
// already says what went wrong.
bool warningBalloonDue(bool warnedBefore, bool warnedNow, bool windowVisible);

// The balloon's text after a merge that needs the warning.
std::string warningBalloonText(const RunTotals& totals);

// The text of the command line's result box: a log of more than 40 lines shows its first 30, a
// line "... N more lines ...", and its closing block, so that the box fits the screen and its
// button can be reached; a shorter log shows whole.
std::string resultBoxText(const std::string& log);

// The help file beside the program: the module path with everything from its last "." replaced
// by ".chm" (".chm" added when the path has no "."); empty for an empty module path.
std::string helpPathFor(const std::string& modulePath);

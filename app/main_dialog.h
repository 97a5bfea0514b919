// The main window: a modeless dialog from template 129 with its held values, the exchange of
// those values with the controls, the merge started from it (window_runs.cpp), automatic merging
// (auto_merge.cpp), the icon in the notification area and the help file.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/help_loader.h"
#include "app/merge_worker.h"
#include "app/message_loop.h"
#include "app/tray_icon.h"
#include "links/link_label.h"
#include "runs/merge_options.h"
#include "runs/run_log_file.h"
#include "ui/dialog_base.h"

// The values the dialog keeps for its controls; only the UI thread touches them.
struct HeldValues {
    std::string faxDir;
    std::string fileMask = "*.*";
    std::string saveDir;
    std::string statusText;
    // The log text the log box has not been given yet; the box itself holds the rest, and is
    // never read back into a second copy. `logReplaces`: the box's text is to be replaced by it.
    std::string logText;
    bool logReplaces = true;
    int includeSubdirs = 0;
    int keepFileDate = 0;
    int keepHierarchy = 0;
    int autoMerge = 0;
    int minutes = 60;
};

class MainDialog : public DialogBase, public MessageFilter {
public:
    MainDialog();
    ~MainDialog() override;

    bool PreTranslate(MSG& message) override;

    enum class Direction { Read, Write };
    // Moves the held values from the controls (Read) or into them (Write); false when a step
    // failed, after a beep and with the focus on that step's control.
    bool ExchangeData(Direction direction);

    // The window's exit codes: OK and the icon's Exit, or Cancel and the close box.
    static constexpr int kExitOk = 1;
    static constexpr int kExitCancel = 2;

    // Destroys the window and asks the message loop to end with `code`. During a run the window
    // hides and the icon stays, saying that the merge is finishing, until the run has ended.
    void CloseWithCode(int code);

    // The "/auto:N" preset: the folders and check boxes of `preset` and automatic merging every
    // autoMinutes() minutes, as if typed and ticked by hand, and a merge at once. Each automatic
    // merge writes its log to the preset's "/log:" or "/log+:" file, headed by `commandLine`.
    void StartPreset(const MergeOptions& preset, const std::string& commandLine);

    // Serves the messages of a merge worker that is still running until it has ended: before
    // the next run, and after the window has gone, so that a run goes to its end.
    void WaitForWorker();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr UINT_PTR kAutoMergeTimer = 7;

    INT_PTR Answer(LRESULT result);
    BOOL OnInitDialog();
    // Loads the window's icons for its DPI and gives them to the window and the notification area.
    void LoadIcons();
    INT_PTR OnCommand(WORD id);
    INT_PTR OnColor(UINT message, HDC dc, HWND control);
    void MergeNow();
    void PickDirectory(std::string& held);
    void ShowAndBringToFront();
    // Automatic merging (auto_merge.cpp): the timer of `minutes` started or stopped, the check
    // box's rules, and a merge on each tick.
    void SetAutoMergeTimer(int minutes, bool on);
    void ApplyAutoMerge();
    void StopAutoMerge();
    void OnTimer(UINT_PTR id);
    void OpenHelp();
    // Asked from outside to close (outside_close.cpp): by an installer's "Quirewell.Quit", which
    // also asks for a start again after it when `startAgain`, and by the end of the session, which
    // the Restart Manager also sends. Either way a merge in progress finishes first.
    LRESULT OnQuitRequest(DWORD installer, bool startAgain);
    void OnEndSession();

    int PrepareRun();
    // Starts the prepared run, with its log also written to the file `log` names, if any.
    void StartMergeWorker(const LogFileSetting& log = LogFileSetting());
    void SetControlsEnabled(bool enabled);

    // A report of the merge worker, performed on the UI thread (merge_worker.h).
    void OnWorkerReport();
    void BeginRun(bool saveDirFailed);
    void EndRun(const RunTotals& totals);
    // The icon's tip, picture and balloon after a run with these totals.
    void ShowOutcome(const RunTotals& totals);
    // The icon's tip tells `text` after the time it is told.
    void ShowNote(const std::string& text);

    bool ExchangeText(int id, std::string& held, Direction direction);
    bool ExchangeLog(Direction direction);

    HeldValues held_;
    // Where the automatic merges write their logs: set by the preset alone.
    LogFileSetting tickLog_;
    // The run PrepareRun has scanned for, until StartMergeWorker gives it to the worker.
    std::unique_ptr<MergeOptions> preparedRun_;
    int runActive_ = 0;
    std::unique_ptr<MergeWorker> worker_;
    HWND progressBar_ = nullptr;
    HBRUSH dialogBrush_ = nullptr;
    HBRUSH editBrush_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON warningIcon_ = nullptr;  // the icon's picture after a merge that did not go well
    bool warned_ = false;          // the last merge did not go well
    TrayIcon trayIcon_;
    HelpLoader helpLoader_;
    LinkLabel productLink_;
    LinkLabel donationLink_;
    LinkLabel siteLink_;
    MessageLoop* loop_ = nullptr;
    int closingCode_ = 0;  // the code to end with once the run has ended, when closed during it
    const UINT quitMessage_;
    // Worker reports taken, which tell an installer waiting for the program to close that the merge
    // it finishes first is still getting on.
    unsigned reportsTaken_ = 0;
};

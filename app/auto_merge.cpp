// MainDialog's automatic merging: the timer, the rules of its check box, its ticks, and the
// "/auto:N" preset that starts the window with it.
#include "app/main_dialog.h"
#include "app/private_messages.h"
#include "resources/resource.h"
#include "runs/dialog_rules.h"

void MainDialog::SetAutoMergeTimer(int minutes, bool on) {
    if (on) {
        SetTimer(Window(), kAutoMergeTimer, timerPeriodMs(minutes), nullptr);
    } else {
        KillTimer(Window(), kAutoMergeTimer);
    }
}

void MainDialog::StopAutoMerge() {
    SendMessageA(Window(), WM_AUTOMERGE, 0, 0);
    EnableWindow(GetDlgItem(Window(), IDC_MINUTES), TRUE);
}

void MainDialog::ApplyAutoMerge() {
    // The controls are read first, so that directories typed since the last read count; the
    // directories before the minutes, which may not read.
    const int state = static_cast<int>(SendDlgItemMessageA(Window(), IDC_AUTO_MERGE, BM_GETCHECK, 0, 0));
    ExchangeText(IDC_FAX_DIR, held_.faxDir, Direction::Read);
    ExchangeText(IDC_SAVE_DIR, held_.saveDir, Direction::Read);
    const bool minutesRead = ExchangeData(Direction::Read);
    const char* refusal = nullptr;
    if (held_.faxDir.empty()) {
        refusal = "Select Source Dir,\nwhere your fax files to be merged";
    } else if (held_.saveDir.empty()) {
        refusal = "Select Save Dir,\nwhere your merged fax files should be";
    } else if (state != 0 && (!minutesRead || !minutesAccepted(held_.minutes))) {
        refusal = "Merge every: enter a whole number of minutes from 1 to 35791";
    }
    if (refusal != nullptr) {
        MessageBoxA(Window(), refusal, "Warning", MB_OK);
        // Only the check box goes back; what was typed stays for the user to mend.
        held_.autoMerge = 0;
        StopAutoMerge();
        CheckDlgButton(Window(), IDC_AUTO_MERGE, BST_UNCHECKED);
        return;
    }
    EnableWindow(GetDlgItem(Window(), IDC_MINUTES), state == 0 ? TRUE : FALSE);
    SendMessageA(Window(), WM_AUTOMERGE, static_cast<WPARAM>(held_.minutes), state);
}

void MainDialog::OnTimer(UINT_PTR id) {
    if (id != kAutoMergeTimer) {
        return;
    }
    // A tick during a run is skipped without a word: nobody may be there to close a box, and a
    // night of ticks would stack them up. The next tick after the run merges.
    if (runActive_ == 1) {
        return;
    }
    ExchangeData(Direction::Read);
    PrepareRun();
    if (held_.faxDir.empty() || held_.saveDir.empty()) {
        return;
    }
    // Never waiting for another run longer than a period: a folder held all that time costs this
    // merge, and the next tick tries again.
    preparedRun_->setWaitMinutes(minutesAccepted(held_.minutes) ? held_.minutes : kMaxMinutes);
    StartMergeWorker(tickLog_);
}

void MainDialog::StartPreset(const MergeOptions& preset, const std::string& commandLine) {
    tickLog_ = {preset.logFile(), preset.logAppends(), commandLine};
    held_.faxDir = preset.sourceDir();
    held_.saveDir = preset.destDir();
    held_.includeSubdirs = preset.includeSubdirs() ? 1 : 0;
    held_.keepHierarchy = preset.keepHierarchy() ? 1 : 0;
    held_.keepFileDate = preset.keepFileDate() ? 1 : 0;
    held_.autoMerge = 1;
    held_.minutes = preset.autoMinutes();
    ExchangeData(Direction::Write);
    // From here on as if the user had typed all this and ticked the box, with the first tick now:
    // nobody is there to wait a whole period for the first merge.
    ApplyAutoMerge();
    OnTimer(kAutoMergeTimer);
}

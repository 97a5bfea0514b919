// The preview: the run's own walk with a record that only plans, and the plan written out.
#include "runs/run_preview.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/ansi_string.h"
#include "runs/command_line.h"
#include "runs/merge_options.h"
#include "runs/run_session.h"

namespace {

struct PlannedOutput {
    std::string path;
    std::vector<std::pair<std::string, std::size_t>> pages;  // page file, pages it brings
    OutputFate fate = OutputFate::New;
};

// What the run would do to a planned fax, found by the same comparison the run makes.
const char* fateText(OutputFate fate) {
    switch (fate) {
        case OutputFate::Unchanged:
            return " (unchanged)";
        case OutputFate::Replaces:
            return " (replaces the one there)";
        default:
            return " (new)";
    }
}

std::string pagesText(std::size_t pages) {
    return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}

// Gathers the plan as the walk goes: the outputs in the order the run starts them, and what it
// refuses or passes over in the order the run's log tells it.
class PlanSink : public RunSink {
public:
    void entryStarted(const EntryPaths&) override {}

    void entryFinished(const EntryPaths& paths, const PageReport& report) override {
        if (report.result != kAppendOk) {
            return;
        }
        const auto [found, isNew] = outputIndex_.emplace(platform::pathKey(paths.output), outputs_.size());
        if (isNew) {
            outputs_.push_back({paths.output, {}});
        }
        outputs_[found->second].pages.emplace_back(paths.source, report.pages);
    }

    void outputCompleted(const std::string& output, OutputFate fate) override {
        if (const auto found = outputIndex_.find(platform::pathKey(output)); found != outputIndex_.end()) {
            outputs_[found->second].fate = fate;
        }
    }

    // Refusals in the order the run's log tells them.
    void entryLogged(const EntryPaths& paths, const PageReport& report) override {
        if (!report.notEntered.empty() && toldNotEntered_.insert(report.notEntered).second) {
            refused_ += "    Not entered: " + report.notEntered +
                        (report.notEnteredOwnerUnknown ? " (a link whose owner cannot be told)\r\n"
                                                       : " (a link of another user's)\r\n");
        }
        if (report.result != kAppendOk) {
            refused_ += "    " + paths.source + " (" + pageFailureReason(report.result) + ")\r\n";
        }
    }

    void folderPassedOver(const UnreadFolder& folder) override {
        (isFailure(folder.reason) ? refused_ : skipped_) += "    " + unreadFolderLine(folder);
    }

    std::string planText(const MergeOptions& options, const RunTotals& totals) const {
        std::string text = "Source Dir: " + options.sourceDir() +
                           "\r\nDestination Dir: " + options.destDir() +
                           "\r\nPreview: nothing has been written.\r\n";
        std::size_t unchanged = 0;
        for (const PlannedOutput& output : outputs_) {
            unchanged += output.fate == OutputFate::Unchanged ? 1 : 0;
            text +=
                (&output == &outputs_.front() ? "\r\n" : "") + output.path + fateText(output.fate) + "\r\n";
            for (const auto& [source, pages] : output.pages) {
                text += "    " + source + " (" + pagesText(pages) + ")\r\n";
            }
        }
        if (!refused_.empty()) {
            text += "\r\nRefused:\r\n" + refused_;
        }
        if (!skipped_.empty()) {
            text += "\r\nSkipped:\r\n" + skipped_;
        }
        text += "\r\n---------\r\nMerged faxes to write: " + std::to_string(outputs_.size()) +
                "\r\nPage files to merge: " + std::to_string(totals.merged) + "\r\n";
        if (totals.failed > 0) {
            text += "Page files refused: " + std::to_string(totals.failed) + "\r\n";
        }
        if (totals.foldersNotRead > 0) {
            text += "Folders not read: " + std::to_string(totals.foldersNotRead) + "\r\n";
        }
        text += "Unchanged: " + std::to_string(unchanged) +
                "\r\nTo write: " + std::to_string(outputs_.size() - unchanged) + "\r\n";
        return text;
    }

private:
    std::vector<PlannedOutput> outputs_;
    std::unordered_map<std::string, std::size_t> outputIndex_;  // by the file system's spelling
    std::string refused_;
    std::string skipped_;
    std::unordered_set<std::string> toldNotEntered_;
};

}  // namespace

int previewDirectoryMerge(MergeOptions& options, RunTotals& totals) {
    RunSession session(options, RunSession::Kind::Plan, false);
    // The run would stop here, so the plan does too.
    if (!session.saveFolderReady()) {
        options.setRunLog("Failed to create dir: " + options.destDir() + "\r\n");
        return -1;
    }
    PlanSink plan;
    totals = walkScanList(session, commandLinePathRule(options), &plan);
    options.setRunLog(plan.planText(options, totals));
    return 0;
}

// The preview: every page file read and checked as a run would, every output counted, the plan
// written out.
#include "runs/run_preview.h"

#include <unordered_map>
#include <vector>

#include "engine/merge_batch.h"
#include "platform/ansi_string.h"
#include "runs/merge_options.h"

namespace {

struct PlannedOutput {
    std::string path;
    std::vector<std::pair<std::string, std::size_t>> pages;  // page file, pages it brings
};

std::string pagesText(std::size_t pages) {
    return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}

}  // namespace

RunTotals previewDirectoryMerge(MergeOptions& options) {
    MergeBatch plan(MergeBatch::Mode::Plan);
    std::vector<PlannedOutput> outputs;
    std::unordered_map<std::string, std::size_t> outputIndex;  // by the file system's spelling
    std::string refused;
    RunTotals totals;
    const std::vector<UnreadFolder>& unread = options.unreadFolders();
    for (const UnreadFolder& folder : unread) {
        refused += "    " + unreadFolderLine(folder);
        ++totals.foldersNotRead;
    }
    for (const std::string& entry : options.scanList()) {
        const EntryPaths paths = commandLineEntryPaths(options.sourceDir(), options.destDir(), entry);
        const PageReport report = plan.mergePage(paths.source, paths.output, false);
        if (report.result != kAppendOk) {
            refused += "    " + paths.source + " (" + pageFailureReason(report.result) + ")\r\n";
            ++totals.failed;
            continue;
        }
        const std::string key = platform::pathKey(paths.output);
        const auto [found, isNew] = outputIndex.emplace(key, outputs.size());
        if (isNew) {
            outputs.push_back({paths.output, {}});
        }
        outputs[found->second].pages.emplace_back(paths.source, report.pages);
        ++totals.merged;
    }
    plan.finish();

    std::string text = "Source Dir: " + options.sourceDir() + "\r\nDestination Dir: " + options.destDir() +
                       "\r\nPreview: nothing has been written.\r\n";
    for (const PlannedOutput& output : outputs) {
        text += (&output == &outputs.front() ? "\r\n" : "") + output.path + "\r\n";
        for (const auto& [source, pages] : output.pages) {
            text += "    " + source + " (" + pagesText(pages) + ")\r\n";
        }
    }
    if (!refused.empty()) {
        text += "\r\nRefused:\r\n" + refused;
    }
    text += "\r\n---------\r\nMerged faxes to write: " + std::to_string(outputs.size()) +
            "\r\nPage files to merge: " + std::to_string(totals.merged) + "\r\n";
    if (totals.failed > 0) {
        text += "Page files refused: " + std::to_string(totals.failed) + "\r\n";
    }
    if (totals.foldersNotRead > 0) {
        text += "Folders not read: " + std::to_string(totals.foldersNotRead) + "\r\n";
    }
    options.setRunLog(text);
    return totals;
}

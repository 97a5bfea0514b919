// The order of a merge run: the hold, the scan, the outputs merged and the entries logged.
#include "runs/directory_run.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/ansi_string.h"
#include "runs/merge_options.h"

namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

// The order in which a run merges its entries: each output's pages together, the outputs in the
// order of their first pages and each output's pages in list order, so that every output is built
// once and the pages of each come out as the list has them. `next[i]` is the entry merged after
// entry i into the same output; the first entries of the outputs are returned, and `paths` gets
// each entry's paths, formed once.
std::vector<std::uint32_t> outputsInOrder(const std::vector<std::string>& list, const PathRule& rule,
                                          std::vector<std::uint32_t>& next, std::vector<EntryPaths>& paths) {
    next.assign(list.size(), kNoEntry);
    paths.clear();
    paths.reserve(list.size());
    std::vector<std::uint32_t> firsts;
    // The last entry of each output so far, by the file system's spelling; in a list in name
    // order nearly every entry joins the output of the entry before.
    std::unordered_map<std::string, std::uint32_t> lastOf;
    std::string previousKey;
    std::string scratch;
    for (std::uint32_t i = 0; i < list.size(); ++i) {
        paths.push_back(rule(list[i]));
        const std::string& key = platform::pathKeyOf(paths.back().output, scratch);
        if (i > 0 && key == previousKey) {
            next[i - 1] = i;
            continue;
        }
        if (i > 0) {
            lastOf[previousKey] = i - 1;
        }
        const auto earlier = lastOf.find(key);
        if (earlier == lastOf.end()) {
            firsts.push_back(i);
        } else {
            next[earlier->second] = i;
        }
        previousKey = key;
    }
    return firsts;
}

// Nothing known yet of an entry's page.
constexpr std::int8_t kNotMerged = 1;

}  // namespace

RunTotals walkScanList(RunSession& session, const PathRule& rule, RunSink* sink) {
    MergeOptions& options = session.options();
    const HoldReport held = session.hold([&] {
        if (sink != nullptr) {
            sink->waitingForFolder(options.destDir());
        }
    });
    RunTotals totals;
    const auto tell = [&](const std::string& line) {
        options.appendRunLog(line + "\r\n");
        if (sink != nullptr) {
            sink->holdProblem(line);
        }
    };
    if (held.problem == platform::LockProblem::TimedOut) {
        // Nothing is scanned or merged: the other run may be changing the folder still.
        options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
        tell(holdProblemLine(held.problem, options.destDir(), options.waitMinutes()));
        session.finish();
        totals.gaveUp = true;
        return totals;
    }
    const int found = options.collectFaxFiles(options.includeSubdirs());
    if (sink != nullptr) {
        sink->scanned(found);
    }
    options.setRunLog(runHeader(options.sourceDir(), options.destDir()));
    if (held.problem != platform::LockProblem::None) {
        tell(holdProblemLine(held.problem, options.destDir(), options.waitMinutes()));
    }
    if (held.folderNotListed) {
        tell(saveFolderNotListedLine(options.destDir()));
    }
    if (held.leftoversKept > 0) {
        tell(leftoversKeptLine(held.leftoversKept, options.destDir()));
    }
    const std::vector<std::string>& list = options.scanList();
    const std::vector<UnreadFolder>& unread = options.unreadFolders();
    std::size_t nextUnread = 0;
    const auto logUnreadFolders = [&](std::size_t entriesDone) {
        for (; nextUnread < unread.size() && unread[nextUnread].position <= entriesDone; ++nextUnread) {
            const UnreadFolder& folder = unread[nextUnread];
            options.appendRunLog(unreadFolderLine(folder));
            // Reached again by a link or junction, a folder has been merged all the same; a
            // stranger's link is passed over, which is no failure either.
            totals.foldersNotRead += isFailure(folder.reason) ? 1 : 0;
            if (sink != nullptr) {
                sink->folderPassedOver(folder);
            }
        }
    };
    // Each entry's paths, formed once; what each entry's page met, kept until the entries before it
    // are logged.
    std::vector<EntryPaths> entryPaths;
    std::vector<std::int8_t> results(list.size(), kNotMerged);
    std::vector<bool> datesNotKept(list.size(), false);
    std::unordered_map<std::uint32_t, PageReport> refused;
    std::size_t logged = 0;
    const auto logEntry = [&](const EntryPaths& paths, const PageReport& report) {
        logUnreadFolders(logged);
        session.logPage(paths.source, paths.output, report);
        if (sink != nullptr) {
            sink->entryLogged(paths, report);
        }
        ++logged;
    };
    // The entries merged since, up to the first one still to come.
    const auto logMerged = [&] {
        while (logged < list.size() && results[logged] != kNotMerged) {
            PageReport report;
            report.result = results[logged];
            report.dateNotKept = datesNotKept[logged];
            if (const auto found = refused.find(static_cast<std::uint32_t>(logged)); found != refused.end()) {
                report = std::move(found->second);
                refused.erase(found);
            }
            logEntry(entryPaths[logged], report);
        }
    };
    const std::vector<PageFacts>& facts = options.scanFacts();
    std::vector<std::pair<std::uint32_t, const EntryPaths*>> group;
    std::vector<ScannedPage> scanned;
    std::vector<PageReport> recordedReports;
    std::vector<std::uint32_t> next;
    const std::vector<std::uint32_t> firsts = outputsInOrder(list, rule, next, entryPaths);
    // A line an entry: room for them all at once, instead of copying the log as it grows.
    if (options.runLogKept()) {
        std::size_t lineBytes = 0;
        for (const EntryPaths& paths : entryPaths) {
            lineBytes += paths.source.size() + paths.output.size() + 8;
        }
        options.reserveRunLog(lineBytes);
    }
    for (const std::uint32_t first : firsts) {
        group.clear();
        for (std::uint32_t index = first; index != kNoEntry; index = next[index]) {
            group.emplace_back(index, &entryPaths[index]);
        }
        // An output the record tells unchanged is left as it is, its page files unread.
        bool recorded = false;
        if (session.tellsUnchanged()) {
            scanned.clear();
            for (const auto& [index, paths] : group) {
                scanned.push_back(
                    {&paths->source, index < facts.size() ? facts[index].facts : platform::FileFacts{}});
            }
            recorded = session.leaveAsRecorded(group.front().second->output, scanned, recordedReports);
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            const std::uint32_t index = group[i].first;
            const EntryPaths& paths = *group[i].second;
            if (sink != nullptr) {
                sink->entryStarted(paths);
            }
            const PageReport report = recorded
                                          ? recordedReports[i]
                                          : session.mergePage(paths.source, paths.output,
                                                              index < facts.size() ? &facts[index] : nullptr);
            ++(report.result == kAppendOk ? totals.merged : totals.failed);
            if (sink != nullptr) {
                sink->entryFinished(paths, report);
            }
            results[index] = static_cast<std::int8_t>(report.result);
            // In a list in name order nearly every entry is the next to log.
            if (index == logged) {
                logEntry(paths, report);
            } else {
                datesNotKept[index] = report.dateNotKept;
                if (!report.notEntered.empty()) {
                    refused[index] = report;
                }
            }
        }
        const OutputFate fate = recorded ? OutputFate::Unchanged : session.completeOutput();
        if (sink != nullptr) {
            sink->outputCompleted(group.back().second->output, fate);
        }
        logMerged();
    }
    logMerged();
    logUnreadFolders(list.size());
    if (session.failedToList()) {
        tell(temporariesNotListedLine(options.destDir()));
    }
    // Entries whose output could not be put in place did not reach any output after all.
    const RunSession::Ending ending = session.finish();
    if (!ending.temporariesKept) {
        tell(temporariesNotKeptLine(options.destDir()));
    }
    totals.merged -= ending.lostEntries;
    totals.failed += ending.lostEntries;
    return totals;
}

// The order of a merge run: the hold, the scan, the outputs merged and the entries logged.
#include "runs/directory_run.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/page_read_ahead.h"
#include "platform/ansi_string.h"
#include "runs/merge_options.h"

namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

// Each entry's paths as a run keeps them: its page file's own, and its merged fax's once for all
// the entries of that fax, each entry's own spelling of it kept only where it differs (a name in
// another case, where the file system folds case). Two strings an entry would cost a large
// archive's run a third of its time in allocations.
class EntryPlaces {
public:
    const std::string& source(std::uint32_t entry) const { return sources_[entry]; }
    const std::string& output(std::uint32_t entry) const {
        if (!ownSpellings_.empty()) {
            if (const auto own = ownSpellings_.find(entry); own != ownSpellings_.end()) {
                return own->second;
            }
        }
        return outputs_[outputOf_[entry]];
    }
    // The entry's paths in one object, for a sink: the same object each time, its strings reused,
    // and made again only for another entry.
    const EntryPaths& paths(std::uint32_t entry) {
        if (entry != currentEntry_) {
            current_.source = source(entry);
            current_.output = output(entry);
            currentEntry_ = entry;
        }
        return current_;
    }

    // Adds the next entry, of a new output or of the output of entry `sameAs`.
    void add(EntryPaths&& paths, std::optional<std::uint32_t> sameAs) {
        const auto entry = static_cast<std::uint32_t>(sources_.size());
        if (!sameAs) {
            outputOf_.push_back(static_cast<std::uint32_t>(outputs_.size()));
            outputs_.push_back(std::move(paths.output));
        } else {
            outputOf_.push_back(outputOf_[*sameAs]);
            if (paths.output != outputs_[outputOf_.back()]) {
                ownSpellings_.emplace(entry, std::move(paths.output));
            }
        }
        sources_.push_back(std::move(paths.source));
    }
    void reserve(std::size_t entries) {
        sources_.reserve(entries);
        outputOf_.reserve(entries);
    }

private:
    std::vector<std::string> sources_;
    std::vector<std::uint32_t> outputOf_;
    std::vector<std::string> outputs_;
    std::unordered_map<std::uint32_t, std::string> ownSpellings_;
    EntryPaths current_;
    std::uint32_t currentEntry_ = kNoEntry;
};

// The order in which a run merges its entries: each output's pages together, the outputs in the
// order of their first pages and each output's pages in list order, so that every output is built
// once and the pages of each come out as the list has them. `next[i]` is the entry merged after
// entry i into the same output; the first entries of the outputs are returned, and `places` gets
// each entry's paths, formed once.
std::vector<std::uint32_t> outputsInOrder(const std::vector<std::string>& list, const PathRule& rule,
                                          std::vector<std::uint32_t>& next, EntryPlaces& places) {
    next.assign(list.size(), kNoEntry);
    places.reserve(list.size());
    std::vector<std::uint32_t> firsts;
    // The last entry of each output so far, by the file system's spelling; in a list in name
    // order nearly every entry joins the output of the entry before.
    std::unordered_map<std::string, std::uint32_t> lastOf;
    std::string previousKey;
    std::string scratch;
    for (std::uint32_t i = 0; i < list.size(); ++i) {
        EntryPaths paths = rule(list[i]);
        const std::string& key = platform::pathKeyOf(paths.output, scratch);
        std::optional<std::uint32_t> sameAs;
        if (i > 0 && key == previousKey) {
            next[i - 1] = i;
            sameAs = i - 1;
        } else {
            if (i > 0) {
                lastOf[previousKey] = i - 1;
            }
            const auto earlier = lastOf.find(key);
            if (earlier == lastOf.end()) {
                firsts.push_back(i);
            } else {
                next[earlier->second] = i;
                sameAs = earlier->second;
            }
            previousKey = key;
        }
        places.add(std::move(paths), sameAs);
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
    EntryPlaces places;
    std::vector<std::int8_t> results(list.size(), kNotMerged);
    std::vector<bool> datesNotKept(list.size(), false);
    std::unordered_map<std::uint32_t, PageReport> refused;
    std::size_t logged = 0;
    const auto logEntry = [&](std::uint32_t entry, const PageReport& report) {
        logUnreadFolders(logged);
        session.logPage(places.source(entry), places.output(entry), report);
        if (sink != nullptr) {
            sink->entryLogged(places.paths(entry), report);
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
            logEntry(static_cast<std::uint32_t>(logged), report);
        }
    };
    const std::vector<PageFacts>& facts = options.scanFacts();
    std::vector<std::uint32_t> group;
    std::vector<ScannedPage> scanned;
    std::vector<PageReport> recordedReports;
    std::vector<std::uint32_t> next;
    const std::vector<std::uint32_t> firsts = outputsInOrder(list, rule, next, places);
    // A line an entry: room for them all at once, instead of copying the log as it grows.
    if (options.runLogKept()) {
        std::size_t lineBytes = 0;
        for (std::uint32_t entry = 0; entry < list.size(); ++entry) {
            lineBytes += places.source(entry).size() + places.output(entry).size() + 8;
        }
        options.reserveRunLog(lineBytes);
    }
    // With nothing to tell an output unchanged every page file is read: those of the outputs to
    // come are read while the one before is written.
    std::optional<PageReadAhead> readAhead;
    if (!session.tellsUnchanged() && firsts.size() > 1) {
        std::vector<const std::string*> sources;
        std::vector<std::size_t> ends;
        sources.reserve(list.size());
        ends.reserve(firsts.size());
        for (const std::uint32_t first : firsts) {
            for (std::uint32_t index = first; index != kNoEntry; index = next[index]) {
                sources.push_back(&places.source(index));
            }
            ends.push_back(sources.size());
        }
        readAhead.emplace(std::move(sources), std::move(ends), options.keepFileDate(),
                          session.batch().keepsFacts());
    }
    for (const std::uint32_t first : firsts) {
        group.clear();
        for (std::uint32_t index = first; index != kNoEntry; index = next[index]) {
            group.push_back(index);
        }
        if (readAhead) {
            session.batch().takeReadAhead(*readAhead);
        }
        // An output the record tells unchanged is left as it is, its page files unread.
        bool recorded = false;
        if (session.tellsUnchanged()) {
            scanned.clear();
            for (const std::uint32_t index : group) {
                scanned.push_back(
                    {&places.source(index), index < facts.size() ? facts[index].facts : platform::FileFacts{}});
            }
            recorded = session.leaveAsRecorded(places.output(group.front()), scanned, recordedReports);
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            const std::uint32_t index = group[i];
            if (sink != nullptr) {
                sink->entryStarted(places.paths(index));
            }
            const PageReport report = recorded
                                          ? recordedReports[i]
                                          : session.mergePage(places.source(index), places.output(index),
                                                              index < facts.size() ? &facts[index] : nullptr);
            ++(report.result == kAppendOk ? totals.merged : totals.failed);
            if (sink != nullptr) {
                sink->entryFinished(places.paths(index), report);
            }
            results[index] = static_cast<std::int8_t>(report.result);
            // In a list in name order nearly every entry is the next to log.
            if (index == logged) {
                logEntry(index, report);
            } else {
                datesNotKept[index] = report.dateNotKept;
                if (!report.notEntered.empty()) {
                    refused[index] = report;
                }
            }
        }
        const OutputFate fate = recorded ? OutputFate::Unchanged : session.completeOutput();
        if (sink != nullptr) {
            sink->outputCompleted(places.output(group.back()), fate);
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

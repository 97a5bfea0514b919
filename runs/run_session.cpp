// RunSession: a run's save folder made and held, its temporaries listed, and its end.
#include "runs/run_session.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "engine/output_files.h"
#include "platform/private_cache.h"
#include "runs/run_texts.h"

namespace {

// The most of a record that is read: far more than an archive of millions of page files needs.
constexpr std::size_t kMostRecordBytes = std::size_t{512} << 20;

// Where the system cannot be asked to keep what was written on disk, a fax found unchanged is
// vouched for once it is this much older than the run: by then the system has written it out.
constexpr std::int64_t kSettledSeconds = 60;

// The longest a run waits at its end for the file clock to move past the times of the faxes it
// wrote, so that the record vouches for them: a tick or two of a system clock.
constexpr std::chrono::milliseconds kLongestTickWait{100};

// A short name for the record of the save folder `key` names.
std::string recordNameFor(const std::string& key) {
    char name[40];
    std::snprintf(name, sizeof name, "record-%016llx", static_cast<unsigned long long>(pathHash(key)));
    return name;
}

}  // namespace

RunSession::RunSession(MergeOptions& options, Kind kind, bool makesFolders)
    : options_(options),
      kind_(kind),
      list_(saveFolder_),
      batch_(saveFolder_, options.destDir(), kind == Kind::Plan ? nullptr : &list_,
             kind == Kind::Plan ? MergeBatch::Mode::Plan : MergeBatch::Mode::Write, makesFolders) {
    // The save folder itself is the one the user named, made as named; everything below it is
    // reached and made through it.
    const std::string& folder = options.destDir();
    saveFolderReady_ =
        !folder.empty() && (kind == Kind::Plan ? directoryCouldBeMade(folder) : makeDirectories(folder) != 0);
}

RunSession::~RunSession() {
    if (!finished_) {
        // Abandoned: the output being built stays as it was, and its temporary goes.
        batch_.abandon();
        list_.finish();
    }
}

HoldReport RunSession::hold(const std::function<void()>& waiting) {
    HoldReport report;
    const std::string& folder = options_.destDir();
    if (!saveFolder_.open(folder)) {
        // Nothing of it to hold: a plan of a folder not made yet plans on an empty one.
        report.problem =
            kind_ == Kind::Plan ? platform::LockProblem::None : platform::LockProblem::FolderCannotBeOpened;
        return report;
    }
    if (kind_ == Kind::Plan) {
        startRecord(platform::fileClockNow());
        return report;
    }
    const int minutes = options_.waitMinutes();
    const platform::HoldResult held =
        lock_.hold(saveFolder_.root(), waiting, minutes < 0 ? platform::kWaitForever : minutes * 60000LL);
    report.problem = held.problem;
    if (held.problem == platform::LockProblem::TimedOut) {
        saveFolder_.close();
        return report;
    }
    if (!lock_.held()) {
        return report;
    }
    list_.startListing();
    // Whatever is looked at from now on is judged against this moment.
    startRecord(platform::fileClockNow());
    // Listed once, for the lists killed runs left and for the outputs that go directly into it.
    std::vector<platform::FolderEntry> entries;
    std::vector<std::string> names;
    const bool listed =
        keeper_.tells() ? saveFolder_.root().listFacts(entries) : saveFolder_.root().list(names);
    if (!listed) {
        report.folderNotListed = true;
        return report;
    }
    if (keeper_.tells()) {
        for (const platform::FolderEntry& entry : entries) {
            names.push_back(entry.name);
        }
    } else {
        for (const std::string& name : names) {
            entries.push_back({name, platform::FileFacts{}});
        }
    }
    batch_.knowSaveFolder(entries);
    report.leftoversKept = list_.removeLeftovers(names, held.earlierList);
    return report;
}

void RunSession::startRecord(std::int64_t runStart) {
    // The record belongs to the save folder itself, however its path is spelled.
    platform::FolderFacts folder;
    if (!saveFolder_.root().facts(folder) || !platform::openPrivateCache(cache_)) {
        return;
    }
    recordKey_ = std::to_string(folder.volume) + ":" + std::to_string(folder.index);
    recordName_ = recordNameFor(recordKey_);
    std::string bytes;
    earlierFound_ = !options_.compareEverything() &&
                    platform::readOwnFile(cache_, recordName_, kMostRecordBytes, bytes) &&
                    earlier_.decode(bytes, recordKey_);
    keeper_ = RecordKeeper(earlierFound_ ? &earlier_ : nullptr, runStart);
    keeper_.setKeeps(kind_ == Kind::Merge);
    batch_.setRecordKeeper(&keeper_);
    options_.setScanFacts(keeper_.tells());
}

void RunSession::keepRecord() {
    // A record that would say nothing new is not written again.
    if (keeper_.sameAsEarlier()) {
        return;
    }
    bool onDisk = false;
    if (keeper_.needsDisk()) {
        onDisk = saveFolder_.root().waitForDisk(list_.file());
        // A fax written in the file clock's present tick could change again within it unseen.
        const auto waitUntil = std::chrono::steady_clock::now() + kLongestTickWait;
        while (platform::fileClockNow() - platform::kClockGrain <= keeper_.newestPending() &&
               std::chrono::steady_clock::now() < waitUntil) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    const std::int64_t moment = platform::fileClockNow();
    const MergeRecord next =
        keeper_.next(moment, onDisk, moment - kSettledSeconds * platform::kTicksPerSecond);
    // A record that would say nothing new is not written again.
    if (earlierFound_ && next == earlier_) {
        return;
    }
    // One that cannot be kept only costs the next run its speed.
    platform::replaceFile(cache_, recordName_, next.encode(recordKey_));
}

PageReport RunSession::mergePage(const std::string& source, const std::string& output,
                                 const PageFacts* scanned) {
    return batch_.mergePage(source, output, options_.keepFileDate(), scanned);
}

void RunSession::logPage(const std::string& source, const std::string& output, const PageReport& report) {
    if (!report.notEntered.empty() && toldNotEntered_.insert(report.notEntered).second) {
        options_.appendRunLog(notEnteredLine(report.notEntered, report.notEnteredOwnerUnknown));
    }
    options_.logPage(source, output, report);
}

bool RunSession::mergeFile(const std::string& source, const std::string& output, PageReport* reported) {
    const PageReport report = mergePage(source, output);
    if (reported != nullptr) {
        *reported = report;
    }
    logPage(source, output, report);
    return report.result == kAppendOk;
}

RunSession::Ending RunSession::finish() {
    Ending ending;
    const BatchResult result = batch_.finish();
    for (const OutputNote& note : result.notes) {
        options_.appendRunLog(outputNoteLine(note));
    }
    ending.lostEntries = result.lostEntries;
    if (keeper_.keeps() && cache_.isOpen() && lock_.held()) {
        keepRecord();
    }
    ending.temporariesKept = list_.finish();
    lock_.release();
    saveFolder_.close();
    toldNotEntered_.clear();
    finished_ = true;
    return ending;
}

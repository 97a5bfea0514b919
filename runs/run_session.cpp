// RunSession: a run's save folder made and held, its temporaries listed, and its end.
#include "runs/run_session.h"

#include <vector>

#include "engine/output_files.h"
#include "runs/run_texts.h"

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
    // Listed once, for the lists killed runs left and for the outputs that go directly into it.
    std::vector<std::string> names;
    if (!saveFolder_.root().list(names)) {
        report.folderNotListed = true;
        return report;
    }
    batch_.knowSaveFolderNames(names);
    report.leftoversKept = list_.removeLeftovers(names, held.earlierList);
    return report;
}

PageReport RunSession::mergePage(const std::string& source, const std::string& output) {
    return batch_.mergePage(source, output, options_.keepFileDate());
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
    ending.temporariesKept = list_.finish();
    lock_.release();
    saveFolder_.close();
    toldNotEntered_.clear();
    finished_ = true;
    return ending;
}

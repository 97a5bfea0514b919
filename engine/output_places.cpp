// The save folder of a run and its outputs' folders and temporaries.
#include "engine/output_places.h"

#include <algorithm>

#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "platform/ansi_string.h"

namespace {

// Names tried for a new output's temporary, taken by others or not, before the output counts as
// one that cannot be written: a folder full of strangers' files costs a run no more.
constexpr unsigned kTemporaryAttempts = 300;

// The steps of `path`, between separators; "." steps left out.
std::vector<std::string> stepsOf(const std::string& path) {
    std::vector<std::string> steps;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = platform::findFirstChar(path, platform::kSeparator, start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start && path.compare(start, end - start, ".") != 0) {
            steps.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return steps;
}

}  // namespace

OutputPlaces::OutputPlaces() : nextTemporary_(firstTemporaryNumber(platform::processNumber())) {}

HoldReport OutputPlaces::hold(const std::string& folder, const std::function<void()>& waiting,
                              long long waitMs, bool planOnly) {
    HoldReport report;
    savePath_ = folder;
    // A plan walks the folder as the run would, and holds nothing.
    if (!saveFolder_.open(folder) || planOnly) {
        report.problem = planOnly ? platform::LockProblem::None : platform::LockProblem::CannotOpen;
        return report;
    }
    const platform::HoldResult held = lock_.hold(saveFolder_.root(), waiting, waitMs);
    report.problem = held.problem;
    if (lock_.held()) {
        // Listed once, for the lists killed runs left and for the outputs that go directly into it.
        std::vector<std::string> names;
        saveFolder_.root().list(names);
        auto& listing = listings_[platform::pathKey(folder)];
        for (const std::string& name : names) {
            listing.insert(platform::pathKey(name));
        }
        report.leftoversKept = records_.removeLeftovers(saveFolder_, names, held.earlierList);
    } else if (held.problem == platform::LockProblem::TimedOut) {
        saveFolder_.close();
    }
    return report;
}

OutputPlace OutputPlaces::placeOf(const std::string& output) const {
    OutputPlace place;
    place.folderPath = directoryPart(output);
    place.name = output.substr(place.folderPath.empty() ? 0 : place.folderPath.size() + 1);
    place.belowSaveFolder = !savePath_.empty() && output.size() > savePath_.size() &&
                            output.compare(0, savePath_.size(), savePath_) == 0 &&
                            (output[savePath_.size()] == platform::kSeparator ||
                             platform::endsWithChar(savePath_, platform::kSeparator));
    if (place.belowSaveFolder) {
        place.steps = stepsOf(place.folderPath.substr(std::min(savePath_.size(), place.folderPath.size())));
    }
    return place;
}

platform::Reach OutputPlaces::open(const OutputPlace& place, bool make, std::string& refused) {
    const std::string key = platform::pathKey(place.folderPath);
    if (!folderKnown_ || key != folderKey_) {
        folderKey_ = key;
        folderKnown_ = true;
        reached_ = reach(place, make, refused_);
    }
    refused = refused_;
    return reached_;
}

platform::Reach OutputPlaces::reach(const OutputPlace& place, bool make, std::string& refused) {
    refused.clear();
    folder_.close();
    if (!place.belowSaveFolder) {
        // Outside any save folder held, the folder is the one the output's path names.
        return folder_.openNamed(place.folderPath) ? platform::Reach::Reached : platform::Reach::Failed;
    }
    if (!saveFolder_.isOpen()) {
        // A save folder not made yet holds nothing: all a plan needs to know.
        return platform::Reach::Missing;
    }
    if (std::count(place.steps.begin(), place.steps.end(), "..") > 0) {
        return platform::Reach::Failed;
    }
    std::size_t reached = 0;
    const platform::Reach result = saveFolder_.reach(place.steps, make, folder_, reached);
    if (result == platform::Reach::StrangersLink || result == platform::Reach::UnknownLink) {
        refused = savePath_;
        for (std::size_t i = 0; i <= reached && i < place.steps.size(); ++i) {
            if (!platform::endsWithChar(refused, platform::kSeparator)) {
                refused += platform::kSeparator;
            }
            refused += place.steps[i];
        }
    }
    return result;
}

bool OutputPlaces::wasThere(const std::string& name) {
    // A folder is listed once, instead of a lookup of every name that is not there: on some file
    // systems (and under Wine) such a lookup searches the whole folder, and a run makes thousands
    // of them, one for each new output and for each temporary's name.
    const auto [listing, isNew] = listings_.try_emplace(folderKey_);
    if (isNew && folder_.isOpen()) {
        std::vector<std::string> names;
        folder_.list(names);
        for (const std::string& entry : names) {
            listing->second.insert(platform::pathKey(entry));
        }
    }
    return listing->second.count(platform::pathKey(name)) > 0;
}

bool OutputPlaces::makeTemporary(const OutputPlace& place, platform::CreatedFile& file, std::string& line) {
    line.clear();
    if (!folder_.isOpen()) {
        return false;
    }
    for (unsigned attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        const std::string name = temporaryName(nextTemporary_++);
        // A name already taken is someone else's: never listed, so never removed on the list's word.
        if (wasThere(name)) {
            continue;
        }
        // Listed just before it is made, so that a run killed at any moment leaves nothing
        // unlisted, and taken off again when it could not be made.
        std::string listed;
        if (lock_.held() && place.belowSaveFolder) {
            std::vector<std::string> steps = place.steps;
            steps.push_back(name);
            listed = temporaryListLine(steps);
            if (!records_.record(saveFolder_, listed)) {
                listed.clear();
            }
        }
        if (folder_.create(name, file)) {
            line = listed;
            return true;
        }
        if (!listed.empty()) {
            records_.unrecordLast();
        }
    }
    return false;
}

void OutputPlaces::release() {
    records_.finish(saveFolder_);
    lock_.release();
    saveFolder_.close();
    savePath_.clear();
    folder_.close();
    folderKnown_ = false;
    folderKey_.clear();
    refused_.clear();
    listings_.clear();
}

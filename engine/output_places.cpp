// The folders of a run's outputs below its save folder, and the temporaries made there.
#include "engine/output_places.h"

#include <algorithm>

#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "engine/temporary_records.h"
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

OutputPlaces::OutputPlaces(const platform::SaveFolder& saveFolder, std::string savePath,
                           TemporaryRecords* list)
    : saveFolder_(saveFolder),
      savePath_(std::move(savePath)),
      list_(list),
      folder_(std::make_shared<platform::OpenFolder>()),
      nextTemporary_(firstTemporaryNumber(platform::processNumber())) {}

void OutputPlaces::knowSaveFolder(const std::vector<platform::FolderEntry>& entries) {
    Listing& listing = listings_[platform::pathKey(savePath_)];
    listing.complete = true;
    for (const platform::FolderEntry& entry : entries) {
        listing.names.emplace(platform::pathKey(entry.name), entry.facts);
    }
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
    std::string scratch;
    const std::string& key = platform::pathKeyOf(place.folderPath, scratch);
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
    // A temporary made in the folder open so far keeps it open for itself.
    folder_ = std::make_shared<platform::OpenFolder>();
    folderFactsKnown_ = false;
    current_ = nullptr;
    if (!place.belowSaveFolder || std::count(place.steps.begin(), place.steps.end(), "..") > 0) {
        return platform::Reach::Failed;
    }
    if (!saveFolder_.isOpen()) {
        // A save folder not made yet holds nothing: all a plan needs to know.
        return platform::Reach::Missing;
    }
    std::size_t reached = 0;
    const platform::Reach result = saveFolder_.reach(place.steps, make, *folder_, reached);
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

OutputPlaces::Listing& OutputPlaces::listing() {
    if (current_ != nullptr) {
        return *current_;
    }
    // A folder is listed once, instead of a lookup of every name that is not there: on some file
    // systems (and under Wine) such a lookup searches the whole folder, and a run makes thousands
    // of them, one for each new output and for each temporary's name.
    const auto [listing, isNew] = listings_.try_emplace(folderKey_);
    current_ = &listing->second;
    if (isNew && folder_->isOpen()) {
        std::vector<platform::FolderEntry> entries;
        if (listsFacts_) {
            listing->second.complete = folder_->listFacts(entries);
        } else {
            std::vector<std::string> names;
            listing->second.complete = folder_->list(names);
            for (std::string& name : names) {
                entries.push_back({std::move(name), platform::FileFacts{}});
            }
        }
        for (const platform::FolderEntry& entry : entries) {
            listing->second.names.emplace(platform::pathKey(entry.name), entry.facts);
        }
    }
    return listing->second;
}

bool OutputPlaces::wasThere(const std::string& name) {
    const Listing& found = listing();
    // A folder that could not be listed whole is asked for the name itself: an output taken for
    // absent would lose its comparison, and a name taken for free may be someone else's.
    return found.names.count(platform::pathKey(name)) > 0 || (!found.complete && folder_->holds(name));
}

bool OutputPlaces::factsOf(const std::string& name, platform::FileFacts& facts) {
    const Listing& found = listing();
    const auto entry = found.names.find(platform::pathKey(name));
    if (entry == found.names.end() || entry->second.size < 0) {
        return false;
    }
    facts = entry->second;
    return true;
}

const platform::FolderFacts& OutputPlaces::folderFacts() {
    if (!folderFactsKnown_) {
        folderFactsKnown_ = true;
        if (!folder_->facts(folderFacts_)) {
            folderFacts_ = platform::FolderFacts{};
        }
    }
    return folderFacts_;
}

std::optional<Temporary> OutputPlaces::makeTemporary(const OutputPlace& place) {
    if (!folder_->isOpen()) {
        return std::nullopt;
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
        if (list_ != nullptr && list_->keepsList()) {
            std::vector<std::string> steps = place.steps;
            steps.push_back(name);
            listed = temporaryListLine(steps);
            if (!list_->record(listed)) {
                listed.clear();
            }
        }
        platform::CreatedFile file;
        if (folder_->create(name, file)) {
            return Temporary(folder_, std::move(file), list_, std::move(listed));
        }
        if (!listed.empty()) {
            list_->unrecordLast();
        }
    }
    return std::nullopt;
}

void OutputPlaces::release() {
    folder_ = std::make_shared<platform::OpenFolder>();
    folderFactsKnown_ = false;
    current_ = nullptr;
    folderKnown_ = false;
    folderKey_.clear();
    refused_.clear();
    listings_.clear();
}

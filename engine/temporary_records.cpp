// The run's list of its temporaries, and the removal of what killed runs left.
#include "engine/temporary_records.h"

#include <algorithm>

#include "engine/output_paths.h"
#include "engine/temporary_list.h"
#include "platform/folder_lock.h"

namespace {

constexpr const char* kListPrefix = ".quirewell-";
constexpr const char* kListSuffix = ".list";

// Names tried for the run's list before the run goes on without one.
constexpr unsigned kListAttempts = 64;

// The most lists one run reads: a folder full of a stranger's lists costs a run no more, and
// what is left waits for the next.
constexpr std::size_t kMostLists = 4096;

// Removes what `text` lists; how many listed temporaries could not be removed now.
int removeListed(const platform::SaveFolder& folder, const std::string& text) {
    int stay = 0;
    for (const ListedTemporary& listed : listedTemporaries(text)) {
        stay += folder.removeBelow(listed.steps, platform::kLockFileName) == platform::RemoveResult::Failed
                    ? 1
                    : 0;
    }
    return stay;
}

}  // namespace

std::string listFileName(std::uint32_t number) {
    // The temporaries' four characters, after the same number.
    return kListPrefix + temporaryName(number).substr(3) + kListSuffix;
}

bool isListFileName(const std::string& name) {
    const std::size_t prefix = std::char_traits<char>::length(kListPrefix);
    const std::size_t suffix = std::char_traits<char>::length(kListSuffix);
    return name.size() == prefix + 4 + suffix && name.compare(0, prefix, kListPrefix) == 0 &&
           name.compare(prefix + 4, suffix, kListSuffix) == 0 &&
           isTemporaryName("~qw" + name.substr(prefix, 4));
}

int TemporaryRecords::removeLeftovers(const std::vector<std::string>& names, const std::string& earlierList) {
    const platform::SaveFolder& folder = folder_;
    int stay = removeListed(folder, earlierList);
    std::size_t lists = 0;
    for (const std::string& name : names) {
        if (!isListFileName(name) || ++lists > kMostLists) {
            continue;
        }
        // Only a plain file of its own is read; a link or a second name is no list.
        platform::InputFile file;
        platform::FileInfo info;
        unsigned links = 0;
        if (!file.openIn(folder.root(), name, false, info, links) || links != 1) {
            continue;
        }
        std::string text(
            static_cast<std::size_t>(std::clamp<std::int64_t>(info.size, 0, platform::kMaxListBytes)), '\0');
        const bool read = file.readAt(0, text.data(), text.size());
        file.close();
        const int left = read ? removeListed(folder, text) : 1;
        stay += left;
        if (left == 0) {
            folder.root().removePlain(name);
        }
    }
    return stay;
}

bool TemporaryRecords::record(const std::string& line) {
    if (!list_.isOpen() && !failedToList_) {
        std::uint32_t number = firstTemporaryNumber(platform::processNumber());
        for (unsigned attempt = 0;
             attempt < kListAttempts && !folder_.root().create(listFileName(number++), list_);) {
            ++attempt;
        }
        length_ = 0;
    }
    lastRecorded_ = length_;
    // A line half written is no line: a list that could not be written only leaves a killed
    // run's temporary behind.
    if (!list_.isOpen() || !platform::writeAt(list_.stream(), length_, line.data(), line.size())) {
        if (list_.isOpen() && !platform::truncateFile(list_.stream(), lastRecorded_)) {
            unrecordLast();
        }
        failedToList_ = true;
        return false;
    }
    length_ += static_cast<std::int64_t>(line.size());
    return true;
}

void TemporaryRecords::unrecordLast() {
    if (!list_.isOpen()) {
        return;
    }
    if (platform::truncateFile(list_.stream(), lastRecorded_)) {
        length_ = lastRecorded_;
        return;
    }
    // Blank lines name nothing; a line that stays would have the next run remove a file of that
    // name, which may be someone else's.
    const std::string blank(static_cast<std::size_t>(length_ - lastRecorded_), '\n');
    namesOthers_ =
        namesOthers_ || !platform::writeAt(list_.stream(), lastRecorded_, blank.data(), blank.size());
}

bool TemporaryRecords::finish() {
    bool keptListed = true;
    if (list_.isOpen() && kept_.empty()) {
        list_.discard(folder_.root());
    } else if (list_.isOpen()) {
        // Written before the rest is cut off, so that a run killed in between leaves every line
        // that still counts. A list that cannot be cut back to what stays names more than that,
        // which the next run finds gone; but it never names a file this run did not make.
        const bool rewritten =
            platform::writeAt(list_.stream(), 0, kept_.data(), kept_.size()) &&
            platform::truncateFile(list_.stream(), static_cast<std::int64_t>(kept_.size()));
        if (!rewritten && namesOthers_) {
            list_.discard(folder_.root());
            keptListed = false;
        }
        // A close that fails may have lost what was written.
        keptListed = list_.close() && keptListed;
    }
    list_.close();
    length_ = 0;
    lastRecorded_ = 0;
    kept_.clear();
    failedToList_ = false;
    namesOthers_ = false;
    listing_ = false;
    return keptListed;
}

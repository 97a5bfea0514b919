// The source scan: walks the source directory (and on request its sub-directories, depth first)
// and lists the page files relative to the source directory.
#include "engine/source_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ansi_string.h"
#include "platform/file_system.h"

namespace {

// The name with ASCII a-z as A-Z: compared byte for byte, in the order the name order puts names.
std::string orderKey(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}

// Makes room for `more` elements at once, growing as a vector grows: a folder's entries are known
// before they are added, and a list grown piece by piece would be copied again and again.
template <typename T>
void roomFor(std::vector<T>& list, std::size_t more) {
    if (list.size() + more > list.capacity()) {
        list.reserve(std::max(list.size() + more, 2 * list.capacity()));
    }
}

bool precedes(const std::string& keyA, const std::string& a, const std::string& keyB, const std::string& b) {
    const int order = keyA.compare(keyB);
    return order != 0 ? order < 0 : a < b;
}

// An entry in a directory's sort: the first sixteen bytes of its order key as two numbers, which
// decide nearly every comparison of the short names page files have, and where it is.
struct SortKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::uint32_t index = 0;
};

// Made from the name itself, as orderKey would make its key: no key is made for a name whose first
// sixteen bytes tell it from every other.
SortKey sortKeyOf(const std::string& name, std::uint32_t index) {
    SortKey sortKey;
    sortKey.index = index;
    const std::size_t bytes = std::min<std::size_t>(name.size(), 16);
    for (std::size_t i = 0; i < bytes; ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        (i < 8 ? sortKey.high : sortKey.low) |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * (7 - i % 8));
    }
    return sortKey;
}

// Byte `at` of a sort key's sixteen, the most significant first.
unsigned byteOf(const SortKey& key, unsigned at) {
    return static_cast<unsigned>(at < 8 ? key.high >> (8 * (7 - at)) : key.low >> (8 * (15 - at))) & 0xFFu;
}

// Puts the keys in the order of their numbers, high before low: a byte at a time from the last,
// each pass stable, and a byte every key shares (the "F" and ".FXR" of every page file) passed
// over. A folder of a hundred thousand page files takes a few passes over its keys where a sort
// by comparisons takes seventeen.
void sortByNumbers(std::vector<SortKey>& keys) {
    constexpr std::size_t kFewKeys = 64;
    if (keys.size() < kFewKeys) {
        std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
            return a.high != b.high ? a.high < b.high : a.low < b.low;
        });
        return;
    }
    std::vector<std::array<std::uint32_t, 256>> counts(16);
    for (const SortKey& key : keys) {
        for (unsigned at = 0; at < 16; ++at) {
            ++counts[at][byteOf(key, at)];
        }
    }
    std::vector<SortKey> sorted(keys.size());
    for (unsigned at = 16; at-- > 0;) {
        std::array<std::uint32_t, 256>& count = counts[at];
        if (count[byteOf(keys.front(), at)] == keys.size()) {
            continue;
        }
        std::uint32_t start = 0;
        for (std::uint32_t& slot : count) {
            start += std::exchange(slot, start);
        }
        for (const SortKey& key : keys) {
            sorted[count[byteOf(key, at)]++] = key;
        }
        keys.swap(sorted);
    }
}

}  // namespace

int isFaxFile(const std::string& path) {
    if (path.size() < 4) {
        return 0;
    }
    // "." is never part of a wider character in any code page, and the letters after it stand for
    // themselves, so the last four bytes are compared as ASCII, without a copy.
    const auto upper = [&](std::size_t at) {
        const char c = path[path.size() - 4 + at];
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    return path[path.size() - 4] == '.' && upper(1) == 'F' && upper(2) == 'X' &&
                   (upper(3) == 'D' || upper(3) == 'R' || upper(3) == 'S')
               ? 1
               : 0;
}

bool isFailure(FolderReason reason) {
    return reason != FolderReason::AlreadyMerged && reason != FolderReason::StrangersLink &&
           reason != FolderReason::LinkOwnerUnknown;
}

bool precedesInNameOrder(const std::string& a, const std::string& b) {
    return precedes(orderKey(a), a, orderKey(b), b);
}

namespace {

FolderReason reasonFor(platform::ListResult result) {
    switch (result) {
        case platform::ListResult::NotFound:
            return FolderReason::NotFound;
        case platform::ListResult::AccessDenied:
            return FolderReason::AccessDenied;
        case platform::ListResult::InUse:
            return FolderReason::InUse;
        case platform::ListResult::PathTooLong:
            return FolderReason::PathTooLong;
        default:
            return FolderReason::NotListable;
    }
}

// One walk of a source tree: the folders it has entered, so that a link back up the tree or a
// second way to the same folder is never followed.
class SourceWalk {
public:
    SourceWalk(const std::string& sourceDir, const std::string& mask, bool includeSubdirs,
               std::vector<std::string>& list, std::vector<UnreadFolder>& unread,
               std::vector<PageFacts>* facts, bool fileFacts)
        : sourceDir_(sourceDir),
          mask_(mask),
          includeSubdirs_(includeSubdirs),
          list_(list),
          unread_(unread),
          facts_(facts),
          fileFacts_(fileFacts) {}

    // Enters a folder met for the first time; when it was entered before, the path it was
    // entered by.
    const std::string* enteredBefore(const platform::DirectoryIdentity& identity,
                                     const std::string& directory) {
        const auto [visit, first] = visited_.emplace(identity, directory);
        return first ? nullptr : &visit->second;
    }

    // Lists one folder and the sub-folders it holds; the reason when it cannot be listed. The
    // sub-folders that cannot be read are reported after its own entries.
    std::optional<FolderReason> walk(const std::string& directory) {
        std::vector<platform::DirEntry> entries;
        const platform::ListResult listed = platform::listDirectory(directory, mask_, entries, fileFacts_);
        if (listed != platform::ListResult::Listed) {
            return reasonFor(listed);
        }
        // One look at the folder's file system serves every page file in it.
        platform::FolderFacts folder;
        if (facts_ != nullptr && !platform::folderFacts(directory, folder)) {
            folder.trust = platform::FileTrust::None;
        }
        // The system's order is not defined on every file system, and it decides the page
        // order of every merged fax, so the entries are taken in name order. Each name's key is
        // made once, not at every comparison, and the sort moves only numbers.
        std::vector<SortKey> order;
        order.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            order.push_back(sortKeyOf(entries[i].name, static_cast<std::uint32_t>(i)));
        }
        // Bytes past the end of a key count as 0, below every byte a name holds, so the numbers
        // order as the keys do; only equal ones are compared whole.
        sortByNumbers(order);
        for (std::size_t first = 0, next = 1; first < order.size(); first = next++) {
            while (next < order.size() && order[next].high == order[first].high &&
                   order[next].low == order[first].low) {
                ++next;
            }
            if (next - first > 1) {
                std::sort(order.begin() + static_cast<std::ptrdiff_t>(first),
                          order.begin() + static_cast<std::ptrdiff_t>(next),
                          [&](const SortKey& a, const SortKey& b) {
                              return precedesInNameOrder(entries[a.index].name, entries[b.index].name);
                          });
            }
        }
        std::vector<UnreadFolder> unreadHere;
        platform::DirectoryIdentity here;
        const bool hereKnown = includeSubdirs_ && platform::directoryIdentity(directory, here);
        // Entries are always measured against the root of the scan, so that they carry their
        // sub-directory: the folder's part of it is made once.
        const std::string relativeFolder = (directory + platform::kSeparator).substr(sourceDir_.size() + 1);
        roomFor(list_, entries.size());
        if (facts_ != nullptr) {
            roomFor(*facts_, entries.size());
        }
        for (const SortKey& sorted : order) {
            const platform::DirEntry& entry = entries[sorted.index];
            // A page file's relative path is all a page file needs; the full path is made for the
            // rest.
            if (!entry.isDirectory && entry.link == platform::LinkOwner::NotALink) {
                // A name the code page cannot hold is listed all the same, so that the run
                // reports it.
                if (isFaxFile(entry.name)) {
                    list_.push_back(relativeFolder + entry.name);
                    addFacts(entry, folder);
                }
                continue;
            }
            const std::string fullPath = directory + platform::kSeparator + entry.name;
            // Another user's link may lead to what that user may not read himself.
            if ((entry.link == platform::LinkOwner::Stranger || entry.link == platform::LinkOwner::Unknown) &&
                (entry.isDirectory ? includeSubdirs_ && entry.name != "." && entry.name != ".."
                                   : isFaxFile(entry.name) != 0)) {
                UnreadFolder passed;
                passed.folder = fullPath;
                passed.reason = entry.link == platform::LinkOwner::Stranger ? FolderReason::StrangersLink
                                                                            : FolderReason::LinkOwnerUnknown;
                passed.isFile = !entry.isDirectory;
                unreadHere.push_back(std::move(passed));
                continue;
            }
            if (!entry.isDirectory) {
                if (isFaxFile(entry.name)) {
                    list_.push_back(relativeFolder + entry.name);
                    addFacts(entry, folder);
                }
                continue;
            }
            if (!includeSubdirs_ || entry.name == "." || entry.name == "..") {
                continue;
            }
            std::optional<FolderReason> failed;
            const std::string* firstPath = nullptr;
            platform::DirectoryIdentity identity;
            if (!entry.nameIsExact) {
                failed = FolderReason::NameNotInCodePage;
            } else if (!platform::directoryIdentity(fullPath, identity)) {
                // Its listing tells what is wrong with it.
                failed = walk(fullPath);
            } else if ((firstPath = enteredBefore(identity, fullPath)) != nullptr) {
                failed = FolderReason::AlreadyMerged;
            } else if (hereKnown && identity.volume != here.volume && !identity.ownOrSystem) {
                // A folder mounted here by another user.
                failed = FolderReason::StrangersLink;
            } else {
                failed = walk(fullPath);
            }
            if (failed) {
                unreadHere.push_back(
                    {0, fullPath, *failed, firstPath != nullptr ? *firstPath : std::string()});
            }
        }
        for (UnreadFolder& folder : unreadHere) {
            folder.position = list_.size();
            unread_.push_back(std::move(folder));
        }
        return std::nullopt;
    }

private:
    void addFacts(const platform::DirEntry& entry, const platform::FolderFacts& folder) {
        if (facts_ != nullptr) {
            PageFacts page{entry.facts, folder.trust};
            if (page.facts.volume == 0) {
                page.facts.volume = folder.volume;
            }
            facts_->push_back(page);
        }
    }

    const std::string& sourceDir_;
    const std::string& mask_;
    const bool includeSubdirs_;
    std::vector<std::string>& list_;
    std::vector<UnreadFolder>& unread_;
    std::vector<PageFacts>* facts_;
    const bool fileFacts_;
    std::map<platform::DirectoryIdentity, std::string> visited_;
};

}  // namespace

void listPageFiles(const std::string& sourceDir, const std::string& directory, const std::string& mask,
                   bool includeSubdirs, std::vector<std::string>& list, std::vector<UnreadFolder>& unread,
                   std::vector<PageFacts>* facts, bool fileFacts) {
    SourceWalk walk(sourceDir, mask, includeSubdirs, list, unread, facts, fileFacts);
    std::optional<FolderReason> failed;
    if (!platform::isExactName(directory)) {
        failed = FolderReason::NameNotInCodePage;
    } else {
        platform::DirectoryIdentity identity;
        if (platform::directoryIdentity(directory, identity)) {
            walk.enteredBefore(identity, directory);
        }
        failed = walk.walk(directory);
    }
    if (failed) {
        unread.push_back({list.size(), directory, *failed, std::string()});
    }
}

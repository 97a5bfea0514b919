// A temporary from its making to its placing or removal.
#include "engine/temporary.h"

#include "engine/temporary_records.h"

Temporary::Temporary(std::shared_ptr<const platform::OpenFolder> folder, platform::CreatedFile file,
                     TemporaryRecords* list, std::string line)
    : folder_(std::move(folder)), file_(std::move(file)), list_(list), line_(std::move(line)) {}

platform::Placing Temporary::putInPlace(const std::string& name, std::int64_t length,
                                        const platform::FileTimes* times, bool& timesKept,
                                        platform::FileFacts* facts) {
    timesKept = false;
    if (!file_.isOpen() || folder_ == nullptr) {
        return platform::Placing::NotItsName;
    }
    const platform::Placing placing = file_.putInPlace(*folder_, name, length);
    if (placing != platform::Placing::Placed) {
        return placing;
    }
    // From here on the file is the merged fax: it is only closed, never removed. Its times are
    // given after the rename, on its own handle: a system that carries a replaced file's creation
    // time over to the file put in its place would otherwise undo them.
    timesKept = times != nullptr && file_.setTimes(*times);
    if (facts != nullptr) {
        file_.sendToDisk();
        if (!file_.facts(*facts)) {
            *facts = platform::FileFacts{};
        }
    }
    const bool closed = file_.close();
    line_.clear();
    // A close that fails may have lost the last of its bytes (a network file system tells only
    // then), so the fax in place cannot be vouched for.
    return closed ? platform::Placing::Placed : platform::Placing::PlacedButNotClosed;
}

void Temporary::discard() {
    if (!file_.isOpen()) {
        return;
    }
    if (!file_.discard(*folder_) && !line_.empty() && list_ != nullptr) {
        // Listed, and still there: the next run removes it.
        list_->keep(line_);
    }
    file_.close();
}

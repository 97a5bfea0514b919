// Outputs told unchanged by the record, and the next record gathered.
#include "engine/record_keeper.h"

#include <algorithm>

const RecordedOutput* RecordKeeper::unchanged(const std::string& output, const std::string& key,
                                              const std::vector<ScannedPage>& pages, bool keepFileDate,
                                              const platform::FileFacts& placed) {
    const RecordedOutput* recorded = earlier_ != nullptr ? earlier_->find(key) : nullptr;
    if (recorded == nullptr || recorded->path != output || recorded->keepFileDate != keepFileDate ||
        recorded->facts != placed || recorded->pages.size() != pages.size()) {
        return nullptr;
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const RecordedPage& page = recorded->pages[i];
        if (pages[i].facts.size < 0 || page.facts != pages[i].facts ||
            page.source != pathHash(*pages[i].source)) {
            return nullptr;
        }
    }
    carried_.push_back(recorded);
    return recorded;
}

void RecordKeeper::built(RecordedOutput output, const std::vector<platform::FileTrust>& pageTrust,
                         platform::FileTrust outputTrust, bool written) {
    if (!keeps_ || pageTrust.size() != output.pages.size()) {
        return;
    }
    for (std::size_t i = 0; i < pageTrust.size(); ++i) {
        if (!safelyOlder(output.pages[i].facts, runStart_, pageTrust[i])) {
            return;
        }
    }
    // A fax compared in its place was looked at during the run; one written now is judged when the
    // record is taken.
    if (!written && !safelyOlder(output.facts, runStart_, outputTrust)) {
        return;
    }
    pending_.push_back({std::move(output), outputTrust, written});
}

std::int64_t RecordKeeper::newestPending() const {
    std::int64_t newest = 0;
    for (const Pending& pending : pending_) {
        newest = std::max({newest, pending.output.facts.lastWrite, pending.output.facts.change});
    }
    return newest;
}

MergeRecord RecordKeeper::next(std::int64_t moment, bool onDisk, std::int64_t settled) {
    MergeRecord record;
    for (const RecordedOutput* carried : carried_) {
        record.add(*carried);
    }
    for (Pending& pending : pending_) {
        const platform::FileFacts& facts = pending.output.facts;
        // A fax found in place was written by an earlier run, whose bytes the system may still hold
        // unwritten: only a wait for the whole disk, or time, tells that they are on it.
        const bool vouched = pending.written ? onDisk && safelyOlder(facts, moment, pending.trust)
                                             : (onDisk && platform::kDiskWaitCoversAll) ||
                                                   (facts.lastWrite < settled && facts.change < settled);
        if (vouched) {
            record.add(std::move(pending.output));
        }
    }
    pending_.clear();
    carried_.clear();
    return record;
}

// The save folder's lock, the part every platform shares: the wait for another run, tries a tenth
// of a second apart, so that a wait can end at a time limit and a folder let go is held at once;
// an earlier version's list read; and the folder let go.
#include "platform/folder_lock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/native_calls.h"

namespace platform {

namespace {

constexpr std::chrono::milliseconds kRetry{100};

}  // namespace

HoldResult FolderLock::hold(const OpenFolder& folder, const std::function<void()>& waiting,
                            long long waitMs) {
    release();
    HoldResult result;
    const auto start = std::chrono::steady_clock::now();
    for (bool told = false;;) {
        switch (tryHold(folder, result)) {
            case Attempt::Held:
            case Attempt::Failed:
                return result;
            case Attempt::Busy:
                break;
        }
        if (!told) {
            waiting();
            told = true;
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (waitMs >= 0 && waited.count() >= waitMs) {
            result.problem = LockProblem::TimedOut;
            return result;
        }
        const auto left = waitMs >= 0 ? std::chrono::milliseconds(waitMs) - waited : kRetry;
        std::this_thread::sleep_for(left < kRetry ? left : kRetry);
    }
}

void FolderLock::readEarlierList(std::string& list) const {
    char piece[4096];
    for (std::int64_t got = 0; list.size() < kMaxListBytes;) {
        got = native::readSome(file_, static_cast<std::int64_t>(list.size()), piece,
                               std::min(sizeof piece, kMaxListBytes - list.size()));
        if (got <= 0) {
            return;
        }
        list.append(piece, static_cast<std::size_t>(got));
    }
}

void FolderLock::release() {
    if (held()) {
        // Closing the file lets every lock on it go.
        native::closeFile(file_);
    }
}

}  // namespace platform

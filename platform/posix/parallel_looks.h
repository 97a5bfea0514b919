// Looking at many files of one folder at once: while the folder is still being listed, the files
// listed so far are looked at (fstatat) by another thread or two, as git's preload-index shares
// its lstat calls between threads. Each look waits on the file system (a network share's round
// trip, a disk's seek, the kernel's lookup of the name) and on no other look, and a large
// folder's listing takes as long as a third of its looks.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace platform::posix {

// Items handed in one by one with add() are looked at with `look`, on this thread and, once a
// folder proves large enough to repay starting them, on up to three threads more; finish() hands
// every item, once looked at, to `take` in the order they were added. A look must touch only its
// own item.
template <typename Item>
class LookPipeline {
public:
    explicit LookPipeline(std::function<void(Item&)> look) : look_(std::move(look)) {}
    LookPipeline(const LookPipeline&) = delete;
    LookPipeline& operator=(const LookPipeline&) = delete;
    ~LookPipeline() { stopHelpers(); }

    void add(Item item) {
        filling_.push_back(std::move(item));
        if (filling_.size() == kBatch) {
            publish();
        }
    }

    template <typename Take>
    void finish(Take&& take) {
        if (!filling_.empty()) {
            publish();
        }
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            done_ = true;
        }
        ready_.notify_all();
        work();
        stopHelpers();
        for (std::vector<Item>& batch : batches_) {
            for (Item& item : batch) {
                take(item);
            }
        }
        batches_.clear();
    }

private:
    // Taken a batch at a time, so that a slow file holds up one thread while the others go on.
    static constexpr std::size_t kBatch = 128;
    // A folder of fewer files than this is looked at on this thread alone.
    static constexpr std::size_t kBatchesBeforeHelpers = 4;
    static constexpr unsigned kMostHelpers = 3;

    void publish() {
        std::size_t published = 0;
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            // A deque keeps its elements where they are as it grows, so a batch being looked at
            // stays put while the next ones are added.
            batches_.push_back(std::exchange(filling_, std::vector<Item>()));
            published = batches_.size();
        }
        filling_.reserve(kBatch);
        ready_.notify_one();
        if (published == kBatchesBeforeHelpers) {
            startHelpers();
        }
    }

    void startHelpers() {
        const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
        const unsigned wanted = std::min(processors - 1, kMostHelpers);
        for (unsigned i = 0; i < wanted; ++i) {
            try {
                helpers_.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                // A thread the system will not start leaves its share to the others.
                break;
            }
        }
    }

    // Looks at batches as they come until the last one is taken.
    void work() {
        for (;;) {
            std::vector<Item>* batch = nullptr;
            {
                std::unique_lock<std::mutex> hold(mutex_);
                ready_.wait(hold, [this] { return next_ < batches_.size() || done_; });
                if (next_ == batches_.size()) {
                    return;
                }
                batch = &batches_[next_++];
            }
            for (Item& item : *batch) {
                look_(item);
            }
        }
    }

    void stopHelpers() {
        if (helpers_.empty()) {
            return;
        }
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            done_ = true;
        }
        ready_.notify_all();
        for (std::thread& helper : helpers_) {
            helper.join();
        }
        helpers_.clear();
    }

    std::function<void(Item&)> look_;
    std::vector<Item> filling_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::vector<Item>> batches_;
    std::size_t next_ = 0;
    bool done_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace platform::posix

// PageReadAhead: the thread that reads the page files of the outputs to come, and the hand-over of
// what it read.
#include "engine/page_read_ahead.h"

#include <exception>
#include <system_error>

#include "engine/fax_file.h"

PageReadAhead::PageReadAhead(std::vector<const std::string*> sources, std::vector<std::size_t> ends, bool times,
                             bool facts)
    : sources_(std::move(sources)), ends_(std::move(ends)), times_(times), facts_(facts) {
    try {
        thread_ = std::thread([this] { readAll(); });
    } catch (const std::system_error&) {
        // Without a thread the merge reads every page at its turn, as it would anyway.
        done_ = true;
    }
}

PageReadAhead::~PageReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

OutputRead PageReadAhead::take() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty() || done_; });
    OutputRead read;
    if (!ready_.empty()) {
        read = std::move(ready_.front());
        ready_.pop_front();
    }
    lock.unlock();
    changed_.notify_all();
    return read;
}

void PageReadAhead::giveBack(ByteBuffer&& buffer) {
    if (buffer.capacity() == 0) {
        return;
    }
    buffer.clear();
    const std::lock_guard<std::mutex> lock(mutex_);
    // As many as can be in use at once are kept, no more.
    if (spare_.size() <= kAhead) {
        spare_.push_back(std::move(buffer));
    }
}

void PageReadAhead::readAll() {
    try {
        std::size_t first = 0;
        for (const std::size_t end : ends_) {
            OutputRead read;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stopping_ || ready_.size() < kAhead; });
                if (stopping_) {
                    break;
                }
                if (!spare_.empty()) {
                    read.bytes = std::move(spare_.back());
                    spare_.pop_back();
                }
            }
            readOutput(first, end, read);
            first = end;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                ready_.push_back(std::move(read));
            }
            changed_.notify_all();
        }
    } catch (const std::exception&) {
        // Out of memory, or a lock the system would not give: what is not read ahead is read at
        // its turn.
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
}

void PageReadAhead::readOutput(std::size_t first, std::size_t end, OutputRead& read) const {
    ByteBuffer& bytes = read.bytes;
    // Room for the whole output and a page read to the page boundary past its end, so that the
    // buffer never moves while it is read into, as the merge's own does not.
    if (bytes.capacity() < kMemoryLimit + kPageAlignment) {
        bytes.reserve(kMemoryLimit + kPageAlignment);
    }
    for (std::size_t i = first; i < end; ++i) {
        const std::string& source = *sources_[i];
        // The merge refuses such a name unread.
        if (!hasExactName(source)) {
            return;
        }
        FaxFile page;
        page.open(source);
        if (!page.isOpen() || page.size() <= 0 ||
            bytes.size() + static_cast<std::size_t>(page.size()) > kMemoryLimit) {
            return;
        }
        PageCopy copy;
        if (page.readCopy(bytes, copy) != kAppendOk) {
            return;
        }
        PageRead& done = read.pages.emplace_back();
        done.source = &source;
        done.offset = static_cast<std::size_t>(copy.bytes - bytes.data());
        done.length = copy.length;
        done.pages = std::move(copy.pages);
        done.timesKnown = times_ && page.times(done.times);
        done.factsKnown = facts_ && page.facts(done.facts);
        if (stopping_) {
            return;
        }
    }
}

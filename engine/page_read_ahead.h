// PageReadAhead: a run that reads every page file reads those of the next outputs on a thread of
// its own while it writes the output before them, so that the reading of one fax and the writing
// of another overlap. Each output's pages are read as the merge would read them, one after another
// into one buffer laid out as the output in memory will be, for as long as each reads whole and
// the output fits in memory; a page that fails, and every page after it, is left to the merge to
// read at its turn, which meets the same failure and tells it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/byte_buffer.h"
#include "engine/page_writer.h"
#include "platform/file_system.h"

// An output is built in memory up to this size (a fax is seldom a tenth of it); a larger one goes
// on in its temporary page by page.
inline constexpr std::size_t kMemoryLimit = std::size_t{4} << 20;

// One page file as it was read ahead of its turn.
struct PageRead {
    const std::string* source = nullptr;  // the very string the run named it by
    std::size_t offset = 0;               // where its bytes start in its output's buffer
    std::size_t length = 0;
    std::vector<std::size_t> pages;  // where its page headers lie in its bytes (PageCopy::pages)
    bool timesKnown = false;         // its times, asked after the reading, when asked for
    platform::FileTimes times;
    bool factsKnown = false;  // its facts as it was read, when asked for
    platform::FileFacts facts;
};

// The pages of one output read ahead: the first of its page files, as far as they read whole and
// fit in memory together, one after another in `bytes` from its start.
struct OutputRead {
    ByteBuffer bytes;
    std::vector<PageRead> pages;
};

class PageReadAhead {
public:
    // Reads the page files `sources` (which outlive it), output by output: the pages of output i
    // end before sources[ends[i]]. With `times` each page's times are asked, with `facts` its
    // facts. Reads nothing when no thread can be started.
    PageReadAhead(std::vector<const std::string*> sources, std::vector<std::size_t> ends, bool times, bool facts);
    // Stops the reading after the page file being read.
    ~PageReadAhead();
    PageReadAhead(const PageReadAhead&) = delete;
    PageReadAhead& operator=(const PageReadAhead&) = delete;

    // The next output's pages, waiting for them while they are read; none once every output was
    // taken or the reading stopped.
    OutputRead take();
    // A buffer to read into again, instead of a new one.
    void giveBack(ByteBuffer&& buffer);

private:
    // The thread: each output in turn, while at most kAhead are waiting to be taken.
    void readAll();
    void readOutput(std::size_t first, std::size_t end, OutputRead& read) const;

    static constexpr std::size_t kAhead = 2;

    const std::vector<const std::string*> sources_;
    const std::vector<std::size_t> ends_;
    const bool times_;
    const bool facts_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<OutputRead> ready_;  // read, in order, not yet taken
    std::vector<ByteBuffer> spare_;
    bool done_ = false;      // the thread read its last output, or stopped
    std::atomic<bool> stopping_{false};  // the run is over: stop at the next page file
    std::thread thread_;
};

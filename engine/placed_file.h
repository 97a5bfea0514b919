// The file already in an output's place: opened only as a plain file with no other name (a link,
// a pipe or a second name of another file is replaced, never read), compared with the output
// being built, and copied from as far as the two agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/byte_buffer.h"
#include "engine/page_writer.h"
#include "platform/file_system.h"
#include "platform/save_folder.h"

class PlacedFile {
public:
    // Opens `name` in `folder`; with `forTimes` its times may be set too. False, with nothing
    // open, when there is no plain file of its own.
    bool open(const platform::OpenFolder& folder, const std::string& name, bool forTimes);
    bool isOpen() const { return file_.isOpen(); }
    void close() { file_.close(); }
    // Its length when it was opened; -1 when none is open.
    std::int64_t size() const { return file_.isOpen() ? info_.size : -1; }

    // True when it holds `length` bytes at `offset` as `bytes` has them, but for the page counts
    // of the headers at `headers` (positions in the output), which are set once the output is
    // complete.
    bool holds(const std::uint8_t* bytes, std::int64_t offset, std::size_t length,
               const std::vector<std::uint32_t>& headers);
    // True when its page counts are those of `pages`.
    bool countsAre(const OutputPages& pages);
    // Writes its first `length` bytes to `to` (open, unbuffered); false when a read or write failed.
    bool copyTo(std::FILE* to, std::int64_t length);

    // Its facts when it was opened (but for its volume, which is its folder's).
    bool facts(platform::FileFacts& facts) const;
    // Its times now, and set.
    bool times(platform::FileTimes& times) const;
    bool setTimes(const platform::FileTimes& times) const { return file_.setTimes(times); }

private:
    platform::InputFile file_;
    platform::FileInfo info_;
    ByteBuffer compared_;  // a piece of it
};

// An open WinFax page file: its length as the system told it at the open, its times, its first
// header, and its bytes read whole and made ready to be copied into a merged fax.
#pragma once

#include <cstdint>
#include <string>

#include "engine/byte_buffer.h"
#include "engine/fax_header.h"
#include "engine/page_writer.h"
#include "platform/file_system.h"

// Results of FaxFile::readHeader.
inline constexpr int kReadHeaderOk = 0;
inline constexpr int kReadHeaderNoStream = -1;
inline constexpr int kReadHeaderInvalid = -2;

// A page file larger than this has its first header checked with a read of its own before it is
// read whole; a smaller one is read whole in one read, which costs no more than the header alone.
inline constexpr std::int64_t kHeaderFirstAbove = std::int64_t{1} << 20;

// True when page file `path` may be opened by its name: a name the code page could not hold was
// listed with "?" in it, and opened under any other spelling it could be another file.
bool hasExactName(const std::string& path);

class FaxFile {
public:
    FaxFile() = default;
    ~FaxFile();
    FaxFile(const FaxFile&) = delete;
    FaxFile& operator=(const FaxFile&) = delete;

    // Closes any open stream, then opens `path` for binary reading and asks the system for its
    // length; a failed open leaves none.
    void open(const std::string& path);
    // Closes the stream; the close result, or 0 when none was open.
    int close();
    bool isOpen() const { return file_.isOpen(); }

    // The file's length, or -1 when none is open.
    std::int64_t size() const { return file_.isOpen() ? info_.size : -1; }
    // The file's times now; false when none is open or the system cannot tell them.
    bool times(platform::FileTimes& times) const;
    // Its facts when it was opened (but for its volume on Windows, which is its folder's).
    bool facts(platform::FileFacts& facts) const;

    // Reads the 128-byte header at `position` into header().
    int readHeader(long long position);
    const FaxHeader& header() const { return header_; }

    // Reads the whole page file to the end of `buffer` and makes it ready to be placed in an
    // output (prepareCopy), with `copy` pointing there, touching no output. On a failure `buffer`
    // is as it was. kAppendOk, kAppendNoSource (none open, or empty), kAppendNotFax,
    // kAppendNoMemory or kAppendCannotReadPage.
    int readCopy(ByteBuffer& buffer, PageCopy& copy);

private:
    platform::InputFile file_;
    platform::FileInfo info_;
    FaxHeader header_;
};

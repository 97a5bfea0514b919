// An open WinFax page file and the append that copies it onto the end of a merged fax, fixing
// up the copied headers so that the result reads as one document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/fax_header.h"

// Results of FaxFile::appendTo.
inline constexpr int kAppendOk = 0;
inline constexpr int kAppendNoSource = -1;       // no page file open, or it is empty
inline constexpr int kAppendNoMemory = -2;       // no buffer for the page file's bytes
inline constexpr int kAppendNotFax = -3;         // too short for a header, no signature, or unusable fields
inline constexpr int kAppendCannotOpenOutput = -4;
inline constexpr int kAppendIoError = -5;        // a read or write failed
inline constexpr int kAppendOutputFull = -6;     // the output would pass 65535 pages or 32-bit positions
inline constexpr int kAppendDamagedOutput = -7;  // a run's output changed behind its back or failed a write

// Results of FaxFile::readHeader.
inline constexpr int kReadHeaderOk = 0;
inline constexpr int kReadHeaderNoStream = -1;
inline constexpr int kReadHeaderInvalid = -2;

// What an append added to its output.
struct AppendInfo {
    long long copyLength = 0;  // bytes appended
};

class FaxFile {
public:
    FaxFile() = default;
    ~FaxFile();
    FaxFile(const FaxFile&) = delete;
    FaxFile& operator=(const FaxFile&) = delete;

    // Closes any open stream, then opens `path` for binary reading; a failed open leaves none.
    void open(const std::string& path);
    // Closes the stream; the close result, or 0 when none was open.
    int close();
    bool isOpen() const { return stream_ != nullptr; }

    // Reads the 128-byte header at `position` into header().
    int readHeader(long long position);
    const FaxHeader& header() const { return header_; }

    // Appends the whole page file to `destination`, started afresh when `createNew`, and
    // counts its pages in the destination's first header. The page file is checked in full
    // before the destination is touched; see kAppend* for the results.
    int appendTo(const std::string& destination, bool createNew);

    // The page file's bytes, read whole, checked and fixed up but for their final position.
    struct Copy {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t length = 0;
        std::vector<std::size_t> pages;  // positions of the page headers found
    };
    // Reads and checks the page file without touching any output (kAppend* results).
    int readCopy(Copy& copy);

    // Appends a copy to an unbuffered output that stays open across a run's appends: `output`
    // holds `outputPages` pages in `outputLength` bytes. The output's page counts are left
    // alone; the run writes them once the output is complete.
    static int appendCopy(Copy& copy, std::FILE* output, long long outputLength, unsigned outputPages,
                          AppendInfo& info);

private:
    std::FILE* stream_ = nullptr;
    FaxHeader header_;
};

// An open WinFax page file and the append that copies it onto the end of a merged fax, fixing
// up the copied headers so that the result reads as one document.
#pragma once

#include <cstdio>
#include <string>

#include "engine/fax_header.h"

// Results of FaxFile::appendTo.
inline constexpr int kAppendOk = 0;
inline constexpr int kAppendNoSource = -1;       // no page file open, or it is empty
inline constexpr int kAppendNoMemory = -2;       // no buffer for the page file's bytes
inline constexpr int kAppendNotFax = -3;         // too short for a header, no signature, or unusable fields
inline constexpr int kAppendCannotOpenOutput = -4;
inline constexpr int kAppendIoError = -5;        // a read or write failed
inline constexpr int kAppendOutputFull = -6;     // the output would pass 65535 pages or 32-bit positions

// Results of FaxFile::readHeader.
inline constexpr int kReadHeaderOk = 0;
inline constexpr int kReadHeaderNoStream = -1;
inline constexpr int kReadHeaderInvalid = -2;

// What an append found and did, for callers that keep track of their outputs.
struct AppendInfo {
    unsigned pagesAppended = 0;
    long long copyStart = 0;       // the output's length before the append
    long long copyLength = 0;      // bytes appended
    int outputCountBefore = -1;    // the output's page count before, or -1 when it had no header
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

    // Appends the whole page file to `destination`, started afresh when `createNew`. The page
    // file is checked in full before the destination is touched; see kAppend* for the results.
    int appendTo(const std::string& destination, bool createNew, AppendInfo* info = nullptr);

private:
    std::FILE* stream_ = nullptr;
    FaxHeader header_;
};

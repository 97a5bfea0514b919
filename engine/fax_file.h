// An open WinFax page file: its first header, and its bytes read whole and made ready to be
// copied into a merged fax.
#pragma once

#include <cstdio>
#include <string>

#include "engine/fax_header.h"
#include "engine/page_writer.h"

// Results of FaxFile::readHeader.
inline constexpr int kReadHeaderOk = 0;
inline constexpr int kReadHeaderNoStream = -1;
inline constexpr int kReadHeaderInvalid = -2;

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

    // Reads the whole page file and makes it ready to be placed in an output (prepareCopy),
    // touching no output: kAppendOk, kAppendNoSource (none open, or empty), kAppendNotFax,
    // kAppendNoMemory or kAppendIoError.
    int readCopy(PageCopy& copy);

private:
    std::FILE* stream_ = nullptr;
    FaxHeader header_;
};

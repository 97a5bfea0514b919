// The one place the WinFax header rules live: a page file's bytes made ready to be copied (its
// chain found, its last page made to end at its end, its pages counted), the copy placed at the
// end of an output (positions moved on within 32 bits, never more than 65,535 pages), and the
// remaining-page counts written once the output holds all its pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Results of reading a page file and placing it in an output.
inline constexpr int kAppendOk = 0;
inline constexpr int kAppendNoSource = -1;  // no page file open, or it is empty
inline constexpr int kAppendNoMemory = -2;  // no buffer for the page file's bytes
inline constexpr int kAppendNotFax = -3;    // too short for a header, no signature, or unusable fields
inline constexpr int kAppendCannotOpenOutput = -4;
inline constexpr int kAppendIoError = -5;         // a read or write failed
inline constexpr int kAppendOutputFull = -6;      // the output would pass 65535 pages or 32-bit positions
inline constexpr int kAppendDamagedOutput = -7;   // an output changed behind the run's back or failed a write
inline constexpr int kAppendCannotOpenPage = -8;  // the page file cannot be opened for reading
inline constexpr int kAppendNameNotInCodePage = -9;  // the program's code page cannot hold its name
inline constexpr int kAppendCannotReadPage = -10;    // the page file opened, but its bytes cannot be read

// A page file's bytes, read whole, wherever the reader keeps them: a buffer of their own, or the
// end of an output being built in memory.
struct PageCopy {
    std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    std::vector<std::size_t> pages;  // where its page headers lie, filled by prepareCopy
};

// Makes a copy ready to be placed: its first header must be signed; a count of 2 or more is
// followed along the chain as far as it holds; the last page is made to end at the end of the
// bytes (trailing bytes become its data); the first header counts the pages found. kAppendOk,
// or kAppendNotFax when the bytes cannot be a page file.
int prepareCopy(PageCopy& copy);

// What an output being built holds so far: its length and where each of its pages starts. The
// positions are exactly the headers a walk along the output's chain meets, because each copy's
// last page ends where the next copy starts.
struct OutputPages {
    std::int64_t length = 0;
    std::vector<std::uint32_t> starts;
};

// Places a prepared copy at the end of `output` (open, unbuffered; null when the copy already
// lies at the end of an output built in memory, or to only plan the output, which is then counted
// as if the copy had been written) and records its pages. The
// copy's positions are moved on by the output's length. kAppendOk; without writing anything,
// kAppendOutputFull when the output would pass 65,535 pages or 2 GiB, kAppendNotFax when one of
// the copy's own positions would pass 32 bits; kAppendIoError when the write failed, with
// `pages` unchanged and the output to be cut back by the caller.
int placeCopy(PageCopy& copy, std::FILE* output, OutputPages& pages);

// Gives each page of a complete output the count of itself and the pages after it; the first
// page's count is the whole fax's. True when every count was written.
bool writePageCounts(std::FILE* output, const OutputPages& pages);
// The same for an output built in memory, `pages.length` bytes at `output`.
void setPageCounts(std::uint8_t* output, const OutputPages& pages);

// Synthetic WinFax page files, for faxgen, the tests, the demo and the benchmarks: consistent
// one-page files, multi-page files, files with trailing bytes, files without the signature,
// short and empty files. The same seed always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FaxKind { Consistent, Trailing, MultiPage, NoSignature, Short, Empty };

struct FaxFileSpec {
    FaxKind kind = FaxKind::Consistent;
    std::size_t dataLength = 1000;  // data bytes of each page
    unsigned pages = 3;             // pages of a multi-page file
    std::size_t trailing = 17;      // bytes after the block of a Trailing file
    std::size_t shortLength = 60;   // length of a Short file
    bool plain = false;             // no extra areas: data right after the header
};

class FaxGenerator {
public:
    explicit FaxGenerator(std::uint64_t seed) : state_(seed) {}

    std::vector<std::uint8_t> make(const FaxFileSpec& wanted);

    // A number in [0, bound), from the same sequence as the bytes.
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

private:
    std::uint64_t next();
    void appendPage(std::vector<std::uint8_t>& file, std::size_t dataLength, unsigned pagesLeft, bool plain);

    std::uint64_t state_;
};

// A tree of page files: `faxes` faxes of `minPages`..`maxPages` pages, each page file of
// `minSize`..`maxSize` bytes, spread round-robin over `subdirs` sub-directories (none: all at
// the top). Fax f's page p is named F<f, 5 digits><p, 3 digits>.<extension>.
struct TreeSpec {
    unsigned faxes = 10;
    unsigned minPages = 1;
    unsigned maxPages = 4;
    std::size_t minSize = 2000;
    std::size_t maxSize = 6000;
    unsigned subdirs = 0;
    std::string extension = "FXR";
};

// Writes the tree below `root` (created when missing). Returns the number of files written,
// or -1 with `error` set.
long writeTree(const std::string& root, const TreeSpec& wanted, std::uint64_t seed, std::string& error);

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

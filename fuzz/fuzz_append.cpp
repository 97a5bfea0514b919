// Fuzz target: arbitrary page-file bytes copied by the page writer every run uses, after an output
// that already holds well-formed pages, and the output's counts written. A copy the writer takes
// leaves a well-formed chain of the output's pages and the copy's, with every byte of the copy
// outside its page headers as it was; a refused copy leaves the output as it was.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/page_chain.h"
#include "engine/page_writer.h"
#include "fuzz_files.h"
#include "platform/file_system.h"
#include "tools/fax_generator.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A copy of `size` bytes at `data`, kept in `storage`.
PageCopy copyOf(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& storage) {
    storage.assign(data, data + size);
    PageCopy copy;
    copy.length = size;
    copy.bytes = storage.data();
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // Byte 0: the low two bits give the pages already in the output, the rest their seed; the
    // bytes after it are the page file.
    const unsigned outputPages = data[0] & 3u;
    FaxGenerator generator(data[0] >> 2);
    const fuzz_files::Scratch scratch;
    std::FILE* output = platform::openFile(scratch.path("Afax.fxm"), "w+b");
    if (output == nullptr) {
        fail("cannot make the output");
    }
    std::setvbuf(output, nullptr, _IONBF, 0);
    OutputPages pages;
    for (unsigned i = 0; i < outputPages; ++i) {
        FaxFileSpec wanted;
        wanted.kind = i == 1 ? FaxKind::MultiPage : FaxKind::Consistent;
        wanted.dataLength = 40 + 30 * i;
        wanted.pages = 2;
        const std::vector<std::uint8_t> bytes = generator.make(wanted);
        std::vector<std::uint8_t> storage;
        PageCopy earlier = copyOf(bytes.data(), bytes.size(), storage);
        if (prepareCopy(earlier) != kAppendOk || placeCopy(earlier, output, pages) != kAppendOk) {
            fail("a generated page file was refused");
        }
    }
    std::fflush(output);
    const std::vector<std::uint8_t> before = fuzz_files::read(scratch.path("Afax.fxm"));
    const std::size_t pagesBefore = pages.starts.size();

    std::vector<std::uint8_t> storage;
    PageCopy copy = copyOf(data + 1, size - 1, storage);
    const int prepared = prepareCopy(copy);
    const int placed = prepared == kAppendOk ? placeCopy(copy, output, pages) : prepared;
    if (placed == kAppendOk && !writePageCounts(output, pages)) {
        fail("the counts could not be written");
    }
    std::fclose(output);
    const std::vector<std::uint8_t> after = fuzz_files::read(scratch.path("Afax.fxm"));

    if (placed != kAppendOk) {
        if (after != before || pages.starts.size() != pagesBefore) {
            fail("a refused copy changed the output");
        }
        return 0;
    }
    const ChainReport report = walkChain(after.data(), after.size());
    if (!report.wellFormed) {
        std::fprintf(stderr, "the output is not well formed: %s\n", report.problem.c_str());
        std::abort();
    }
    if (report.pages.size() != pagesBefore + copy.pages.size() || after.size() != before.size() + size - 1) {
        fail("the output does not hold the copy's pages after its own");
    }
    for (std::size_t i = 0; i < size - 1; ++i) {
        bool inHeader = false;
        for (const std::size_t page : copy.pages) {
            inHeader = inHeader || (i >= page && i < page + kFaxHeaderSize);
        }
        if (!inHeader && after[before.size() + i] != data[1 + i]) {
            fail("a byte of the copy outside its headers changed");
        }
    }
    return 0;
}

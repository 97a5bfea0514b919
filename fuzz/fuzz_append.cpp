// Fuzz target: appending arbitrary page-file bytes to an arbitrary destination, then
// renumbering. A successful append onto a well-formed destination must leave a well-formed
// chain, and the page file must be left exactly as it was.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/fax_file.h"
#include "engine/page_chain.h"
#include "engine/page_renumber.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    // Byte 0: flags; bytes 1-2: where the page file's bytes end and the destination's begin.
    const bool createNew = (data[0] & 1) != 0;
    const bool destinationExists = (data[0] & 2) != 0;
    const std::size_t split = std::min<std::size_t>(size - 3, static_cast<std::size_t>(data[1]) | (data[2] << 8));
    const std::vector<std::uint8_t> source(data + 3, data + 3 + split);
    const std::vector<std::uint8_t> destination(data + 3 + split, data + size);

    const fuzz_files::Scratch scratch;
    const std::string sourcePath = scratch.path("A001.FXR");
    const std::string destinationPath = scratch.path("Afax.fxm");
    fuzz_files::write(sourcePath, source);
    if (destinationExists) {
        fuzz_files::write(destinationPath, destination);
    }
    const bool wasWellFormed =
        !destinationExists || createNew || walkChain(destination.data(), destination.size()).wellFormed;

    FaxFile page;
    page.open(sourcePath);
    const int appended = page.appendTo(destinationPath, createNew);
    page.close();
    if (appended == kAppendOk && wasWellFormed && renumberPages(destinationPath) == kRenumberOk) {
        const std::vector<std::uint8_t> merged = fuzz_files::read(destinationPath);
        if (!walkChain(merged.data(), merged.size()).wellFormed) {
            std::fprintf(stderr, "a successful append left a chain that is not well formed\n");
            std::abort();
        }
    }
    if (appended != kAppendOk && destinationExists && !createNew &&
        fuzz_files::read(destinationPath) != destination) {
        std::fprintf(stderr, "a refused append changed the destination\n");
        std::abort();
    }
    if (fuzz_files::read(sourcePath) != source) {
        std::fprintf(stderr, "the page file changed\n");
        std::abort();
    }
    return 0;
}

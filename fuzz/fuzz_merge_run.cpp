// Fuzz target: a run's per-file merge over arbitrary page files into one output. Whatever the
// page files hold, the output put in place is well formed, holds as many pages as the run
// reported merged, and no temporary is left behind; and a second run over the same page files
// leaves it as it is, the very same file.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/output_paths.h"
#include "engine/page_chain.h"
#include "fuzz_files.h"
#include "runs/merge_options.h"
#include "runs/run_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is up to four page files, each preceded by its 16-bit length.
    const fuzz_files::Scratch scratch;
    const std::string output = scratch.path("Qfax.fxm");
    // Held as the programs hold a save folder.
    MergeOptions options;
    options.setDestDir(scratch.path(""));
    auto session = std::make_unique<RunSession>(options, RunSession::Kind::Merge, false);
    session->hold([] {});
    std::size_t at = 0;
    unsigned merged = 0;
    int pagesWritten = 0;
    for (int page = 1; page <= 4 && at + 2 <= size; ++page) {
        pagesWritten = page;
        const std::size_t length = std::min<std::size_t>(size - at - 2, data[at] | (data[at + 1] << 8));
        const std::vector<std::uint8_t> bytes(data + at + 2, data + at + 2 + length);
        at += 2 + length;
        const std::string source = scratch.path("Q00" + std::to_string(page) + ".FXR");
        fuzz_files::write(source, bytes);
        merged += session->mergeFile(source, output) ? 1 : 0;
        if (fuzz_files::read(source) != bytes) {
            std::fprintf(stderr, "a page file changed\n");
            std::abort();
        }
    }
    const int lost = session->finish().lostEntries;
    session.reset();
    const auto noTemporaryLeft = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path("."))) {
            if (isTemporaryName(entry.path().filename().string())) {
                std::fprintf(stderr, "a temporary was left behind\n");
                std::abort();
            }
        }
    };
    noTemporaryLeft();
    if (merged - lost > 0) {
        const std::vector<std::uint8_t> bytes = fuzz_files::read(output);
        const ChainReport report = walkChain(bytes.data(), bytes.size());
        if (!report.wellFormed) {
            std::fprintf(stderr, "the merged output is not well formed: %s\n", report.problem.c_str());
            std::abort();
        }
        if (report.pages.size() < merged - lost) {
            std::fprintf(stderr, "the output holds fewer pages than were merged\n");
            std::abort();
        }
        struct stat before {};
        stat(output.c_str(), &before);
        RunSession again(options, RunSession::Kind::Merge, false);
        again.hold([] {});
        for (int page = 1; page <= pagesWritten; ++page) {
            again.mergeFile(scratch.path("Q00" + std::to_string(page) + ".FXR"), output);
        }
        again.finish();
        noTemporaryLeft();
        struct stat after {};
        stat(output.c_str(), &after);
        if (fuzz_files::read(output) != bytes || after.st_ino != before.st_ino) {
            std::fprintf(stderr,
                         "a second run over the same page files did not leave the output as it was\n");
            std::abort();
        }
    }
    return 0;
}

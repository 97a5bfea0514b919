// faxinfo: prints the page chain of each WinFax file named on the command line and says whether
// the file is well formed. Exit 0 when every file is, 1 when one is not, 2 on a usage error.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "engine/page_chain.h"
#include "platform/file_system.h"
#include "version.h"

namespace {

constexpr int kExitWellFormed = 0;
constexpr int kExitNotWellFormed = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: faxinfo FILE...\n       faxinfo --version\n"
                 "Prints the page chain of each WinFax fax file and whether it is well formed.\n"
                 "Exit status: 0 all well formed, 1 some file is not, 2 usage error.\n");
}

bool describe(const char* path) {
    // Only the headers are read, each where the chain leads, so a fax of any size is judged
    // without being held in memory, in a 32-bit program too.
    platform::InputFile file;
    platform::FileInfo info;
    if (!file.open(path, true, info)) {
        std::printf("%s: cannot be read\n", path);
        return false;
    }
    const ChainReport report = walkChain(info.size, [&file](std::int64_t position, std::uint8_t* header) {
        return file.readAt(position, header, kFaxHeaderSize);
    });
    std::printf("%s: %" PRId64 " bytes\n", path, info.size);
    std::printf("  %4s %10s %10s %10s %12s %12s %11s %7s %7s %9s\n", "page", "position", "dataOffset", "dataLength",
                "extraOffset1", "extraOffset2", "extraLength", "factorA", "factorB", "pageCount");
    for (std::size_t i = 0; i < report.pages.size(); ++i) {
        const FaxHeader& h = report.pages[i].header;
        std::printf("  %4zu %10" PRId64 " %10" PRId32 " %10" PRId32 " %12" PRId32 " %12" PRId32 " %11" PRId32
                    " %7u %7u %9u\n",
                    i, report.pages[i].position, h.dataOffset(), h.dataLength(), h.extraOffset1(),
                    h.extraOffset2(), h.extraLength(), static_cast<unsigned>(h.factorA()),
                    static_cast<unsigned>(h.factorB()), static_cast<unsigned>(h.pageCount()));
    }
    if (report.wellFormed) {
        std::printf("  well formed: %zu page%s\n", report.pages.size(), report.pages.size() == 1 ? "" : "s");
    } else {
        std::printf("  not well formed: %s\n", report.problem.c_str());
    }
    return report.wellFormed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return kExitWellFormed;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("faxinfo %s\n", QW_VERSION);
        return kExitWellFormed;
    }
    bool allWellFormed = true;
    for (int i = 1; i < argc; ++i) {
        allWellFormed = describe(argv[i]) && allWellFormed;
    }
    return allWellFormed ? kExitWellFormed : kExitNotWellFormed;
}

// Runs over page files and trees that go wrong: hostile headers, a page file that vanishes
// during the run, and a save directory inside the fax directory. Nothing crashes, every failure
// is logged and counted, sources stay as they were, and what is put in place is well formed.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "engine/fax_header.h"
#include "engine/output_paths.h"
#include "engine/page_chain.h"
#include "engine/temporary_records.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

std::vector<std::uint8_t> withFirstHeader(std::vector<std::uint8_t> bytes, void (*change)(FaxHeader&)) {
    FaxHeader header = FaxHeader::fromBytes(bytes.data());
    change(header);
    header.toBytes(bytes.data());
    return bytes;
}

RunTotals runWindowStyle(MergeOptions& options, bool includeSubdirs, RunSink* sink = nullptr) {
    options.setIncludeSubdirs(includeSubdirs);
    RunSession session(options, RunSession::Kind::Merge, true);
    const std::string source = options.sourceDir();
    const std::string destination = options.destDir();
    return walkScanList(
        session, [&](const std::string& entry) { return windowEntryPaths(source, destination, entry, true); },
        sink);
}

TEST(FaultInjection, HostileHeadersNeverBreakAnOutput) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool refused;
    } hostile[] = {
        {"data offset at the 32-bit limit",
         withFirstHeader(pageFile(1), [](FaxHeader& h) { h.setDataOffset(kMax); }), true},
        {"negative data offset", withFirstHeader(pageFile(2), [](FaxHeader& h) { h.setDataOffset(kMin); }),
         true},
        {"data length overflowing", withFirstHeader(pageFile(3), [](FaxHeader& h) { h.setDataLength(kMax); }),
         false},
        {"negative lengths",
         withFirstHeader(pageFile(4),
                         [](FaxHeader& h) {
                             h.setExtraLength(kMin);
                             h.setDataLength(kMin);
                         }),
         false},
        {"extra offsets at the limit",
         withFirstHeader(pageFile(5),
                         [](FaxHeader& h) {
                             h.setExtraOffset1(kMax);
                             h.setExtraOffset2(kMax - 1);
                         }),
         true},
        {"count of 65535 pages", withFirstHeader(pageFile(6), [](FaxHeader& h) { h.setPageCount(65535); }),
         false},
        {"chain pointing at itself",
         withFirstHeader(pageFile(7, FaxKind::MultiPage, 50, 3),
                         [](FaxHeader& h) {
                             h.setDataOffset(0);
                             h.setFactorA(0);
                             h.setExtraLength(0);
                             h.setDataLength(0);
                         }),
         false},
        {"chain pointing backwards",
         withFirstHeader(pageFile(8, FaxKind::MultiPage, 50, 3),
                         [](FaxHeader& h) {
                             h.setDataOffset(-1000);
                             h.setFactorA(0);
                             h.setExtraLength(0);
                             h.setDataLength(0);
                         }),
         false},
    };
    for (const auto& c : hostile) {
        ScratchDir dir;
        dir.write("in/H001.FXR", pageFile(20));
        const std::string source = dir.write("in/H002.FXR", c.bytes);
        dir.write("in/H003.FXR", pageFile(21));
        MergeOptions options;
        options.setSourceDir(dir.path("in"));
        options.setDestDir(dir.path("out"));
        const RunTotals totals = runWindowStyle(options, false);
        // Fields that no placing can keep within 32 bits refuse the page; any other is mended as
        // the page is made ready, so that it ends where its file ends.
        EXPECT_EQ(c.refused ? 2 : 3, totals.merged) << c.name;
        EXPECT_EQ(c.refused ? 1 : 0, totals.failed) << c.name;
        EXPECT_EQ(c.refused,
                  options.runLogText().find(source + " -> " + dir.path("out/Hfax.fxm") +
                                            " (failed: not a WinFax page file)") != std::string::npos)
            << c.name;
        const auto merged = readFile(dir.path("out/Hfax.fxm"));
        const ChainReport report = walkChain(merged.data(), merged.size());
        EXPECT_TRUE(report.wellFormed) << c.name << ": " << report.problem;
        EXPECT_EQ(c.bytes, readFile(source)) << c.name;
    }
}

TEST(FaultInjection, AnOutputAtItsPageLimitTakesNoMorePages) {
    ScratchDir dir;
    // A page file that already holds 65,535 pages (the most a header can count).
    const std::string full = dir.write("in/F001.FXR", pageFile(1, FaxKind::MultiPage, 0, 65535));
    dir.write("in/F002.FXR", pageFile(2));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    const RunTotals totals = runWindowStyle(options, false);
    EXPECT_EQ(1, totals.merged);
    EXPECT_EQ(1, totals.failed);
    EXPECT_NE(std::string::npos, options.runLogText().find("F002.FXR -> " + dir.path("out/Ffax.fxm") +
                                                           " (failed: cannot write the output file)"));
    const auto merged = readFile(dir.path("out/Ffax.fxm"));
    EXPECT_EQ(readFile(full).size(), merged.size());
    EXPECT_TRUE(walkChain(merged.data(), merged.size()).wellFormed);
}

// Removes a later page file just before the run reaches it.
class VanishingSink : public RunSink {
public:
    explicit VanishingSink(std::string victim) : victim_(std::move(victim)) {}
    void entryStarted(const EntryPaths&) override {
        std::error_code ignored;
        std::filesystem::remove(victim_, ignored);
    }
    void entryFinished(const EntryPaths&, const PageReport&) override {}

private:
    std::string victim_;
};

TEST(FaultInjection, APageFileThatVanishesDuringTheRunIsReported) {
    ScratchDir dir;
    dir.write("in/V001.FXR", pageFile(1));
    const std::string victim = dir.write("in/V002.FXR", pageFile(2));
    dir.write("in/V003.FXR", pageFile(3));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    VanishingSink sink(victim);
    const RunTotals totals = runWindowStyle(options, false, &sink);
    EXPECT_EQ(2, totals.merged);
    EXPECT_EQ(1, totals.failed);
    EXPECT_NE(std::string::npos, options.runLogText().find(victim + " -> " + dir.path("out/Vfax.fxm") +
                                                           " (failed: cannot open the page file)"));
    const auto merged = readFile(dir.path("out/Vfax.fxm"));
    const ChainReport report = walkChain(merged.data(), merged.size());
    EXPECT_TRUE(report.wellFormed);
    EXPECT_EQ(2u, report.pages.size());
}

TEST(FaultInjection, ASaveDirectoryInsideTheFaxDirectoryIsNeverTakenForPages) {
    ScratchDir dir;
    dir.write("fax/K001.FXR", pageFile(1));
    dir.write("fax/sub/K002.FXR", pageFile(2));
    MergeOptions options;
    options.setSourceDir(dir.path("fax"));
    options.setDestDir(dir.path("fax/merged"));
    runWindowStyle(options, true);
    const auto first = readFile(dir.path("fax/merged/Kfax.fxm"));
    // What a killed run could leave beside an output (a temporary, and its list) must not be
    // taken either.
    dir.write("fax/merged/sub/" + temporaryName(7), pageFile(3));
    dir.write("fax/merged/" + listFileName(7), {});
    const RunTotals again = runWindowStyle(options, true);
    EXPECT_EQ(2, again.merged);
    EXPECT_EQ(0, again.failed);
    for (const std::string& entry : options.scanList()) {
        EXPECT_EQ(std::string::npos, entry.find("merged")) << entry;
    }
    EXPECT_EQ(first, readFile(dir.path("fax/merged/Kfax.fxm")));
}

}  // namespace

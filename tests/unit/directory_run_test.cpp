// The command-line run over a directory: its log texts, totals, exit codes and reports.
#include <gtest/gtest.h>

#include <cstdio>

#include "runs/command_line.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

using test_support::pageFile;
using test_support::ScratchDir;

class RecordingSink : public RunSink {
public:
    void entryStarted(const EntryPaths& paths) override { events.push_back("start " + paths.source); }
    void entryFinished(const EntryPaths& paths, bool merged) override {
        events.push_back((merged ? "merged " : "failed ") + paths.output);
    }
    std::vector<std::string> events;
};

std::string line(const std::string& source, const std::string& output, const std::string& suffix = "") {
    return source + " -> " + output + suffix + "\r\n";
}

TEST(DirectoryRun, LogHeaderLinesAndTotals) {
    ScratchDir dir;
    dir.write("in/B001.FXR", pageFile(1));
    dir.write("in/A002.FXR", pageFile(2));
    dir.write("in/A001.FXR", pageFile(3));
    dir.write("in/C001.FXS", pageFile(4, FaxKind::NoSignature));
    dir.write("in/sub/D001.FXR", pageFile(5));  // sub-directories are never scanned here
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out/new"));
    ASSERT_EQ(4, options.collectFaxFiles(false));
    RunTotals totals;
    RecordingSink sink;
    ASSERT_EQ(0, options.runDirectoryMerge(&totals, &sink));
    EXPECT_EQ(3, totals.merged);
    EXPECT_EQ(1, totals.failed);
    const std::string in = dir.path("in") + platform::kSeparator;
    const std::string out = dir.path("out/new") + platform::kSeparator;
    const std::string expected = "Source Dir: " + dir.path("in") + "\r\nDestination Dir: " + dir.path("out/new") +
                                 "\r\n\r\n" + line(in + "A001.FXR", out + "Afax.fxm") +
                                 line(in + "A002.FXR", out + "Afax.fxm") + line(in + "B001.FXR", out + "Bfax.fxm") +
                                 line(in + "C001.FXS", out + "Cfax.fxm", " (failed: not a WinFax page file)") +
                                 "\r\n---------\r\nTotal merged WinFax files: 3\r\nFailed WinFax files: 1\r\n";
    EXPECT_EQ(expected, options.runLogText());
    EXPECT_EQ((std::vector<std::string>{"start " + in + "A001.FXR", "merged " + out + "Afax.fxm",
                                        "start " + in + "A002.FXR", "merged " + out + "Afax.fxm",
                                        "start " + in + "B001.FXR", "merged " + out + "Bfax.fxm",
                                        "start " + in + "C001.FXS", "failed " + out + "Cfax.fxm"}),
              sink.events);
}

TEST(DirectoryRun, NothingFoundStillGivesHeaderAndTotal) {
    ScratchDir dir;
    MergeOptions options;
    options.setSourceDir(dir.path("missing"));
    options.setDestDir(dir.path("out"));
    options.collectFaxFiles(false);
    ASSERT_EQ(0, options.runDirectoryMerge());
    EXPECT_EQ("Source Dir: " + dir.path("missing") + "\r\nDestination Dir: " + dir.path("out") +
                  "\r\n\r\n\r\n---------\r\nTotal merged WinFax files: 0\r\n",
              options.runLogText());
}

TEST(DirectoryRun, DestinationThatCannotBeMadeEndsTheRunWithOneLine) {
    ScratchDir dir;
    dir.write("blocker", {1});
    dir.write("in/A001.FXR", pageFile(1));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("blocker/out"));
    options.collectFaxFiles(false);
    EXPECT_EQ(-1, options.runDirectoryMerge());
    EXPECT_EQ("Failed to create dir: " + dir.path("blocker/out") + "\r\n", options.runLogText());

    MergeOptions noDestination;
    noDestination.setRunLog("kept");
    EXPECT_EQ(-1, noDestination.runDirectoryMerge());
    EXPECT_EQ("kept", noDestination.runLogText());
}

TEST(DirectoryRun, ExitCodesAndThePleaseWaitLine) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, FaxKind>> files;
        bool blockDestination;
        int exitCode;
    } cases[] = {
        {"all merged", {{"A001.FXR", FaxKind::Consistent}, {"A002.FXR", FaxKind::Trailing}}, false, kExitMerged},
        {"nothing found", {}, false, kExitMerged},
        {"some failed", {{"A001.FXR", FaxKind::Consistent}, {"B001.FXR", FaxKind::Empty}}, false, kExitSomeFailed},
        {"no destination", {{"A001.FXR", FaxKind::Consistent}}, true, kExitNoDestination},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.makeDir("in");
        for (const auto& [name, kind] : c.files) {
            dir.write(std::string("in/") + name, pageFile(1, kind));
        }
        if (c.blockDestination) {
            dir.write("out", {1});
        }
        MergeOptions options;
        options.setSourceDir(dir.path("in"));
        options.setDestDir(dir.path("out"));
        std::FILE* out = std::tmpfile();
        ASSERT_NE(nullptr, out);
        EXPECT_EQ(c.exitCode, performDirectoryRun(options, out)) << c.name;
        std::rewind(out);
        char text[64] = {};
        const std::size_t got = std::fread(text, 1, sizeof text - 1, out);
        std::fclose(out);
        EXPECT_EQ("Please Wait...\n", std::string(text, got)) << c.name;
    }
}

}  // namespace

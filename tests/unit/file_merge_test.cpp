// The per-file merge: outputs started and extended within a run, the log lines of merged and
// failed pages, file times, and the directories made for outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>

#include "engine/fax_header.h"
#include "engine/output_files.h"
#include "engine/output_paths.h"
#include "engine/page_chain.h"
#include "engine/page_read_ahead.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/private_cache.h"
#include "runs/command_line.h"
#include "runs/directory_run.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

using test_support::HeldRun;
using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

std::size_t pagesIn(const std::string& path) {
    const auto bytes = readFile(path);
    const ChainReport report = walkChain(bytes.data(), bytes.size());
    EXPECT_TRUE(report.wellFormed) << path << ": " << report.problem;
    return report.pages.size();
}

// A window run over the tree, without the dialog.
int mergeTree(MergeOptions& options, bool includeSubdirs, bool keepHierarchy) {
    options.setIncludeSubdirs(includeSubdirs);
    RunSession session(options, RunSession::Kind::Merge, true);
    const std::string source = options.sourceDir();
    const std::string destination = options.destDir();
    const RunTotals totals = walkScanList(
        session,
        [&](const std::string& entry) { return windowEntryPaths(source, destination, entry, keepHierarchy); },
        nullptr);
    EXPECT_EQ(0, totals.failed);
    return totals.merged;
}

TEST(MergeFile, PagesOfOneFaxJoinOneOutputInListOrder) {
    for (const bool keepHierarchy : {true, false}) {
        ScratchDir dir;
        const std::vector<std::vector<std::uint8_t>> pages = {pageFile(1), pageFile(2), pageFile(3),
                                                              pageFile(4)};
        dir.write("in/ABCDE003.FXR", pages[2]);
        dir.write("in/ABCDE001.FXR", pages[0]);
        dir.write("in/ABCDE004.FXS", pages[3]);
        dir.write("in/ABCDE002.FXR", pages[1]);
        MergeOptions options;
        options.setSourceDir(dir.path("in"));
        options.setDestDir(dir.path("out"));
        EXPECT_EQ(4, mergeTree(options, false, keepHierarchy));
        const std::string out = dir.path("out/ABCDEfax.fxm");
        ASSERT_EQ(4u, pagesIn(out));
        // Every page's bytes arrive in order; only header fields differ from the sources.
        const auto merged = readFile(out);
        std::size_t expectedSize = 0;
        for (const auto& page : pages) {
            expectedSize += page.size();
        }
        EXPECT_EQ(expectedSize, merged.size());
        EXPECT_TRUE(
            std::equal(pages[0].begin() + kFaxHeaderSize, pages[0].end(), merged.begin() + kFaxHeaderSize));
        const std::string expectedLog =
            runHeader(dir.path("in"), dir.path("out")) + dir.path("in/ABCDE001.FXR") + " -> " + out + "\r\n" +
            dir.path("in/ABCDE002.FXR") + " -> " + out + "\r\n" + dir.path("in/ABCDE003.FXR") + " -> " + out +
            "\r\n" + dir.path("in/ABCDE004.FXS") + " -> " + out + "\r\n";
        EXPECT_EQ(expectedLog, options.runLogText());
    }
}

// Where the file system folds case the two pages join one output, yet each page's line keeps the
// output's name as formed from that page's own.
TEST(MergeFile, EachPageIsLoggedWithItsOwnSpellingOfItsOutput) {
    ScratchDir dir;
    dir.write("in/C001.FXR", pageFile(1));
    dir.write("in/c002.FXR", pageFile(2));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    EXPECT_EQ(2, mergeTree(options, false, false));
    EXPECT_EQ(runHeader(dir.path("in"), dir.path("out")) + dir.path("in/C001.FXR") + " -> " +
                  dir.path("out/Cfax.fxm") + "\r\n" + dir.path("in/c002.FXR") + " -> " + dir.path("out/cfax.fxm") +
                  "\r\n",
              options.runLogText());
}

TEST(MergeFile, SameNameInTwoSubDirectories) {
    const struct {
        bool keepHierarchy;
        std::vector<std::pair<const char*, std::size_t>> outputs;
    } cases[] = {{true, {{"out/s1/Kfax.fxm", 1}, {"out/s2/Kfax.fxm", 2}}}, {false, {{"out/Kfax.fxm", 3}}}};
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.write("in/s1/K001.FXR", pageFile(1));
        dir.write("in/s2/K001.FXR", pageFile(2));
        dir.write("in/s2/K002.FXR", pageFile(3));
        MergeOptions options;
        options.setSourceDir(dir.path("in"));
        options.setDestDir(dir.path("out"));
        EXPECT_EQ(3, mergeTree(options, true, c.keepHierarchy));
        for (const auto& [path, pages] : c.outputs) {
            EXPECT_EQ(pages, pagesIn(dir.path(path))) << path;
        }
    }
}

TEST(MergeFile, EveryRunStartsItsOutputsAfreshAndGivesTheSameBytes) {
    ScratchDir dir;
    dir.write("in/Q001.FXR", pageFile(1));
    dir.write("in/Q002.FXR", pageFile(2));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    mergeTree(options, false, true);
    const auto first = readFile(dir.path("out/Qfax.fxm"));
    mergeTree(options, false, true);
    EXPECT_EQ(first, readFile(dir.path("out/Qfax.fxm")));
    EXPECT_EQ(pageFile(1), readFile(dir.path("in/Q001.FXR")));
    EXPECT_EQ(pageFile(2), readFile(dir.path("in/Q002.FXR")));
}

TEST(MergeFile, AnOutputPathInsideAnotherIsStillItsOwnOutput) {
    ScratchDir dir;
    const std::string inner = dir.path("d/Afax.fxm");
    const std::string outer = inner + "dir" + platform::kSeparator + "Qfax.fxm";
    dir.makeDir("d/Afax.fxmdir");
    dir.write("d/Afax.fxm", pageFile(9));  // left by an earlier run
    HeldRun run(dir.path("d"));
    ASSERT_TRUE(run.mergeFile(dir.write("in/Q001.FXR", pageFile(1)), outer));
    ASSERT_TRUE(run.mergeFile(dir.write("in/A001.FXR", pageFile(2)), inner));
    ASSERT_EQ(0, run.finish());
    EXPECT_EQ(pageFile(2), readFile(inner));
}

TEST(MergeFile, OutputsDifferingOnlyInCaseAreOneFileWhereTheFileSystemSaysSo) {
    ScratchDir dir;
    dir.makeDir("out");
    HeldRun run(dir.path("out"));
    ASSERT_TRUE(run.mergeFile(dir.write("in/C001.FXR", pageFile(1)), dir.path("out/Cfax.fxm")));
    ASSERT_TRUE(run.mergeFile(dir.write("in/c002.FXR", pageFile(2)), dir.path("out/cfax.fxm")));
    ASSERT_EQ(0, run.finish());
#ifdef _WIN32
    EXPECT_EQ(2u, pagesIn(dir.path("out/Cfax.fxm")));
#else
    EXPECT_EQ(1u, pagesIn(dir.path("out/Cfax.fxm")));
    EXPECT_EQ(1u, pagesIn(dir.path("out/cfax.fxm")));
#endif
}

TEST(MergeFile, AFailedFirstPageLeavesTheNextToStartTheOutput) {
    ScratchDir dir;
    const std::string out = dir.write("out/Rfax.fxm", pageFile(7, FaxKind::MultiPage, 100, 2));
    HeldRun run(dir.path("out"));
    EXPECT_FALSE(run.mergeFile(dir.write("in/R001.FXR", pageFile(1, FaxKind::NoSignature)), out));
    EXPECT_TRUE(run.mergeFile(dir.write("in/R002.FXR", pageFile(2)), out));
    ASSERT_EQ(0, run.finish());
    EXPECT_EQ(pageFile(2), readFile(out));
}

TEST(MergeFile, FailedPagesAreLoggedWithTheirReasonAndNotCounted) {
    ScratchDir dir;
    // Every name the run would try for a temporary in "taken" is someone else's.
    for (std::uint32_t taken = 0; taken < 300; ++taken) {
        dir.write("out/taken/" + temporaryName(firstTemporaryNumber(platform::processNumber()) + taken), {});
    }
    dir.write("out/blocked", {1});  // a file where a folder would be made
    const struct {
        const char* entry;  // in the scan's order
        std::vector<std::uint8_t> bytes;
        std::string source;  // where the run is sent to read it
        std::string output;
        const char* reason;
    } cases[] = {
        {"A001.FXR", pageFile(1), dir.path("in/gone/A001.FXR"), dir.path("out/Afax.fxm"),
         "cannot open the page file"},
        {"E001.FXR", {}, dir.path("in/E001.FXR"), dir.path("out/Efax.fxm"), "not a WinFax page file"},
        {"N001.FXR", pageFile(1, FaxKind::NoSignature), dir.path("in/N001.FXR"), dir.path("out/Nfax.fxm"),
         "not a WinFax page file"},
        {"S001.FXR", pageFile(1, FaxKind::Short), dir.path("in/S001.FXR"), dir.path("out/Sfax.fxm"),
         "not a WinFax page file"},
        {"T001.FXR", pageFile(1), dir.path("in/T001.FXR"), dir.path("out/taken/Tfax.fxm"),
         "cannot write the output file"},
        {"W001.FXR", pageFile(1), dir.path("in/W001.FXR"), dir.path("out/blocked/Wfax.fxm"),
         "cannot write the output file"},
    };
    std::map<std::string, EntryPaths> paths;
    std::string expectedLog = runHeader(dir.path("in"), dir.path("out"));
    for (const auto& c : cases) {
        dir.write(std::string("in/") + c.entry, c.bytes);
        paths[c.entry] = {c.source, c.output};
        expectedLog += c.source + " -> " + c.output + " (failed: " + c.reason + ")\r\n";
    }
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    RunSession session(options, RunSession::Kind::Merge, true);
    const RunTotals totals = walkScanList(
        session, [&](const std::string& entry) { return paths.at(entry); }, nullptr);
    EXPECT_EQ(0, totals.merged);
    EXPECT_EQ(static_cast<int>(std::size(cases)), totals.failed);
    EXPECT_EQ(expectedLog, options.runLogText());
    for (const auto& c : cases) {
        EXPECT_FALSE(test_support::exists(c.output)) << c.entry;
    }
}

// A run reads each fax's pages while it writes the fax before. A page that is refused once read, or
// one that the reading ahead stopped at, must leave the pages after it where reading them at their
// turn would have put them; each fax must be what merging its pages one by one makes, with the
// times of its last page.
TEST(MergeFile, PagesReadAheadOfTheirTurnMergeAsPagesReadAtTheirTurn) {
    ScratchDir dir;
    // Its positions fit only at the start of a fax: read whole, refused where it is to be placed.
    std::vector<std::uint8_t> firstOnly = pageFile(90);
    FaxHeader moved = FaxHeader::fromBytes(firstOnly.data());
    moved.setDataOffset(std::numeric_limits<std::int32_t>::max() - 10);
    moved.toBytes(firstOnly.data());
    const struct {
        const char* fax;
        std::vector<std::vector<std::uint8_t>> pages;
    } cases[] = {
        {"AAAAA", {pageFile(1), firstOnly, pageFile(2), pageFile(3, FaxKind::MultiPage)}},
        {"BBBBB", {pageFile(4), pageFile(5, FaxKind::NoSignature), pageFile(6), pageFile(7)}},
        {"CCCCC", {firstOnly, pageFile(8)}},
        {"DDDDD", {pageFile(9, FaxKind::NoSignature), pageFile(10), pageFile(11, FaxKind::Trailing)}},
        // Past what a fax may take in memory: the rest is built in its temporary.
        {"EEEEE", {pageFile(12), pageFile(13, FaxKind::Consistent, kMemoryLimit), pageFile(14)}},
        {"FFFFF", {pageFile(15), pageFile(16)}},
    };
    HeldRun oneByOne(dir.path("expected"), true);
    std::int64_t pastSeconds = 1000;
    for (const auto& c : cases) {
        for (std::size_t i = 0; i < c.pages.size(); ++i) {
            const std::string page = dir.write("in/" + std::string(c.fax) + "00" + std::to_string(i + 1) + ".FXR",
                                               c.pages[i]);
            platform::FileTimes times;
            ASSERT_TRUE(platform::readFileTimes(page, times));
            times.lastWrite -= (pastSeconds += 1000) * platform::kTicksPerSecond;
            ASSERT_TRUE(platform::writeFileTimes(page, times));
            oneByOne.mergeFile(page, dir.path("expected/" + std::string(c.fax) + "fax.fxm"));
        }
    }
    ASSERT_EQ(0, oneByOne.finish());
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    options.setKeepFileDate(true);
    options.setIncludeSubdirs(false);
    RunSession session(options, RunSession::Kind::Merge, true);
    const RunTotals totals = walkScanList(
        session, [&](const std::string& entry) { return windowEntryPaths(dir.path("in"), dir.path("out"), entry, false); },
        nullptr);
    EXPECT_EQ(3, totals.failed);
    EXPECT_EQ(15, totals.merged);
    for (const auto& c : cases) {
        const std::string name = std::string(c.fax) + "fax.fxm";
        EXPECT_EQ(readFile(dir.path("expected/" + name)), readFile(dir.path("out/" + name))) << name;
        platform::FileTimes expected;
        platform::FileTimes merged;
        ASSERT_TRUE(platform::readFileTimes(dir.path("expected/" + name), expected));
        ASSERT_TRUE(platform::readFileTimes(dir.path("out/" + name), merged));
        EXPECT_EQ(expected.lastWrite, merged.lastWrite) << name;
    }
}

// What someone who may write the save folder does to the temporary of T just before the run puts
// it in place.
struct TemporaryChange {
    const char* name;
    std::function<bool(const ScratchDir&, const std::string& temporary)> act;  // false: it failed
    const char* note;  // the output's line, or null when it is put in place
    // Windows lets nobody else write to or rename an open temporary, and Wine makes no Unix links.
    bool posixOnly;
};

// Named by the row's name in the test's name and in its failures.
void PrintTo(const TemporaryChange& row, std::ostream* os) {
    *os << row.name;
}

class TemporaryChanged : public testing::TestWithParam<TemporaryChange> {};

TEST_P(TemporaryChanged, NeverReplacesTheOldOutputNorMovesAnythingElse) {
    const TemporaryChange& c = GetParam();
    if (c.posixOnly && platform::kSeparator != '/') {
        GTEST_SKIP() << "nobody else can do this to an open file here";
    }
    ScratchDir dir;
    const std::string out = dir.write("out/Tfax.fxm", pageFile(9));  // left by an earlier run
    const std::string victim = dir.write("victim.txt", {1, 2, 3});
    HeldRun run(dir.path("out"));
    bool acted = false;
    std::string swapped;
    run.session().batch().setPlacingHook([&](const std::string& temporary) {
        if (swapped.empty()) {
            swapped = temporary;
            acted = c.act(dir, temporary);
        }
    });
    ASSERT_TRUE(run.mergeFile(dir.write("in/T001.FXR", pageFile(1)), out));
    ASSERT_TRUE(run.mergeFile(dir.write("in/T002.FXR", pageFile(2)), out));
    ASSERT_TRUE(run.mergeFile(dir.write("in/U001.FXR", pageFile(3)), dir.path("out/Ufax.fxm")));
    const int lost = run.finish();
    ASSERT_TRUE(acted);
    EXPECT_EQ(c.note != nullptr ? 2 : 0, lost);
    EXPECT_EQ(c.note != nullptr, run.log().find("\r\n" + out + (c.note ? c.note : "")) != std::string::npos);
    EXPECT_EQ(c.note != nullptr, readFile(out) == pageFile(9));
    EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3}), readFile(victim));
    EXPECT_EQ(pageFile(3), readFile(dir.path("out/Ufax.fxm")));
    // What was put under the temporary's name stays there, never moved and never removed.
    if (std::string(c.name).find("swapped") != std::string::npos) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(swapped)));
    } else {
        EXPECT_TRUE(test_support::temporariesIn(dir.path("out")).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    MergeFile, TemporaryChanged,
    testing::Values(TemporaryChange{"left alone", [](const ScratchDir&, const std::string&) { return true; },
                                    nullptr, false},
                    TemporaryChange{"written to",
                                    [](const ScratchDir&, const std::string& temporary) {
                                        std::ofstream written(temporary, std::ios::binary | std::ios::app);
                                        return written.put(0).flush().good() && written.is_open();
                                    },
                                    " (failed: cannot renumber the output's pages)", true},
                    TemporaryChange{"swapped for another file",
                                    [](const ScratchDir& dir, const std::string& temporary) {
                                        std::error_code renamed;
                                        std::filesystem::rename(temporary, dir.path("moved"), renamed);
                                        return !renamed &&
                                               std::ofstream(temporary, std::ios::binary).put(7).good();
                                    },
                                    " (failed: cannot write the output file)", true},
                    TemporaryChange{"swapped for a link to another file",
                                    [](const ScratchDir& dir, const std::string& temporary) {
                                        std::error_code changed;
                                        std::filesystem::rename(temporary, dir.path("moved"), changed);
                                        if (!changed) {
                                            std::filesystem::create_symlink(dir.path("victim.txt"), temporary,
                                                                            changed);
                                        }
                                        return !changed;
                                    },
                                    " (failed: cannot write the output file)", true}),
    [](const testing::TestParamInfo<TemporaryChange>& info) {
        std::string name;
        for (const char c : std::string(info.param.name)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(MergeFile, AnEarlierOutputStaysWholeAndAKilledRunsTemporariesGoWithTheNextRun) {
    ScratchDir dir;
    const std::string out = dir.write("Wfax.fxm", pageFile(9));
    // What a killed run left: its temporary, listed in its list with a file that is no temporary
    // (which stays). A file under the name this run would take first is no one's it knows of,
    // and is never taken over either.
    const std::string leftover = dir.write("~qwdead", std::vector<std::uint8_t>(1000, 0xEE));
    const std::string notes = dir.write("notes.txt", {1, 2});
    const std::string listed = "~qwdead\nnotes.txt\n";
    const std::string killedList =
        dir.write(".quirewell-dead.list", std::vector<std::uint8_t>(listed.begin(), listed.end()));
    const std::string foreign =
        dir.write(temporaryName(firstTemporaryNumber(platform::processNumber())), {7});
    const auto listsIn = [&] {
        std::vector<std::string> lists;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (isListFileName(entry.path().filename().string())) {
                lists.push_back(entry.path().string());
            }
        }
        return lists;
    };
    MergeOptions options;
    options.setDestDir(dir.path());
    RunSession session(options, RunSession::Kind::Merge, false);
    bool waited = false;
    session.hold([&] { waited = true; });
    EXPECT_FALSE(test_support::exists(leftover));
    EXPECT_TRUE(test_support::exists(notes));
    EXPECT_FALSE(test_support::exists(killedList));
    ASSERT_TRUE(session.mergeFile(dir.write("in/W001.FXR", pageFile(1)), out));
    ASSERT_TRUE(session.mergeFile(dir.write("in/W002.FXR", pageFile(2)), out));
    ASSERT_TRUE(session.mergeFile(dir.write("in/X001.FXR", pageFile(3)), dir.path("Xfax.fxm")));
    // The run's own list names the temporary it made, never the name someone else holds.
    const std::vector<std::string> lists = listsIn();
    ASSERT_EQ(1u, lists.size());
    const auto list = readFile(lists[0]);
    EXPECT_EQ(std::string::npos,
              std::string(list.begin(), list.end()).find(foreign.substr(dir.path().size() + 1)));
    for (const std::string& temporary : test_support::temporariesIn(dir.path())) {
        EXPECT_EQ(temporary != foreign,
                  std::string(list.begin(), list.end()).find(temporary.substr(dir.path().size() + 1)) !=
                      std::string::npos)
            << temporary;
    }
    ASSERT_EQ(0, session.finish().lostEntries);
    EXPECT_FALSE(waited);
    EXPECT_EQ(2u, pagesIn(out));
    EXPECT_EQ(std::vector<std::uint8_t>{7}, readFile(foreign));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path(platform::kLockFileName)));
    EXPECT_TRUE(listsIn().empty());
    EXPECT_EQ(std::vector<std::string>{foreign}, test_support::temporariesIn(dir.path()));
}

TEST(MergeFile, AnOutputThatCannotBePutInPlaceIsReportedAndItsPagesCounted) {
    ScratchDir dir;
    dir.makeDir("Dfax.fxm/inside");  // a directory holds the output's name
    const std::string out = dir.path("Dfax.fxm");
    HeldRun run(dir.path());
    ASSERT_TRUE(run.mergeFile(dir.write("in/D001.FXR", pageFile(1)), out));
    ASSERT_TRUE(run.mergeFile(dir.write("in/D002.FXR", pageFile(2)), out));
    EXPECT_EQ(2, run.finish());
    EXPECT_NE(std::string::npos, run.log().find(out + " (failed: cannot write the output file)\r\n"));
    EXPECT_TRUE(test_support::temporariesIn(dir.path()).empty());
}

TEST(MergeFile, OutputsReturnedToLaterInTheListAreExtendedWhereTheyWereLeft) {
    // Stems that begin other stems: the list in name order goes to AB, AB0, AB, AB0 and AB.
    ScratchDir dir;
    const char* names[] = {"AB001.FXR", "AB0011.FXR", "AB002.FXR", "AB0021.FXR", "AB003.FXR"};
    std::string log;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const std::string source = dir.write(std::string("in/") + names[i], pageFile(i + 1));
        log += source + " -> " + dir.path(i % 2 == 0 ? "out/ABfax.fxm" : "out/AB0fax.fxm") + "\r\n";
    }
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    EXPECT_EQ(5, mergeTree(options, false, false));
    EXPECT_EQ(3u, pagesIn(dir.path("out/ABfax.fxm")));
    EXPECT_EQ(2u, pagesIn(dir.path("out/AB0fax.fxm")));
    // Logged in the order of the list, whatever order they were merged in.
    EXPECT_EQ(runHeader(dir.path("in"), dir.path("out")) + log, options.runLogText());
}

// A file's bytes with every header of its chain blanked: what must pass through a merge as is.
std::vector<std::uint8_t> withoutHeaders(std::vector<std::uint8_t> bytes) {
    const ChainReport report = walkChain(bytes.data(), bytes.size());
    for (const auto& page : report.pages) {
        std::fill_n(bytes.begin() + page.position, kFaxHeaderSize, std::uint8_t{0});
    }
    return bytes;
}

TEST(MergeFile, EveryPageCountsItselfAndThePagesAfterItAndNothingElseChanges) {
    using K = FaxKind;
    struct Source {
        const char* name;
        K kind;
        unsigned pages;
    };
    // Outputs of one page, of many pages, from multi-page sources and from pages with bytes
    // after their block, and an output the list leaves and comes back to (B, for B0).
    const std::vector<Source> sources = {
        {"A001.FXR", K::Consistent, 1}, {"B001.FXR", K::MultiPage, 4}, {"B002.FXR", K::Trailing, 1},
        {"B0021.FXR", K::MultiPage, 2}, {"B003.FXR", K::Trailing, 1},  {"B0031.FXR", K::Consistent, 1},
        {"B004.FXR", K::MultiPage, 3},  {"C001.FXR", K::MultiPage, 5},
    };
    ScratchDir dir;
    std::map<std::string, std::vector<std::uint8_t>> expected;
    std::map<std::string, std::size_t> expectedPages;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const auto bytes = pageFile(i + 1, sources[i].kind, 200 + 37 * i, sources[i].pages);
        dir.write(std::string("in/") + sources[i].name, bytes);
        const std::string out = dir.path("out/" + outputNameFor(sources[i].name));
        const auto blank = withoutHeaders(bytes);
        expected[out].insert(expected[out].end(), blank.begin(), blank.end());
        expectedPages[out] += walkChain(bytes.data(), bytes.size()).pages.size();
    }
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    EXPECT_EQ(static_cast<int>(sources.size()), mergeTree(options, false, false));
    ASSERT_EQ(4u, expected.size());
    for (const auto& [out, blank] : expected) {
        EXPECT_EQ(expectedPages[out], pagesIn(out)) << out;
        EXPECT_TRUE(withoutHeaders(readFile(out)) == blank) << out;
    }
}

TEST(MergeFile, KeepFileDateGivesTheOutputTheTimesOfTheLastPage) {
    ScratchDir dir;
    HeldRun run(dir.path(), true);
    const std::string out = dir.path("Dfax.fxm");
    const std::string first = dir.write("in/D001.FXR", pageFile(1));
    const std::string last = dir.write("in/D002.FXR", pageFile(2));
    platform::FileTimes times;
    ASSERT_TRUE(platform::readFileTimes(last, times));
    // Move the last page's times well into the past so they cannot be confused with "now".
    times.creation -= 1000000000000LL;
    times.lastAccess -= 2000000000000LL;
    times.lastWrite -= 3000000000000LL;
    ASSERT_TRUE(platform::writeFileTimes(last, times));
    ASSERT_TRUE(run.mergeFile(first, out));
    ASSERT_TRUE(run.mergeFile(last, out));
    ASSERT_EQ(0, run.finish());
    platform::FileTimes source;
    platform::FileTimes output;
    ASSERT_TRUE(platform::readFileTimes(last, source));
    ASSERT_TRUE(platform::readFileTimes(out, output));
    EXPECT_EQ(source.lastWrite, output.lastWrite);
    EXPECT_EQ(source.lastAccess, output.lastAccess);
    if (source.hasCreation) {
        EXPECT_EQ(source.creation, output.creation);
    }
    EXPECT_EQ(first + " -> " + out + "\r\n" + last + " -> " + out + "\r\n", run.log());
}

TEST(MakeDirectories, CreatesEveryMissingLevelAndNeverChangesTheCurrentDirectory) {
    ScratchDir dir;
    const auto cwd = std::filesystem::current_path();
    const std::string deep = dir.path("a/b/c");
    EXPECT_NE(0, makeDirectories(deep));
    EXPECT_TRUE(platform::isDirectory(deep));
    EXPECT_NE(0, makeDirectories(deep));
    const std::string trailing = dir.path("x/y") + platform::kSeparator;
    EXPECT_NE(0, makeDirectories(trailing));
    EXPECT_TRUE(platform::isDirectory(dir.path("x/y")));
    EXPECT_NE(0, makeDirectories(trailing));
    dir.write("file", {1});
    EXPECT_EQ(0, makeDirectories(dir.path("file/sub")));
    EXPECT_EQ(0, makeDirectories(""));
    EXPECT_EQ(cwd, std::filesystem::current_path());
}

TEST(MergeOptionsRecord, ResetAndIndependentCopies) {
    MergeOptions options;
    EXPECT_EQ("*.*", options.fileMask());
    EXPECT_EQ(kModeDirectory, options.mode());
    EXPECT_FALSE(options.quiet());
    options.setFileMask("*.FXR");
    options.setSourceDir("src");
    options.setDestDir("dst");
    options.setKeepFileDate(true);
    options.setRunLog("log");
    const std::string logCopy = options.runLog();
    options.appendRunLog(" more");
    EXPECT_EQ("log", logCopy);
    EXPECT_EQ("log more", options.runLogText());
    options.resetOptions();
    EXPECT_EQ("*.*", options.fileMask());
    EXPECT_EQ("", options.sourceDir());
    EXPECT_EQ("", options.destDir());
    EXPECT_EQ("", options.runLogText());
    EXPECT_FALSE(options.keepFileDate());
    EXPECT_EQ(0u, options.scanCount());
}

TEST(FinishRun, TheNextRunStartsEveryOutputAfresh) {
    ScratchDir dir;
    HeldRun run(dir.path());
    const std::string out = dir.path("Hfax.fxm");
    ASSERT_TRUE(run.mergeFile(dir.write("H001.FXR", pageFile(1)), out));
    ASSERT_EQ(0, run.finishAndStartAgain());
    ASSERT_TRUE(run.mergeFile(dir.write("H002.FXR", pageFile(2)), out));
    ASSERT_EQ(0, run.finish());
    EXPECT_EQ(pageFile(2), readFile(out));
}

// What the private cache holds: the record a run rewrites whole when it has anything new to say.
long long cacheBytes() {
    platform::OpenFolder cache;
    std::vector<platform::FolderEntry> entries;
    long long total = 0;
    if (platform::openPrivateCache(cache) && cache.listFacts(entries)) {
        for (const platform::FolderEntry& entry : entries) {
            total += std::max<long long>(entry.facts.size, 0);
        }
    }
    return total;
}

// A command-line run of the record's folders; with `subdirs`, "/s": every fax directly in dest.
void runOver(const ScratchDir& dir, const std::string& dest, bool keepFileDate, bool subdirs = false) {
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path(dest));
    options.setKeepFileDate(keepFileDate);
    options.setIncludeSubdirs(subdirs);
    RunTotals totals;
    ASSERT_EQ(0, runDirectoryMerge(options, &totals));
    ASSERT_EQ(0, totals.failed) << options.runLogText();
}

#ifdef _WIN32
constexpr unsigned kManyFaxes = 300;
#else
constexpr unsigned kManyFaxes = 2000;
#endif

TEST(FinishRun, ASecondRunRewritesOnlyTheFaxesThatChanged) {
    const std::pair<const char*, std::vector<std::uint8_t>> tree[] = {
        {"A001.FXR", pageFile(1)},
        {"A002.FXR", pageFile(2)},
        {"B001.FXR", pageFile(3)},
        {"B002.FXS", pageFile(4)},
        {"C001.FXR", pageFile(5)},
        {"C002.FXR", pageFile(6)},
        // A fax too large to be built in memory.
        {"L001.FXD", pageFile(7, FaxKind::Consistent, 2500000)},
        {"L002.FXD", pageFile(8, FaxKind::Consistent, 2500000)}};
    const auto pastTimes = [](const std::string& path) {
        platform::FileTimes times;
        ASSERT_TRUE(platform::readFileTimes(path, times));
        times.lastAccess -= 2000000000000LL;
        times.lastWrite -= 3000000000000LL;
        ASSERT_TRUE(platform::writeFileTimes(path, times));
    };
    // Trees whose faxes' pages do not follow each other in the list: a fax in two day folders
    // (with "/s"), names that differ in letter case only, and stems that begin other stems.
    const auto dayFolders = [](unsigned faxes) {
        return [faxes](const ScratchDir& d) {
            TreeSpec wanted;
            wanted.faxes = faxes;
            wanted.minPages = wanted.maxPages = 1;
            std::string error;
            ASSERT_GT(writeTree(d.path("in/day1"), wanted, 1, error), 0) << error;
            ASSERT_GT(writeTree(d.path("in/day2"), wanted, 2, error), 0) << error;
        };
    };
    const auto files = [](std::vector<std::pair<std::string, std::vector<std::uint8_t>>> written) {
        return [written](const ScratchDir& d) {
            for (const auto& [name, bytes] : written) {
                d.write("in/" + name, bytes);
            }
        };
    };
    const auto large = [](std::uint64_t seed) { return pageFile(seed, FaxKind::Consistent, 2500000); };
    const struct {
        const char* name;
        std::function<void(const ScratchDir&)> change;  // between the two runs
        bool keepFileDate;
        std::vector<std::string> rewritten;  // the outputs written anew; the others are left as they are
        std::function<void(const ScratchDir&)> tree = nullptr;  // instead of the tree above
        bool subdirs = false;
    } cases[] = {
        {"nothing changed", nullptr, false, {}},
        {"nothing changed, dates kept", nullptr, true, {}},
        {"a page's bytes",
         [](const ScratchDir& d) { d.write("in/B002.FXS", pageFile(40)); },
         false,
         {"Bfax.fxm"}},
        {"a page more",
         [](const ScratchDir& d) { d.write("in/A003.FXR", pageFile(41)); },
         false,
         {"Afax.fxm"}},
        {"a page fewer",
         [](const ScratchDir& d) { std::filesystem::remove(d.path("in/C001.FXR")); },
         false,
         {"Cfax.fxm"}},
        {"the last page's dates, dates kept",
         [&](const ScratchDir& d) { pastTimes(d.path("in/C002.FXR")); },
         true,
         {}},
        {"a page of the large fax",
         [](const ScratchDir& d) { d.write("in/L002.FXD", pageFile(42, FaxKind::Consistent, 2500000)); },
         false,
         {"Lfax.fxm"}},
        {"a page more for the large fax",
         [](const ScratchDir& d) { d.write("in/L003.FXD", pageFile(43)); },
         false,
         {"Lfax.fxm"}},
        // Its dates given to the other name too, were the file taken for unchanged.
        {"a second name for the fax in its place, dates kept",
         [](const ScratchDir& d) {
             std::filesystem::create_hard_link(d.path("out/Afax.fxm"), d.path("second-name"));
         },
         true,
         {"Afax.fxm"}},
        {"a fax in two day folders", nullptr, false, {}, dayFolders(3), true},
        {"a fax in two day folders, a page changed",
         [](const ScratchDir& d) { d.write("in/day2/F00002001.FXR", pageFile(44)); },
         false,
         {"F00002fax.fxm"},
         dayFolders(3),
         true},
        // Natively thousands of outputs; under Wine, which opens a file a tenth as fast, hundreds.
        {"many faxes in two day folders", nullptr, true, {}, dayFolders(kManyFaxes), true},
        {"stems that begin other stems, dates kept",
         nullptr,
         true,
         {},
         files({{"AB001.FXR", pageFile(9)}, {"AB0011.FXR", pageFile(10)}, {"AB002.FXR", pageFile(11)}})},
#ifndef _WIN32
        {"names that differ in case only",
         nullptr,
         false,
         {},
         files({{"ABC001.FXR", pageFile(12)}, {"abc001.FXR", pageFile(13)}, {"ABC002.FXR", pageFile(14)}})},
#endif
        {"a fax larger than memory that the list leaves and comes back to",
         nullptr,
         false,
         {},
         files({{"L001.FXD", large(15)}, {"L0011.FXD", pageFile(16)}, {"L002.FXD", large(17)}})},
        {"a fax larger than memory that the list leaves and comes back to, a page changed",
         [&](const ScratchDir& d) { d.write("in/L002.FXD", large(18)); },
         false,
         {"Lfax.fxm"},
         files({{"L001.FXD", large(15)}, {"L0011.FXD", pageFile(16)}, {"L002.FXD", large(17)}})},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const test_support::CacheOfItsOwn cache(dir.path("cache"));
        if (c.tree) {
            c.tree(dir);
        } else {
            for (const auto& [name, bytes] : tree) {
                dir.write(std::string("in/") + name, bytes);
            }
        }
        runOver(dir, "out", c.keepFileDate, c.subdirs);
        std::map<std::string, std::pair<platform::DirectoryIdentity, platform::FileTimes>> before;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path("out"))) {
            auto& [identity, times] = before[entry.path().filename().string()];
            ASSERT_TRUE(platform::directoryIdentity(entry.path().string(), identity));
            ASSERT_TRUE(platform::readFileTimes(entry.path().string(), times));
        }
        if (c.change) {
            c.change(dir);
        }
        const long long written = test_support::ioCount("wchar");
        runOver(dir, "out", c.keepFileDate, c.subdirs);
        const long long writtenByRun = test_support::ioCount("wchar") - written;
        const long long recordBytes = cacheBytes();
        runOver(dir, "fresh", c.keepFileDate, c.subdirs);
        long long rewrittenBytes = 0;
        for (const auto& [name, was] : before) {
            const std::string out = dir.path("out/" + name);
            EXPECT_EQ(readFile(dir.path("fresh/" + name)), readFile(out)) << c.name << ": " << name;
            platform::DirectoryIdentity identity;
            platform::FileTimes times;
            ASSERT_TRUE(platform::directoryIdentity(out, identity) && platform::readFileTimes(out, times));
            const bool rewritten = std::count(c.rewritten.begin(), c.rewritten.end(), name) > 0;
            EXPECT_EQ(rewritten, was.first < identity || identity < was.first) << c.name << ": " << name;
            if (rewritten) {
                rewrittenBytes += static_cast<long long>(std::filesystem::file_size(out));
            } else if (!c.keepFileDate) {
                EXPECT_EQ(was.second.lastWrite, times.lastWrite) << c.name << ": " << name;
            }
        }
        // With the dates kept, every output has its last page's, changed or not.
        platform::FileTimes last;
        platform::FileTimes output;
        if (!c.tree) {
            ASSERT_TRUE(platform::readFileTimes(dir.path("in/C002.FXR"), last) &&
                        platform::readFileTimes(dir.path("out/Cfax.fxm"), output));
            EXPECT_TRUE(!c.keepFileDate || last.lastWrite == output.lastWrite) << c.name;
        }
        // Besides the faxes written anew, at most the list of their temporaries, the record of
        // how the faxes were made (and the few bytes the sanitizers of a test build write to
        // themselves, far fewer than a fax).
        if (written >= 0) {
            EXPECT_GE(writtenByRun, rewrittenBytes) << c.name;
            EXPECT_LE(writtenByRun,
                      rewrittenBytes + 16 * static_cast<long long>(c.rewritten.size()) + recordBytes + 128)
                << c.name;
        }
    }
}

TEST(FinishRun, ARunThatNeverFinishesLeavesTheOutputItWasBuildingAsItWasAndNoTemporary) {
    ScratchDir dir;
    const std::string p = dir.write("Pfax.fxm", pageFile(9));
    const std::string q = dir.write("Qfax.fxm", pageFile(8));
    {
        HeldRun run(dir.path());
        ASSERT_TRUE(run.mergeFile(dir.write("P001.FXR", pageFile(1)), p));
        ASSERT_TRUE(run.mergeFile(dir.write("P002.FXR", pageFile(2)), p));
        // P is complete and in place once Q begins; Q is still being built, and a new output
        // has its temporary from its first page.
        ASSERT_TRUE(run.mergeFile(dir.write("Q001.FXR", pageFile(3)), q));
        ASSERT_TRUE(run.mergeFile(dir.write("R001.FXR", pageFile(4)), dir.path("Rfax.fxm")));
        ASSERT_EQ(1u, test_support::temporariesIn(dir.path()).size());
    }
    EXPECT_EQ(2u, pagesIn(p));
    EXPECT_EQ(pageFile(3), readFile(q));
    EXPECT_FALSE(test_support::exists(dir.path("Rfax.fxm")));
    EXPECT_TRUE(test_support::temporariesIn(dir.path()).empty());
}

TEST(FinishRun, AnOutputThatVanishedBeforeItCouldBePutInPlaceIsReported) {
    ScratchDir dir;
    HeldRun run(dir.path());
    const std::string out = dir.path("Vfax.fxm");
    ASSERT_TRUE(run.mergeFile(dir.write("V001.FXR", pageFile(1)), out));
    ASSERT_TRUE(run.mergeFile(dir.write("V002.FXR", pageFile(2)), out));
    std::error_code removal;
    const auto temporaries = test_support::temporariesIn(dir.path());
    ASSERT_EQ(1u, temporaries.size());
    if (!std::filesystem::remove(temporaries[0], removal)) {
        // Windows keeps an open file in place.
        run.finish();
        GTEST_SKIP() << "an open output cannot be removed here";
    }
    EXPECT_EQ(2, run.finish());
    EXPECT_NE(std::string::npos, run.log().find(out + " (failed: cannot write the output file)\r\n"));
    EXPECT_FALSE(test_support::exists(out));
}

}  // namespace

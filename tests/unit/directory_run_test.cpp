// The command-line run over a directory: its log texts, totals, exit codes and reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/output_files.h"
#include "engine/output_paths.h"
#include "engine/page_chain.h"
#include "engine/temporary_records.h"
#include "platform/ansi_string.h"
#include "platform/folder_lock.h"
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
    void entryFinished(const EntryPaths& paths, const PageReport& report) override {
        events.push_back((report.result == kAppendOk ? "merged " : "failed ") + paths.output);
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
    ASSERT_EQ(0, runDirectoryMerge(options, &totals, &sink));
    EXPECT_EQ(3, totals.merged);
    EXPECT_EQ(1, totals.failed);
    const std::string in = dir.path("in") + platform::kSeparator;
    const std::string out = dir.path("out/new") + platform::kSeparator;
    const std::string expected =
        "Source Dir: " + dir.path("in") + "\r\nDestination Dir: " + dir.path("out/new") + "\r\n\r\n" +
        line(in + "A001.FXR", out + "Afax.fxm") + line(in + "A002.FXR", out + "Afax.fxm") +
        line(in + "B001.FXR", out + "Bfax.fxm") +
        line(in + "C001.FXS", out + "Cfax.fxm", " (failed: not a WinFax page file)") +
        "\r\n---------\r\nTotal merged WinFax files: 3\r\nFailed WinFax files: 1\r\n";
    EXPECT_EQ(expected, options.runLogText());
    EXPECT_EQ((std::vector<std::string>{"start " + in + "A001.FXR", "merged " + out + "Afax.fxm",
                                        "start " + in + "A002.FXR", "merged " + out + "Afax.fxm",
                                        "start " + in + "B001.FXR", "merged " + out + "Bfax.fxm",
                                        "start " + in + "C001.FXS", "failed " + out + "Cfax.fxm"}),
              sink.events);
}

TEST(DirectoryRun, AMissingSourceFolderIsReportedNotPassedOver) {
    ScratchDir dir;
    MergeOptions options;
    options.setSourceDir(dir.path("missing"));
    options.setDestDir(dir.path("out"));
    options.collectFaxFiles(false);
    RunTotals totals;
    ASSERT_EQ(0, runDirectoryMerge(options, &totals));
    EXPECT_EQ(1, totals.foldersNotRead);
    EXPECT_EQ("Source Dir: " + dir.path("missing") + "\r\nDestination Dir: " + dir.path("out") + "\r\n\r\n" +
                  "Cannot read folder: " + dir.path("missing") + " (not found)\r\n" +
                  "\r\n---------\r\nTotal merged WinFax files: 0\r\nFolders not read: 1\r\n",
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
    EXPECT_EQ(-1, runDirectoryMerge(options));
    EXPECT_EQ("Failed to create dir: " + dir.path("blocker/out") + "\r\n", options.runLogText());

    MergeOptions noDestination;
    noDestination.setRunLog("kept");
    EXPECT_EQ(-1, runDirectoryMerge(noDestination));
    EXPECT_EQ("kept", noDestination.runLogText());
}

TEST(DirectoryRun, ExitCodesAndThePleaseWaitLineOfARunAndItsPreview) {
#ifdef _WIN32
    const std::string shortName = std::string(13, 'B') + "001.FXR";
    // A destination below the scratch folder whose output of shortName has a path of `length`.
    const auto ofLength = [&](std::size_t length) {
        return [=](const std::string& root) {
            return root + "\\out\\" +
                   std::string(length - root.size() - 6 - outputNameFor(shortName).size(), 'd');
        };
    };
#else
    const std::string longName = std::string(245, 'L') + "001.FXR";  // its output's name: 252 characters
#endif
    const struct {
        const char* name;
        std::vector<std::pair<std::string, FaxKind>> files;
        bool blockDestination;
        int exitCode;
        bool sourceMissing = false;
        // The destination, below the scratch folder; "out" when null.
        std::function<std::string(const std::string&)> destination = nullptr;
    } cases[] = {
        {"all merged",
         {{"A001.FXR", FaxKind::Consistent}, {"A002.FXR", FaxKind::Trailing}},
         false,
         kExitMerged},
        {"nothing found", {}, false, kExitMerged},
        {"some failed",
         {{"A001.FXR", FaxKind::Consistent}, {"B001.FXR", FaxKind::Empty}},
         false,
         kExitSomeFailed},
        {"no destination", {{"A001.FXR", FaxKind::Consistent}}, true, kExitNoDestination},
        {"destination under a plain file",
         {{"A001.FXR", FaxKind::Consistent}},
         true,
         kExitNoDestination,
         false,
         [](const std::string& root) {
             return root + platform::kSeparator + "out" + platform::kSeparator + "new";
         }},
        {"source folder missing", {}, false, kExitFoldersNotRead, true},
        {"source folder missing, no destination", {}, true, kExitNoDestination, true},
#ifdef _WIN32
        {"an output path of 259 characters",
         {{shortName, FaxKind::Consistent}},
         false,
         kExitMerged,
         false,
         ofLength(259)},
        {"an output path of 260 characters",
         {{shortName, FaxKind::Consistent}},
         false,
         kExitSomeFailed,
         false,
         ofLength(260)},
#else
        {"an output name of 252 characters", {{longName, FaxKind::Consistent}}, false, kExitMerged},
        {"an output path past 4,095 characters",
         {{std::string(60, 'B') + "001.FXR", FaxKind::Consistent}},
         false,
         kExitSomeFailed,
         false,
         [](const std::string& root) {
             std::string path = root + "/out";
             for (int step = 0; step < 16; ++step) {
                 path += "/" + std::string(250, 'd');
             }
             return path;
         }},
#endif
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        if (!c.sourceMissing) {
            dir.makeDir("in");
        }
        for (const auto& [name, kind] : c.files) {
            dir.write("in/" + name, pageFile(1, kind));
        }
        if (c.blockDestination) {
            dir.write("out", {1});
        }
        const std::string destination = c.destination ? c.destination(dir.path()) : dir.path("out");
        // The preview tells the run's exit code, and writes nothing; then the run.
        for (const bool preview : {true, false}) {
            MergeOptions options;
            std::string usage;
            const std::string line =
                (preview ? "/n \"" : "\"") + dir.path("in") + "\" \"" + destination + "\"";
            ASSERT_EQ(kParseRun, options.parseCommandLine(line.c_str(), usage));
            std::FILE* out = std::tmpfile();
            ASSERT_NE(nullptr, out);
            EXPECT_EQ(c.exitCode, performDirectoryRun(options, out))
                << c.name << (preview ? ", preview" : "");
            std::rewind(out);
            char text[64] = {};
            const std::size_t got = std::fread(text, 1, sizeof text - 1, out);
            std::fclose(out);
            EXPECT_EQ("Please Wait...\n", std::string(text, got)) << c.name;
            if (preview) {
                EXPECT_EQ(c.blockDestination, std::filesystem::exists(dir.path("out"))) << c.name;
            } else if (c.exitCode == kExitSomeFailed && c.destination) {
                EXPECT_NE(std::string::npos,
                          options.runLogText().find("(failed: cannot write the output file)"));
                EXPECT_TRUE(test_support::temporariesIn(destination).empty()) << c.name;
            }
        }
    }
}

// Files a stranger would have a run remove: beside the save folder, in it under names that are no
// temporary's, and one of each kind a link could lead to.
const std::vector<std::string> kPlanted = {"outside/~qw0001", "out/notes.txt", "out/keep.partial",
                                           "out/~qw0006",     "precious.txt",  "cwd/~qw0003"};
std::function<std::string(const ScratchDir&)> listed(const std::string& text) {
    return [text](const ScratchDir&) { return text; };
}

// A list or a lock file a stranger left in a save folder.
struct StrangersList {
    const char* name;
    std::function<std::string(const ScratchDir&)> list;  // a killed run's list
    bool inLockFile = false;                             // the list is an earlier version's, in the lock file
    const char* lockIs = nullptr;  // the lock file: a link to this ("~": a hard link), "folder", "fifo"
    bool removes = false;          // the entry is a real temporary's, "out/sub/~qw0005"
    bool throughLink = false;      // the entry leads through "out/link", a link to outside/
    bool nested = false;           // "out/sub" is a save folder of its own
    bool listIsLink = false;       // the list is a link to "outside/list.txt"
};

// Named by the row's name in the test's name and in its failures.
void PrintTo(const StrangersList& row, std::ostream* os) {
    *os << row.name;
}

class StrangersLists : public testing::TestWithParam<StrangersList> {};

TEST_P(StrangersLists, TouchOnlyTheRunsOwnFiles) {
    const StrangersList& c = GetParam();
    ScratchDir dir;
    dir.write("in/Z001.FXR", pageFile(1));
    for (const std::string& path : kPlanted) {
        dir.write(path, {1, 2, 3});
    }
    dir.write("out/sub/~qw0005", {5});
    if (c.nested) {
        dir.write("out/sub/" + std::string(platform::kLockFileName), {});
    }
    std::error_code linked;
    if (c.throughLink) {
        std::filesystem::create_directory_symlink(dir.path("outside"), dir.path("out/link"), linked);
    }
    const std::string lockFile = dir.path("out") + platform::kSeparator + platform::kLockFileName;
    const std::string text = c.list(dir);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const std::string listFile = c.inLockFile ? std::string(platform::kLockFileName) : ".quirewell-0001.list";
    if (c.listIsLink) {
        dir.write("outside/list.txt", bytes);
        std::filesystem::create_symlink(dir.path("outside/list.txt"), dir.path("out/" + listFile), linked);
    } else if (c.lockIs == nullptr) {
        dir.write("out/" + listFile, bytes);
    } else if (c.lockIs[0] == '~') {
        std::filesystem::create_hard_link(dir.path(c.lockIs + 1), lockFile, linked);
    } else if (std::string(c.lockIs) == "folder") {
        dir.makeDir("out/" + std::string(platform::kLockFileName));
#ifndef _WIN32
    } else if (std::string(c.lockIs) == "fifo") {
        ASSERT_EQ(0, mkfifo(lockFile.c_str(), 0666));
#endif
    } else {
        std::filesystem::create_symlink(dir.path(c.lockIs), lockFile, linked);
    }
    if (linked) {
        GTEST_SKIP() << "this system makes no links of this kind";
    }
    const auto savedFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir.path("cwd"));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out"));
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(kExitMerged, performDirectoryRun(options, out)) << c.name;
    std::fclose(out);
    std::filesystem::current_path(savedFolder);
    for (const std::string& path : kPlanted) {
        EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3}), test_support::readFile(dir.path(path)))
            << c.name << ": " << path;
    }
    EXPECT_EQ(!c.removes, test_support::exists(dir.path("out/sub/~qw0005"))) << c.name;
    EXPECT_EQ(pageFile(1), test_support::readFile(dir.path("out/Zfax.fxm"))) << c.name;
    // The lock file is never written, cut or removed; a list is removed once done with, and
    // the run's own list goes at its end; an earlier version's list stays as it was.
    if (c.listIsLink) {
        EXPECT_EQ(bytes, test_support::readFile(dir.path("outside/list.txt"))) << c.name;
    } else if (c.lockIs == nullptr) {
        EXPECT_TRUE(std::filesystem::is_regular_file(lockFile)) << c.name;
        EXPECT_EQ(c.inLockFile ? bytes : std::vector<std::uint8_t>{}, test_support::readFile(lockFile))
            << c.name;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path("out"))) {
        EXPECT_FALSE(isListFileName(entry.path().filename().string()) && !entry.is_symlink())
            << c.name << ": " << entry.path();
    }
    const bool notPlain = c.lockIs != nullptr && c.lockIs[0] != '~';
    EXPECT_EQ(notPlain, options.runLogText().find("Cannot hold the save folder " + dir.path("out") +
                                                  " (its lock file is a link, a folder or no plain file)") !=
                            std::string::npos)
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    DirectoryRun, StrangersLists,
    testing::ValuesIn(std::vector<StrangersList>{
        {"absolute", [](const ScratchDir& dir) { return dir.path("outside/~qw0001") + "\n"; }},
        {"a step up", listed("../outside/~qw0001\n")},
        {"a step up, escaped", listed("%2E%2E/outside/~qw0001\nsub/%2E%2E/../outside/~qw0001\n")},
        {"a server", listed("//localhost/share/~qw0001\n\\\\localhost\\share\\~qw0001\n")},
        {"a drive",
         [](const ScratchDir& dir) { return "C:~qw0001\nC:" + dir.path("outside/~qw0001") + "\n"; }},
        {"the current folder", listed("~qw0003\n./~qw0003\n")},
        {"line breaks and controls", listed("~qw0006\r\n\tnotes.txt\nsub\n../outside/~qw0001")},
        {"no temporary's name", listed("notes.txt\nkeep.partial\n~qw00061\n~QW0006\n")},
        {"a link on the way", listed("link/~qw0001\n"), false, nullptr, false, true},
        {"a lock file that is a link", listed(""), false, "precious.txt"},
        {"a lock file with a second name", listed(""), false, "~precious.txt"},
        {"a lock file that is a folder", listed(""), false, "folder"},
#ifndef _WIN32
        {"a lock file that is a pipe", listed(""), false, "fifo"},
#endif
        {"a list that is a link", listed("sub/~qw0005\n"), false, nullptr, false, false, false, true},
        {"a real temporary", listed("sub/~qw0005\n"), false, nullptr, true},
        {"a real temporary, listed by an earlier version", listed("sub/~qw0005\n"), true, nullptr, true},
        {"below a save folder of its own", listed("sub/~qw0005\n"), false, nullptr, false, false, true},
    }),
    [](const testing::TestParamInfo<StrangersList>& info) {
        std::string name;
        for (const char c : std::string(info.param.name)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// A path from UTF-8 text, as the file system holds it whatever the program's code page, and its
// bytes written and read under that name.
std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Which of the code pages in the table below the program runs with; POSIX names are UTF-8.
int codePageColumn() {
#ifdef _WIN32
    switch (GetACP()) {
        case 1252:
            return 0;
        case 932:
            return 1;
        case 936:
            return 2;
        default:
            return 3;
    }
#else
    return 3;
#endif
}

TEST(DirectoryRun, NamesInEveryLanguageAreMergedOrReportedButNeverMixedUp) {
    // Whether code pages 1252, 932 and 936 and UTF-8 hold each name. Where one does not, the
    // system's best fit would give a look-alike ("Łódź" as "Lodz"), which could be another file.
    const struct {
        const char* name;
        bool held[4];
    } names[] = {
        {"Zoe", {true, true, true, true}},       {"Zoë", {true, false, false, true}},
        {"Łódź", {false, false, false, true}},   {"Lódz", {true, false, true, true}},
        {"Ελλάδα", {false, false, false, true}}, {"传真", {false, false, true, true}},
        {"表", {false, true, true, true}},  // 95 5C in code page 932
        {"ソ", {false, true, true, true}},  // 83 5C in code page 932
        {"淺", {false, true, true, true}},  // 9C 5C in code page 936
    };
    // Source and save folders named to end in those characters; a folder the code page cannot
    // hold is a folder line, never another folder.
    const char* folders[] = {"in表", "ソ", "in淺", "Łódź"};
    const int column = codePageColumn();
    for (const char* folder : folders) {
        ScratchDir dir;
        for (std::size_t i = 0; i < std::size(names); ++i) {
            for (const char* page : {"001.FXS", "002.fxr"}) {
                writeBytes(
                    utf8Path(dir.path("in")) / utf8Path(folder) / utf8Path(names[i].name + std::string(page)),
                    pageFile(i * 2 + (page[2] == '1' ? 1 : 2)));
            }
        }
        std::string folderName;
        const bool folderHeld = platform::fromUtf8(folder, folderName);
        MergeOptions options;
        options.setSourceDir(dir.path("in") + platform::kSeparator + folderName);
        options.setDestDir(dir.path("out") + platform::kSeparator + folderName);
        RunTotals totals;
        EXPECT_EQ(folderHeld ? 2 * static_cast<int>(std::size(names)) : 0, options.collectFaxFiles(false))
            << folder;
        if (!folderHeld) {
            // Neither the source nor the save folder is ever opened under another spelling.
            ASSERT_EQ(1u, options.unreadFolders().size()) << folder;
            EXPECT_EQ(FolderReason::NameNotInCodePage, options.unreadFolders()[0].reason) << folder;
            EXPECT_EQ(-1, runDirectoryMerge(options, &totals)) << folder;
            const auto out = utf8Path(dir.path("out"));
            EXPECT_TRUE(!std::filesystem::exists(out) || std::filesystem::is_empty(out)) << folder;
            continue;
        }
        ASSERT_EQ(0, runDirectoryMerge(options, &totals)) << folder;
        int held = 0;
        for (const auto& n : names) {
            std::string name;
            ASSERT_EQ(n.held[column], platform::fromUtf8(n.name, name))
                << n.name << ": converted with best fit?";
            const std::string line = options.sourceDir() + platform::kSeparator + name + "001.FXS -> " +
                                     options.destDir() + platform::kSeparator + name + "fax.fxm";
            const auto output =
                utf8Path(dir.path("out")) / utf8Path(folder) / utf8Path(n.name + std::string("fax.fxm"));
            if (n.held[column]) {
                ++held;
                EXPECT_NE(std::string::npos, options.runLogText().find(line + "\r\n")) << n.name;
                const auto bytes = readBytes(output);
                const ChainReport report = walkChain(bytes.data(), bytes.size());
                EXPECT_TRUE(report.wellFormed && report.pages.size() == 2)
                    << n.name << ": " << report.pages.size();
            } else {
                EXPECT_NE(
                    std::string::npos,
                    options.runLogText().find(
                        line + " (failed: the file name cannot be used in this system's code page)\r\n"))
                    << n.name;
                EXPECT_FALSE(std::filesystem::exists(output)) << n.name;
            }
        }
        EXPECT_EQ(2 * held, totals.merged) << folder;
        EXPECT_EQ(2 * (static_cast<int>(std::size(names)) - held), totals.failed) << folder;
        EXPECT_EQ(0, totals.foldersNotRead) << folder;
    }
}

TEST(DirectoryRun, AWaitForTheSaveFolderIsToldInUtf8WhateverTheCodePageAndEndsAtItsLimit) {
    // A save folder with a name of this code page that is not ASCII, held by another run.
    std::string utf8Name = "ソ";
    std::string folderName;
    if (!platform::fromUtf8(utf8Name, folderName)) {
        utf8Name = "Zoë";
        ASSERT_TRUE(platform::fromUtf8(utf8Name, folderName));
    }
    ScratchDir dir;
    dir.write("in/A001.FXR", pageFile(1));
    std::filesystem::create_directories(utf8Path(dir.path("out")) / utf8Path(utf8Name));
    MergeOptions options;
    options.setSourceDir(dir.path("in"));
    options.setDestDir(dir.path("out") + platform::kSeparator + folderName);
    platform::OpenFolder saveFolder;
    ASSERT_TRUE(saveFolder.openNamed(options.destDir()));
    platform::FolderLock otherRun;
    otherRun.hold(
        saveFolder, [] {}, platform::kWaitForever);
    ASSERT_TRUE(otherRun.held());

    // "/w:0": a run that may not wait gives up at once, merges nothing, and says so.
    {
        MergeOptions hurried;
        std::string usage;
        ASSERT_EQ(kParseRun,
                  hurried.parseCommandLine(
                      ("/w:0 \"" + options.sourceDir() + "\" \"" + options.destDir() + "\"").c_str(), usage));
        EXPECT_EQ(kExitGaveUpWaiting, performDirectoryRun(hurried, nullptr));
        EXPECT_EQ(runHeader(options.sourceDir(), options.destDir()) + "Gave up waiting for " +
                      options.destDir() + " after 0 minutes: another run still holds it\r\n" +
                      commandLineClosing(RunTotals{}),
                  hurried.runLogText());
        EXPECT_FALSE(std::filesystem::exists(utf8Path(dir.path("out")) / utf8Path(utf8Name) / "Afax.fxm"));
    }

    // Standard error goes to a file while the run waits.
    const std::string told = dir.path("told.txt");
    std::FILE* toldFile = std::fopen(told.c_str(), "wb");
    ASSERT_NE(nullptr, toldFile);
    std::fflush(stderr);
    const int savedError = dup(fileno(stderr));
    dup2(fileno(toldFile), fileno(stderr));
    std::FILE* pleaseWait = std::tmpfile();
    std::thread run([&] { performDirectoryRun(options, pleaseWait); });
    for (int i = 0; i < 200 && std::filesystem::file_size(utf8Path(told)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    otherRun.release();
    run.join();
    std::fflush(stderr);
    dup2(savedError, fileno(stderr));
    close(savedError);
    std::fclose(toldFile);
    std::fclose(pleaseWait);

    const auto bytes = readBytes(utf8Path(told));
    const std::string expected = "Waiting for another Quirewell run to finish with " + dir.path("out") +
                                 platform::kSeparator + utf8Name;
    EXPECT_EQ(0u, std::string(bytes.begin(), bytes.end()).rfind(expected, 0));
    EXPECT_TRUE(std::filesystem::exists(utf8Path(dir.path("out")) / utf8Path(utf8Name) / "Afax.fxm"));
}

// Every file below `root` with its bytes.
std::map<std::string, std::vector<std::uint8_t>> treeBytes(const std::string& root) {
    std::map<std::string, std::vector<std::uint8_t>> tree;
    if (std::filesystem::exists(root)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file()) {
                tree[entry.path().string()] = readBytes(entry.path());
            }
        }
    }
    return tree;
}

TEST(DirectoryRun, SubFoldersFromTheCommandLineAreMergedAsTheWindowMergesThem) {
    const struct {
        const char* switches;
        bool includeSubdirs;
        bool keepHierarchy;
        int exitCode;  // the refused page lies in a sub-folder
    } cases[] = {{"/s", true, false, kExitSomeFailed},
                 {"/S /H", true, true, kExitSomeFailed},
                 {"/h", false, true, kExitMerged}};
    for (const auto& c : cases) {
        ScratchDir dir;
        TreeSpec tree;
        tree.faxes = 9;
        tree.subdirs = 3;
        std::string error;
        ASSERT_GT(writeTree(dir.path("in"), tree, 7, error), 0) << error;
        // A fax of the same name in two folders, and a page that is refused.
        dir.write("in/K001.FXR", pageFile(1));
        dir.write("in/sub/K001.FXR", pageFile(2));
        dir.write("in/sub/deeper/K002.FXR", pageFile(3, FaxKind::NoSignature));
        // The window's run, then the command line's into the same save folder, emptied first.
        MergeOptions window;
        window.setSourceDir(dir.path("in"));
        window.setDestDir(dir.path("out"));
        window.setIncludeSubdirs(c.includeSubdirs);
        RunSession session(window, RunSession::Kind::Merge, true);
        walkScanList(
            session,
            [&](const std::string& entry) {
                return windowEntryPaths(window.sourceDir(), window.destDir(), entry, c.keepHierarchy);
            },
            nullptr);
        const auto windowTree = treeBytes(dir.path("out"));
        std::filesystem::remove_all(dir.path("out"));
        MergeOptions console;
        std::string usage;
        ASSERT_EQ(
            kParseRun,
            console.parseCommandLine(
                (std::string(c.switches) + " " + dir.path("in") + " " + dir.path("out")).c_str(), usage));
        EXPECT_EQ(c.exitCode, performDirectoryRun(console, nullptr)) << c.switches;
        EXPECT_EQ(windowTree, treeBytes(dir.path("out"))) << c.switches;
        EXPECT_EQ(0u, console.runLogText().rfind(window.runLogText() + "\r\n---------\r\n", 0)) << c.switches;
    }
}

TEST(DirectoryRun, ThePreviewIsTheRunsPlanAndWritesNothing) {
    for (const std::uint64_t seed : {3u, 17u, 40u}) {
        ScratchDir dir;
        TreeSpec tree;
        tree.faxes = 12;
        tree.minPages = 1;
        tree.maxPages = 5;
        tree.minSize = 300;
        tree.maxSize = 900;
        std::string error;
        ASSERT_GT(writeTree(dir.path("in"), tree, seed, error), 0) << error;
        // Files a run refuses, and one it takes whole with every page it holds.
        dir.write("in/BAD001.FXR", pageFile(seed, FaxKind::NoSignature));
        dir.write("in/EMPTY001.FXS", pageFile(seed, FaxKind::Empty));
        dir.write("in/F00002900.FXD", pageFile(seed, FaxKind::MultiPage, 200, 4));
        dir.write("in/notes.txt", {1, 2, 3});
        const auto before = treeBytes(dir.path());
        MergeOptions preview;
        std::string usage;
        ASSERT_EQ(kParseRun,
                  preview.parseCommandLine(("/n " + dir.path("in") + " " + dir.path("out")).c_str(), usage));
        std::FILE* out = std::tmpfile();
        const int previewCode = performDirectoryRun(preview, out);
        std::fclose(out);
        EXPECT_EQ(before, treeBytes(dir.path())) << "the preview wrote something, seed " << seed;

        MergeOptions run;
        run.setSourceDir(dir.path("in"));
        run.setDestDir(dir.path("out"));
        out = std::tmpfile();
        EXPECT_EQ(previewCode, performDirectoryRun(run, out)) << seed;
        std::fclose(out);
        // The run's lines, "SOURCE -> OUTPUT" and "SOURCE -> OUTPUT (failed: REASON)", told again
        // from the plan: each output with its page files in order, then the refused ones.
        std::vector<std::string> planned;
        std::vector<std::string> refused;
        std::map<std::string, std::size_t> plannedPages;
        std::string output;
        bool refusals = false;
        std::istringstream lines(preview.runLogText());
        for (std::string line; std::getline(lines, line);) {
            line = line.substr(0, line.size() - 1);  // the "\r"
            if (line == "Refused:") {
                refusals = true;
            } else if (line.rfind("    ", 0) == 0 && refusals) {
                const std::size_t open = line.rfind(" (");
                const std::string source = line.substr(4, open - 4);
                refused.push_back(source + " -> " +
                                  commandLineEntryPaths(dir.path("in"), dir.path("out"),
                                                        source.substr(dir.path("in").size() + 1))
                                      .output +
                                  " (failed: " + line.substr(open + 2));
            } else if (line.rfind("    ", 0) == 0) {
                const std::size_t open = line.rfind(" (");
                planned.push_back(line.substr(4, open - 4) + " -> " + output);
                plannedPages[output] += std::stoul(line.substr(open + 2));
            } else if (line.find("fax.fxm") != std::string::npos) {
                output = line.substr(0, line.rfind(" ("));
                EXPECT_EQ(" (new)", line.substr(output.size())) << seed;
            }
        }
        std::vector<std::string> merged;
        std::vector<std::string> failed;
        std::istringstream ran(run.runLogText());
        for (std::string line; std::getline(ran, line);) {
            line = line.substr(0, line.size() - 1);
            if (line.find(" -> ") != std::string::npos) {
                (line.find(" (failed: ") != std::string::npos ? failed : merged).push_back(line);
            }
        }
        EXPECT_EQ(merged, planned) << seed;
        EXPECT_EQ(failed, refused) << seed;
        EXPECT_EQ(2u, refused.size()) << seed;
        for (const auto& [path, pages] : plannedPages) {
            const auto bytes = readBytes(path);
            EXPECT_EQ(pages, walkChain(bytes.data(), bytes.size()).pages.size()) << path;
        }

        // Over the merged archive the plan tells what a merge would change: nothing, then the fax
        // whose page changed and the one that is new.
        const auto planAgain = [&](std::size_t unchanged, std::size_t toWrite) {
            MergeOptions again;
            std::string ignored;
            EXPECT_EQ(kParseRun, again.parseCommandLine(
                                     ("/n " + dir.path("in") + " " + dir.path("out")).c_str(), ignored));
            std::FILE* text = std::tmpfile();
            performDirectoryRun(again, text);
            std::fclose(text);
            EXPECT_NE(std::string::npos,
                      again.runLogText().find("\r\nUnchanged: " + std::to_string(unchanged) +
                                              "\r\nTo write: " + std::to_string(toWrite) + "\r\n"))
                << seed << "\n"
                << again.runLogText();
            return again.runLogText();
        };
        const std::size_t faxes = plannedPages.size();
        EXPECT_EQ(std::string::npos, planAgain(faxes, 0).find(" (new)\r\n")) << seed;
        const std::string changedPage = planned.front().substr(0, planned.front().find(" -> "));
        dir.write("in/" + changedPage.substr(dir.path("in").size() + 1), pageFile(seed + 99));
        dir.write("in/NEW001.FXR", pageFile(seed + 100));
        const std::string plan = planAgain(faxes - 1, 2);
        const std::string changedOutput = planned.front().substr(planned.front().find(" -> ") + 4);
        EXPECT_NE(std::string::npos, plan.find("\r\n" + changedOutput + " (replaces the one there)\r\n"))
            << seed;
        EXPECT_NE(std::string::npos, plan.find(platform::kSeparator + std::string("NEWfax.fxm (new)\r\n")))
            << seed;
    }
}

}  // namespace

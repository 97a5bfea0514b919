// The record of how merged faxes were made: whatever changes between runs, sizes and dates put
// back included, a run writes what a fresh merge that compares every byte writes; a record is
// trusted only whole; and a run over an unchanged tree reads no page file, unless told to compare.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "engine/merge_record.h"
#include "engine/output_paths.h"
#include "runs/command_line.h"
#include "runs/merge_options.h"
#include "test_support.h"

namespace {

using test_support::readFile;
using test_support::ScratchDir;

// A command-line run with "/s /h" (and "/l", "/c" or "/n" when asked) of `in` into `out`; its
// exit code, and its log in `log`.
int merge(const std::string& in, const std::string& out, bool keepFileDate, bool compare,
          std::string* log = nullptr, bool preview = false) {
    MergeOptions options;
    std::string usage;
    const std::string line = std::string(keepFileDate ? "/l " : "") + (compare ? "/c " : "") +
                             (preview ? "/n " : "") + "/s /h /q \"" + in + "\" \"" + out + "\"";
    EXPECT_EQ(kParseRun, options.parseCommandLine(line.c_str(), usage));
    const int code = performDirectoryRun(options, nullptr);
    if (log != nullptr) {
        *log = options.runLogText();
    }
    return code;
}

// Every merged fax below `folder`, by its path there, with its bytes and its last-write time.
std::map<std::string, std::pair<std::vector<std::uint8_t>, std::int64_t>> outputsOf(
    const std::string& folder) {
    std::map<std::string, std::pair<std::vector<std::uint8_t>, std::int64_t>> outputs;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
        const std::string path = entry.path().string();
        if (path.size() > 3 && path.compare(path.size() - 3, 3, "fxm") == 0) {
            platform::FileTimes times;
            platform::readFileTimes(path, times);
            outputs[path.substr(folder.size())] = {readFile(path), times.lastWrite};
        }
    }
    return outputs;
}

// Changes the file's bytes where `change` says, keeping its length, and puts its times back.
void rewriteKeepingTimes(const std::string& path, std::size_t at, std::uint8_t value) {
    platform::FileTimes times;
    ASSERT_TRUE(platform::readFileTimes(path, times)) << path;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(at));
    file.put(static_cast<char>(value));
    file.close();
    ASSERT_TRUE(platform::writeFileTimes(path, times)) << path;
}

std::vector<std::string> filesBelow(const std::string& folder, const std::string& ending) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (entry.is_regular_file() && path.size() > ending.size() &&
            path.compare(path.size() - ending.size(), ending.size(), ending) == 0) {
            found.push_back(path);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

#ifdef _WIN32
constexpr int kRounds = 12;
#else
constexpr int kRounds = 60;
#endif

TEST(MergeRecord, WhateverChangesBetweenRunsARunWritesWhatAFreshMergeComparingEveryByteWrites) {
    const char* given = std::getenv("QW_RECORD_SEED");
    const unsigned seed =
        given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
    SCOPED_TRACE("replay with QW_RECORD_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    ScratchDir dir;
    const test_support::CacheOfItsOwn cache(dir.path("cache"));
    // Page files of one size, so that swapping two or copying one over another keeps sizes.
    TreeSpec tree;
    tree.faxes = 12;
    tree.minPages = 2;
    tree.maxPages = 4;
    tree.minSize = tree.maxSize = 3000;
    tree.subdirs = 2;
    std::string error;
    ASSERT_GT(writeTree(dir.path("in"), tree, seed, error), 0) << error;
    const std::string in = dir.path("in");
    const std::string out = dir.path("out");
    bool keepFileDate = false;
    ASSERT_EQ(kExitMerged, merge(in, out, keepFileDate, false));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    for (int round = 0; round < kRounds && std::chrono::steady_clock::now() < deadline; ++round) {
        const std::vector<std::string> pages = filesBelow(in, ".FXR");
        const std::vector<std::string> faxes = filesBelow(out, ".fxm");
        const std::vector<std::string> records = cache.files();
        // Two different page files, and a merged fax when there is one.
        const std::size_t first = pick(pages.size());
        const std::string page = pages[first];
        const std::string other = pages[(first + 1 + pick(pages.size() - 1)) % pages.size()];
        const std::string fax = faxes.empty() ? std::string() : faxes[pick(faxes.size())];
        std::size_t kind = pick(13);
        if (fax.empty() && ((kind >= 3 && kind <= 5) || kind == 11)) {
            kind = 12;
        }
        std::string what;
        switch (kind) {
            case 0:
                what = "a page's bytes changed, its times put back";
                rewriteKeepingTimes(page, 2999, static_cast<std::uint8_t>(random()));
                break;
            case 1:
                what = "two pages swapped";
                std::filesystem::rename(page, dir.path("swap"));
                std::filesystem::rename(other, page);
                std::filesystem::rename(dir.path("swap"), other);
                break;
            case 2: {
                what = "a page replaced by a copy of another that kept the old times";
                platform::FileTimes times;
                ASSERT_TRUE(platform::readFileTimes(page, times));
                std::filesystem::remove(page);
                std::filesystem::copy_file(other, page);
                ASSERT_TRUE(platform::writeFileTimes(page, times));
                break;
            }
            case 3:
                what = "a merged fax changed in place, its times put back";
                rewriteKeepingTimes(fax, 200, static_cast<std::uint8_t>(random()));
                break;
            case 4:
                what = "a merged fax removed";
                std::filesystem::remove(fax);
                break;
            case 5: {
                what = "a merged fax replaced by another of its length, its times put back";
                platform::FileTimes times;
                ASSERT_TRUE(platform::readFileTimes(fax, times));
                std::vector<std::uint8_t> bytes = readFile(fax);
                bytes.back() ^= 0x5A;
                std::filesystem::remove(fax);
                std::ofstream(fax, std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size()));
                ASSERT_TRUE(platform::writeFileTimes(fax, times));
                break;
            }
            case 6:
                what = "the record cut short";
                for (const std::string& record : records) {
                    std::filesystem::resize_file(record, std::filesystem::file_size(record) / 2);
                }
                break;
            case 7:
                what = "the record damaged";
                for (const std::string& record : records) {
                    rewriteKeepingTimes(record, std::filesystem::file_size(record) / 3,
                                        static_cast<std::uint8_t>(random()));
                }
                break;
            case 8:
                what = "the record removed";
                for (const std::string& record : records) {
                    std::filesystem::remove(record);
                }
                break;
            case 9:
                keepFileDate = !keepFileDate;
                what = keepFileDate ? "/l switched on" : "/l switched off";
                break;
            case 10: {
                what = "a page's bytes changed, its times a day in the future";
                platform::FileTimes times;
                ASSERT_TRUE(platform::readFileTimes(page, times));
                times.lastWrite += 86400 * platform::kTicksPerSecond;
                ASSERT_TRUE(platform::writeFileTimes(page, times));
                rewriteKeepingTimes(page, 2998, static_cast<std::uint8_t>(random()));
                break;
            }
            case 11:
                what = "a folder of merged faxes removed";
                std::filesystem::remove_all(std::filesystem::path(fax).parent_path());
                break;
            default:
                what = "nothing changed";
                break;
        }
        SCOPED_TRACE("round " + std::to_string(round) + ": " + what);
        const int code = merge(in, out, keepFileDate, false);
        std::error_code ignored;
        std::filesystem::remove_all(dir.path("fresh"), ignored);
        EXPECT_EQ(merge(in, dir.path("fresh"), keepFileDate, true), code);
        const auto merged = outputsOf(out);
        const auto fresh = outputsOf(dir.path("fresh"));
        ASSERT_EQ(fresh.size(), merged.size());
        for (const auto& [name, expected] : fresh) {
            const auto found = merged.find(name);
            ASSERT_NE(merged.end(), found) << name;
            EXPECT_TRUE(expected.first == found->second.first) << name;
            EXPECT_TRUE(!keepFileDate || expected.second == found->second.second) << name;
        }
    }
}

TEST(MergeRecord, AnUnchangedTreeIsKnownFromItsListingUnlessEveryByteIsToBeCompared) {
    if (test_support::ioCount("rchar") < 0) {
        GTEST_SKIP() << "this system does not count the bytes a process reads";
    }
    ScratchDir dir;
    const test_support::CacheOfItsOwn cache(dir.path("cache"));
    TreeSpec tree;
    tree.faxes = 40;
    std::string error;
    ASSERT_GT(writeTree(dir.path("in"), tree, 5, error), 0) << error;
    const std::string in = dir.path("in");
    const std::string out = dir.path("out");
    // Page files written in the clock's present tick are not vouched for until it has passed.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(kExitMerged, merge(in, out, false, false));
    long long pageBytes = 0;
    for (const std::string& page : filesBelow(in, ".FXR")) {
        pageBytes += static_cast<long long>(std::filesystem::file_size(page));
    }
    const struct {
        const char* name;
        bool compare;
        bool preview;
        bool readsPages;
    } cases[] = {
        {"a second run", false, false, false},
        {"a preview", false, true, false},
        {"a run that compares every byte (/c)", true, false, true},
        {"a preview that compares every byte", true, true, true},
    };
    for (const auto& c : cases) {
        const long long before = test_support::ioCount("rchar");
        std::string log;
        EXPECT_EQ(kExitMerged, merge(in, out, false, c.compare, &log, c.preview)) << c.name;
        const long long read = test_support::ioCount("rchar") - before;
        // Besides the record, a few hundred bytes per page file at most: never the pages.
        EXPECT_EQ(c.readsPages, read >= pageBytes) << c.name << ": " << read << " of " << pageBytes;
        if (c.preview) {
            EXPECT_NE(std::string::npos, log.find("To write: 0\r\n")) << c.name << log;
        }
    }
    // A new fax costs the reading of its own pages, and of no other fax's.
    long long newBytes = 0;
    for (int page = 1; page <= 3; ++page) {
        newBytes += static_cast<long long>(test_support::pageFile(page).size());
        dir.write("in/NEWFAX00" + std::to_string(page) + ".FXR", test_support::pageFile(page));
    }
    const long long before = test_support::ioCount("rchar");
    ASSERT_EQ(kExitMerged, merge(in, out, false, false));
    const long long read = test_support::ioCount("rchar") - before;
    EXPECT_GE(read, newBytes);
    EXPECT_LT(read, newBytes + pageBytes / 4) << read << " of " << pageBytes;
}

}  // namespace

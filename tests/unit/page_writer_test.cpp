// Page files copied into merged faxes by the writer every run uses: the copy, the header
// fix-ups, the counts, and the refusals that keep an output intact.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/fax_file.h"
#include "engine/merge_batch.h"
#include "engine/output_paths.h"
#include "engine/page_chain.h"
#include "runs/run_texts.h"
#include "test_support.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

FaxHeader headerAt(const std::vector<std::uint8_t>& bytes, std::size_t position) {
    return FaxHeader::fromBytes(bytes.data() + position);
}

// Merges page files, each given by its bytes, into one output in a fresh run and finishes it;
// the results in order.
std::vector<int> mergeInto(const ScratchDir& dir, const std::string& output,
                           const std::vector<std::vector<std::uint8_t>>& pages) {
    test_support::HeldRun run(dir.path());
    std::vector<int> results;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string source = dir.write("in/P" + std::to_string(100 + i) + ".FXR", pages[i]);
        PageReport report;
        run.session().mergeFile(source, output, &report);
        results.push_back(report.result);
    }
    EXPECT_EQ(0, run.finish());
    EXPECT_EQ(std::string::npos, run.log().find("\r\n" + output + " (")) << run.log();
    return results;
}

// The bytes of `expected` and `actual` differ at most in the header fields the copy rewrites.
void expectSameOutsideFields(const std::vector<std::uint8_t>& expected, const std::uint8_t* actual) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const bool field =
            i < kFaxHeaderSize && ((i >= 89 && i < 109) || i == 113 || i == 114 || (i >= 116 && i < 120));
        if (!field && expected[i] != actual[i]) {
            ADD_FAILURE() << "byte " << i << " changed";
            return;
        }
    }
}

TEST(PageWriter, FirstPageIsAByteForByteCopy) {
    ScratchDir dir;
    const auto source = pageFile(1);
    const std::string out = dir.path("out.fxm");
    EXPECT_EQ(std::vector<int>{kAppendOk}, mergeInto(dir, out, {source}));
    EXPECT_EQ(source, readFile(out));
}

TEST(PageWriter, ThreePagesChainWithCountsAndGrownOffsets) {
    ScratchDir dir;
    const std::vector<std::vector<std::uint8_t>> sources = {pageFile(1, FaxKind::Consistent, 300),
                                                            pageFile(2, FaxKind::Consistent, 500),
                                                            pageFile(3, FaxKind::Consistent, 50)};
    const std::string out = dir.path("out.fxm");
    ASSERT_EQ(std::vector<int>(3, kAppendOk), mergeInto(dir, out, sources));
    const auto merged = readFile(out);
    const ChainReport report = walkChain(merged.data(), merged.size());
    ASSERT_TRUE(report.wellFormed) << report.problem;
    ASSERT_EQ(3u, report.pages.size());
    std::size_t before = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const FaxHeader original = headerAt(sources[i], 0);
        const FaxHeader copied = report.pages[i].header;
        EXPECT_EQ(static_cast<std::int64_t>(before), report.pages[i].position);
        EXPECT_EQ(3 - i, copied.pageCount());
        EXPECT_EQ(original.dataOffset() + static_cast<std::int32_t>(before), copied.dataOffset());
        EXPECT_EQ(original.extraOffset1() > 0 ? original.extraOffset1() + static_cast<std::int32_t>(before)
                                              : original.extraOffset1(),
                  copied.extraOffset1());
        EXPECT_EQ(original.extraOffset2() > 0 ? original.extraOffset2() + static_cast<std::int32_t>(before)
                                              : original.extraOffset2(),
                  copied.extraOffset2());
        expectSameOutsideFields(sources[i], merged.data() + before);
        before += sources[i].size();
    }
    EXPECT_EQ(before, merged.size());
}

TEST(PageWriter, TrailingBytesBecomePartOfTheData) {
    ScratchDir dir;
    FaxFileSpec wanted;
    wanted.kind = FaxKind::Trailing;
    wanted.trailing = 33;
    const auto source = FaxGenerator(7).make(wanted);
    const std::string out = dir.path("out.fxm");
    ASSERT_EQ(std::vector<int>(2, kAppendOk), mergeInto(dir, out, {pageFile(8), source}));

    const auto merged = readFile(out);
    const std::size_t start = pageFile(8).size();
    const FaxHeader original = headerAt(source, 0);
    const FaxHeader copied = headerAt(merged, start);
    EXPECT_EQ(original.dataOffset() + static_cast<std::int32_t>(start), copied.dataOffset());
    EXPECT_EQ(static_cast<std::int32_t>(source.size()) - original.dataOffset(), copied.dataLength());
    EXPECT_EQ(0, copied.extraOffset2());
    EXPECT_EQ(0, copied.factorA());
    EXPECT_EQ(0, copied.factorB());
    EXPECT_EQ(0, copied.extraLength());
    EXPECT_EQ(static_cast<std::int64_t>(merged.size()), copied.blockEnd());
    expectSameOutsideFields(source, merged.data() + start);
    EXPECT_EQ(2, headerAt(merged, 0).pageCount());
}

TEST(PageWriter, SourcesThatAreNoPageFileLeaveTheOutputAsItWas) {
    const struct {
        FaxKind kind;
        int result;
    } cases[] = {{FaxKind::Empty, kAppendNoSource},
                 {FaxKind::Short, kAppendNotFax},
                 {FaxKind::NoSignature, kAppendNotFax}};
    for (const auto& c : cases) {
        ScratchDir dir;
        // Refused as the first page, an earlier output stays and no temporary is left; refused
        // after a page, the output holds that page alone.
        const auto earlier = pageFile(9);
        const std::string out = dir.write("out.fxm", earlier);
        EXPECT_EQ(std::vector<int>{c.result}, mergeInto(dir, out, {pageFile(10, c.kind)}));
        EXPECT_EQ(earlier, readFile(out)) << static_cast<int>(c.kind);
        EXPECT_TRUE(test_support::temporariesIn(dir.path()).empty());
        EXPECT_EQ((std::vector<int>{kAppendOk, c.result}),
                  mergeInto(dir, out, {pageFile(11), pageFile(10, c.kind)}));
        EXPECT_EQ(pageFile(11), readFile(out)) << static_cast<int>(c.kind);
    }
}

TEST(PageWriter, MultiPageSourcesBringEveryChainedPage) {
    const struct {
        unsigned pages;         // pages written
        std::uint16_t claimed;  // count the first header claims
        unsigned appended;      // pages that must arrive
        bool laterCountsWrong;  // the counts after the first header are all 77
    } cases[] = {{3, 3, 3, false}, {3, 7, 3, false}, {3, 2, 2, false},
                 {1, 0, 1, false}, {2, 1, 1, false}, {5, 5, 5, true}};
    for (const auto& c : cases) {
        ScratchDir dir;
        auto source = pageFile(11, FaxKind::MultiPage, 200, c.pages);
        FaxHeader first = headerAt(source, 0);
        for (std::size_t at = first.blockEnd(); c.laterCountsWrong && at < source.size();) {
            FaxHeader later = headerAt(source, at);
            later.setPageCount(77);
            later.toBytes(source.data() + at);
            at = later.blockEnd();
        }
        first.setPageCount(c.claimed);
        first.toBytes(source.data());
        const std::string out = dir.path("out.fxm");
        ASSERT_EQ(std::vector<int>(2, kAppendOk), mergeInto(dir, out, {pageFile(12), source}));
        const auto merged = readFile(out);
        const ChainReport report = walkChain(merged.data(), merged.size());
        EXPECT_TRUE(report.wellFormed) << report.problem << " (claimed " << c.claimed << ")";
        EXPECT_EQ(1 + c.appended, report.pages.size()) << "claimed " << c.claimed;
    }
}

TEST(PageWriter, ChainThatDoesNotMoveOnStopsAtThatPage) {
    ScratchDir dir;
    auto source = pageFile(13, FaxKind::MultiPage, 200, 3);
    // Page 0 pretends to end inside its own header.
    FaxHeader first = headerAt(source, 0);
    first.setDataOffset(10);
    first.setFactorA(0);
    first.setExtraLength(0);
    first.setDataLength(0);
    first.toBytes(source.data());
    const std::string out = dir.path("out.fxm");
    ASSERT_EQ(std::vector<int>{kAppendOk}, mergeInto(dir, out, {source}));
    const auto merged = readFile(out);
    const ChainReport report = walkChain(merged.data(), merged.size());
    EXPECT_TRUE(report.wellFormed) << report.problem;
    EXPECT_EQ(1u, report.pages.size());
}

TEST(PageWriter, WithoutAnOpenPageFileNothingIsRead) {
    ScratchDir dir;
    FaxFile file;
    PageCopy copy;
    ByteBuffer buffer;
    EXPECT_EQ(kAppendNoSource, file.readCopy(buffer, copy));
    EXPECT_EQ(kReadHeaderNoStream, file.readHeader(0));
    // A page file cut short after it was opened cannot be read whole, which its line says.
    file.open(dir.write("cut.FXR", pageFile(1)));
    std::filesystem::resize_file(dir.path("cut.FXR"), 200);
    EXPECT_EQ(kAppendCannotReadPage, file.readCopy(buffer, copy));
    EXPECT_STREQ("cannot read the page file", pageFailureReason(kAppendCannotReadPage));
    file.open(dir.path("absent.FXR"));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(kAppendNoSource, file.readCopy(buffer, copy));
    test_support::HeldRun run(dir.path());
    PageReport report;
    run.session().mergeFile(dir.path("absent.FXR"), dir.path("out.fxm"), &report);
    EXPECT_EQ(kAppendCannotOpenPage, report.result);
    run.finish();
    EXPECT_FALSE(test_support::exists(dir.path("out.fxm")));
}

TEST(PageWriter, ReadHeaderChecksTheSignatureAtAnyPosition) {
    ScratchDir dir;
    FaxFile file;
    file.open(dir.write("multi.FXR", pageFile(17, FaxKind::MultiPage, 100, 2)));
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(kReadHeaderOk, file.readHeader(0));
    const std::int64_t second = file.header().blockEnd();
    EXPECT_EQ(kReadHeaderOk, file.readHeader(second));
    EXPECT_EQ(1, file.header().pageCount());
    EXPECT_EQ(kReadHeaderInvalid, file.readHeader(1));
    EXPECT_EQ(kReadHeaderInvalid, file.readHeader(second + 1));  // fewer than 128 bytes left
    EXPECT_EQ(0, file.close());
    EXPECT_EQ(0, file.close());
}

}  // namespace

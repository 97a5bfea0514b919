// Appending page files to a merged fax: the copy, the header fix-ups, and the refusals that
// keep an output intact.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/fax_file.h"
#include "engine/page_chain.h"
#include "engine/page_renumber.h"
#include "test_support.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

int append(const std::string& source, const std::string& destination, bool createNew) {
    FaxFile file;
    file.open(source);
    return file.appendTo(destination, createNew);
}

FaxHeader headerAt(const std::vector<std::uint8_t>& bytes, std::size_t position) {
    return FaxHeader::fromBytes(bytes.data() + position);
}

// The bytes of `expected` and `actual` differ at most in the header fields the append rewrites.
void expectSameOutsideFields(const std::vector<std::uint8_t>& expected, const std::uint8_t* actual,
                             std::size_t headerAt) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::size_t inHeader = i - headerAt;
        const bool field = i >= headerAt && inHeader < kFaxHeaderSize &&
                           ((inHeader >= 89 && inHeader < 109) || inHeader == 113 || inHeader == 114 ||
                            (inHeader >= 116 && inHeader < 120));
        if (!field && expected[i] != actual[i]) {
            ADD_FAILURE() << "byte " << i << " changed";
            return;
        }
    }
}

TEST(FaxAppend, FirstPageIsAByteForByteCopy) {
    ScratchDir dir;
    const auto source = pageFile(1);
    const std::string out = dir.path("out.fxm");
    EXPECT_EQ(kAppendOk, append(dir.write("A001.FXR", source), out, true));
    EXPECT_EQ(source, readFile(out));
}

TEST(FaxAppend, ThreePagesChainWithCountsAndGrownOffsets) {
    ScratchDir dir;
    const std::vector<std::vector<std::uint8_t>> sources = {pageFile(1, FaxKind::Consistent, 300),
                                                            pageFile(2, FaxKind::Consistent, 500),
                                                            pageFile(3, FaxKind::Consistent, 50)};
    const std::string out = dir.path("out.fxm");
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string source = dir.write("A00" + std::to_string(i) + ".FXR", sources[i]);
        ASSERT_EQ(kAppendOk, append(source, out, i == 0));
        ASSERT_EQ(kRenumberOk, renumberPages(out));
    }
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
        expectSameOutsideFields(sources[i], merged.data() + before, 0);
        before += sources[i].size();
    }
    EXPECT_EQ(before, merged.size());
}

TEST(FaxAppend, TrailingBytesBecomePartOfTheData) {
    ScratchDir dir;
    FaxFileSpec wanted;
    wanted.kind = FaxKind::Trailing;
    wanted.trailing = 33;
    const auto source = FaxGenerator(7).make(wanted);
    const std::string out = dir.path("out.fxm");
    dir.write("out.fxm", pageFile(8));
    ASSERT_EQ(kAppendOk, append(dir.write("A002.FXR", source), out, false));

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
    expectSameOutsideFields(source, merged.data() + start, 0);
    EXPECT_EQ(2, headerAt(merged, 0).pageCount());
}

TEST(FaxAppend, AppendingToAMissingOutputCreatesItWithoutAddingToTheCount) {
    ScratchDir dir;
    const auto source = pageFile(4);
    const std::string out = dir.path("new.fxm");
    EXPECT_EQ(kAppendOk, append(dir.write("A001.FXR", source), out, false));
    EXPECT_EQ(source, readFile(out));
}

TEST(FaxAppend, ShortOutputGetsNoCountButTheCopyFollowsItsBytes) {
    ScratchDir dir;
    const std::vector<std::uint8_t> stub(40, 0x5A);
    const std::string out = dir.write("out.fxm", stub);
    const auto source = pageFile(5);
    ASSERT_EQ(kAppendOk, append(dir.write("A001.FXR", source), out, false));
    const auto merged = readFile(out);
    ASSERT_EQ(stub.size() + source.size(), merged.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), merged.begin()));
    EXPECT_EQ(headerAt(source, 0).dataOffset() + 40, headerAt(merged, 40).dataOffset());
}

TEST(FaxAppend, SourcesThatAreNoPageFileLeaveTheOutputUntouched) {
    const struct {
        FaxKind kind;
        int result;
    } cases[] = {{FaxKind::Empty, kAppendNoSource}, {FaxKind::Short, kAppendNotFax},
                 {FaxKind::NoSignature, kAppendNotFax}};
    for (const auto& c : cases) {
        for (const bool createNew : {true, false}) {
            ScratchDir dir;
            const auto existing = pageFile(9);
            const std::string out = dir.write("out.fxm", existing);
            const std::string source = dir.write("A001.FXR", pageFile(10, c.kind));
            EXPECT_EQ(c.result, append(source, out, createNew)) << static_cast<int>(c.kind);
            EXPECT_EQ(existing, readFile(out)) << "output changed for kind " << static_cast<int>(c.kind);
        }
    }
}

TEST(FaxAppend, ARefusedFirstPageCreatesNoOutput) {
    ScratchDir dir;
    const std::string out = dir.path("out.fxm");
    EXPECT_EQ(kAppendNotFax, append(dir.write("A001.FXR", pageFile(1, FaxKind::NoSignature)), out, true));
    EXPECT_FALSE(test_support::exists(out));
}

TEST(FaxAppend, MultiPageSourcesBringEveryChainedPage) {
    const struct {
        unsigned pages;        // pages written
        std::uint16_t claimed; // count the first header claims
        unsigned appended;     // pages that must arrive
    } cases[] = {{3, 3, 3}, {3, 7, 3}, {3, 2, 2}, {1, 0, 1}, {2, 1, 1}};
    for (const auto& c : cases) {
        ScratchDir dir;
        auto source = pageFile(11, FaxKind::MultiPage, 200, c.pages);
        FaxHeader first = headerAt(source, 0);
        first.setPageCount(c.claimed);
        first.toBytes(source.data());
        const std::string out = dir.write("out.fxm", pageFile(12));
        ASSERT_EQ(kAppendOk, append(dir.write("A002.FXR", source), out, false));
        ASSERT_EQ(kRenumberOk, renumberPages(out));
        const auto merged = readFile(out);
        const ChainReport report = walkChain(merged.data(), merged.size());
        EXPECT_TRUE(report.wellFormed) << report.problem << " (claimed " << c.claimed << ")";
        EXPECT_EQ(1 + c.appended, report.pages.size()) << "claimed " << c.claimed;
    }
}

TEST(FaxAppend, ChainThatDoesNotMoveOnStopsAtThatPage) {
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
    ASSERT_EQ(kAppendOk, append(dir.write("A001.FXR", source), out, true));
    const auto merged = readFile(out);
    const ChainReport report = walkChain(merged.data(), merged.size());
    EXPECT_TRUE(report.wellFormed) << report.problem;
    EXPECT_EQ(1u, report.pages.size());
}

TEST(FaxAppend, FullOutputRefusesMorePagesInsteadOfWrapping) {
    ScratchDir dir;
    auto existing = pageFile(14);
    FaxHeader header = headerAt(existing, 0);
    header.setPageCount(65535);
    header.toBytes(existing.data());
    const std::string out = dir.write("out.fxm", existing);
    EXPECT_EQ(kAppendOutputFull, append(dir.write("A001.FXR", pageFile(15)), out, false));
    EXPECT_EQ(existing, readFile(out));
}

TEST(FaxAppend, OutputThatCannotBeOpenedIsReported) {
    ScratchDir dir;
    const std::string source = dir.write("A001.FXR", pageFile(16));
    EXPECT_EQ(kAppendCannotOpenOutput, append(source, dir.path("missing/out.fxm"), false));
    dir.makeDir("taken.fxm");
    EXPECT_EQ(kAppendCannotOpenOutput, append(source, dir.path("taken.fxm"), true));
}

TEST(FaxAppend, WithoutAnOpenPageFileNothingHappens) {
    ScratchDir dir;
    FaxFile file;
    EXPECT_EQ(kAppendNoSource, file.appendTo(dir.path("out.fxm"), true));
    EXPECT_EQ(kReadHeaderNoStream, file.readHeader(0));
    file.open(dir.path("absent.FXR"));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(kAppendNoSource, file.appendTo(dir.path("out.fxm"), true));
    EXPECT_FALSE(test_support::exists(dir.path("out.fxm")));
}

TEST(FaxAppend, ReadHeaderChecksTheSignatureAtAnyPosition) {
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

// Renumbering the remaining-page counts along a merged fax, and staying inside the file when
// the chain is broken.
#include <gtest/gtest.h>

#include "engine/page_chain.h"
#include "engine/page_renumber.h"
#include "test_support.h"

namespace {

using test_support::pageFile;
using test_support::readFile;
using test_support::ScratchDir;

std::vector<std::uint8_t> withHeader(std::vector<std::uint8_t> bytes, std::size_t at,
                                     void (*change)(FaxHeader&)) {
    FaxHeader header = FaxHeader::fromBytes(bytes.data() + at);
    change(header);
    header.toBytes(bytes.data() + at);
    return bytes;
}

TEST(RenumberPages, CountsReadFromTotalDownToOne) {
    ScratchDir dir;
    // A five-page chain whose later counts are all wrong.
    auto bytes = pageFile(1, FaxKind::MultiPage, 90, 5);
    std::size_t at = FaxHeader::fromBytes(bytes.data()).blockEnd();
    while (at < bytes.size()) {
        FaxHeader h = FaxHeader::fromBytes(bytes.data() + at);
        h.setPageCount(77);
        h.toBytes(bytes.data() + at);
        at = h.blockEnd();
    }
    const std::string path = dir.write("f.fxm", bytes);
    ASSERT_EQ(kRenumberOk, renumberPages(path));
    const auto after = readFile(path);
    const ChainReport report = walkChain(after.data(), after.size());
    ASSERT_TRUE(report.wellFormed) << report.problem;
    EXPECT_EQ(pageFile(1, FaxKind::MultiPage, 90, 5), after);
}

TEST(RenumberPages, ResultsForFilesThatCannotBeWalked) {
    auto overstated = [](FaxHeader& h) { h.setPageCount(4); };
    auto backwards = [](FaxHeader& h) { h.setDataLength(-h.dataOffset()); h.setFactorA(0); h.setExtraLength(0); };
    const auto three = pageFile(2, FaxKind::MultiPage, 60, 3);
    const std::size_t second = FaxHeader::fromBytes(three.data()).blockEnd();
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int result;
    } cases[] = {
        {"one page", pageFile(3), kRenumberOk},
        {"no signature", pageFile(4, FaxKind::NoSignature), kRenumberNotFax},
        {"shorter than a header", pageFile(5, FaxKind::Short), kRenumberNotFax},
        {"empty", {}, kRenumberNotFax},
        {"count overstates the pages", withHeader(three, 0, overstated), kRenumberPastEnd},
        {"chain turns back", withHeader(three, second, backwards), kRenumberNotForward},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const std::string path = dir.write("f.fxm", c.bytes);
        EXPECT_EQ(c.result, renumberPages(path)) << c.name;
        const auto after = readFile(path);
        EXPECT_EQ(c.bytes.size(), after.size()) << c.name << ": the file grew or shrank";
        if (c.result != kRenumberOk && c.result != kRenumberPastEnd && c.result != kRenumberNotForward) {
            EXPECT_EQ(c.bytes, after) << c.name << ": written although refused";
        }
    }
    ScratchDir dir;
    EXPECT_EQ(kRenumberCannotOpen, renumberPages(dir.path("absent.fxm")));
}

}  // namespace

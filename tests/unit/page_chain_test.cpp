// The strict chain walk behind faxinfo's verdict.
#include <gtest/gtest.h>

#include "engine/page_chain.h"
#include "test_support.h"

namespace {

using test_support::pageFile;

std::vector<std::uint8_t> changed(std::vector<std::uint8_t> bytes, std::size_t at, std::size_t offset,
                                  std::uint8_t value) {
    bytes[at + offset] = value;
    return bytes;
}

TEST(PageChain, Verdicts) {
    const auto three = pageFile(1, FaxKind::MultiPage, 80, 3);
    const std::size_t second = FaxHeader::fromBytes(three.data()).blockEnd();
    auto trailing = pageFile(2);
    trailing.push_back(0);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool wellFormed;
        std::size_t pagesSeen;
    } cases[] = {
        {"one page", pageFile(3), true, 1},
        {"three pages", three, true, 3},
        {"trailing byte", trailing, false, 1},
        {"no signature", pageFile(4, FaxKind::NoSignature), false, 1},
        {"short", pageFile(5, FaxKind::Short), false, 0},
        {"empty", {}, false, 0},
        {"count 0", changed(pageFile(6), 0, 101, 0), false, 1},
        {"second page unsigned", changed(three, second, 1, 'x'), false, 2},
        {"second page count off", changed(three, second, 101, 1), false, 2},
        {"count overstates", changed(three, 0, 101, 4), false, 2},
        {"count understates", changed(three, 0, 101, 2), false, 2},
    };
    for (const auto& c : cases) {
        const ChainReport report = walkChain(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.wellFormed, report.wellFormed) << c.name << ": " << report.problem;
        EXPECT_EQ(c.pagesSeen, report.pages.size()) << c.name;
        EXPECT_EQ(c.wellFormed, report.problem.empty()) << c.name;
    }
}

}  // namespace

// The strict walk of a fax file's page chain, for faxinfo and for the tests.
#include "engine/page_chain.h"

#include <algorithm>

namespace {

ChainReport fail(ChainReport report, std::string problem) {
    report.wellFormed = false;
    report.problem = std::move(problem);
    return report;
}

}  // namespace

ChainReport walkChain(const std::uint8_t* bytes, std::size_t length) {
    return walkChain(static_cast<std::int64_t>(length), [bytes](std::int64_t position, std::uint8_t* header) {
        std::copy_n(bytes + position, kFaxHeaderSize, header);
        return true;
    });
}

ChainReport walkChain(std::int64_t fileLength, const HeaderReader& readHeader) {
    ChainReport report;
    const auto headerSize = static_cast<std::int64_t>(kFaxHeaderSize);
    if (fileLength < headerSize) {
        return fail(report, "shorter than one header");
    }
    std::uint8_t bytes[kFaxHeaderSize];
    unsigned total = 0;
    std::int64_t position = 0;
    // The first header's count bounds the walk, so a chain that loops cannot hold it up.
    for (unsigned page = 0; page < total || page == 0; ++page) {
        if (position + headerSize > fileLength) {
            return fail(report, "page " + std::to_string(page) + " header at " + std::to_string(position) +
                                    " lies past the end of the file");
        }
        if (!readHeader(position, bytes)) {
            return fail(report, "page " + std::to_string(page) + " header at " + std::to_string(position) +
                                    " cannot be read");
        }
        const FaxHeader header = FaxHeader::fromBytes(bytes);
        if (page == 0) {
            total = header.pageCount();
        }
        report.pages.push_back({position, header});
        if (!header.isValid()) {
            return fail(report, "page " + std::to_string(page) + " has no signature");
        }
        if (total == 0) {
            return fail(report, "the first header counts 0 pages");
        }
        if (header.pageCount() != total - page) {
            return fail(report, "page " + std::to_string(page) + " counts " + std::to_string(header.pageCount()) +
                                    " pages left, expected " + std::to_string(total - page));
        }
        const std::int64_t next = header.blockEnd();
        if (next < position + headerSize) {
            return fail(report, "page " + std::to_string(page) + " ends at " + std::to_string(next) +
                                    ", before its own header ends");
        }
        position = next;
    }
    if (position != fileLength) {
        return fail(report, "the last page ends at " + std::to_string(position) + ", the file at " +
                                std::to_string(fileLength));
    }
    report.wellFormed = true;
    return report;
}

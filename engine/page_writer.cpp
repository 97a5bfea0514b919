// The header rules of a merge: finding a page file's chain, making its copy end where the next
// copy starts, moving its positions on, and counting the pages of a complete output.
#include "engine/page_writer.h"

#include <limits>

#include "engine/byte_order.h"
#include "engine/fax_header.h"
#include "platform/file_system.h"

namespace {

constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kMaxPages = 0xFFFF;

// The page headers the bytes hold. A count of 2 or more is followed along the chain as long as
// each next header lies past the one before, fits before the end and has the signature;
// anything else is one page. Always at least the header at 0.
std::vector<std::size_t> findPages(const std::uint8_t* bytes, std::size_t length) {
    std::vector<std::size_t> pages{0};
    const unsigned claimed = FaxHeader::fromBytes(bytes).pageCount();
    std::size_t position = 0;
    for (unsigned i = 1; i < claimed; ++i) {
        const std::int64_t next = FaxHeader::fromBytes(bytes + position).blockEnd();
        if (next < static_cast<std::int64_t>(position + kFaxHeaderSize) ||
            next + static_cast<std::int64_t>(kFaxHeaderSize) > static_cast<std::int64_t>(length)) {
            break;
        }
        const auto nextPosition = static_cast<std::size_t>(next);
        if (!FaxHeader::fromBytes(bytes + nextPosition).isValid()) {
            break;
        }
        pages.push_back(nextPosition);
        position = nextPosition;
    }
    return pages;
}

// Makes the last page's block end exactly at the end of the copy: trailing bytes become part
// of its data, and the other lengths and the second extra area are dropped. False when the
// data length needed does not fit its field.
bool makeLastPageEndAtEnd(std::uint8_t* bytes, std::size_t length, std::size_t lastPage) {
    FaxHeader last = FaxHeader::fromBytes(bytes + lastPage);
    if (last.blockEnd() == static_cast<std::int64_t>(length)) {
        return true;
    }
    const std::int64_t dataLength = static_cast<std::int64_t>(length) - last.dataOffset();
    if (dataLength < std::numeric_limits<std::int32_t>::min() || dataLength > kMaxPosition) {
        return false;
    }
    last.setDataLength(static_cast<std::int32_t>(dataLength));
    last.setExtraOffset2(0);
    last.setFactorA(0);
    last.setFactorB(0);
    last.setExtraLength(0);
    last.toBytes(bytes + lastPage);
    return true;
}

// Moves every page of the copy `distance` bytes on. Every header is checked before any is
// changed, so a refusal leaves the copy as it was.
bool relocatePages(PageCopy& copy, std::int64_t distance) {
    std::vector<FaxHeader> moved;
    moved.reserve(copy.pages.size());
    for (const std::size_t page : copy.pages) {
        FaxHeader header = FaxHeader::fromBytes(copy.bytes + page);
        if (!header.relocate(distance)) {
            return false;
        }
        moved.push_back(header);
    }
    for (std::size_t i = 0; i < copy.pages.size(); ++i) {
        moved[i].toBytes(copy.bytes + copy.pages[i]);
    }
    return true;
}

}  // namespace

int prepareCopy(PageCopy& copy) {
    if (copy.length < kFaxHeaderSize || static_cast<std::int64_t>(copy.length) > kMaxPosition ||
        !FaxHeader::fromBytes(copy.bytes).isValid()) {
        return kAppendNotFax;
    }
    copy.pages = findPages(copy.bytes, copy.length);
    if (!makeLastPageEndAtEnd(copy.bytes, copy.length, copy.pages.back())) {
        return kAppendNotFax;
    }
    FaxHeader first = FaxHeader::fromBytes(copy.bytes);
    first.setPageCount(static_cast<std::uint16_t>(copy.pages.size()));
    first.toBytes(copy.bytes);
    return kAppendOk;
}

int placeCopy(PageCopy& copy, std::FILE* output, OutputPages& pages) {
    if (pages.length + static_cast<std::int64_t>(copy.length) > kMaxPosition ||
        pages.starts.size() + copy.pages.size() > kMaxPages) {
        return kAppendOutputFull;
    }
    // A position that would not fit its field belongs to a header no page file of WinFax has.
    if (!relocatePages(copy, pages.length)) {
        return kAppendNotFax;
    }
    if (output != nullptr && !platform::writeAt(output, pages.length, copy.bytes, copy.length)) {
        return kAppendIoError;
    }
    for (const std::size_t page : copy.pages) {
        pages.starts.push_back(static_cast<std::uint32_t>(pages.length + static_cast<std::int64_t>(page)));
    }
    pages.length += static_cast<std::int64_t>(copy.length);
    return kAppendOk;
}

void setPageCounts(std::uint8_t* output, const OutputPages& pages) {
    const std::size_t total = pages.starts.size();
    for (std::size_t i = 0; i < total; ++i) {
        byte_order::writeU16(output + pages.starts[i] + fax_field::kPageCount, static_cast<std::uint16_t>(total - i));
    }
}

bool writePageCounts(std::FILE* output, const OutputPages& pages) {
    const std::size_t total = pages.starts.size();
    for (std::size_t i = 0; i < total; ++i) {
        std::uint8_t count[2];
        byte_order::writeU16(count, static_cast<std::uint16_t>(total - i));
        if (!platform::writeAt(output, std::int64_t{pages.starts[i]} + fax_field::kPageCount, count,
                               sizeof count)) {
            return false;
        }
    }
    return true;
}

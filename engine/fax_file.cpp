// FaxFile: opening a page file, reading its headers, and appending it to a merged fax.
#include "engine/fax_file.h"

#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "engine/stream_io.h"
#include "platform/file_system.h"

namespace {

constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kMaxPages = 0xFFFF;

// Finds the page headers a page file's bytes hold. A count of 2 or more is followed along the
// chain as long as each next header lies past the one before, fits before the end and has the
// signature; anything else is one page. Always at least the header at 0.
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

bool relocatePages(std::uint8_t* bytes, const std::vector<std::size_t>& pages, std::int64_t distance) {
    // Check every header before changing any, so a refusal leaves the copy as it was.
    std::vector<FaxHeader> moved;
    for (const std::size_t page : pages) {
        FaxHeader header = FaxHeader::fromBytes(bytes + page);
        if (!header.relocate(distance)) {
            return false;
        }
        moved.push_back(header);
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        moved[i].toBytes(bytes + pages[i]);
    }
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FaxFile::~FaxFile() { close(); }

void FaxFile::open(const std::string& path) {
    close();
    stream_ = platform::openFile(path, "rb");
    // The page file is read whole into a buffer of its own size: a stream buffer would only
    // add a copy.
    if (stream_ != nullptr) {
        std::setvbuf(stream_, nullptr, _IONBF, 0);
    }
}

int FaxFile::close() {
    if (stream_ == nullptr) {
        return 0;
    }
    const int result = std::fclose(stream_);
    stream_ = nullptr;
    return result;
}

int FaxFile::readHeader(long long position) {
    if (stream_ == nullptr) {
        return kReadHeaderNoStream;
    }
    if (!stream_io::seekTo(stream_, position) || !stream_io::readExact(stream_, header_.data(), kFaxHeaderSize)) {
        return kReadHeaderInvalid;
    }
    return header_.isValid() ? kReadHeaderOk : kReadHeaderInvalid;
}

int FaxFile::readCopy(Copy& copy) {
    if (stream_ == nullptr) {
        return kAppendNoSource;
    }
    const std::int64_t sourceLength = platform::fileSize(stream_);
    if (sourceLength <= 0) {
        return kAppendNoSource;
    }
    // Positions in a fax are 32-bit, so a larger file cannot be a page file.
    if (sourceLength < static_cast<std::int64_t>(kFaxHeaderSize) || sourceLength > kMaxPosition) {
        return kAppendNotFax;
    }
    copy.length = static_cast<std::size_t>(sourceLength);
    copy.bytes.reset(new (std::nothrow) std::uint8_t[copy.length]);
    if (!copy.bytes) {
        return kAppendNoMemory;
    }
    // The whole page file is read and checked before any output is touched, so a page that
    // cannot be used never leaves a trace in an output.
    if (!platform::readAt(stream_, 0, copy.bytes.get(), copy.length)) {
        return kAppendIoError;
    }
    header_ = FaxHeader::fromBytes(copy.bytes.get());
    if (!header_.isValid()) {
        return kAppendNotFax;
    }
    copy.pages = findPages(copy.bytes.get(), copy.length);
    if (!makeLastPageEndAtEnd(copy.bytes.get(), copy.length, copy.pages.back())) {
        return kAppendNotFax;
    }
    FaxHeader first = FaxHeader::fromBytes(copy.bytes.get());
    first.setPageCount(static_cast<std::uint16_t>(copy.pages.size()));
    first.toBytes(copy.bytes.get());
    return kAppendOk;
}

int FaxFile::appendTo(const std::string& destination, bool createNew) {
    Copy copy;
    const int read = readCopy(copy);
    if (read != kAppendOk) {
        return read;
    }

    std::FILE* opened = platform::openFile(destination, createNew ? "w+b" : "r+b");
    const bool reopened = opened == nullptr;
    if (reopened) {
        opened = platform::openFile(destination, "w+b");
        if (opened == nullptr) {
            return kAppendCannotOpenOutput;
        }
    }
    std::unique_ptr<std::FILE, FileCloser> output(opened);

    const std::int64_t copyStart = stream_io::seekToEnd(output.get());
    if (copyStart < 0) {
        return kAppendIoError;
    }
    if (copyStart + static_cast<std::int64_t>(copy.length) > kMaxPosition) {
        return kAppendOutputFull;
    }
    if (!relocatePages(copy.bytes.get(), copy.pages, copyStart)) {
        return kAppendNotFax;
    }

    // A freshly emptied output has no header yet; an existing one at least 128 bytes long gets
    // the pages counted in its first header.
    if (!reopened && copyStart >= static_cast<std::int64_t>(kFaxHeaderSize)) {
        FaxHeader outputHeader;
        if (!stream_io::seekTo(output.get(), 0) ||
            !stream_io::readExact(output.get(), outputHeader.data(), kFaxHeaderSize)) {
            return kAppendIoError;
        }
        const std::uint32_t total = outputHeader.pageCount() + static_cast<std::uint32_t>(copy.pages.size());
        if (total > kMaxPages) {
            return kAppendOutputFull;
        }
        outputHeader.setPageCount(static_cast<std::uint16_t>(total));
        if (!stream_io::seekTo(output.get(), 0) ||
            !stream_io::writeExact(output.get(), outputHeader.data(), kFaxHeaderSize)) {
            return kAppendIoError;
        }
    }

    if (!stream_io::seekTo(output.get(), copyStart) ||
        !stream_io::writeExact(output.get(), copy.bytes.get(), copy.length)) {
        return kAppendIoError;
    }
    if (std::fclose(output.release()) != 0) {
        return kAppendIoError;
    }
    return kAppendOk;
}

int FaxFile::appendCopy(Copy& copy, std::FILE* output, long long outputLength, unsigned outputPages,
                        AppendInfo& info) {
    if (outputLength + static_cast<std::int64_t>(copy.length) > kMaxPosition ||
        outputPages + copy.pages.size() > kMaxPages) {
        return kAppendOutputFull;
    }
    if (!relocatePages(copy.bytes.get(), copy.pages, outputLength)) {
        return kAppendNotFax;
    }
    if (!platform::writeAt(output, outputLength, copy.bytes.get(), copy.length)) {
        return kAppendIoError;
    }
    info.copyLength = static_cast<long long>(copy.length);
    return kAppendOk;
}

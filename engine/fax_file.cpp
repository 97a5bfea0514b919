// FaxFile: opening a page file and reading its headers and its bytes.
#include "engine/fax_file.h"

#include <limits>
#include <new>

#include "platform/file_system.h"

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
    if (position < 0 || !platform::readAt(stream_, position, header_.data(), kFaxHeaderSize)) {
        return kReadHeaderInvalid;
    }
    return header_.isValid() ? kReadHeaderOk : kReadHeaderInvalid;
}

int FaxFile::readCopy(PageCopy& copy) {
    if (stream_ == nullptr) {
        return kAppendNoSource;
    }
    const std::int64_t sourceLength = platform::fileSize(stream_);
    if (sourceLength <= 0) {
        return kAppendNoSource;
    }
    // Positions in a fax are 32-bit, so a larger file cannot be a page file.
    if (sourceLength < static_cast<std::int64_t>(kFaxHeaderSize) ||
        sourceLength > std::numeric_limits<std::int32_t>::max()) {
        return kAppendNotFax;
    }
    // A file that does not open like a page file costs one header's read, however large it is.
    if (readHeader(0) != kReadHeaderOk) {
        return kAppendNotFax;
    }
    copy.length = static_cast<std::size_t>(sourceLength);
    copy.bytes.reset(new (std::nothrow) std::uint8_t[copy.length]);
    if (!copy.bytes) {
        return kAppendNoMemory;
    }
    if (!platform::readAt(stream_, 0, copy.bytes.get(), copy.length)) {
        return kAppendIoError;
    }
    header_ = FaxHeader::fromBytes(copy.bytes.get());
    return prepareCopy(copy);
}

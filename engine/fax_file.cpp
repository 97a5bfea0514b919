// FaxFile: opening a page file and reading its headers and its bytes.
#include "engine/fax_file.h"

#include <limits>
#include <new>

FaxFile::~FaxFile() { close(); }

void FaxFile::open(const std::string& path) {
    close();
    stream_ = platform::openFile(path, "rb", &info_);
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
    info_ = platform::FileInfo{};
    return result;
}

bool FaxFile::times(platform::FileTimes& times) const {
    platform::FileInfo info;
    if (stream_ == nullptr || !platform::fileInfo(stream_, info)) {
        return false;
    }
    times = info.times;
    return true;
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

int FaxFile::readCopy(ByteBuffer& buffer, PageCopy& copy) {
    const std::int64_t sourceLength = size();
    if (sourceLength <= 0) {
        return kAppendNoSource;
    }
    // Positions in a fax are 32-bit, so a larger file cannot be a page file.
    if (sourceLength < static_cast<std::int64_t>(kFaxHeaderSize) ||
        sourceLength > std::numeric_limits<std::int32_t>::max()) {
        return kAppendNotFax;
    }
    // A large file that does not open like a page file costs one header's read, not its size.
    if (sourceLength > kHeaderFirstAbove && readHeader(0) != kReadHeaderOk) {
        return kAppendNotFax;
    }
    const std::size_t before = buffer.size();
    const auto length = static_cast<std::size_t>(sourceLength);
    try {
        buffer.resize(before + length);
    } catch (const std::bad_alloc&) {
        return kAppendNoMemory;
    }
    copy.bytes = buffer.data() + before;
    copy.length = length;
    int result = platform::readAt(stream_, 0, copy.bytes, length) ? kAppendOk : kAppendIoError;
    if (result == kAppendOk) {
        header_ = FaxHeader::fromBytes(copy.bytes);
        result = prepareCopy(copy);
    }
    if (result != kAppendOk) {
        buffer.resize(before);
        copy.bytes = nullptr;
    }
    return result;
}

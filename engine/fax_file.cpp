// FaxFile: opening a page file and reading its headers and its bytes.
#include "engine/fax_file.h"

#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "platform/ansi_string.h"

bool hasExactName(const std::string& path) {
    return platform::isExactName(
        std::string_view(path).substr(platform::findLastChar(path, platform::kSeparator) + 1));
}

FaxFile::~FaxFile() {
    close();
}

void FaxFile::open(const std::string& path) {
    close();
    // Read whole into a buffer of its own size, without a stream, which would only add a copy;
    // through a link as the scan found it, never a pipe.
    file_.open(path, true, info_);
}

int FaxFile::close() {
    if (!file_.isOpen()) {
        return 0;
    }
    return file_.close() ? 0 : -1;
}

bool FaxFile::times(platform::FileTimes& times) const {
    platform::FileInfo info;
    if (!file_.info(info)) {
        return false;
    }
    times = info.times;
    return true;
}

bool FaxFile::facts(platform::FileFacts& facts) const {
    facts = info_.facts;
    return file_.isOpen() && file_.identify(facts);
}

int FaxFile::readHeader(long long position) {
    if (!file_.isOpen()) {
        return kReadHeaderNoStream;
    }
    if (position < 0 || !file_.readAt(position, header_.data(), kFaxHeaderSize)) {
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
    // Read to a page boundary, where the system copies at full speed, and moved down to the end
    // of what the buffer holds.
    const std::size_t readTo = alignedUp(before);
    try {
        buffer.resize(readTo + length);
    } catch (const std::bad_alloc&) {
        return kAppendNoMemory;
    }
    int result = file_.readAt(0, buffer.data() + readTo, length) ? kAppendOk : kAppendCannotReadPage;
    if (readTo != before) {
        std::memmove(buffer.data() + before, buffer.data() + readTo, length);
        buffer.resize(before + length);
    }
    copy.bytes = buffer.data() + before;
    copy.length = length;
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

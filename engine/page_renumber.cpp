// renumberPages: the walk along a fax file's page chain that rewrites each page's count.
#include "engine/page_renumber.h"

#include <cstdint>
#include <cstdio>

#include "engine/fax_header.h"
#include "engine/stream_io.h"
#include "platform/file_system.h"

namespace {

int closeWith(std::FILE* file, int result) {
    const bool closed = std::fclose(file) == 0;
    return (result == kRenumberOk && !closed) ? kRenumberPastEnd : result;
}

}  // namespace

int renumberPages(const std::string& path) {
    std::FILE* file = platform::openFile(path, "r+b");
    if (file == nullptr) {
        return kRenumberCannotOpen;
    }
    const std::int64_t fileLength = stream_io::seekToEnd(file);
    FaxHeader header;
    if (fileLength < static_cast<std::int64_t>(kFaxHeaderSize) || !stream_io::seekTo(file, 0) ||
        !stream_io::readExact(file, header.data(), kFaxHeaderSize) || !header.isValid()) {
        return closeWith(file, kRenumberNotFax);
    }
    const unsigned total = header.pageCount();
    std::int64_t headerAt = 0;
    std::int64_t next = header.blockEnd();
    for (unsigned page = 1; page < total; ++page) {
        if (next < headerAt + static_cast<std::int64_t>(kFaxHeaderSize)) {
            return closeWith(file, kRenumberNotForward);
        }
        if (next + static_cast<std::int64_t>(kFaxHeaderSize) > fileLength) {
            return closeWith(file, kRenumberPastEnd);
        }
        if (!stream_io::seekTo(file, next)) {
            return closeWith(file, kRenumberSeekBeforeRead);
        }
        if (!stream_io::readExact(file, header.data(), kFaxHeaderSize)) {
            return closeWith(file, kRenumberPastEnd);
        }
        header.setPageCount(static_cast<std::uint16_t>(total - page));
        if (!stream_io::seekTo(file, next)) {
            return closeWith(file, kRenumberSeekBeforeWrite);
        }
        if (!stream_io::writeExact(file, header.data(), kFaxHeaderSize)) {
            return closeWith(file, kRenumberPastEnd);
        }
        headerAt = next;
        next = header.blockEnd();
    }
    return closeWith(file, kRenumberOk);
}

// The file in an output's place: compared and copied in pieces.
#include "engine/placed_file.h"

#include <algorithm>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/fax_header.h"

namespace {

// Compared and copied in pieces of at most this size.
constexpr std::size_t kPiece = std::size_t{1} << 20;

// Where a page header holds its count.
constexpr std::int64_t kCountField = static_cast<std::int64_t>(fax_field::kPageCount);

}  // namespace

bool PlacedFile::open(const platform::OpenFolder& folder, const std::string& name, bool forTimes) {
    unsigned links = 0;
    if (!file_.openIn(folder, name, forTimes, info_, links) || links != 1 || !info_.regular) {
        file_.close();
        info_ = platform::FileInfo{};
        return false;
    }
    return true;
}

bool PlacedFile::holds(const std::uint8_t* bytes, std::int64_t offset, std::size_t length,
                       const std::vector<std::uint32_t>& headers) {
    if (!file_.isOpen() || offset + static_cast<std::int64_t>(length) > info_.size) {
        return false;
    }
    for (std::size_t done = 0; done < length;) {
        const std::size_t piece = std::min(kPiece, length - done);
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        // Read from the page boundary before it, where the system copies at full speed.
        const auto lead = static_cast<std::size_t>(at % static_cast<std::int64_t>(kPageAlignment));
        compared_.resize(lead + piece);
        if (!file_.readAt(at - static_cast<std::int64_t>(lead), compared_.data(), lead + piece)) {
            return false;
        }
        std::uint8_t* const read = compared_.data() + lead;
        // The counts the file has stand for the counts this output will have.
        const std::int64_t firstHeader = std::max<std::int64_t>(0, at - kCountField - 1);
        for (auto header = std::lower_bound(headers.begin(), headers.end(), firstHeader,
                                            [](std::uint32_t h, std::int64_t from) { return h < from; });
             header != headers.end() &&
             std::int64_t{*header} + kCountField < at + static_cast<std::int64_t>(piece);
             ++header) {
            for (std::int64_t b = 0; b < 2; ++b) {
                const std::int64_t field = std::int64_t{*header} + kCountField + b - at;
                if (field >= 0 && field < static_cast<std::int64_t>(piece)) {
                    read[static_cast<std::size_t>(field)] = bytes[done + static_cast<std::size_t>(field)];
                }
            }
        }
        if (std::memcmp(read, bytes + done, piece) != 0) {
            return false;
        }
        done += piece;
    }
    return true;
}

bool PlacedFile::countsAre(const OutputPages& pages) {
    const std::size_t total = pages.starts.size();
    for (std::size_t i = 0; i < total; ++i) {
        std::uint8_t count[2];
        if (!file_.readAt(std::int64_t{pages.starts[i]} + kCountField, count, sizeof count) ||
            byte_order::readU16(count) != total - i) {
            return false;
        }
    }
    return true;
}

bool PlacedFile::copyTo(std::FILE* to, std::int64_t length) {
    for (std::int64_t done = 0; done < length;) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(kPiece, length - done));
        compared_.resize(piece);
        if (!file_.readAt(done, compared_.data(), piece) ||
            !platform::writeAt(to, done, compared_.data(), piece)) {
            return false;
        }
        done += static_cast<std::int64_t>(piece);
    }
    return true;
}

bool PlacedFile::facts(platform::FileFacts& facts) const {
    facts = info_.facts;
    return file_.isOpen() && file_.identify(facts);
}

bool PlacedFile::times(platform::FileTimes& times) const {
    platform::FileInfo now;
    if (!file_.info(now)) {
        return false;
    }
    times = now.times;
    return true;
}

// Field access, block end and relocation of a WinFax page header.
#include "engine/fax_header.h"

#include <cstring>
#include <limits>

#include "engine/byte_order.h"

namespace {

bool fitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

FaxHeader FaxHeader::fromBytes(const std::uint8_t* bytes) {
    FaxHeader header;
    std::memcpy(header.bytes_.data(), bytes, kFaxHeaderSize);
    return header;
}

void FaxHeader::toBytes(std::uint8_t* bytes) const { std::memcpy(bytes, bytes_.data(), kFaxHeaderSize); }

bool FaxHeader::isValid() const {
    return bytes_[fax_field::kSignature] == kSignatureByte0 && bytes_[fax_field::kSignature + 1] == kSignatureByte1;
}

std::int32_t FaxHeader::dataOffset() const { return byte_order::readI32(&bytes_[fax_field::kDataOffset]); }
std::int32_t FaxHeader::extraOffset1() const { return byte_order::readI32(&bytes_[fax_field::kExtraOffset1]); }
std::int32_t FaxHeader::extraOffset2() const { return byte_order::readI32(&bytes_[fax_field::kExtraOffset2]); }
std::uint16_t FaxHeader::pageCount() const { return byte_order::readU16(&bytes_[fax_field::kPageCount]); }
std::int32_t FaxHeader::extraLength() const { return byte_order::readI32(&bytes_[fax_field::kExtraLength]); }
std::int32_t FaxHeader::dataLength() const { return byte_order::readI32(&bytes_[fax_field::kDataLength]); }

void FaxHeader::setDataOffset(std::int32_t value) { byte_order::writeI32(&bytes_[fax_field::kDataOffset], value); }
void FaxHeader::setExtraOffset1(std::int32_t value) {
    byte_order::writeI32(&bytes_[fax_field::kExtraOffset1], value);
}
void FaxHeader::setExtraOffset2(std::int32_t value) {
    byte_order::writeI32(&bytes_[fax_field::kExtraOffset2], value);
}
void FaxHeader::setPageCount(std::uint16_t value) { byte_order::writeU16(&bytes_[fax_field::kPageCount], value); }
void FaxHeader::setExtraLength(std::int32_t value) {
    byte_order::writeI32(&bytes_[fax_field::kExtraLength], value);
}
void FaxHeader::setDataLength(std::int32_t value) { byte_order::writeI32(&bytes_[fax_field::kDataLength], value); }

std::int64_t FaxHeader::blockEnd() const {
    return static_cast<std::int64_t>(dataOffset()) + static_cast<std::int64_t>(factorA()) * factorB() +
           extraLength() + dataLength();
}

bool FaxHeader::relocate(std::int64_t distance) {
    const std::int64_t data = static_cast<std::int64_t>(dataOffset()) + distance;
    const std::int64_t extra1 = extraOffset1() > 0 ? extraOffset1() + distance : extraOffset1();
    const std::int64_t extra2 = extraOffset2() > 0 ? extraOffset2() + distance : extraOffset2();
    if (!fitsInt32(data) || !fitsInt32(extra1) || !fitsInt32(extra2)) {
        return false;
    }
    setDataOffset(static_cast<std::int32_t>(data));
    setExtraOffset1(static_cast<std::int32_t>(extra1));
    setExtraOffset2(static_cast<std::int32_t>(extra2));
    return true;
}

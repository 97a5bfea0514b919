// The 128-byte header that opens every page block of a WinFax fax file: the few fields the
// engine reads or rewrites, the end of the block they describe, and moving a block further on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kFaxHeaderSize = 128;

// Byte offsets of the fields inside a header, fixed by the WinFax format.
namespace fax_field {
inline constexpr std::size_t kSignature = 0;  // two bytes: 11 and '#'
inline constexpr std::size_t kDataOffset = 89;
inline constexpr std::size_t kExtraOffset1 = 93;
inline constexpr std::size_t kExtraOffset2 = 97;
inline constexpr std::size_t kPageCount = 101;
inline constexpr std::size_t kExtraLength = 105;
inline constexpr std::size_t kFactorA = 113;
inline constexpr std::size_t kFactorB = 114;
inline constexpr std::size_t kDataLength = 116;
}  // namespace fax_field

inline constexpr std::uint8_t kSignatureByte0 = 11;
inline constexpr std::uint8_t kSignatureByte1 = '#';

class FaxHeader {
public:
    FaxHeader() = default;
    static FaxHeader fromBytes(const std::uint8_t* bytes);
    void toBytes(std::uint8_t* bytes) const;

    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }

    bool isValid() const;

    std::int32_t dataOffset() const;
    std::int32_t extraOffset1() const;
    std::int32_t extraOffset2() const;
    std::uint16_t pageCount() const;
    std::int32_t extraLength() const;
    std::uint8_t factorA() const { return bytes_[fax_field::kFactorA]; }
    std::uint8_t factorB() const { return bytes_[fax_field::kFactorB]; }
    std::int32_t dataLength() const;

    void setDataOffset(std::int32_t value);
    void setExtraOffset1(std::int32_t value);
    void setExtraOffset2(std::int32_t value);
    void setPageCount(std::uint16_t value);
    void setExtraLength(std::int32_t value);
    void setFactorA(std::uint8_t value) { bytes_[fax_field::kFactorA] = value; }
    void setFactorB(std::uint8_t value) { bytes_[fax_field::kFactorB] = value; }
    void setDataLength(std::int32_t value);

    // The absolute position where this page block ends and the next header starts. Summed in
    // 64 bits so that hostile field values cannot overflow into a plausible position.
    std::int64_t blockEnd() const;

    // Moves the block `distance` bytes further on: dataOffset grows, and each extra offset grows
    // only when it is a position (greater than 0). Returns false, changing nothing, when a
    // position would no longer fit its 32-bit field.
    bool relocate(std::int64_t distance);

private:
    std::array<std::uint8_t, kFaxHeaderSize> bytes_{};
};

// The 40-byte bitmap information header that BMP files, the preview's display
// and AVI stream formats share: its field offsets and little-endian access.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcx::bitmap {

inline constexpr std::size_t kHeaderBytes = 40;
inline constexpr std::size_t kWidthField = 4;
inline constexpr std::size_t kHeightField = 8;
inline constexpr std::size_t kPlanesField = 12;
inline constexpr std::size_t kBitCountField = 14;
inline constexpr std::size_t kCompressionField = 16;
inline constexpr std::size_t kImageSizeField = 20;
inline constexpr std::size_t kColoursUsedField = 32;

inline std::uint32_t Get32(const std::uint8_t* bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline std::uint16_t Get16(const std::uint8_t* bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline void Put32(std::uint8_t* bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void Put16(std::uint8_t* bytes, std::size_t offset, std::uint32_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace qcx::bitmap

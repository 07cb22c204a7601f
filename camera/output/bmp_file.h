// BMP files of images in memory: the header a file begins with and the
// whole file. Rows are written as they lie in memory, without padding to a
// multiple of 4 bytes, and the first memory row is the bottom of the picture.
#pragma once

#include <cstdint>

namespace qcx {

// 14-byte file header + 40-byte information header, and for 8-bit images the
// 1024-byte grey palette after them.
inline constexpr int kBmpHeadersSize = 54;
inline constexpr int kBmpPaletteSize = 1024;

// Size of the headers (with palette) for a bit count: 1078 for 8, 54 for 24
// and 32. -1 for a null `size` or another bit count.
int GetBmpFileHeaderSize(int bitCount, int* size);

// Writes the headers (and palette) for a width x height image into `header`,
// which holds GetBmpFileHeaderSize bytes. -1 for a size below 1, a bit count
// other than 8, 24, 32 or a null `header`.
int GetBmpFileHeader(int width, int height, int bitCount, std::uint8_t* header);

// Writes headers and image bytes to `file`, replacing it. -1 for bad
// arguments, -8 when the file cannot be created, -2 when out of memory.
int SaveToBmp(const std::uint8_t* data, int width, int height, int bitCount, const char* file);

}  // namespace qcx

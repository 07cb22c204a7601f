// Resizing images in memory: 8-bit grey, 24-bit or 32-bit colour, rows of
// (bitCount / 8) x width bytes without padding. Source and target have the
// same row order, so nothing is flipped.
#pragma once

#include <cstdint>

namespace qcx {

// Area-averaging resize into targetWidth x targetHeight pixels of the same
// bit count (all four bytes of 32-bit pixels are averaged). -1 for null
// buffers, a size below 1 or a bit count other than 8, 24, 32; -2 when
// memory cannot be had.
int StretchBmp(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
               int targetWidth, int targetHeight);

// The exact area average behind StretchBmp for the sizes libswscale refuses:
// every target pixel is the mean of the source area it covers, each source
// pixel weighted by the part of it inside that area. Same arguments and
// results as StretchBmp.
int StretchByAreaAverage(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
                         int targetWidth, int targetHeight);

}  // namespace qcx

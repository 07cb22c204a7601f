// Uncompressed TIFF files of images in memory, one strip, through libtiff.
#pragma once

#include <cstdint>

namespace qcx {

// Rows of (bitsPerSample / 8) x width x samplesPerPixel bytes. With one
// sample per pixel the first memory row is the bottom of the picture (grey
// images come from the same bottom-up buffers as BMP files); with more, the
// first memory row is the top and the bytes go out in the order stored.
// -8 when the file cannot be opened or the row buffer cannot be had, and for
// arguments that would make the writer read outside the image: null data or
// file name, a size below 1, or an image too large to address.
int SaveToTiff(const std::uint8_t* data, int width, int height, int bitsPerSample, int samplesPerPixel,
               const char* file);

}  // namespace qcx

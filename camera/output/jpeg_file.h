// JPEG files of images in memory (baseline, libjpeg defaults). The first
// memory row is the bottom of the picture.
#pragma once

#include <cstdint>

namespace qcx {

// -8 for null data or file name, a size below 1 or a bit count other than 8,
// 24, 32; -8 when the file cannot be opened or libjpeg fails (a partly
// written file then stays). 8-bit images give grey files, the others RGB.
int SaveToJpg(const std::uint8_t* data, int width, int height, int bitCount, int quality, const char* file);

}  // namespace qcx

// Baseline JPEG compression of images in memory through libjpeg-turbo, shared
// by the JPEG file helper and the Motion JPEG recording.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace qcx {

// An image in memory: rows of (bitCount / 8) x width bytes one directly after
// the other, 8-bit grey, or 24/32-bit blue-green-red(-unused). bottomUp: the
// first row in memory is the bottom row of the picture.
struct JpegSource {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool bottomUp = true;
};

// Compresses into `out` (replacing its contents): 1 grey component for 8-bit
// images, 3 RGB components otherwise (the fourth byte of 32-bit pixels is
// dropped), quality 0..100 with baseline tables, the library's defaults for
// everything else. false on a bad source or an error inside libjpeg.
bool CompressJpeg(const JpegSource& source, int quality, std::vector<std::uint8_t>* out);

// As CompressJpeg, written to an open file.
bool CompressJpegToFile(const JpegSource& source, int quality, std::FILE* file);

}  // namespace qcx

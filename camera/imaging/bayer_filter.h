// The Bayer filter: turns a raw mosaic frame into a 24-bit, 32-bit or grey
// image (16-bit channels from 16-bit samples), plus the raw-edge patch, the
// output bit count rule and the default Bayer mode of each camera type.
#pragma once

#include <cstdint>

namespace qcx {

// Holds no data; a temporary instance does each conversion.
class CQCXBayerFilter {
public:
    virtual ~CQCXBayerFilter();

    // Converts one raw frame (8-bit samples, or 16-bit little-endian samples
    // when sixteenBit) with the given Bayer and filter modes into `out`, which
    // the caller sizes for the mode. Bayer modes outside 0..23 and frames
    // smaller than 3 x 3 leave `out` untouched. Always returns 1.
    int ConvertRawToImage(const void* raw, int width, int height, void* out, bool sixteenBit, int bayerMode,
                          int filterMode) const;
};

// Bits per output pixel of an 8-bit conversion: 8 when outputMode is 0 (raw
// output), else 32 for Bayer modes 8..15, 8 for 16..23 and 24 for any other.
int GetOutputBitCount(int outputMode, int bayerMode);

// The raw-edge patch of 8-bit frames: the last two columns and the last row
// repeat the samples of the same filter colour two columns or two rows before
// them. Frames smaller than 4 x 3 are left as they are.
void PatchRawEdges(std::uint8_t* raw, int width, int height);


}  // namespace qcx

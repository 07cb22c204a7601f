// Corrections on raw frames before demosaicing: the bad pixel filter, the
// software mirror and flip, and the reduction of 16-bit samples to bytes.
#pragma once

#include <cstdint>

#include "camera/imaging/pipeline_settings.h"

namespace qcx {

// Replaces every sample brighter than its four same-colour row neighbours
// (two and four samples away) by more than `threshold` with the larger of the
// two nearer ones. Frames of 8 samples width or less are left alone.
void CorrectBadPixels(std::uint8_t* raw, int width, int height, std::uint8_t threshold);

// Reverses the samples of every row.
void MirrorRows(std::uint8_t* raw, int width, int height);
// Reverses the order of the rows.
void FlipRows(std::uint8_t* raw, int width, int height);

// 16-bit samples to bytes: through the map table when s.mapTableOn (sample
// values above 4095 use entry 4095), else min(sample >> (4 - sensitivity),
// 255) for sensitivity 0 ... 4; any other sensitivity leaves `out` unwritten.
void ReduceTo8Bits(const std::uint16_t* samples, std::uint8_t* out, int width, int height,
                   const PipelineSettings& s, int sensitivity);

}  // namespace qcx

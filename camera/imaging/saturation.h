// The saturation step on demosaiced colour images: every colour goes through
// HSL, its saturation is scaled, and it comes back to bytes. Each distinct
// colour is computed once per saturation setting and kept in the settings'
// 96 MiB cache, addressed directly by the 24-bit colour.
#pragma once

#include <cstdint>

#include "camera/imaging/pipeline_settings.h"

namespace qcx {

// Adjusts width * height pixels of `bitCount` 24 (blue, green, red) or 32
// (blue, green, red, untouched fourth byte) bits; other bit counts (grey
// images) are left alone. A neutral saturation releases the cache instead.
// When the cache cannot be allocated the frame stays as it is and the next
// frame tries again.
void AdjustSaturation(std::uint8_t* image, int width, int height, int bitCount, PipelineSettings& s);

// For tests: the next creation of a saturation cache fails as if memory had
// run out.
void FailNextSaturationCacheAllocation();

}  // namespace qcx

// Rolling rows of the green plane for the two-pass methods. Their second
// pass reads the green of the rows above and below, so the interior is
// worked in vertical strips whose green rows fit on the stack; a strip's
// rows carry one extra column on each side.
#pragma once

#include <cstdint>

#include "camera/imaging/bayer_layout.h"

namespace qcx::bayer {

inline constexpr int kStripWidth = 1024;

// Green of output pixels [x, x + n) of one output row (the border ring's
// green where the plane reaches into the ring).
template <int kCh>
inline void GreenFromOutput(const std::uint8_t* outRow, int x, int n, std::uint8_t* green) {
    for (int i = 0; i < n; ++i) green[i] = outRow[(x + i) * kCh + kGreen];
}

}  // namespace qcx::bayer

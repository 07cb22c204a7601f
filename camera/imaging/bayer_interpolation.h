// The interior of the bilinear and edge-directed methods: plain averages of
// the neighbours, with green at a red or blue site either the mean of all four
// (bilinear) or the mean along the flatter direction (edge-directed).
#pragma once

#include <cstddef>
#include <cstdint>

#include "camera/imaging/bayer_layout.h"
#include "camera/imaging/bayer_simd.h"

namespace qcx::bayer {

// Green at an own-colour site from its four neighbours.
template <bool kEdgeDirected>
inline int GreenAtColourSite(int left, int right, int up, int down) {
    if constexpr (kEdgeDirected) {
        const int dH = left > right ? left - right : right - left;
        const int dV = up > down ? up - down : down - up;
        if (dH < dV) return (left + right) >> 1;
        if (dV < dH) return (up + down) >> 1;
    }
    return (up + down + left + right) >> 2;
}

// Columns [x, xEnd) of one interior row.
template <int kCh, bool kEdgeDirected>
inline void InterpolateRowScalar(const RowJob& j, int x, int xEnd) {
    const std::uint8_t* up = j.up;
    const std::uint8_t* cur = j.cur;
    const std::uint8_t* down = j.down;
    const int own = j.ownIsBlue ? kBlue : kRed;
    const int other = kRed + kBlue - own;
    // At a green site the own colour lies left and right, the other above and below.
    auto greenSite = [&](int c) {
        std::uint8_t* p = j.out + c * kCh;
        p[kGreen] = cur[c];
        p[own] = static_cast<std::uint8_t>((cur[c - 1] + cur[c + 1]) >> 1);
        p[other] = static_cast<std::uint8_t>((up[c] + down[c]) >> 1);
    };
    // At an own-colour site the other colour lies on the diagonals.
    auto colourSite = [&](int c) {
        std::uint8_t* p = j.out + c * kCh;
        p[own] = cur[c];
        p[kGreen] = static_cast<std::uint8_t>(GreenAtColourSite<kEdgeDirected>(cur[c - 1], cur[c + 1], up[c], down[c]));
        p[other] = static_cast<std::uint8_t>((up[c - 1] + up[c + 1] + down[c - 1] + down[c + 1]) >> 2);
    };
    if (x < xEnd && (x & 1) != j.greenParity) colourSite(x++);
    for (; x + 1 < xEnd; x += 2) {
        greenSite(x);
        colourSite(x + 1);
    }
    if (x < xEnd) greenSite(x);
}

// Rows 1 .. height - 2, columns 1 .. width - 2, vector kernel first.
template <class L, bool kEdgeDirected>
void InterpolateInterior(const std::uint8_t* raw, int width, int height, std::uint8_t* out, RowKernel kernel) {
    for (int y = 1; y < height - 1; ++y) {
        const std::uint8_t* cur = raw + static_cast<std::ptrdiff_t>(y) * width;
        const RowSites s = L::Sites(y);
        const RowJob job{cur - width, cur, cur + width, L::OutputRowPointer(out, y, width, height), s.greenParity,
                         s.ownColour == kBlue};
        int x = 1;
        if (kernel != nullptr) x = kernel(job, x, width - 1);
        InterpolateRowScalar<L::kChannels, kEdgeDirected>(job, x, width - 1);
    }
}

}  // namespace qcx::bayer

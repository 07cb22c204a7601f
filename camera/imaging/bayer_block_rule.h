// The block rule: a pixel takes its colours from the 2 x 2 block of raw
// samples made of its own column and the one to its left (column 0 borrows
// column 1's block) and of its own row and the one below (the last row pairs
// with the row above). Green comes from the pixel's own row. Block copy is
// this rule everywhere; every other method uses it for its border ring.
#pragma once

#include "camera/imaging/bayer_layout.h"

namespace qcx::bayer {

// Pixels x .. xEnd - 1 (x >= 1) of one row by the block rule, from the own
// raw row and the other row of the block. Works on 8-bit or 16-bit samples.
template <class T, int kCh>
inline void BlockRowScalar(const T* own, const T* other, T* out, RowSites s, int x, int xEnd) {
    // At a green column the block's own colour lies to the left; at an own
    // colour column the green does, and the other colour lies below it.
    auto greenColumn = [&](int c) {
        T* p = out + c * kCh;
        p[kGreen] = own[c];
        p[s.ownColour] = own[c - 1];
        p[s.otherColour] = other[c];
    };
    auto colourColumn = [&](int c) {
        T* p = out + c * kCh;
        p[kGreen] = own[c - 1];
        p[s.ownColour] = own[c];
        p[s.otherColour] = other[c - 1];
    };
    if (x < xEnd && (x & 1) != s.greenParity) colourColumn(x++);
    for (; x + 1 < xEnd; x += 2) {
        greenColumn(x);
        colourColumn(x + 1);
    }
    if (x < xEnd) greenColumn(x);
}

// Column 0 uses the block of columns 0 and 1, the same as column 1.
template <class T, int kCh>
inline void BlockColumnZero(const T* own, const T* other, T* out, RowSites s) {
    const int green = s.greenParity;  // column of the block's green: 0 or 1
    out[kGreen] = own[green];
    out[s.ownColour] = own[1 - green];
    out[s.otherColour] = other[green];
}

// The raw rows of the block of image row y: its own and the one below, or
// the one above for the last row.
template <class T>
struct BlockRows {
    const T* own;
    const T* other;
};

template <class T>
inline BlockRows<T> BlockRowsOf(const T* raw, int width, int height, int y) {
    const int otherY = y == height - 1 ? height - 2 : y + 1;
    return {raw + static_cast<std::ptrdiff_t>(y) * width, raw + static_cast<std::ptrdiff_t>(otherY) * width};
}

// Columns [x, xEnd) of image row y by the block rule (x may be 0).
template <class L, class T>
inline void BlockRuleRow(const T* raw, int width, int height, int y, T* out, int x, int xEnd) {
    const BlockRows<T> rows = BlockRowsOf(raw, width, height, y);
    T* o = L::OutputRowPointer(out, y, width, height);
    const RowSites s = L::Sites(y);
    if (x == 0) {
        BlockColumnZero<T, L::kChannels>(rows.own, rows.other, o, s);
        x = 1;
    }
    BlockRowScalar<T, L::kChannels>(rows.own, rows.other, o, s, x, xEnd);
}

// The border ring of `kRing` rows and columns on each side (1, or 2 for the
// gradient-corrected method), all by the block rule.
template <class L, int kRing, class T>
void BorderRing(const T* raw, int width, int height, T* out) {
    for (int i = 0; i < kRing; ++i) {
        BlockRuleRow<L>(raw, width, height, i, out, 0, width);
        BlockRuleRow<L>(raw, width, height, height - 1 - i, out, 0, width);
    }
    for (int y = kRing; y < height - kRing; ++y) {
        BlockRuleRow<L>(raw, width, height, y, out, 0, kRing);
        BlockRuleRow<L>(raw, width, height, y, out, width - kRing, width);
    }
}

}  // namespace qcx::bayer

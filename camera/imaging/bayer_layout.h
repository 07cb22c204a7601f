// Compile-time description of one demosaic routine: where the red and blue
// sites of the mosaic are, which way the output rows run and how many
// channels an output pixel has. Every routine is a template over this, so the
// modes are decided once per conversion and the per-pixel code only looks at
// the parity of its row and column.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcx::bayer {

// Byte (or 16-bit word) offsets of the channels within an output pixel.
inline constexpr int kBlue = 0;
inline constexpr int kGreen = 1;
inline constexpr int kRed = 2;

// Colour filter orders, named by the first two samples of rows 0 and 1. The
// value is the Bayer mode modulo 4.
enum class ColourOrder : int { kBGGR = 0, kGRBG = 1, kRGGB = 2, kGBRG = 3 };

// The colours of one mosaic row: green sits on the columns of parity
// `greenParity`, the row's own colour (red or blue) on the others, and the
// opposite colour is the one found in the rows above and below.
struct RowSites {
    int greenParity;
    int ownColour;    // kRed or kBlue
    int otherColour;  // kBlue or kRed
};

template <ColourOrder kOrder, bool kBottomUpRows, int kChannelCount>
struct Layout {
    static_assert(kChannelCount == 3 || kChannelCount == 4);

    // Red sits at (kRedX, kRedY) modulo 2, blue at the opposite parities.
    static constexpr int kRedX = (kOrder == ColourOrder::kBGGR || kOrder == ColourOrder::kGRBG) ? 1 : 0;
    static constexpr int kRedY = (kOrder == ColourOrder::kBGGR || kOrder == ColourOrder::kGBRG) ? 1 : 0;
    static constexpr bool kBottomUp = kBottomUpRows;
    // Channels per output pixel; the fourth one is never written.
    static constexpr int kChannels = kChannelCount;

    static constexpr RowSites Sites(int y) {
        return (y & 1) == kRedY ? RowSites{1 - kRedX, kRed, kBlue} : RowSites{kRedX, kBlue, kRed};
    }

    // Output row that receives image row y of a frame of h rows.
    static constexpr int OutputRow(int y, int h) { return kBottomUp ? h - 1 - y : y; }

    template <class T>
    static T* OutputRowPointer(T* out, int y, int width, int h) {
        return out + static_cast<std::ptrdiff_t>(OutputRow(y, h)) * width * kChannels;
    }
};

// An 8-bit raw frame and its output image, addressed row by row in the row
// order of layout L.
template <class L>
struct EightBitFrame {
    const std::uint8_t* raw;
    int width;
    int height;
    std::uint8_t* out;
    const std::uint8_t* RawRow(int y) const { return raw + static_cast<std::ptrdiff_t>(y) * width; }
    std::uint8_t* OutRow(int y) const { return L::OutputRowPointer(out, y, width, height); }
};

// The routine of one Bayer mode: raw frame in, image out.
using ConvertRoutine = void (*)(const void* raw, int width, int height, void* out);

// Routines of one family for Bayer modes 0..15: colour order = mode % 4,
// modes 8..15 with 4 channels, modes 4..7 and 12..15 in the other row order.
struct ColourRoutineTable {
    ConvertRoutine byMode[16];
};

// Builds the table of a family from its routine template `R<Layout>`;
// 16-bit frames run modes 0..3 top-down, 8-bit frames bottom-up.
template <template <class> class R, bool kBottomUpForModes0to3>
constexpr ColourRoutineTable MakeColourRoutineTable() {
    constexpr bool b = kBottomUpForModes0to3;
    using O = ColourOrder;
    return ColourRoutineTable{{
        &R<Layout<O::kBGGR, b, 3>>::Run, &R<Layout<O::kGRBG, b, 3>>::Run,
        &R<Layout<O::kRGGB, b, 3>>::Run, &R<Layout<O::kGBRG, b, 3>>::Run,
        &R<Layout<O::kBGGR, !b, 3>>::Run, &R<Layout<O::kGRBG, !b, 3>>::Run,
        &R<Layout<O::kRGGB, !b, 3>>::Run, &R<Layout<O::kGBRG, !b, 3>>::Run,
        &R<Layout<O::kBGGR, b, 4>>::Run, &R<Layout<O::kGRBG, b, 4>>::Run,
        &R<Layout<O::kRGGB, b, 4>>::Run, &R<Layout<O::kGBRG, b, 4>>::Run,
        &R<Layout<O::kBGGR, !b, 4>>::Run, &R<Layout<O::kGRBG, !b, 4>>::Run,
        &R<Layout<O::kRGGB, !b, 4>>::Run, &R<Layout<O::kGBRG, !b, 4>>::Run,
    }};
}

}  // namespace qcx::bayer

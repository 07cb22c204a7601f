// Hand-worked frames and the corner cases of the Bayer conversion: the smallest
// frame, row orders, the colour-ratio divisions by zero and the grey modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <tuple>
#include <vector>

#include "bayer/frame_maker.h"
#include "camera/imaging/bayer_filter.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The first `count` bytes (all when 0) of a conversion into a buffer of 0xA5.
Bytes Convert(const Bytes& raw, int width, int height, bool sixteenBit, int bayerMode, int filterMode,
              std::size_t count = 0) {
    Bytes out(static_cast<std::size_t>(width) * height * 8, 0xA5);
    EXPECT_EQ(CQCXBayerFilter().ConvertRawToImage(raw.data(), width, height, out.data(), sixteenBit, bayerMode,
                                                  filterMode), 1);
    if (count != 0) out.resize(count);
    return out;
}

TEST(BayerSmallestFrameTest, OneInteriorPixelOrNoneForTheTwoPixelRing) {
    // BGGR 3 x 3:  B G B / G R G / B G B, converted by mode 4 (24-bit, top-down).
    const Bytes raw = {10, 25, 30, 43, 50, 61, 70, 85, 93};
    // The block rule everywhere, worked by hand.
    const Bytes blocks = {10, 25, 50, 10, 25, 50, 30, 25, 50,   // row 0 pairs with row 1
                          70, 43, 50, 70, 43, 50, 93, 61, 50,   // row 1 pairs with row 2
                          70, 85, 50, 70, 85, 50, 93, 85, 50};  // the last row pairs with row 1
    // Filter mode, then the centre's blue and green (its red stays 50). Mode 4's
    // 2-pixel ring covers the whole frame; mode 1: green (25 + 85 + 43 + 61) >> 2,
    // blue (10 + 30 + 70 + 93) >> 2; mode 3: |43 - 61| < |25 - 85|, green
    // (43 + 61) >> 1; mode 2: 53 * 0.25 * (10/25 + 30/25 + 70/85 + 93/85) = 46.6.
    for (auto [mode, blue, green] : {std::tuple{0, 70, 43}, {4, 70, 43}, {1, 50, 53}, {3, 50, 52}, {2, 46, 53}}) {
        Bytes expected = blocks;
        expected[12] = static_cast<std::uint8_t>(blue), expected[13] = static_cast<std::uint8_t>(green);
        EXPECT_EQ(Convert(raw, 3, 3, false, 4, mode, 27), expected) << "filter mode " << mode;
    }
    // Smaller frames are left untouched.
    for (auto [w, h] : {std::pair{2, 8}, {8, 2}, {0, 0}, {1, 1}})
        for (int mode : {0, 8, 16, 20})
            EXPECT_EQ(Convert(Bytes(16, 77), w, h, false, mode, 1), Bytes(w * h * 8u, 0xA5)) << w << "x" << h;
}

TEST(BayerRowOrderTest, SixteenBitModeZeroIsTopDownAndModeFourItsRowsReversed) {
    const int w = 9, h = 7;
    // BGGR row 0: blue 0x1234 at even columns, green 0xBEEF at odd ones.
    Bytes wide = test::RawBytes(test::MakeSamples(w, h, true, test::Scene::kNoise, 7), true);
    for (int x = 0; x < w; ++x) wide[2 * x] = x % 2 == 0 ? 0x34 : 0xEF, wide[2 * x + 1] = x % 2 == 0 ? 0x12 : 0xBE;
    const Bytes zero = Convert(wide, w, h, true, 0, 1), four = Convert(wide, w, h, true, 4, 1);
    for (int x = 0; x < w; ++x)
        EXPECT_EQ(zero[x * 6] | zero[x * 6 + 1] << 8 | zero[x * 6 + 2] << 16 | zero[x * 6 + 3] << 24, 0xBEEF1234);
    for (int y = 0; y < h; ++y)
        EXPECT_TRUE(std::equal(&zero[y * w * 6], &zero[(y + 1) * w * 6], &four[(h - 1 - y) * w * 6])) << "row " << y;
}

TEST(BayerColourRatioTest, DivisionsByZeroGreenAndSinglePrecisionRounding) {
    // RGGB 5 x 5, all zero except the green site (2, 1) and its two blue
    // neighbours, whose greens, (site + 0 + 0 + 0) >> 2, are 0 for a site below
    // 4. A sample over a green of 0 saturates, 0 / 0 gives 0, not a number
    // spoils the whole sum (infinity plus 0 / 0), and an infinite ratio is
    // scaled by an own green of 0.
    for (auto [site, left, right, blue] : {std::array{3, 9, 4, 255}, {3, 0, 0, 0}, {3, 9, 0, 0}, {0, 9, 4, 0}}) {
        Bytes raw(25, 0);
        raw[7] = static_cast<std::uint8_t>(site), raw[6] = static_cast<std::uint8_t>(left);
        raw[8] = static_cast<std::uint8_t>(right);
        EXPECT_EQ(Convert(raw, 5, 5, false, 6, 2)[7 * 3], blue) << "site " << site << ", " << left << ", " << right;
    }
    // RGGB 7 x 7 of 3s; the green site (2, 3) has blue neighbours 1 and 13
    // whose greens are 3: 3 * 0.5 * (1/3 + 13/3) is 6.9999999999999991 in
    // double, 7 in float.
    Bytes raw(49, 3);
    raw[3 * 7 + 1] = 1, raw[3 * 7 + 3] = 13;
    const Bytes out = Convert(raw, 7, 7, false, 6, 2);
    EXPECT_EQ(Bytes(&out[(3 * 7 + 2) * 3], &out[(3 * 7 + 2) * 3 + 3]), (Bytes{7, 3, 3}));
}

TEST(BayerGreyTest, BlockMeansWithTheLastColumnAndRowRepeated) {
    // 3 x 3: means of the blocks to the right and below; 8-bit mode 20 and
    // 16-bit mode 16 are top-down, 8-bit mode 16 and 16-bit mode 20 bottom-up.
    const Bytes raw = {0, 4, 8, 12, 16, 20, 24, 28, 40};
    const Bytes topDown = {8, 12, 12, 20, 26, 26, 20, 26, 26}, bottomUp = {20, 26, 26, 20, 26, 26, 8, 12, 12};
    EXPECT_EQ(Convert(raw, 3, 3, false, 20, 0, 9), topDown);
    EXPECT_EQ(Convert(raw, 3, 3, false, 16, 0, 9), bottomUp);
    for (auto [mode, expected] : {std::pair{16, topDown}, std::pair{20, bottomUp}}) {
        const Bytes out = Convert(test::RawBytes(std::vector<int>(raw.begin(), raw.end()), true), 3, 3, true, mode, 0);
        for (int p = 0; p < 9; ++p) EXPECT_EQ(out[2 * p] | out[2 * p + 1] << 8, expected[p]) << "16-bit mode " << mode;
    }
}

}  // namespace
}  // namespace qcx

// Hand-worked frames and the corner cases of the Bayer conversion: the
// smallest frame, row orders, the colour-ratio divisions by zero and the grey
// modes. (The fourth byte, modes that write nothing and unknown filter modes
// are checked against the model in exactness_test.cpp.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bayer/frame_maker.h"
#include "camera/imaging/bayer_filter.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The first `count` bytes (all when 0) of a conversion into a buffer of 0xA5.
Bytes Convert(const Bytes& raw, int width, int height, bool sixteenBit, int bayerMode, int filterMode,
              std::size_t count = 0, std::uint8_t fill = 0xA5) {
    Bytes out(static_cast<std::size_t>(width) * height * 8, fill);
    CQCXBayerFilter filter;
    EXPECT_EQ(filter.ConvertRawToImage(raw.data(), width, height, out.data(), sixteenBit, bayerMode, filterMode), 1);
    if (count != 0) out.resize(count);
    return out;
}

Bytes Noise(int width, int height, bool sixteenBit, unsigned seed) {
    return test::RawBytes(test::MakeSamples(width, height, sixteenBit, test::Scene::kNoise, seed), sixteenBit);
}

// Rows of `image` (h rows of rowBytes) in reverse order.
Bytes Flipped(const Bytes& image, int h, std::size_t rowBytes) {
    Bytes flipped(image.size());
    for (int y = 0; y < h; ++y) std::memcpy(&flipped[y * rowBytes], &image[(h - 1 - y) * rowBytes], rowBytes);
    return flipped;
}

TEST(BayerSmallestFrameTest, OneInteriorPixelOrNoneForTheTwoPixelRing) {
    // BGGR 3 x 3:  B G B / G R G / B G B, converted by mode 4 (24-bit, top-down).
    const Bytes raw = {10, 25, 30, 43, 50, 61, 70, 85, 93};
    // The block rule everywhere, worked by hand.
    const Bytes blocks = {10, 25, 50, 10, 25, 50, 30, 25, 50,   // row 0 pairs with row 1
                          70, 43, 50, 70, 43, 50, 93, 61, 50,   // row 1 pairs with row 2
                          70, 85, 50, 70, 85, 50, 93, 85, 50};  // the last row pairs with row 1
    struct Case {
        int filterMode, centreBlue, centreGreen;  // the centre red site keeps red 50
    };
    const Case cases[] = {{0, 70, 43},
                          {4, 70, 43},   // the 2-pixel ring of the gradient-corrected method covers the whole frame
                          {1, 50, 53},   // green (25 + 85 + 43 + 61) >> 2, blue (10 + 30 + 70 + 93) >> 2
                          {3, 50, 52},   // |43 - 61| < |25 - 85|: green (43 + 61) >> 1
                          {2, 46, 53}};  // 53 * 0.25 * (10/25 + 30/25 + 70/85 + 93/85) = 46.6, with the ring's greens
    for (const Case& c : cases) {
        Bytes expected = blocks;
        expected[12] = static_cast<std::uint8_t>(c.centreBlue);
        expected[13] = static_cast<std::uint8_t>(c.centreGreen);
        EXPECT_EQ(Convert(raw, 3, 3, false, 4, c.filterMode, 27), expected) << "filter mode " << c.filterMode;
    }
    // Smaller frames are left untouched.
    for (auto [w, h] : {std::pair{2, 8}, std::pair{8, 2}, std::pair{0, 0}, std::pair{1, 1}}) {
        for (int mode : {0, 8, 16, 20}) {
            EXPECT_EQ(Convert(Bytes(16, 77), w, h, false, mode, 1), Bytes(static_cast<std::size_t>(w) * h * 8, 0xA5));
        }
    }
}

TEST(BayerRowOrderTest, SixteenBitModeZeroIsTopDownAndModeFourItsRowsReversed) {
    const int w = 9, h = 7;
    // BGGR row 0: blue 0x1234 at even columns, green 0xBEEF at odd ones.
    Bytes wide = Noise(w, h, true, 7);
    for (int x = 0; x < w; ++x) {
        wide[2 * x] = x % 2 == 0 ? 0x34 : 0xEF;
        wide[2 * x + 1] = x % 2 == 0 ? 0x12 : 0xBE;
    }
    const Bytes modeZero = Convert(wide, w, h, true, 0, 1, w * h * 6);
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(modeZero[x * 6] | modeZero[x * 6 + 1] << 8, 0x1234) << "column " << x;
        EXPECT_EQ(modeZero[x * 6 + 2] | modeZero[x * 6 + 3] << 8, 0xBEEF) << "column " << x;
    }
    EXPECT_EQ(modeZero, Flipped(Convert(wide, w, h, true, 4, 1, w * h * 6), h, w * 6));
}

TEST(BayerColourRatioTest, DivisionsByZeroGreenAndSinglePrecisionRounding) {
    // RGGB 5 x 5, all zero except the green site (2, 1) and its two blue
    // neighbours, whose greens, (site + 0 + 0 + 0) >> 2, are 0 for a site below 4.
    struct Case {
        std::uint8_t site, leftBlue, rightBlue, blue;
    };
    const Case cases[] = {
        {3, 9, 4, 255},  // a sample over a green of 0 saturates
        {3, 0, 0, 0},    // 0 / 0 gives 0
        {3, 9, 0, 0},    // not a number spoils the whole sum: infinity plus 0 / 0
        {0, 9, 4, 0},    // an infinite ratio scaled by an own green of 0
    };
    for (const Case& c : cases) {
        Bytes raw(25, 0);
        raw[5 + 2] = c.site;
        raw[5 + 1] = c.leftBlue;
        raw[5 + 3] = c.rightBlue;
        EXPECT_EQ(Convert(raw, 5, 5, false, 6, 2)[(5 + 2) * 3], c.blue)
            << "site " << int(c.site) << ", blues " << int(c.leftBlue) << " and " << int(c.rightBlue);
    }
    // RGGB 7 x 7 of 3s; the green site (2, 3) has blue neighbours 1 and 13
    // whose greens are 3: 3 * 0.5 * (1/3 + 13/3) is 6.9999999999999991 in
    // double, 7 in float.
    Bytes raw(49, 3);
    raw[3 * 7 + 1] = 1;
    raw[3 * 7 + 3] = 13;
    const Bytes out = Convert(raw, 7, 7, false, 6, 2);
    EXPECT_EQ(Bytes(&out[(3 * 7 + 2) * 3], &out[(3 * 7 + 2) * 3 + 3]), (Bytes{7, 3, 3}));
}

TEST(BayerGreyTest, BlockMeansWithTheLastColumnAndRowRepeated) {
    // 3 x 3: means of the blocks to the right and below; 8-bit mode 20 and
    // 16-bit mode 16 are top-down, 8-bit mode 16 and 16-bit mode 20 bottom-up.
    const Bytes raw = {0, 4, 8, 12, 16, 20, 24, 28, 40};
    const Bytes topDown = {8, 12, 12, 20, 26, 26, 20, 26, 26};
    const Bytes bottomUp = {20, 26, 26, 20, 26, 26, 8, 12, 12};
    EXPECT_EQ(Convert(raw, 3, 3, false, 20, 0, 9), topDown);
    EXPECT_EQ(Convert(raw, 3, 3, false, 16, 0, 9), bottomUp);
    Bytes wide = test::RawBytes(std::vector<int>(raw.begin(), raw.end()), true);
    for (auto [mode, expected] : {std::pair{16, topDown}, std::pair{20, bottomUp}}) {
        const Bytes out = Convert(wide, 3, 3, true, mode, 0, 18);
        Bytes low;
        for (int p = 0; p < 9; ++p) low.push_back(out[2 * p]);
        EXPECT_EQ(low, expected) << "16-bit mode " << mode;
    }
}

}  // namespace
}  // namespace qcx

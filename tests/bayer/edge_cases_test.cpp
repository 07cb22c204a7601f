// Hand-worked frames and the corner cases of the Bayer conversion: the
// smallest frame, row orders, the untouched fourth byte, modes that write
// nothing, the colour-ratio divisions by zero and the grey modes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bayer/frame_maker.h"
#include "camera/imaging/bayer_filter.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Convert(const Bytes& raw, int width, int height, bool sixteenBit, int bayerMode, int filterMode,
              std::uint8_t fill = 0xA5) {
    Bytes out(static_cast<std::size_t>(width) * height * 8, fill);
    CQCXBayerFilter filter;
    EXPECT_EQ(filter.ConvertRawToImage(raw.data(), width, height, out.data(), sixteenBit, bayerMode, filterMode), 1);
    return out;
}

// The first `count` bytes of a conversion.
Bytes Head(const Bytes& out, std::size_t count) { return Bytes(out.begin(), out.begin() + count); }

// BGGR 3 x 3:  B G B / G R G / B G B.
const Bytes kThreeByThree = {10, 25, 30, 43, 50, 61, 70, 85, 93};

// Mode 4 (BGGR, 24-bit, top-down), block rule everywhere, worked by hand.
const Bytes kThreeByThreeBlocks = {10, 25, 50, 10, 25, 50, 30, 25, 50,   // row 0 pairs with row 1
                                   70, 43, 50, 70, 43, 50, 93, 61, 50,   // row 1 pairs with row 2
                                   70, 85, 50, 70, 85, 50, 93, 85, 50};  // the last row pairs with row 1

Bytes WithCentre(Bytes image, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    image[12] = b;
    image[13] = g;
    image[14] = r;
    return image;
}

TEST(BayerSmallestFrameTest, BlockCopyAndGradientCorrectedUseTheBlockRuleEverywhere) {
    EXPECT_EQ(Head(Convert(kThreeByThree, 3, 3, false, 4, 0), 27), kThreeByThreeBlocks);
    // The 2-pixel ring of the gradient-corrected method covers the whole frame.
    EXPECT_EQ(Head(Convert(kThreeByThree, 3, 3, false, 4, 4), 27), kThreeByThreeBlocks);
}

TEST(BayerSmallestFrameTest, InterpolatingMethodsComputeOnlyTheCentre) {
    // Centre red site: green (25 + 85 + 43 + 61) >> 2 = 53, blue (10 + 30 + 70 + 93) >> 2 = 50.
    EXPECT_EQ(Head(Convert(kThreeByThree, 3, 3, false, 4, 1), 27), WithCentre(kThreeByThreeBlocks, 50, 53, 50));
    // Edge-directed: |43 - 61| < |25 - 85|, so green is (43 + 61) >> 1 = 52.
    EXPECT_EQ(Head(Convert(kThreeByThree, 3, 3, false, 4, 3), 27), WithCentre(kThreeByThreeBlocks, 50, 52, 50));
    // Colour ratio: 53 * 0.25 * (10/25 + 30/25 + 70/85 + 93/85) = 46.6, with the ring's greens.
    EXPECT_EQ(Head(Convert(kThreeByThree, 3, 3, false, 4, 2), 27), WithCentre(kThreeByThreeBlocks, 46, 53, 50));
}

TEST(BayerSmallestFrameTest, FramesBelowThreeByThreeAreLeftUntouched) {
    const Bytes raw(16, 77);
    for (auto [w, h] : {std::pair{2, 8}, std::pair{8, 2}, std::pair{0, 0}, std::pair{1, 1}}) {
        for (int mode : {0, 8, 16, 20}) {
            EXPECT_EQ(Convert(raw, w, h, false, mode, 1), Bytes(static_cast<std::size_t>(w) * h * 8, 0xA5));
        }
    }
}

TEST(BayerRowOrderTest, BottomUpPutsImageRowZeroLast) {
    // RGGB: row 0 alternates red 200 and green 100.
    const int w = 6, h = 4;
    Bytes raw = test::RawBytes(test::MakeSamples(w, h, false, test::Scene::kNoise, 5), false);
    for (int x = 0; x < w; ++x) raw[x] = x % 2 == 0 ? 200 : 100;
    for (int filterMode : {0, 1, 2, 3, 4}) {
        const Bytes out = Convert(raw, w, h, false, 2, filterMode);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* pixel = &out[((h - 1) * w + x) * 3];
            EXPECT_EQ(pixel[2], 200) << "filter mode " << filterMode << ", column " << x;
            EXPECT_EQ(pixel[1], 100) << "filter mode " << filterMode << ", column " << x;
        }
    }
}

// Rows of `image` (h rows of rowBytes) in reverse order.
Bytes Flipped(const Bytes& image, int h, std::size_t rowBytes) {
    Bytes flipped(image.size());
    for (int y = 0; y < h; ++y) std::memcpy(&flipped[y * rowBytes], &image[(h - 1 - y) * rowBytes], rowBytes);
    return flipped;
}

TEST(BayerRowOrderTest, ModesZeroAndFourDifferOnlyInRowOrder) {
    const int w = 9, h = 7;
    const Bytes raw = test::RawBytes(test::MakeSamples(w, h, false, test::Scene::kNoise, 6), false);
    for (int filterMode : {0, 1, 2, 3, 4}) {
        EXPECT_EQ(Head(Convert(raw, w, h, false, 0, filterMode), w * h * 3),
                  Flipped(Head(Convert(raw, w, h, false, 4, filterMode), w * h * 3), h, w * 3));
    }
}

TEST(BayerRowOrderTest, SixteenBitModeZeroIsTopDown) {
    const int w = 5, h = 4;
    Bytes raw = test::RawBytes(test::MakeSamples(w, h, true, test::Scene::kNoise, 7), true);
    // BGGR row 0: blue 0x1234 at even columns, green 0xBEEF at odd ones.
    for (int x = 0; x < w; ++x) {
        raw[2 * x] = x % 2 == 0 ? 0x34 : 0xEF;
        raw[2 * x + 1] = x % 2 == 0 ? 0x12 : 0xBE;
    }
    const Bytes modeZero = Convert(raw, w, h, true, 0, 1);
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(modeZero[x * 6] | modeZero[x * 6 + 1] << 8, 0x1234) << "column " << x;
        EXPECT_EQ(modeZero[x * 6 + 2] | modeZero[x * 6 + 3] << 8, 0xBEEF) << "column " << x;
    }
    EXPECT_EQ(Head(modeZero, w * h * 6), Flipped(Head(Convert(raw, w, h, true, 4, 1), w * h * 6), h, w * 6));
}

TEST(BayerOutputTest, FourthByteOfEveryPixelKeepsItsValue) {
    const int w = 70, h = 9;
    for (bool sixteenBit : {false, true}) {
        const Bytes raw = test::RawBytes(test::MakeSamples(w, h, sixteenBit, test::Scene::kNoise, 8), sixteenBit);
        const int sampleBytes = sixteenBit ? 2 : 1;
        for (int mode = 8; mode <= 15; ++mode) {
            for (int filterMode : {0, 1, 2, 3, 4}) {
                const Bytes out = Convert(raw, w, h, sixteenBit, mode, filterMode, 0x5A);
                int kept = 0;
                for (int p = 0; p < w * h; ++p) {
                    for (int b = 0; b < sampleBytes; ++b) kept += out[(p * 4 + 3) * sampleBytes + b] == 0x5A;
                }
                EXPECT_EQ(kept, w * h * sampleBytes) << "mode " << mode << ", filter mode " << filterMode;
            }
        }
    }
}

TEST(BayerOutputTest, ModesOutsideTheTableWriteNothingAndSucceed) {
    const int w = 8, h = 6;
    for (bool sixteenBit : {false, true}) {
        const Bytes raw = test::RawBytes(test::MakeSamples(w, h, sixteenBit, test::Scene::kNoise, 9), sixteenBit);
        for (int mode : {24, 25, 1000, -1, -24}) {
            EXPECT_EQ(Convert(raw, w, h, sixteenBit, mode, 1), Bytes(w * h * 8, 0xA5)) << "mode " << mode;
        }
    }
    EXPECT_EQ(GetOutputBitCount(1, 24), 24);
}

TEST(BayerOutputTest, UnknownFilterModesConvertAsBilinear) {
    const int w = 40, h = 11;
    const Bytes raw = test::RawBytes(test::MakeSamples(w, h, false, test::Scene::kNoise, 10), false);
    for (int mode : {1, 6, 11, 12}) {
        const Bytes bilinear = Convert(raw, w, h, false, mode, 1);
        for (int filterMode : {7, 5, -1, 1 << 30}) EXPECT_EQ(Convert(raw, w, h, false, mode, filterMode), bilinear);
    }
}

// RGGB 5 x 5, all zero except the green site (2, 1) and its two blue
// neighbours, whose greens, (site + 0 + 0 + 0) >> 2, are 0 for a site below 4.
Bytes ZeroGreenFrame(std::uint8_t site, std::uint8_t leftBlue, std::uint8_t rightBlue) {
    Bytes raw(25, 0);
    raw[5 + 2] = site;
    raw[5 + 1] = leftBlue;
    raw[5 + 3] = rightBlue;
    return raw;
}

std::uint8_t BlueAtTwoOne(const Bytes& raw) {
    const Bytes out = Convert(raw, 5, 5, false, 6, 2);  // RGGB, 24-bit, top-down
    return out[(5 + 2) * 3 + 0];
}

TEST(BayerColourRatioTest, SampleOverZeroGreenSaturates) { EXPECT_EQ(BlueAtTwoOne(ZeroGreenFrame(3, 9, 4)), 255); }

TEST(BayerColourRatioTest, ZeroOverZeroGreenGivesZero) {
    EXPECT_EQ(BlueAtTwoOne(ZeroGreenFrame(3, 0, 0)), 0);
    // Not a number spoils the whole sum: infinity plus 0 / 0 stores 0 too.
    EXPECT_EQ(BlueAtTwoOne(ZeroGreenFrame(3, 9, 0)), 0);
    // And so does an infinite ratio scaled by an own green of 0.
    EXPECT_EQ(BlueAtTwoOne(ZeroGreenFrame(0, 9, 4)), 0);
}

TEST(BayerColourRatioTest, RoundsToSinglePrecisionBeforeTruncating) {
    // RGGB 7 x 7 of 3s; the green site (2, 3) has blue neighbours 1 and 13
    // whose greens are 3: 3 * 0.5 * (1/3 + 13/3) is 6.9999999999999991 in
    // double, 7 in float.
    Bytes raw(49, 3);
    raw[3 * 7 + 1] = 1;
    raw[3 * 7 + 3] = 13;
    const Bytes out = Convert(raw, 7, 7, false, 6, 2);
    const std::uint8_t* pixel = &out[(3 * 7 + 2) * 3];
    EXPECT_EQ(pixel[0], 7);
    EXPECT_EQ(pixel[1], 3);
    EXPECT_EQ(pixel[2], 3);
}

TEST(BayerGreyTest, ConstantFrameIsConstantEverywhere) {
    const int w = 37, h = 5;
    for (bool sixteenBit : {false, true}) {
        const int v = sixteenBit ? 0xABCD : 0xC3;
        const Bytes raw = test::RawBytes(std::vector<int>(w * h, v), sixteenBit);
        for (int mode = 16; mode <= 23; ++mode) {
            const Bytes out = Convert(raw, w, h, sixteenBit, mode, 3);
            for (int p = 0; p < w * h; ++p) {
                const int got = sixteenBit ? out[2 * p] | out[2 * p + 1] << 8 : out[p];
                ASSERT_EQ(got, v) << "mode " << mode << ", pixel " << p;
            }
        }
    }
}

TEST(BayerGreyTest, LastColumnAndRowRepeatTheirNeighbours) {
    // 3 x 3, mode 20 (top-down): means of the blocks to the right and below.
    const Bytes raw = {0, 4, 8, 12, 16, 20, 24, 28, 40};
    const Bytes expected = {8, 12, 12, 20, 26, 26, 20, 26, 26};
    EXPECT_EQ(Head(Convert(raw, 3, 3, false, 20, 0), 9), expected);
    const Bytes bottomUp = {20, 26, 26, 20, 26, 26, 8, 12, 12};
    EXPECT_EQ(Head(Convert(raw, 3, 3, false, 16, 0), 9), bottomUp);
}

}  // namespace
}  // namespace qcx

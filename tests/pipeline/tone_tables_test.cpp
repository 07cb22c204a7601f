// Gamma, contrast and brightness: the tables by their shapes and by entries
// worked by hand, the setters' clamps and answers, and the pass over samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>

#include "camera/imaging/tone_tables.h"
#include "pipeline/test_bytes.h"

namespace qcx {
namespace {

using test::Bytes;

TEST(ToneTables, ShapesAndHandWorkedEntries) {
    EXPECT_EQ(std::tuple(BuildGammaTable(0), BuildContrastTable(128), BuildBrightnessTable(128)),
              std::tuple(IdentityTable(), IdentityTable(), IdentityTable()));
    // A higher gamma value brightens every entry.
    for (int value = -9; value < 9; ++value) {
        const ByteTable table = BuildGammaTable(value), brighter = BuildGammaTable(value + 1);
        for (int i = 0; i < 256; ++i) ASSERT_LE(table[i], brighter[i]) << value << " entry " << i;
    }
    // Value 5 is exponent 0.5: entry k = floor(sqrt(128 (2i + 1)) - 0.5), that
    // is (2k + 1)^2 < 512 (2i + 1) < (2k + 3)^2 in whole numbers.
    const ByteTable root = BuildGammaTable(5);
    for (int i = 0; i < 256; ++i) {
        const long k = root[i], n = 512L * (2 * i + 1);
        ASSERT_TRUE((2 * k + 1) * (2 * k + 1) < n && n < (2 * k + 3) * (2 * k + 3)) << "entry " << i << " is " << k;
    }
    // (255.5 / 256)^1.9 * 256 - 0.5 = 254.55; (0.5 / 256)^0.1 * 256 - 0.5 = 136.7.
    EXPECT_EQ(std::tuple(BuildGammaTable(-9)[0], BuildGammaTable(-9)[255], BuildGammaTable(9)[0]),
              std::tuple(0, 254, 136));

    // Contrast divides toward zero, so it is symmetric about 128 until it clamps.
    for (int stored : {1, 60, 127, 200}) {
        const ByteTable t = BuildContrastTable(stored);
        for (int k = 1; k < 128; ++k) {
            if (t[128 + k] < 255 && t[128 - k] > 0) {
                ASSERT_EQ(t[128 + k] + t[128 - k], 256) << stored << " " << k;
            }
        }
    }
    // Stored 0 is flat grey; (1 - 128) * 60 / 128 = -59.5 goes to -59; stored
    // 256 doubles the distance from 128. Brightness is a gain: black at 0,
    // double (up to 255) at 256; 255 * 96 / 128 = 191.25.
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(std::tuple(BuildContrastTable(0)[i], BuildContrastTable(256)[i], BuildBrightnessTable(0)[i],
                             BuildBrightnessTable(256)[i]),
                  std::tuple(128, std::clamp(2 * i - 128, 0, 255), 0, std::min(2 * i, 255)))
            << "entry " << i;
    }
    EXPECT_EQ(std::tuple(BuildContrastTable(60)[1], BuildBrightnessTable(96)[255]), std::tuple(69, 191));
}

TEST(AdjustmentSetters, GammaAndSaturationStoreTheirClampedValueAndTellAChange) {
    // Contrast and brightness answer through the C interface (settings tests).
    PipelineSettings s;
    EXPECT_EQ(SetGammaValue(s, 12), 1);
    EXPECT_EQ(std::tuple(s.gammaValue, s.gammaOn, s.gammaTable), std::tuple(9, true, BuildGammaTable(9)));
    EXPECT_EQ(SetGammaOn(s, false), 1);
    EXPECT_EQ(SetGammaValue(s, 9), 1);
    EXPECT_FALSE(s.gammaOn) << "the stored value again changes nothing";
    EXPECT_EQ(SetGammaValue(s, -40), 1);
    EXPECT_EQ(std::tuple(s.gammaValue, s.gammaOn, s.gammaTable), std::tuple(-9, true, BuildGammaTable(-9)));
    // Saturation: factor stored / 128, and a reset request only for a change.
    for (auto [value, exported, reset] : {std::tuple(64, 64, true), std::tuple(64, 64, false),
                                          std::tuple(-1000, -128, true), std::tuple(INT_MAX, 128, true)}) {
        s.saturationResetRequest = false;
        EXPECT_EQ(SetSaturation(s, value), 1);
        EXPECT_EQ(std::tuple(GetSaturation(s), s.saturationFactor, s.saturationResetRequest),
                  std::tuple(exported, (exported + 128) / 128.0f, reset))
            << value;
    }
}

TEST(GammaContrastBrightnessPass, EqualsTheStepsOneAfterTheOtherAndSkipsNeutralOnes) {
    const Bytes input = test::RandomBytes(37 * 23, 7);
    for (auto [gamma, contrast, brightness] : {std::tuple(-9, 60, -30), std::tuple(4, 0, 128), std::tuple(0, -50, 40)}) {
        PipelineSettings s;
        SetGammaValue(s, gamma);
        SetContrast(s, contrast);
        SetBrightness(s, brightness);
        Bytes expected = input, samples = input;
        for (auto& v : expected) v = s.brightnessTable[s.contrastTable[s.gammaTable[v]]];
        RunGammaContrastBrightness(samples.data(), 37, 23, s);
        EXPECT_EQ(samples, expected) << "gamma " << gamma << " contrast " << contrast << " brightness " << brightness;
    }
    // Gamma switched off, or on with value 0, skips even a curved table; only
    // width x height samples change.
    PipelineSettings off, zero, black;
    SetGammaValue(off, 5);
    SetGammaOn(off, false);
    zero.gammaOn = true;
    zero.gammaTable = BuildGammaTable(9);
    SetBrightness(black, -128);
    Bytes samples = input, expected = input;
    RunGammaContrastBrightness(samples.data(), 10, 10, off);
    RunGammaContrastBrightness(samples.data(), 10, 10, zero);
    RunGammaContrastBrightness(samples.data(), 5, 4, black);
    RunGammaContrastBrightness(samples.data() + 20, 0, 4, black);
    std::fill_n(expected.begin(), 20, 0);
    EXPECT_EQ(samples, expected);
}

}  // namespace
}  // namespace qcx

// Gamma, contrast and brightness tables, their setters and the combined pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "camera/imaging/tone_tables.h"

namespace qcx {
namespace {

// The exponents as the single-precision numbers nearest to 1.9, 1.8 ... 0.1.
constexpr float kExponents[19] = {1.9f, 1.8f, 1.7f, 1.6f, 1.5f, 1.4f, 1.3f, 1.2f, 1.1f, 1.0f,
                                  0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};

ByteTable ReferenceGammaTable(int value) {
    const float e = kExponents[value + 9];
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        const float t = static_cast<float>((0.5 + i) * 0.00390625);
        const float p = static_cast<float>(std::pow(static_cast<double>(t), static_cast<double>(e)));
        table[i] = static_cast<std::uint8_t>(static_cast<int>(p * 256.0 - 0.5));
    }
    return table;
}

std::vector<std::uint8_t> RandomSamples(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> samples(count);
    for (auto& sample : samples) sample = static_cast<std::uint8_t>(random() & 0xFF);
    return samples;
}

TEST(GammaTable, MatchesTheFormulaForEveryValue) {
    for (int value = -9; value <= 9; ++value) {
        EXPECT_EQ(BuildGammaTable(value), ReferenceGammaTable(value)) << "gamma value " << value;
    }
}

TEST(GammaTable, ValueZeroIsTheIdentityAndTheStrongestCurvesEnds) {
    EXPECT_EQ(BuildGammaTable(0), IdentityTable());
    const ByteTable darkest = BuildGammaTable(-9);
    EXPECT_EQ(darkest[0], 0);
    // Exponent 1.9 bends every sample below the identity, the top one too:
    // (255.5 / 256)^1.9 * 256 - 0.5 = 254.55.
    EXPECT_EQ(darkest[255], 254);
    const ByteTable brightest = BuildGammaTable(9);
    EXPECT_EQ(brightest[255], 255);
    EXPECT_GT(brightest[0], 100) << "exponent 0.1 lifts the shadows far up";
}

TEST(GammaSetter, ClampsStoresAndSwitchesOn) {
    PipelineSettings s;
    EXPECT_EQ(SetGammaValue(s, 12), 1);
    EXPECT_EQ(s.gammaValue, 9);
    EXPECT_TRUE(s.gammaOn);
    EXPECT_EQ(s.gammaTable, ReferenceGammaTable(9));

    EXPECT_EQ(SetGammaValue(s, -40), 1);
    EXPECT_EQ(s.gammaValue, -9);
    EXPECT_EQ(s.gammaTable, ReferenceGammaTable(-9));

    EXPECT_EQ(SetGammaValue(s, 0), 1);
    EXPECT_FALSE(s.gammaOn);
    EXPECT_EQ(s.gammaTable, IdentityTable());
}

TEST(GammaSetter, SameValueChangesNothingElse) {
    PipelineSettings s;
    SetGammaValue(s, 3);
    EXPECT_EQ(SetGammaOn(s, false), 1);
    // The stored value again: the flag stays off.
    EXPECT_EQ(SetGammaValue(s, 3), 1);
    EXPECT_FALSE(s.gammaOn);
    EXPECT_EQ(SetGammaValue(s, 4), 1);
    EXPECT_TRUE(s.gammaOn);
}

TEST(ContrastTable, MatchesTheFormulaForEveryStoredValue) {
    for (int c = 0; c <= 256; ++c) {
        const ByteTable table = BuildContrastTable(c);
        for (int i = 0; i < 256; ++i) {
            // Division toward zero written out by hand.
            const int product = (i - 128) * c;
            const int quotient = product >= 0 ? product / 128 : -((-product) / 128);
            const int expected = std::clamp(quotient + 128, 0, 255);
            ASSERT_EQ(table[i], expected) << "contrast " << c << " entry " << i;
        }
    }
}

TEST(ContrastTable, Extremes) {
    EXPECT_EQ(BuildContrastTable(128), IdentityTable());
    const ByteTable flat = BuildContrastTable(0);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](std::uint8_t v) { return v == 128; }));
    const ByteTable doubled = BuildContrastTable(256);
    EXPECT_EQ(doubled[0], 0);
    EXPECT_EQ(doubled[63], 0);
    EXPECT_EQ(doubled[64], 0);
    EXPECT_EQ(doubled[100], 72);
    EXPECT_EQ(doubled[128], 128);
    EXPECT_EQ(doubled[150], 172);
    EXPECT_EQ(doubled[191], 254);
    EXPECT_EQ(doubled[192], 255);
    EXPECT_EQ(doubled[255], 255);
}

TEST(BrightnessTable, MatchesTheFormulaForEveryStoredValue) {
    for (int b = 0; b <= 256; ++b) {
        const ByteTable table = BuildBrightnessTable(b);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(table[i], std::min(i * b / 128, 255)) << "brightness " << b << " entry " << i;
        }
    }
    const ByteTable black = BuildBrightnessTable(0);
    EXPECT_TRUE(std::all_of(black.begin(), black.end(), [](std::uint8_t v) { return v == 0; }));
    const ByteTable doubled = BuildBrightnessTable(256);
    EXPECT_EQ(doubled[127], 254);
    EXPECT_EQ(doubled[128], 255);
}

TEST(ContrastAndBrightnessSetters, StoreWithOffsetClampAndRefuseTheSameValue) {
    PipelineSettings s;
    EXPECT_EQ(GetContrast(s), 0);
    EXPECT_EQ(SetContrast(s, 0), -8) << "neutral is already stored";
    EXPECT_EQ(SetContrast(s, -128), 1);
    EXPECT_EQ(s.contrast, 0);
    EXPECT_EQ(s.contrastTable, BuildContrastTable(0));
    EXPECT_EQ(SetContrast(s, 500), 1);
    EXPECT_EQ(GetContrast(s), 128);
    EXPECT_EQ(s.contrast, 256);
    EXPECT_EQ(SetContrast(s, 129), -8) << "clamps onto the stored value";
    EXPECT_EQ(SetContrast(s, INT32_MIN), 1);
    EXPECT_EQ(GetContrast(s), -128);

    EXPECT_EQ(SetBrightness(s, 20), 1);
    EXPECT_EQ(SetBrightness(s, 20), -8);
    EXPECT_EQ(GetBrightness(s), 20);
    EXPECT_EQ(s.brightnessTable, BuildBrightnessTable(148));
    EXPECT_EQ(SetBrightness(s, INT32_MAX), 1);
    EXPECT_EQ(s.brightness, 256);
}

TEST(ContrastAndBrightnessSetters, RefusedValueLeavesTheTableAlone) {
    PipelineSettings s;
    SetBrightness(s, 10);
    s.brightnessTable[5] = 99;  // a rebuild would undo this
    EXPECT_EQ(SetBrightness(s, 10), -8);
    EXPECT_EQ(s.brightnessTable[5], 99);
}

TEST(SaturationSetter, StoresFactorAndAsksForACacheReset) {
    PipelineSettings s;
    EXPECT_EQ(GetSaturation(s), 0);
    EXPECT_EQ(SetSaturation(s, 0), 1);
    EXPECT_FALSE(s.saturationResetRequest) << "the stored value again changes nothing";
    EXPECT_EQ(SetSaturation(s, 64), 1);
    EXPECT_EQ(s.saturation, 192);
    EXPECT_EQ(s.saturationFactor, 1.5f);
    EXPECT_TRUE(s.saturationResetRequest);
    EXPECT_EQ(SetSaturation(s, -1000), 1);
    EXPECT_EQ(GetSaturation(s), -128);
    EXPECT_EQ(s.saturationFactor, 0.0f);
    EXPECT_EQ(SetSaturation(s, 1000), 1);
    EXPECT_EQ(s.saturationFactor, 2.0f);
}

// The three steps one after the other, each through its own table.
std::vector<std::uint8_t> ApplyStepByStep(std::vector<std::uint8_t> samples, const PipelineSettings& s) {
    for (auto& v : samples) {
        if (s.gammaOn && s.gammaValue != 0) v = s.gammaTable[v];
        if (s.contrast != 128) v = s.contrastTable[v];
        if (s.brightness != 128) v = s.brightnessTable[v];
    }
    return samples;
}

TEST(GammaContrastBrightnessPass, EqualsTheStepsOneAfterTheOther) {
    const std::vector<std::uint8_t> input = RandomSamples(37 * 23, 7);
    for (int gamma : {0, -9, 4}) {
        for (int contrast : {0, 60, -128}) {
            for (int brightness : {0, -30, 128}) {
                PipelineSettings s;
                SetGammaValue(s, gamma);
                SetContrast(s, contrast);
                SetBrightness(s, brightness);
                std::vector<std::uint8_t> samples = input;
                RunGammaContrastBrightness(samples.data(), 37, 23, s);
                EXPECT_EQ(samples, ApplyStepByStep(input, s))
                    << "gamma " << gamma << " contrast " << contrast << " brightness " << brightness;
            }
        }
    }
}

TEST(GammaContrastBrightnessPass, GammaIsSkippedWhenOffOrZero) {
    const std::vector<std::uint8_t> input = RandomSamples(64, 3);
    PipelineSettings s;
    SetGammaValue(s, 5);
    SetGammaOn(s, false);
    std::vector<std::uint8_t> samples = input;
    RunGammaContrastBrightness(samples.data(), 8, 8, s);
    EXPECT_EQ(samples, input);

    // Gamma on with value 0: unchanged even if the table were not identity.
    PipelineSettings zero;
    zero.gammaOn = true;
    zero.gammaTable = BuildGammaTable(9);
    RunGammaContrastBrightness(samples.data(), 8, 8, zero);
    EXPECT_EQ(samples, input);
}

TEST(GammaContrastBrightnessPass, ExtremesGiveFlatFrames) {
    PipelineSettings s;
    SetBrightness(s, -128);
    std::vector<std::uint8_t> samples = RandomSamples(100, 11);
    RunGammaContrastBrightness(samples.data(), 10, 10, s);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::uint8_t v) { return v == 0; }));

    PipelineSettings grey;
    SetContrast(grey, -128);
    samples = RandomSamples(100, 12);
    RunGammaContrastBrightness(samples.data(), 10, 10, grey);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::uint8_t v) { return v == 128; }));
}

TEST(GammaContrastBrightnessPass, TouchesOnlyWidthTimesHeightSamples) {
    PipelineSettings s;
    SetBrightness(s, -128);
    std::vector<std::uint8_t> samples(30, 77);
    RunGammaContrastBrightness(samples.data(), 5, 4, s);
    EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), 20);
    EXPECT_EQ(samples[20], 77);
    RunGammaContrastBrightness(samples.data(), 0, 4, s);  // nothing to do
    EXPECT_EQ(samples[25], 77);
}

}  // namespace
}  // namespace qcx

// Gamma, contrast and brightness tables, the adjustment setters and the
// combined pass over raw samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

#include "camera/imaging/tone_tables.h"
#include "pipeline/test_bytes.h"

namespace qcx {
namespace {

using test::Bytes;

ByteTable ReferenceGammaTable(int value) {
    // The exponents as the single-precision numbers nearest to 1.9, 1.8 ... 0.1.
    constexpr float kExponents[19] = {1.9f, 1.8f, 1.7f, 1.6f, 1.5f, 1.4f, 1.3f, 1.2f, 1.1f, 1.0f,
                                      0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        const float t = static_cast<float>((0.5 + i) * 0.00390625);
        const float p = static_cast<float>(std::pow(double{t}, double{kExponents[value + 9]}));
        table[i] = static_cast<std::uint8_t>(static_cast<int>(p * 256.0 - 0.5));
    }
    return table;
}

TEST(ToneTables, MatchTheirFormulasForEveryValue) {
    for (int value = -9; value <= 9; ++value) EXPECT_EQ(BuildGammaTable(value), ReferenceGammaTable(value)) << value;
    for (int stored = 0; stored <= 256; ++stored) {
        const ByteTable contrast = BuildContrastTable(stored);
        const ByteTable brightness = BuildBrightnessTable(stored);
        for (int i = 0; i < 256; ++i) {
            const int product = (i - 128) * stored;  // divided toward zero by hand
            const int quotient = product >= 0 ? product / 128 : -((-product) / 128);
            ASSERT_EQ(contrast[i], std::clamp(quotient + 128, 0, 255)) << "contrast " << stored << " entry " << i;
            ASSERT_EQ(brightness[i], std::min(i * stored / 128, 255)) << "brightness " << stored << " entry " << i;
        }
    }
    // By hand: (255.5 / 256)^1.9 * 256 - 0.5 = 254.55, so exponent 1.9 bends
    // even the top sample below 255; (1 - 128) * 60 / 128 = -59.5 goes to -59.
    EXPECT_EQ(std::tuple(BuildGammaTable(-9)[0], BuildGammaTable(-9)[255], BuildGammaTable(9)[0]),
              std::tuple(0, 254, 136));
    EXPECT_EQ(std::tuple(BuildContrastTable(60)[1], BuildContrastTable(256)[191], BuildBrightnessTable(256)[128]),
              std::tuple(69, 254, 255));
}

TEST(PipelineSettings, StartValues) {
    const PipelineSettings s;
    EXPECT_EQ(std::tuple(GetContrast(s), GetBrightness(s), GetSaturation(s), s.gammaValue, s.gammaOn),
              std::tuple(0, 0, 0, 0, false));
    EXPECT_EQ(std::tuple(s.badPixelCorrectionOn, s.badPixelMode, s.badPixelThreshold1, s.badPixelThreshold2),
              std::tuple(true, 1, 20, 50));
    EXPECT_FALSE(s.mapTableOn);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(s.mapTable[i], i >> 4) << "map entry " << i;
}

TEST(AdjustmentSetters, ClampStoreAndTellAChange) {
    PipelineSettings s;
    EXPECT_EQ(SetGammaValue(s, 12), 1);
    EXPECT_EQ(std::tuple(s.gammaValue, s.gammaOn), std::tuple(9, true));
    EXPECT_EQ(s.gammaTable, ReferenceGammaTable(9));
    EXPECT_EQ(SetGammaValue(s, -40), 1);
    EXPECT_EQ(s.gammaValue, -9);
    EXPECT_EQ(s.gammaTable, ReferenceGammaTable(-9));
    EXPECT_EQ(SetGammaOn(s, false), 1);
    EXPECT_EQ(SetGammaValue(s, -9), 1);
    EXPECT_FALSE(s.gammaOn) << "the stored value again changes nothing";
    EXPECT_EQ(SetGammaValue(s, 0), 1);
    EXPECT_EQ(std::tuple(s.gammaOn, s.gammaTable), std::tuple(false, IdentityTable()));

    // Contrast, brightness and saturation store the exported value + 128,
    // clamped; the stored value again is -8 (1 for saturation) and rebuilds
    // nothing.
    struct Step {
        char what;
        int value, status, stored;
    };
    const Step steps[] = {{'c', 0, -8, 128},      {'c', -128, 1, 0}, {'c', 500, 1, 256}, {'c', 129, -8, 256},
                          {'c', INT32_MIN, 1, 0}, {'b', 20, 1, 148}, {'b', 20, -8, 148}, {'b', INT32_MAX, 1, 256},
                          {'s', 0, 1, 128},       {'s', 64, 1, 192}, {'s', -1000, 1, 0}, {'s', 1000, 1, 256}};
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.what << " " << step.value);
        const bool contrast = step.what == 'c', brightness = step.what == 'b';
        int& stored = contrast ? s.contrast : brightness ? s.brightness : s.saturation;
        ByteTable& table = contrast ? s.contrastTable : s.brightnessTable;
        const bool change = stored != step.stored;
        table[5] = 99;  // a rebuild undoes this
        s.saturationResetRequest = false;
        const int status = contrast     ? SetContrast(s, step.value)
                           : brightness ? SetBrightness(s, step.value)
                                        : SetSaturation(s, step.value);
        const int exported = contrast ? GetContrast(s) : brightness ? GetBrightness(s) : GetSaturation(s);
        EXPECT_EQ(std::tuple(status, stored, exported), std::tuple(step.status, step.stored, step.stored - 128));
        if (!contrast && !brightness) {
            EXPECT_EQ(std::tuple(s.saturationFactor, s.saturationResetRequest),
                      std::tuple(step.stored / 128.0f, change));
        } else if (change) {
            EXPECT_EQ(table, contrast ? BuildContrastTable(step.stored) : BuildBrightnessTable(step.stored));
        } else {
            EXPECT_EQ(table[5], 99);
        }
    }
}

TEST(GammaContrastBrightnessPass, EqualsTheStepsOneAfterTheOther) {
    const Bytes input = test::RandomBytes(37 * 23, 7);
    for (int gamma : {0, -9, 4}) {
        for (int contrast : {0, 60, -128}) {
            for (int brightness : {0, -30, 128}) {
                PipelineSettings s;
                SetGammaValue(s, gamma);
                SetContrast(s, contrast);
                SetBrightness(s, brightness);
                Bytes expected = input;
                for (auto& v : expected) {
                    if (gamma != 0) v = s.gammaTable[v];
                    if (contrast != 0) v = s.contrastTable[v];
                    if (brightness != 0) v = s.brightnessTable[v];
                }
                Bytes samples = input;
                RunGammaContrastBrightness(samples.data(), 37, 23, s);
                EXPECT_EQ(samples, expected)
                    << "gamma " << gamma << " contrast " << contrast << " brightness " << brightness;
            }
        }
    }
}

TEST(GammaContrastBrightnessPass, SkippedStepsFlatExtremesAndFrameSize) {
    const Bytes input = test::RandomBytes(100, 3);
    PipelineSettings off, zero, grey, black;
    SetGammaValue(off, 5);
    SetGammaOn(off, false);
    zero.gammaOn = true;  // gamma on with value 0, even with a curved table
    zero.gammaTable = BuildGammaTable(9);
    SetContrast(grey, -128);
    SetBrightness(black, -128);
    Bytes samples = input;
    RunGammaContrastBrightness(samples.data(), 10, 10, off);
    RunGammaContrastBrightness(samples.data(), 10, 10, zero);
    EXPECT_EQ(samples, input);
    RunGammaContrastBrightness(samples.data(), 10, 10, grey);
    EXPECT_EQ(samples, Bytes(100, 128));
    samples = input;
    RunGammaContrastBrightness(samples.data(), 5, 4, black);  // 20 of the 100 samples
    RunGammaContrastBrightness(samples.data() + 20, 0, 4, black);
    Bytes expected = input;
    std::fill_n(expected.begin(), 20, 0);
    EXPECT_EQ(samples, expected);
}

}  // namespace
}  // namespace qcx

// Gamma, contrast and brightness tables and their pass over samples; the
// saturation step against a double-precision hexcone model, and its cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t count, std::mt19937 random) {
    Bytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

TEST(ToneTables, ShapesAndHandWorkedEntries) {
    EXPECT_EQ(std::tuple(BuildGammaTable(0), BuildContrastTable(128), BuildBrightnessTable(128)),
              std::tuple(IdentityTable(), IdentityTable(), IdentityTable()));
    // Value 5 is exponent 0.5: entry k = floor(sqrt(128 (2i + 1)) - 0.5), that
    // is (2k + 1)^2 < 512 (2i + 1) < (2k + 3)^2 in whole numbers.
    const ByteTable root = BuildGammaTable(5);
    for (int i = 0; i < 256; ++i) {
        const long k = root[i], n = 512L * (2 * i + 1);
        ASSERT_TRUE((2 * k + 1) * (2 * k + 1) < n && n < (2 * k + 3) * (2 * k + 3)) << "entry " << i << " is " << k;
    }
    // (255.5 / 256)^1.9 * 256 - 0.5 = 254.55; (0.5 / 256)^0.1 * 256 - 0.5 = 136.7;
    // (1 - 128) * 60 / 128 = -59.5 goes to -59; 255 * 96 / 128 = 191.25.
    EXPECT_EQ(std::tuple(BuildGammaTable(-9)[0], BuildGammaTable(-9)[255], BuildGammaTable(9)[0],
                         BuildContrastTable(60)[1], BuildBrightnessTable(96)[255]),
              std::tuple(0, 254, 136, 69, 191));
    // Stored contrast 0 is flat grey, 256 doubles the distance from 128.
    // Brightness is a gain: black at 0, double (up to 255) at 256.
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(std::tuple(BuildContrastTable(0)[i], BuildContrastTable(256)[i], BuildBrightnessTable(0)[i],
                             BuildBrightnessTable(256)[i]),
                  std::tuple(128, std::clamp(2 * i - 128, 0, 255), 0, std::min(2 * i, 255)))
            << "entry " << i;
    }
}

TEST(GammaContrastBrightnessPass, EqualsTheStepsOneAfterTheOtherOverWidthTimesHeightSamples) {
    Bytes samples = RandomBytes(37 * 23, std::mt19937(7)), expected = samples;
    PipelineSettings s, off, black;
    SetGammaValue(s, -9), SetContrast(s, 60), SetBrightness(s, -30);
    SetGammaValue(off, 5), SetGammaOn(off, false), SetGammaValue(off, 5), SetBrightness(black, -128);
    RunGammaContrastBrightness(samples.data(), 37, 23, off);  // setting the value again leaves gamma off
    RunGammaContrastBrightness(samples.data(), 5, 4, black);
    RunGammaContrastBrightness(samples.data() + 20, 0, 4, black);
    std::fill_n(expected.begin(), 20, 0);
    EXPECT_EQ(samples, expected);
    for (auto& v : expected) v = s.brightnessTable[s.contrastTable[s.gammaTable[v]]];
    RunGammaContrastBrightness(samples.data(), 37, 23, s);
    EXPECT_EQ(samples, expected);
}

// Every pixel within 1 (single against double precision) of the colour with
// its saturation times `factor`, by chroma C = (1 - |2L - 1|) S, hue sextant
// and X = C (1 - |H mod 2 - 1|); a fourth byte stays.
void ExpectModel(const Bytes& before, const Bytes& after, int pixelSize, double factor) {
    for (std::size_t i = 0; i < before.size(); i += pixelSize) {
        const double b = before[i] / 255.0, g = before[i + 1] / 255.0, r = before[i + 2] / 255.0;
        const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), light = (mx + mn) / 2, chroma = mx - mn;
        const double hue = chroma == 0 ? 0
                           : mx == r   ? std::fmod((g - b) / chroma + 6, 6)
                           : mx == g   ? (b - r) / chroma + 2
                                       : (r - g) / chroma + 4;
        const double c = chroma * factor, x = c * (1 - std::fabs(std::fmod(hue, 2) - 1)), m = light - c / 2;
        const double rgb[6][3] = {{c, x, 0}, {x, c, 0}, {0, c, x}, {0, x, c}, {x, 0, c}, {c, 0, x}};
        const double* v = rgb[std::min(static_cast<int>(hue), 5)];
        for (int k = 0; k < 3; ++k) {
            const int want = c == 0 ? int(light * 255) : int(std::clamp((v[2 - k] + m) * 255 + 0.5, 0.0, 255.0));
            ASSERT_LE(std::abs(after[i + k] - want), 1) << "byte " << k << " of pixel " << i / pixelSize;
        }
        ASSERT_TRUE(pixelSize == 3 || after[i + 3] == before[i + 3]) << "fourth byte of pixel " << i / 4;
    }
}

TEST(SaturationStep, EveryColourKeepsHueAndLightnessWithItsSaturationScaled) {
    std::vector<Bytes> images;
    for (int pixelSize : {3, 4}) {
        images.push_back(RandomBytes(std::size_t{160} * 120 * pixelSize, std::mt19937(pixelSize)));
        for (int v = 0; v < 256; ++v) std::fill_n(images.back().begin() + v * pixelSize, 3, v);  // greys first
    }
    for (int saturation : {-64, -1, 50, INT_MAX}) {
        PipelineSettings s;  // one cache for both pixel sizes
        SetSaturation(s, saturation);
        for (const Bytes& before : images) {
            const int pixelSize = static_cast<int>(before.size() / (160 * 120));
            SCOPED_TRACE(testing::Message() << pixelSize * 8 << "-bit, saturation " << saturation);
            Bytes image = before;
            AdjustSaturation(image.data(), 160, 120, pixelSize * 8, s);
            ExpectModel(before, image, pixelSize, (std::min(saturation, 128) + 128) / 128.0);
            for (int v = 0; v < 256; ++v)
                ASSERT_EQ(Bytes(&image[v * pixelSize], &image[v * pixelSize + 3]), Bytes(3, v)) << "grey " << v;
        }
    }
    // The lowest saturation (and any value below it) greys every colour to
    // L x 255 truncated: pure red has lightness 0.5 and gives 127, not the
    // rounded 128; (10, 20, 201) 105.
    PipelineSettings s;
    SetSaturation(s, INT_MIN);
    Bytes image = {0, 0, 255, 10, 20, 201};
    AdjustSaturation(image.data(), 2, 1, 24, s);
    EXPECT_EQ(image, (Bytes{127, 127, 127, 105, 105, 105}));
}

TEST(SaturationCache, LivesFromTheFirstColourFrameToTheFirstNeutralOneAndIsReadUntilAChange) {
    PipelineSettings s;
    const Bytes colour = {40, 90, 160};
    auto run = [&](int bitCount = 24) {
        Bytes pixel = colour;
        return AdjustSaturation(pixel.data(), 1, 1, bitCount, s), pixel;
    };
    SetSaturation(s, 30);
    EXPECT_EQ(run(8), colour) << "grey images are left alone";
    EXPECT_FALSE(s.saturationCache.Exists()) << "no 96 MiB for a frame that cannot use it";
    FailNextSaturationCacheAllocation();
    EXPECT_EQ(run(), colour) << "no memory: the frame is skipped";
    const Bytes first = run();
    ASSERT_TRUE(s.saturationCache.Exists()) << "and tried again with the next one";
    EXPECT_FALSE(PipelineSettings(s).saturationCache.Exists()) << "copies never share or duplicate the cache";
    // The cache holds blue, green and red for each colour, indexed by its bytes.
    std::uint16_t* entry = s.saturationCache.entries.get() + 3 * ((40 << 16) | (90 << 8) | 160);
    EXPECT_EQ(Bytes(entry, entry + 3), first);
    // A planted entry shows that later frames read the cache, also after the
    // stored value is set again.
    entry[0] = 1, entry[1] = 2, entry[2] = 3;
    SetSaturation(s, 30);
    EXPECT_EQ(run(), (Bytes{1, 2, 3}));
    // A change resets every entry; neutral releases it
    // with the next frame, not in the setter.
    SetSaturation(s, -30);
    ExpectModel(colour, run(), 3, 98 / 128.0);
    SetSaturation(s, 0);
    EXPECT_TRUE(s.saturationCache.Exists());
    EXPECT_EQ(run(), colour);
    EXPECT_FALSE(s.saturationCache.Exists());
}

}  // namespace
}  // namespace qcx

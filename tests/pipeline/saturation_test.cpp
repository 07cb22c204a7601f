// The saturation step: HSL round trip per colour, its cache, and its rules
// for neutral settings, resets and memory shortage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"

namespace qcx {
namespace {

using Bgr = std::array<std::uint8_t, 3>;

float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

std::uint8_t ByteOf(float value) {
    float v = value * 255.0f + 0.5f;
    if (v < 0.0f) v = 0.0f;
    if (v > 255.0f) v = 255.0f;
    return static_cast<std::uint8_t>(v);
}

float Channel(float p, float q, float t) {
    if (t < 0.0f) t = t + 1.0f;
    if (t > 1.0f) t = t - 1.0f;
    if (6.0f * t < 1.0f) return p + (q - p) * 6.0f * t;
    if (2.0f * t < 1.0f) return q;
    if (3.0f * t < 2.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
    return p;
}

// The colour through HSL with its saturation times `factor` and back, every
// intermediate in single precision.
Bgr Reference(Bgr in, float factor) {
    const float b = in[0] / 255.0f;
    const float g = in[1] / 255.0f;
    const float r = in[2] / 255.0f;
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float l = (mx + mn) / 2.0f;
    float h = 0.0f;
    float s = 0.0f;
    if (mx != mn) {
        const float d = mx - mn;
        if (l <= 0.5f) {
            s = d / (mx + mn);
        } else {
            s = d / (2.0f - mx - mn);
        }
        if (r == mx) {
            h = 60.0f * (g - b) / d;
            if (g < b) h = h + 360.0f;
        } else if (g == mx) {
            h = 60.0f * (b - r) / d + 120.0f;
        } else {
            h = 60.0f * (r - g) / d + 240.0f;
        }
    }
    h = std::min(std::max(h, 0.0f), 360.0f);
    s = Clamp01(s);
    const float lc = Clamp01(l);
    const float s2 = s * factor;
    if (s2 == 0.0f) {
        float grey = lc * 255.0f;
        grey = std::min(std::max(grey, 0.0f), 255.0f);
        const auto v = static_cast<std::uint8_t>(grey);
        return {v, v, v};
    }
    float q;
    if (lc < 0.5f) {
        q = lc * (1.0f + s2);
    } else {
        q = lc + s2 - lc * s2;
    }
    const float p = 2.0f * lc - q;
    const float hn = h / 360.0f;
    return {ByteOf(Channel(p, q, hn - 1.0f / 3.0f)), ByteOf(Channel(p, q, hn)),
            ByteOf(Channel(p, q, hn + 1.0f / 3.0f))};
}

std::vector<std::uint8_t> RandomImage(int pixels, int pixelSize, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(pixels) * pixelSize);
    for (auto& byte : image) byte = static_cast<std::uint8_t>(random() & 0xFF);
    return image;
}

// Every pixel against the reference; the fourth byte of 32-bit pixels must
// keep its value.
void ExpectAdjusted(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                    int pixelSize, float factor) {
    ASSERT_EQ(before.size(), after.size());
    int mismatches = 0;
    for (std::size_t i = 0; i + pixelSize <= before.size(); i += pixelSize) {
        const Bgr expected = Reference({before[i], before[i + 1], before[i + 2]}, factor);
        const Bgr actual = {after[i], after[i + 1], after[i + 2]};
        if (actual != expected && ++mismatches <= 5) {
            ADD_FAILURE() << "pixel " << i / pixelSize << " (" << int(before[i]) << "," << int(before[i + 1])
                          << "," << int(before[i + 2]) << ") gave (" << int(actual[0]) << "," << int(actual[1])
                          << "," << int(actual[2]) << ") instead of (" << int(expected[0]) << ","
                          << int(expected[1]) << "," << int(expected[2]) << ")";
        }
        if (pixelSize == 4) {
            ASSERT_EQ(after[i + 3], before[i + 3]) << "fourth byte of pixel " << i / 4;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

const std::uint16_t* EntryOf(const PipelineSettings& s, Bgr colour) {
    const std::size_t index = (std::size_t{colour[0]} << 16) | (std::size_t{colour[1]} << 8) | colour[2];
    return s.saturationCache.entries.get() + 3 * index;
}

TEST(SaturationRoundTrip, RandomImagesMatchTheReference24Bit) {
    for (int saturation : {-128, -77, -1, 1, 50, 128}) {
        PipelineSettings s;
        SetSaturation(s, saturation);
        const std::vector<std::uint8_t> before = RandomImage(320 * 240, 3, 100 + saturation);
        std::vector<std::uint8_t> image = before;
        AdjustSaturation(image.data(), 320, 240, 24, s);
        SCOPED_TRACE(saturation);
        ExpectAdjusted(before, image, 3, s.saturationFactor);
    }
}

TEST(SaturationRoundTrip, RandomImagesMatchTheReference32BitAndKeepTheFourthByte) {
    PipelineSettings s;
    SetSaturation(s, 90);
    const std::vector<std::uint8_t> before = RandomImage(200 * 150, 4, 5);
    std::vector<std::uint8_t> image = before;
    AdjustSaturation(image.data(), 200, 150, 32, s);
    ExpectAdjusted(before, image, 4, s.saturationFactor);
    // A real change happened: most random colours move.
    int changed = 0;
    for (std::size_t i = 0; i < image.size(); i += 4) changed += !std::equal(&image[i], &image[i + 3], &before[i]);
    EXPECT_GT(changed, 200 * 150 / 2);
}

// All grey levels, and the whole rim of the colour wheel (one channel 0, one
// 255, the third anything).
std::vector<std::uint8_t> GreyAndSaturatedColours() {
    std::vector<std::uint8_t> image;
    for (int v = 0; v < 256; ++v) image.insert(image.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
    for (int v = 0; v < 256; ++v) {
        const auto x = static_cast<std::uint8_t>(v);
        for (Bgr c : {Bgr{0, x, 255}, Bgr{0, 255, x}, Bgr{x, 0, 255}, Bgr{255, 0, x}, Bgr{x, 255, 0},
                      Bgr{255, x, 0}}) {
            image.insert(image.end(), c.begin(), c.end());
        }
    }
    return image;
}

TEST(SaturationRoundTrip, GreysAndFullySaturatedColours) {
    const std::vector<std::uint8_t> before = GreyAndSaturatedColours();
    const int pixels = static_cast<int>(before.size() / 3);
    for (int saturation : {-128, -64, 64, 128}) {
        PipelineSettings s;
        SetSaturation(s, saturation);
        std::vector<std::uint8_t> image = before;
        AdjustSaturation(image.data(), pixels, 1, 24, s);
        SCOPED_TRACE(saturation);
        ExpectAdjusted(before, image, 3, s.saturationFactor);
        // Greys have no saturation to scale: they come back as they were.
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 3 * 256, before.begin()));
    }
}

TEST(SaturationRoundTrip, LowestSaturationGivesTruncatedLightness) {
    PipelineSettings s;
    SetSaturation(s, -128);
    const std::vector<std::uint8_t> before = RandomImage(5000, 3, 9);
    std::vector<std::uint8_t> image = before;
    AdjustSaturation(image.data(), 100, 50, 24, s);
    for (std::size_t i = 0; i < image.size(); i += 3) {
        const float mx = std::max({before[i], before[i + 1], before[i + 2]}) / 255.0f;
        const float mn = std::min({before[i], before[i + 1], before[i + 2]}) / 255.0f;
        const auto grey = static_cast<std::uint8_t>((mx + mn) / 2.0f * 255.0f);
        ASSERT_EQ(image[i], grey) << "pixel " << i / 3;
        ASSERT_EQ(image[i + 1], grey);
        ASSERT_EQ(image[i + 2], grey);
    }
    // Pure red: lightness 0.5 gives 127, not the rounded 128.
    std::vector<std::uint8_t> red = {0, 0, 255};
    AdjustSaturation(red.data(), 1, 1, 24, s);
    EXPECT_EQ(red, (std::vector<std::uint8_t>{127, 127, 127}));
}

TEST(SaturationCacheRules, NeutralLeavesFramesAndReleasesTheCache) {
    PipelineSettings s;
    const std::vector<std::uint8_t> before = RandomImage(64, 3, 1);
    std::vector<std::uint8_t> image = before;
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists());

    SetSaturation(s, 40);
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_TRUE(s.saturationCache.Exists());
    EXPECT_NE(image, before);

    image = before;
    SetSaturation(s, 0);
    EXPECT_TRUE(s.saturationCache.Exists()) << "released by the next frame, not by the setter";
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists());
}

TEST(SaturationCacheRules, NewCacheHoldsOnlyTheColoursSeen) {
    PipelineSettings s;
    SetSaturation(s, 30);
    std::vector<std::uint8_t> image = {10, 20, 200, 10, 20, 200};
    AdjustSaturation(image.data(), 2, 1, 24, s);
    const std::uint16_t* seen = EntryOf(s, {10, 20, 200});
    EXPECT_EQ(seen[0], image[0]);
    EXPECT_EQ(seen[1], image[1]);
    EXPECT_EQ(seen[2], image[2]);
    const std::uint16_t* unseen = EntryOf(s, {200, 20, 10});
    EXPECT_EQ(unseen[0], 0xFFFF);
    EXPECT_EQ(unseen[1], 0xFFFF);
    EXPECT_EQ(unseen[2], 0xFFFF);
}

TEST(SaturationCacheRules, EntriesAreReusedUntilTheSaturationChanges) {
    PipelineSettings s;
    SetSaturation(s, 30);
    const std::vector<std::uint8_t> colour = {40, 90, 160};
    std::vector<std::uint8_t> image = colour;
    AdjustSaturation(image.data(), 1, 1, 24, s);
    const std::uint16_t* const cacheBefore = s.saturationCache.entries.get();

    // A planted entry shows that the next frame reads the cache.
    std::uint16_t* entry = const_cast<std::uint16_t*>(EntryOf(s, {40, 90, 160}));
    entry[0] = 1;
    entry[1] = 2;
    entry[2] = 3;
    image = colour;
    AdjustSaturation(image.data(), 1, 1, 24, s);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{1, 2, 3}));

    // Setting the stored value again is no change: the entry survives.
    SetSaturation(s, 30);
    image = colour;
    AdjustSaturation(image.data(), 1, 1, 24, s);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{1, 2, 3}));

    // A partly invalid entry is computed afresh.
    entry[1] = 0xFFFF;
    image = colour;
    AdjustSaturation(image.data(), 1, 1, 24, s);
    const Bgr at30 = Reference({40, 90, 160}, s.saturationFactor);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{at30[0], at30[1], at30[2]}));

    // A change resets every entry (the cache itself is kept).
    entry[0] = 1;
    entry[1] = 2;
    entry[2] = 3;
    SetSaturation(s, -30);
    EXPECT_TRUE(s.saturationResetRequest);
    image = colour;
    AdjustSaturation(image.data(), 1, 1, 24, s);
    EXPECT_FALSE(s.saturationResetRequest);
    EXPECT_EQ(s.saturationCache.entries.get(), cacheBefore);
    const Bgr expected = Reference({40, 90, 160}, s.saturationFactor);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{expected[0], expected[1], expected[2]}));
    EXPECT_EQ(EntryOf(s, {1, 2, 3})[0], 0xFFFF) << "entries of other colours were reset too";
}

TEST(SaturationCacheRules, MissingMemorySkipsOneFrame) {
    PipelineSettings s;
    SetSaturation(s, 60);
    const std::vector<std::uint8_t> before = RandomImage(100, 3, 4);
    std::vector<std::uint8_t> image = before;
    FailNextSaturationCacheAllocation();
    AdjustSaturation(image.data(), 10, 10, 24, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists());

    AdjustSaturation(image.data(), 10, 10, 24, s);
    EXPECT_TRUE(s.saturationCache.Exists());
    ExpectAdjusted(before, image, 3, s.saturationFactor);
}

TEST(SaturationCacheRules, GreyImagesAreLeftAlone) {
    PipelineSettings s;
    SetSaturation(s, 60);
    const std::vector<std::uint8_t> before = RandomImage(30, 1, 2);
    std::vector<std::uint8_t> image = before;
    AdjustSaturation(image.data(), 6, 5, 8, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists()) << "no 96 MiB for a frame that cannot use it";
}

TEST(SaturationCacheRules, CopiedSettingsStartWithoutACache) {
    PipelineSettings s;
    SetSaturation(s, 60);
    std::vector<std::uint8_t> image = {1, 2, 3};
    AdjustSaturation(image.data(), 1, 1, 24, s);
    PipelineSettings copy = s;
    EXPECT_TRUE(s.saturationCache.Exists());
    EXPECT_FALSE(copy.saturationCache.Exists());
    EXPECT_EQ(copy.saturation, s.saturation);
}

}  // namespace
}  // namespace qcx

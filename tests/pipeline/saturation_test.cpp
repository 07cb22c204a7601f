// The saturation step: HSL round trip per colour, its cache, and its rules
// for neutral settings, resets and memory shortage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"
#include "pipeline/test_bytes.h"

namespace qcx {
namespace {

using test::Bytes;

float Clamp(float v, float low, float high) { return std::min(std::max(v, low), high); }

std::uint8_t ByteOf(float value) { return static_cast<std::uint8_t>(Clamp(value * 255.0f + 0.5f, 0.0f, 255.0f)); }

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
Bytes Reference(const std::uint8_t* in, float factor) {
    const float b = in[0] / 255.0f;
    const float g = in[1] / 255.0f;
    const float r = in[2] / 255.0f;
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float l = Clamp((mx + mn) / 2.0f, 0.0f, 1.0f);
    float h = 0.0f;
    float s = 0.0f;
    if (mx != mn) {
        const float d = mx - mn;
        s = l <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
        if (r == mx) {
            h = 60.0f * (g - b) / d;
            if (g < b) h = h + 360.0f;
        } else if (g == mx) {
            h = 60.0f * (b - r) / d + 120.0f;
        } else {
            h = 60.0f * (r - g) / d + 240.0f;
        }
    }
    h = Clamp(h, 0.0f, 360.0f);
    const float s2 = Clamp(s, 0.0f, 1.0f) * factor;
    if (s2 == 0.0f) {
        return Bytes(3, static_cast<std::uint8_t>(Clamp(l * 255.0f, 0.0f, 255.0f)));
    }
    const float q = l < 0.5f ? l * (1.0f + s2) : l + s2 - l * s2;
    const float p = 2.0f * l - q;
    const float hn = h / 360.0f;
    return {ByteOf(Channel(p, q, hn - 1.0f / 3.0f)), ByteOf(Channel(p, q, hn)),
            ByteOf(Channel(p, q, hn + 1.0f / 3.0f))};
}

// Every pixel against the reference; the fourth byte of 32-bit pixels must
// keep its value.
void ExpectAdjusted(const Bytes& before, const Bytes& after, int pixelSize, float factor) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); i += pixelSize) {
        ASSERT_EQ(Bytes(&after[i], &after[i + 3]), Reference(&before[i], factor))
            << "pixel " << i / pixelSize << " was " << int(before[i]) << "," << int(before[i + 1]) << ","
            << int(before[i + 2]);
        if (pixelSize == 4) {
            ASSERT_EQ(after[i + 3], before[i + 3]) << "fourth byte of pixel " << i / 4;
        }
    }
}

// All grey levels, then the whole rim of the colour wheel (one channel 0, one
// 255, the third anything).
Bytes GreysAndRim() {
    Bytes image;
    for (int v = 0; v < 256; ++v) image.insert(image.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
    for (int v = 0; v < 256; ++v) {
        const auto x = static_cast<std::uint8_t>(v);
        for (Bytes c : {Bytes{0, x, 255}, Bytes{0, 255, x}, Bytes{x, 0, 255}, Bytes{255, 0, x}, Bytes{x, 255, 0},
                        Bytes{255, x, 0}})
            image.insert(image.end(), c.begin(), c.end());
    }
    return image;
}

TEST(SaturationRoundTrip, EveryPixelMatchesTheReference) {
    struct Case {
        int bitCount;  // 0: the greys and the rim of the colour wheel, 24-bit
        std::vector<int> saturations;
    };
    const Case cases[] = {{24, {-128, -77, -1, 1, 50, 128}}, {32, {90}}, {0, {-128, -64, 64, 128}}};
    for (const Case& c : cases) {
        const int pixelSize = c.bitCount == 32 ? 4 : 3;
        const Bytes before =
            c.bitCount == 0 ? GreysAndRim() : test::RandomBytes(std::size_t{320} * 240 * pixelSize, c.bitCount);
        for (int saturation : c.saturations) {
            SCOPED_TRACE(testing::Message() << c.bitCount << "-bit, saturation " << saturation);
            PipelineSettings s;
            SetSaturation(s, saturation);
            Bytes image = before;
            AdjustSaturation(image.data(), static_cast<int>(before.size()) / pixelSize, 1, pixelSize * 8, s);
            ExpectAdjusted(before, image, pixelSize, s.saturationFactor);
            // Greys have no saturation to scale: they come back as they were.
            EXPECT_TRUE(c.bitCount != 0 || std::equal(image.begin(), image.begin() + 3 * 256, before.begin()));
        }
    }
}

TEST(SaturationRoundTrip, LowestSaturationGivesTruncatedLightness) {
    // Every colour turns grey, L x 255 truncated: pure red has lightness 0.5
    // and gives 127, not the rounded 128; (10, 20, 201) gives 105.
    PipelineSettings s;
    SetSaturation(s, -128);
    Bytes image = {0, 0, 255, 10, 20, 201};
    AdjustSaturation(image.data(), 2, 1, 24, s);
    EXPECT_EQ(image, (Bytes{127, 127, 127, 105, 105, 105}));
}

TEST(SaturationCache, CreatedForColourFramesAndReleasedByTheFirstNeutralFrame) {
    PipelineSettings s;
    const Bytes before = test::RandomBytes(64 * 3, 1);
    Bytes image = before;
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists());

    SetSaturation(s, 60);
    AdjustSaturation(image.data(), 8, 8, 8, s);
    EXPECT_EQ(image, before) << "grey images are left alone";
    EXPECT_FALSE(s.saturationCache.Exists()) << "no 96 MiB for a frame that cannot use it";

    FailNextSaturationCacheAllocation();
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_EQ(image, before) << "no memory: the frame is skipped";
    EXPECT_FALSE(s.saturationCache.Exists());
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_TRUE(s.saturationCache.Exists()) << "and tried again with the next one";
    ExpectAdjusted(before, image, 3, s.saturationFactor);

    PipelineSettings copy = s;
    EXPECT_FALSE(copy.saturationCache.Exists()) << "copies never share or duplicate the cache";

    image = before;
    SetSaturation(s, 0);
    EXPECT_TRUE(s.saturationCache.Exists()) << "released by the next frame, not by the setter";
    AdjustSaturation(image.data(), 8, 8, 24, s);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(s.saturationCache.Exists());
}

TEST(SaturationCache, EntriesAreReusedUntilTheSaturationChanges) {
    PipelineSettings s;
    SetSaturation(s, 30);
    const Bytes colour = {40, 90, 160};
    auto run = [&] {
        Bytes image = colour;
        AdjustSaturation(image.data(), 1, 1, 24, s);
        return image;
    };
    const Bytes first = run();
    const std::uint16_t* const cache = s.saturationCache.entries.get();
    std::uint16_t* entry = s.saturationCache.entries.get() + 3 * ((40 << 16) | (90 << 8) | 160);
    const std::uint16_t* unseen = cache + 3 * ((160 << 16) | (90 << 8) | 40);
    EXPECT_EQ(Bytes(entry, entry + 3), first);
    EXPECT_TRUE(unseen[0] == 0xFFFF && unseen[1] == 0xFFFF && unseen[2] == 0xFFFF) << "only colours seen are filled";

    // A planted entry shows that later frames read the cache, also after the
    // stored value is set again; a partly invalid entry is computed afresh.
    entry[0] = 1, entry[1] = 2, entry[2] = 3;
    SetSaturation(s, 30);
    EXPECT_EQ(run(), (Bytes{1, 2, 3}));
    entry[1] = 0xFFFF;
    EXPECT_EQ(run(), Reference(colour.data(), s.saturationFactor));

    // A change resets every entry; the cache itself is kept.
    entry[0] = 1, entry[1] = 2, entry[2] = 3;
    SetSaturation(s, -30);
    EXPECT_EQ(run(), Reference(colour.data(), s.saturationFactor));
    EXPECT_FALSE(s.saturationResetRequest);
    EXPECT_EQ(s.saturationCache.entries.get(), cache);
}

}  // namespace
}  // namespace qcx

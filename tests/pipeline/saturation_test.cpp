// The saturation step: hue and lightness kept while the HSL saturation is
// scaled, checked against a double-precision hexcone model; its cache, and
// its rules for neutral settings, resets and memory shortage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"
#include "pipeline/test_bytes.h"

namespace qcx {
namespace {

using test::Bytes;

// Blue, green and red of the colour with its saturation times `factor`, by
// chroma C = (1 - |2L - 1|) S, hue sextant and X = C (1 - |H mod 2 - 1|).
std::array<int, 3> HexconeModel(const std::uint8_t* bgr, double factor) {
    const double b = bgr[0] / 255.0, g = bgr[1] / 255.0, r = bgr[2] / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), light = (mx + mn) / 2, chroma = mx - mn;
    if (chroma == 0 || factor == 0) return {int(light * 255), int(light * 255), int(light * 255)};
    const double hue = mx == r ? std::fmod((g - b) / chroma + 6, 6) : mx == g ? (b - r) / chroma + 2 : (r - g) / chroma + 4;
    const double c = chroma * factor, x = c * (1 - std::fabs(std::fmod(hue, 2) - 1)), m = light - c / 2;
    const double rgb[6][3] = {{c, x, 0}, {x, c, 0}, {0, c, x}, {0, x, c}, {x, 0, c}, {c, 0, x}};
    const double* v = rgb[std::min(static_cast<int>(hue), 5)];
    auto byte = [&](double channel) { return static_cast<int>(std::clamp((channel + m) * 255 + 0.5, 0.0, 255.0)); };
    return {byte(v[2]), byte(v[1]), byte(v[0])};
}

// Every pixel within 1 of the model (single against double precision); a
// fourth byte stays.
void ExpectModel(const Bytes& before, const Bytes& after, int pixelSize, double factor) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); i += pixelSize) {
        const std::array<int, 3> want = HexconeModel(&before[i], factor);
        for (int k = 0; k < 3; ++k) {
            ASSERT_LE(std::abs(after[i + k] - want[k]), 1) << "byte " << k << " of pixel " << i / pixelSize << " ("
                                                            << int(before[i]) << "," << int(before[i + 1]) << ","
                                                            << int(before[i + 2]) << ")";
        }
        if (pixelSize == 4) {
            ASSERT_EQ(after[i + 3], before[i + 3]) << "fourth byte of pixel " << i / 4;
        }
    }
}

TEST(SaturationStep, EveryColourKeepsHueAndLightnessWithItsSaturationScaled) {
    std::vector<Bytes> images;
    for (int pixelSize : {3, 4}) {
        images.push_back(test::RandomBytes(std::size_t{160} * 120 * pixelSize, pixelSize));
        for (int v = 0; v < 256; ++v) std::fill_n(images.back().begin() + v * pixelSize, 3, v);  // greys first
    }
    for (int saturation : {-64, -1, 50, 128}) {
        PipelineSettings s;  // one cache for both pixel sizes
        SetSaturation(s, saturation);
        for (const Bytes& before : images) {
            const int pixelSize = static_cast<int>(before.size() / (160 * 120));
            SCOPED_TRACE(testing::Message() << pixelSize * 8 << "-bit, saturation " << saturation);
            Bytes image = before;
            AdjustSaturation(image.data(), 160, 120, pixelSize * 8, s);
            ExpectModel(before, image, pixelSize, (saturation + 128) / 128.0);
            for (int v = 0; v < 256; ++v)
                ASSERT_EQ(Bytes(&image[v * pixelSize], &image[v * pixelSize + 3]), Bytes(3, v))
                    << "greys have no saturation to scale";
        }
    }
    // The lowest saturation greys every colour to L x 255 truncated: pure red
    // has lightness 0.5 and gives 127, not the rounded 128; (10, 20, 201) 105.
    PipelineSettings s;
    SetSaturation(s, -128);
    Bytes image = {0, 0, 255, 10, 20, 201};
    AdjustSaturation(image.data(), 2, 1, 24, s);
    EXPECT_EQ(image, (Bytes{127, 127, 127, 105, 105, 105}));
}

TEST(SaturationCache, LivesFromTheFirstColourFrameToTheFirstNeutralOneAndIsReadUntilAChange) {
    PipelineSettings s;
    const Bytes colour = {40, 90, 160};
    Bytes image = colour;
    SetSaturation(s, 30);
    AdjustSaturation(image.data(), 1, 1, 8, s);
    EXPECT_EQ(image, colour) << "grey images are left alone";
    EXPECT_FALSE(s.saturationCache.Exists()) << "no 96 MiB for a frame that cannot use it";
    FailNextSaturationCacheAllocation();
    AdjustSaturation(image.data(), 1, 1, 24, s);
    EXPECT_EQ(image, colour) << "no memory: the frame is skipped";
    auto run = [&] {
        Bytes pixel = colour;
        AdjustSaturation(pixel.data(), 1, 1, 24, s);
        return pixel;
    };
    const Bytes first = run();
    ASSERT_TRUE(s.saturationCache.Exists()) << "and tried again with the next one";
    EXPECT_FALSE(PipelineSettings(s).saturationCache.Exists()) << "copies never share or duplicate the cache";
    std::uint16_t* const cache = s.saturationCache.entries.get();
    std::uint16_t* entry = cache + 3 * ((40 << 16) | (90 << 8) | 160);
    const std::uint16_t* unseen = cache + 3 * ((160 << 16) | (90 << 8) | 40);
    EXPECT_EQ(Bytes(entry, entry + 3), first);
    EXPECT_TRUE(unseen[0] == 0xFFFF && unseen[1] == 0xFFFF && unseen[2] == 0xFFFF) << "only colours seen are filled";

    // A planted entry shows that later frames read the cache, also after the
    // stored value is set again; a partly invalid entry is computed afresh.
    entry[0] = 1, entry[1] = 2, entry[2] = 3;
    SetSaturation(s, 30);
    EXPECT_EQ(run(), (Bytes{1, 2, 3}));
    entry[1] = 0xFFFF;
    EXPECT_EQ(run(), first);
    // A change resets every entry and keeps the cache; neutral releases it
    // with the next frame, not in the setter.
    entry[0] = 1, entry[1] = 2, entry[2] = 3;
    SetSaturation(s, -30);
    ExpectModel(colour, run(), 3, 98 / 128.0);
    EXPECT_EQ(s.saturationCache.entries.get(), cache);
    SetSaturation(s, 0);
    EXPECT_TRUE(s.saturationCache.Exists());
    EXPECT_EQ(run(), colour);
    EXPECT_FALSE(s.saturationCache.Exists());
}

}  // namespace
}  // namespace qcx

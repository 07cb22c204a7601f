// The white-point calibration: red and blue gains that make the near-white
// pixels grey on average, checked on the corrected pixels themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "camera/imaging/colour_correction.h"
#include "correction/calibration_frames.h"

namespace qcx {
namespace {

using test::Image;
using test::Pixel;

TEST(WhitePointCalibration, NearWhitePixelsComeOutGreyAndTheRestOfTheStateStays) {
    // Three warm near-whites (mean red 210, green 180, blue 150) among pure
    // colours and dark pixels whose score stays below the threshold of 60.
    const std::vector<Pixel> warm = {{150, 180, 210}, {0, 0, 255}, {140, 170, 200}, {10, 10, 10},
                                     {160, 190, 220}, {0, 255, 0}, {255, 0, 0},     {30, 40, 50}};
    for (int bytes : {3, 4}) {
        ColourCorrection c;
        c.mode = 4;
        c.values[0] = 60;
        c.redOffset = 3;  // the offsets are not the calibration's business
        c.greenTable[1] = 42;
        const std::vector<std::uint8_t> image = Image(warm, bytes);
        RunImageCalibration(c, image.data(), 4, 2, bytes * 8);
        // A grey mean needs red x 180/210 and blue x 180/150 (the rounded
        // YCbCr coefficients and the truncated entries cost a little).
        EXPECT_NEAR(c.redTable[210], 180, 2) << bytes;
        EXPECT_NEAR(c.blueTable[150], 180, 2) << bytes;
        EXPECT_NEAR(c.redTable[255], 255 * 180 / 210, 2) << bytes;
        EXPECT_EQ(c.blueTable[255], 255) << "clamped";
        EXPECT_EQ(c.redTable[0], 0);
        EXPECT_EQ(c.greenTable, IdentityTable());
        EXPECT_EQ(c.redOffset, 3);
    }
    // A red gain far above 1 (mean red 5, green 250) clamps from entry 6 on.
    ColourCorrection strong;
    const std::vector<std::uint8_t> greenish = Image({{200, 250, 5}}, 3);
    RunImageCalibration(strong, greenish.data(), 1, 1, 24);
    EXPECT_GT(strong.redTable[1], 20);
    EXPECT_EQ(strong.redTable[6], 255);
}

TEST(WhitePointCalibration, WithoutNearWhitePixelsOrColourNothingChanges) {
    struct Case {
        std::vector<Pixel> pixels;
        int bitCount, threshold;
    };
    // A white pixel scores 255 at most, and must exceed the threshold; a black
    // mean has no gains; grey images have no colour.
    const Case cases[] = {{{{255, 255, 254}, {150, 180, 210}, {200, 200, 200}}, 24, 255},
                          {{{0, 0, 0}, {0, 0, 0}}, 24, -1},
                          {{{200, 200, 200}, {200, 200, 200}}, 8, 0}};
    for (const Case& k : cases) {
        ColourCorrection c;
        c.values[0] = k.threshold;
        c.redTable[1] = c.blueTable[1] = 42;
        const ColourCorrection before = c;
        const std::vector<std::uint8_t> image = Image(k.pixels, 3);
        RunImageCalibration(c, image.data(), static_cast<int>(k.pixels.size()), 1, k.bitCount);
        EXPECT_EQ(c.redTable, before.redTable) << k.threshold;
        EXPECT_EQ(c.blueTable, before.blueTable) << k.threshold;
    }
}

}  // namespace
}  // namespace qcx

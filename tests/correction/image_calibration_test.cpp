// The white-point calibration: red and blue gains that take the mean colour
// of the near-white pixels to zero chroma.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "camera/imaging/colour_correction.h"
#include "correction/calibration_frames.h"

namespace qcx {
namespace {

using test::Image;
using test::Pixel;

struct Gains {
    double red, blue;
};

// The gains for a mean colour, solved by elimination rather than by
// determinants: the second condition gives a in terms of b, the first then b.
Gains ExpectedGains(double meanRed, double meanGreen, double meanBlue) {
    const double y = 0.299 * meanRed + 0.587 * meanGreen + 0.114 * meanBlue;
    const double cb = 0.5 * meanBlue - 0.3313 * meanGreen - 0.1687 * meanRed;
    const double cr = 0.5 * meanRed - 0.4187 * meanGreen - 0.0813 * meanBlue;
    const double halfR = 0.5 * y + 0.701 * cr;
    const double halfB = 0.5 * y + 0.886 * cb;
    const double r1687 = 0.1687 * y + 0.2365 * cr;
    const double b0813 = 0.0813 * y + 0.1441 * cb;
    const double g3313 = 0.3313 * y - 0.114 * cb - 0.2366 * cr;
    const double g4187 = 0.4187 * y - 0.1441 * cb - 0.299 * cr;
    // a = (g4187 + b * b0813) / halfR, put into b * halfB - a * r1687 = g3313.
    const double b = (g3313 + r1687 * g4187 / halfR) / (halfB - r1687 * b0813 / halfR);
    return {(g4187 + b * b0813) / halfR, b};
}

// Entry i must be i x gain clamped and truncated; where i x gain lies within
// rounding noise of an integer either neighbour is accepted.
void ExpectGainTable(const ByteTable& table, double gain) {
    for (int i = 0; i < 256; ++i) {
        const double exact = i * gain;
        if (std::fabs(exact - std::round(exact)) < 1e-6 && exact > 0.5 && exact < 255.0) {
            EXPECT_NEAR(table[i], std::round(exact), 1) << "entry " << i;
        } else {
            EXPECT_EQ(table[i], static_cast<int>(std::fmin(std::fmax(exact, 0.0), 255.0)))
                << "entry " << i << ", gain " << gain;
        }
    }
}

// Three warm near-whites (mean red 210, green 180, blue 150) among colours
// and a dark grey that the threshold of 60 leaves out.
const std::vector<Pixel> kWarmScene = {{150, 180, 210}, {0, 0, 255}, {140, 170, 200}, {10, 10, 10},
                                       {160, 190, 220}, {0, 255, 0}, {255, 0, 0},     {30, 40, 50}};

TEST(WhitePointCalibration, GainsFromTheMeanOfTheNearWhitePixels) {
    struct Case {
        const char* name;
        std::vector<Pixel> pixels;
        int bitCount, threshold;
        bool changes;
        double meanRed = 0, meanGreen = 0, meanBlue = 0;
    };
    const Case cases[] = {
        {"warm cast", kWarmScene, 24, 60, true, 210, 180, 150},
        {"warm cast, 32-bit", kWarmScene, 32, 60, true, 210, 180, 150},
        {"red gain far above 1 clamps", {{200, 250, 5}}, 24, 0, true, 5, 250, 200},
        // A white pixel scores 255 at most, and must exceed the threshold.
        {"threshold above every score", {{255, 255, 254}, {150, 180, 210}, {200, 200, 200}}, 24, 255, false},
        {"black mean has no solution", {{0, 0, 0}, {0, 0, 0}}, 24, -1, false},
        {"grey image", {{200, 200, 200}, {200, 200, 200}, {200, 200, 200}, {200, 200, 200}}, 8, 0, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ColourCorrection c;
        c.mode = 4;
        c.values[0] = k.threshold;
        c.redOffset = 3;  // the offsets are not the calibration's business
        c.greenTable[1] = c.blueTable[1] = c.redTable[1] = 42;
        const ColourCorrection before = c;
        const std::vector<std::uint8_t> image = Image(k.pixels, k.bitCount == 32 ? 4 : 3);
        const int pixels = k.bitCount == 8 ? static_cast<int>(image.size()) : static_cast<int>(k.pixels.size());
        RunImageCalibration(c, image.data(), pixels, 1, k.bitCount);
        EXPECT_EQ(c.redOffset, 3);
        if (!k.changes) {
            EXPECT_EQ(c.redTable, before.redTable);
            EXPECT_EQ(c.greenTable, before.greenTable);
            EXPECT_EQ(c.blueTable, before.blueTable);
            continue;
        }
        const Gains gains = ExpectedGains(k.meanRed, k.meanGreen, k.meanBlue);
        ExpectGainTable(c.redTable, gains.red);
        ExpectGainTable(c.blueTable, gains.blue);
        EXPECT_EQ(c.greenTable, IdentityTable());
    }
    // The gains are the plain ratios to green, near enough, and clamp at 255.
    const Gains warm = ExpectedGains(210, 180, 150);
    EXPECT_NEAR(warm.red, 180.0 / 210.0, 0.01);
    EXPECT_NEAR(warm.blue, 180.0 / 150.0, 0.01);
    EXPECT_GT(ExpectedGains(5, 250, 200).red, 20.0);
}

}  // namespace
}  // namespace qcx

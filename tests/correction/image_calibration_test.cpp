// The white-point calibration: red and blue gains that take the mean colour
// of the near-white pixels to zero chroma.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "camera/imaging/colour_correction.h"

namespace qcx {
namespace {

struct Pixel {
    int blue, green, red;
};

std::vector<std::uint8_t> Image(const std::vector<Pixel>& pixels, int bytesPerPixel) {
    std::vector<std::uint8_t> image;
    for (const Pixel& p : pixels) {
        image.push_back(static_cast<std::uint8_t>(p.blue));
        image.push_back(static_cast<std::uint8_t>(p.green));
        image.push_back(static_cast<std::uint8_t>(p.red));
        if (bytesPerPixel == 4) image.push_back(0xEE);  // must not take part
    }
    return image;
}

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
    const double a = (g4187 + b * b0813) / halfR;
    return {a, b};
}

// Entry i must be i x gain clamped and truncated; where i x gain lies within
// rounding noise of an integer either neighbour is accepted.
void ExpectGainTable(const ByteTable& table, double gain) {
    for (int i = 0; i < 256; ++i) {
        const double exact = i * gain;
        const double clamped = std::fmin(std::fmax(exact, 0.0), 255.0);
        const int expected = static_cast<int>(clamped);
        if (std::fabs(exact - std::round(exact)) < 1e-6 && exact > 0.5 && exact < 255.0) {
            EXPECT_NEAR(table[i], std::round(exact), 1) << "entry " << i;
        } else {
            EXPECT_EQ(table[i], expected) << "entry " << i << ", gain " << gain;
        }
    }
}

// Three warm near-whites (mean red 210, green 180, blue 150) among colours
// and a dark grey that the threshold of 60 leaves out.
const std::vector<Pixel> kWarmScene = {
    {150, 180, 210}, {0, 0, 255}, {140, 170, 200}, {10, 10, 10},
    {160, 190, 220}, {0, 255, 0}, {255, 0, 0},     {30, 40, 50},
};

TEST(WhitePointCalibration, GainsCancelAKnownWarmCast) {
    ColourCorrection c;
    c.mode = 4;
    c.values[0] = 60;
    c.redOffset = 3;  // the offsets are not the calibration's business
    std::vector<std::uint8_t> image = Image(kWarmScene, 3);
    const std::vector<std::uint8_t> before = image;
    RunImageCalibration(c, image.data(), 4, 2, 24);

    const Gains gains = ExpectedGains(210.0, 180.0, 150.0);
    EXPECT_NEAR(gains.red, 180.0 / 210.0, 0.01);
    EXPECT_NEAR(gains.blue, 180.0 / 150.0, 0.01);
    ExpectGainTable(c.redTable, gains.red);
    ExpectGainTable(c.blueTable, gains.blue);
    EXPECT_EQ(c.greenTable, IdentityTable());
    EXPECT_EQ(c.blueTable[255], 255) << "blue gain above 1 clamps";
    EXPECT_EQ(c.redOffset, 3);
    EXPECT_EQ(image, before) << "the image is only measured";
}

TEST(WhitePointCalibration, ThirtyTwoBitImagesGiveTheSameTables) {
    ColourCorrection c24, c32;
    c24.mode = c32.mode = 4;
    c24.values[0] = c32.values[0] = 60;
    std::vector<std::uint8_t> image24 = Image(kWarmScene, 3);
    std::vector<std::uint8_t> image32 = Image(kWarmScene, 4);
    RunImageCalibration(c24, image24.data(), 2, 4, 24);
    RunImageCalibration(c32, image32.data(), 2, 4, 32);
    EXPECT_EQ(c32.redTable, c24.redTable);
    EXPECT_EQ(c32.blueTable, c24.blueTable);
    EXPECT_NE(c24.redTable, IdentityTable());
}

TEST(WhitePointCalibration, ThresholdAboveEveryScoreChangesNothing) {
    ColourCorrection c;
    c.mode = 4;
    c.values[0] = 255;  // a white pixel scores 255 at most, and must exceed it
    c.redTable[1] = 42;
    const ColourCorrection before = c;
    std::vector<std::uint8_t> image = Image({{255, 255, 254}, {150, 180, 210}, {200, 200, 200}}, 3);
    RunImageCalibration(c, image.data(), 3, 1, 24);
    EXPECT_EQ(c.redTable, before.redTable);
    EXPECT_EQ(c.greenTable, before.greenTable);
    EXPECT_EQ(c.blueTable, before.blueTable);
}

TEST(WhitePointCalibration, BlackMeanHasNoSolutionAndChangesNothing) {
    ColourCorrection c;
    c.mode = 4;
    c.values[0] = -1;  // black pixels score 0 and count
    c.blueTable[1] = 42;
    const ColourCorrection before = c;
    std::vector<std::uint8_t> image(4 * 3, 0);
    RunImageCalibration(c, image.data(), 2, 2, 24);
    EXPECT_EQ(c.redTable, before.redTable);
    EXPECT_EQ(c.blueTable, before.blueTable);
}

TEST(WhitePointCalibration, LargeGainClampsAt255) {
    ColourCorrection c;
    c.mode = 4;
    c.values[0] = 0;
    std::vector<std::uint8_t> image = Image({{200, 250, 5}}, 3);
    RunImageCalibration(c, image.data(), 1, 1, 24);
    const Gains gains = ExpectedGains(5.0, 250.0, 200.0);
    ASSERT_GT(gains.red, 20.0);
    ExpectGainTable(c.redTable, gains.red);
    ExpectGainTable(c.blueTable, gains.blue);
    EXPECT_EQ(c.redTable[0], 0);
    EXPECT_EQ(c.redTable[255], 255);
}

TEST(WhitePointCalibration, GreyImagesAreNotMeasured) {
    ColourCorrection c;
    c.mode = 4;
    std::vector<std::uint8_t> image(12, 200);
    RunImageCalibration(c, image.data(), 12, 1, 8);
    EXPECT_EQ(c.redTable, IdentityTable());
    EXPECT_EQ(c.blueTable, IdentityTable());
}

}  // namespace
}  // namespace qcx

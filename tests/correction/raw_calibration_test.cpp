// The raw calibration: which samples it measures and marks, how it tells the
// colours apart, and the tables of grey world and histogram equalisation.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "camera/imaging/colour_correction.h"

namespace qcx {
namespace {

enum { kBGGR = 0, kGRBG = 1, kRGGB = 2, kGBRG = 3 };
enum class Site { Red, Green, Blue };

// The colour filter orders, written from where red and blue sit.
Site SiteAt(int order, int x, int y) {
    const bool evenX = x % 2 == 0;
    const bool evenY = y % 2 == 0;
    switch (order) {
        case kBGGR: return (!evenX && !evenY) ? Site::Red : (evenX && evenY) ? Site::Blue : Site::Green;
        case kGRBG: return (!evenX && evenY) ? Site::Red : (evenX && !evenY) ? Site::Blue : Site::Green;
        case kRGGB: return (evenX && evenY) ? Site::Red : (!evenX && !evenY) ? Site::Blue : Site::Green;
        default: return (evenX && !evenY) ? Site::Red : (!evenX && evenY) ? Site::Blue : Site::Green;
    }
}

struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint8_t> samples;
    std::uint8_t At(int x, int y) const { return samples[static_cast<std::size_t>(y * width + x)]; }
};

// A frame whose samples of each colour take the values of that colour's list
// in turn, in row-major order.
Frame MosaicFrame(int order, int width, int height, const std::vector<int>& red, const std::vector<int>& green,
                  const std::vector<int>& blue) {
    Frame frame{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height))};
    std::size_t next[3] = {0, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Site site = SiteAt(order, x, y);
            const std::vector<int>& list = site == Site::Red ? red : site == Site::Green ? green : blue;
            std::size_t& i = next[static_cast<int>(site)];
            const int value = list[i++ % list.size()];
            frame.samples[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(value);
        }
    }
    return frame;
}

Frame PlaneFrame(int order, int width, int height, int red, int green, int blue) {
    return MosaicFrame(order, width, height, {red}, {green}, {blue});
}

ColourCorrection InMode(int mode) {
    ColourCorrection c;
    c.mode = mode;
    return c;
}

void Calibrate(ColourCorrection& c, Frame& frame, MeasuringRegion region, int bayerMode) {
    RunRawCalibration(c, frame.samples.data(), frame.width, frame.height, region, bayerMode);
}

MeasuringRegion Whole(const Frame& frame) { return {0, 0, frame.width, frame.height}; }

// ---------------------------------------------------------------- marking

TEST(RawCalibrationMarking, LowersEverySampleOfTheClippedRegionByTenModulo256) {
    Frame frame = MosaicFrame(kBGGR, 10, 8, {3, 200}, {7, 9, 10}, {0, 255});
    const Frame before = frame;
    ColourCorrection c = InMode(2);
    // Runs past the right and bottom edges: only columns 6..9, rows 4..7 are inside.
    Calibrate(c, frame, {6, 4, 100, 100}, 0);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const bool inside = x >= 6 && y >= 4;
            const auto expected = static_cast<std::uint8_t>(inside ? before.At(x, y) - 10 : before.At(x, y));
            EXPECT_EQ(frame.At(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

TEST(RawCalibrationMarking, RegionStartingLeftOfAndAboveTheFrameIsClipped) {
    Frame frame = PlaneFrame(kRGGB, 6, 6, 50, 50, 50);
    ColourCorrection c = InMode(0);
    Calibrate(c, frame, {-2, -4, 4, 6}, 2);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(frame.At(x, y), (x < 2 && y < 2) ? 40 : 50) << x << "," << y;
}

TEST(RawCalibrationMarking, RegionReachingPastTheIntegerRangeIsClipped) {
    Frame frame = PlaneFrame(kBGGR, 4, 4, 50, 50, 50);
    ColourCorrection c = InMode(3);
    Calibrate(c, frame, {2, 2, std::numeric_limits<int>::max(), std::numeric_limits<int>::max()}, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(frame.At(x, y), (x >= 2 && y >= 2) ? 40 : 50) << x << "," << y;
    EXPECT_EQ(c.redTable[50], 255);
}

TEST(RawCalibrationMarking, EmptyRegionMeasuresAndChangesNothing) {
    for (const MeasuringRegion region : {MeasuringRegion{0, 0, 0, 4}, MeasuringRegion{0, 0, 4, 0},
                                         MeasuringRegion{8, 0, 4, 4}, MeasuringRegion{0, -6, 4, 6},
                                         MeasuringRegion{2, 2, -2, 4}}) {
        Frame frame = PlaneFrame(kBGGR, 8, 6, 80, 100, 120);
        const Frame before = frame;
        ColourCorrection c = InMode(3);
        Calibrate(c, frame, region, 0);
        EXPECT_EQ(frame.samples, before.samples);
        EXPECT_EQ(c.redTable, IdentityTable());
        EXPECT_EQ(c.greenTable, IdentityTable());
    }
}

TEST(RawCalibrationMarking, BayerModesOutsideTheTableDoNothing) {
    for (int bayerMode : {24, 25, 100, -1, -4}) {
        Frame frame = PlaneFrame(kBGGR, 8, 6, 80, 100, 120);
        const Frame before = frame;
        ColourCorrection c = InMode(1);
        Calibrate(c, frame, Whole(frame), bayerMode);
        EXPECT_EQ(frame.samples, before.samples) << "Bayer mode " << bayerMode;
        EXPECT_EQ(c.redOffset, 0);
        EXPECT_EQ(c.redTable, IdentityTable());
    }
}

TEST(RawCalibrationMarking, ModesWithoutRawTablesStillMarkButChangeNoTable) {
    for (int mode : {0, 4, 5, -1}) {
        Frame frame = PlaneFrame(kBGGR, 4, 4, 80, 100, 120);
        ColourCorrection c = InMode(mode);
        c.blueTable[3] = 77;
        const ColourCorrection before = c;
        Calibrate(c, frame, Whole(frame), 0);
        EXPECT_EQ(frame.At(0, 0), 110) << "mode " << mode;
        EXPECT_EQ(c.redTable, before.redTable);
        EXPECT_EQ(c.greenTable, before.greenTable);
        EXPECT_EQ(c.blueTable, before.blueTable);
    }
}

// ------------------------------------------------------------ colour orders

// Constant planes red 50, green 100, blue 170: every per-channel table must
// step from 0 to 255 exactly at its own colour's value, and grey world must
// find +50 for red and -70 for blue, under every Bayer mode of that order.
void ExpectOrderClassified(int order) {
    for (int bayerMode = order; bayerMode <= 23; bayerMode += 4) {
        SCOPED_TRACE(testing::Message() << "Bayer mode " << bayerMode);
        Frame frame = PlaneFrame(order, 8, 6, 50, 100, 170);
        ColourCorrection equalised = InMode(2);
        Calibrate(equalised, frame, {2, 2, 4, 4}, bayerMode);
        EXPECT_EQ(equalised.redTable[49], 0);
        EXPECT_EQ(equalised.redTable[50], 255);
        EXPECT_EQ(equalised.greenTable[99], 0);
        EXPECT_EQ(equalised.greenTable[100], 255);
        EXPECT_EQ(equalised.blueTable[169], 0);
        EXPECT_EQ(equalised.blueTable[170], 255);

        frame = PlaneFrame(order, 8, 6, 50, 100, 170);
        ColourCorrection greyWorld = InMode(1);
        Calibrate(greyWorld, frame, {2, 2, 4, 4}, bayerMode);
        EXPECT_EQ(greyWorld.redOffset, 50);
        EXPECT_EQ(greyWorld.greenOffset, 0);
        EXPECT_EQ(greyWorld.blueOffset, -70);
    }
}

TEST(RawCalibrationColourOrder, BGGR) { ExpectOrderClassified(kBGGR); }
TEST(RawCalibrationColourOrder, GRBG) { ExpectOrderClassified(kGRBG); }
TEST(RawCalibrationColourOrder, RGGB) { ExpectOrderClassified(kRGGB); }
TEST(RawCalibrationColourOrder, GBRG) { ExpectOrderClassified(kGBRG); }

TEST(RawCalibrationColourOrder, SamplesTakeTheirColourFromTheirFramePosition) {
    // A region starting on an odd column and row still reads the frame's mosaic.
    Frame frame = PlaneFrame(kGRBG, 8, 8, 50, 100, 170);
    ColourCorrection c = InMode(1);
    Calibrate(c, frame, {1, 1, 5, 5}, 1);
    EXPECT_EQ(c.redOffset, 50);
    EXPECT_EQ(c.blueOffset, -70);
}

// --------------------------------------------------------------- grey world

TEST(GreyWorld, ShiftsTheRedAndBlueMeansOntoTheGreenMean) {
    Frame frame = PlaneFrame(kBGGR, 8, 8, 80, 100, 120);
    ColourCorrection c = InMode(1);
    Calibrate(c, frame, Whole(frame), 0);
    EXPECT_EQ(c.redOffset, 20);
    EXPECT_EQ(c.greenOffset, 0);
    EXPECT_EQ(c.blueOffset, -20);
    EXPECT_EQ(c.redTable[0], 20);
    EXPECT_EQ(c.redTable[250], 255);
    EXPECT_EQ(c.blueTable[10], 0);
    EXPECT_EQ(c.blueTable[255], 235);
    EXPECT_EQ(c.greenTable, IdentityTable());
}

// Means over a 4 x 4 region: red 80.75, green 100.5, blue 119.25.
Frame FractionalMeans(int order) {
    return MosaicFrame(order, 4, 4, {80, 81, 81, 81}, {100, 101}, {119, 119, 119, 120});
}

TEST(GreyWorld, IntegerMeansForBGGRAndRGGB) {
    for (int order : {kBGGR, kRGGB}) {
        Frame frame = FractionalMeans(order);
        ColourCorrection c = InMode(1);
        Calibrate(c, frame, Whole(frame), order);
        EXPECT_EQ(c.redOffset, 20) << "100 - 80";
        EXPECT_EQ(c.blueOffset, -19) << "100 - 119";
    }
}

TEST(GreyWorld, SinglePrecisionMeansWithTruncatedDifferenceForGRBGAndGBRG) {
    for (int order : {kGRBG, kGBRG}) {
        Frame frame = FractionalMeans(order);
        ColourCorrection c = InMode(1);
        Calibrate(c, frame, Whole(frame), order + 4);
        EXPECT_EQ(c.redOffset, 19) << "19.75 truncated";
        EXPECT_EQ(c.blueOffset, -18) << "-18.75 truncated toward zero";
        EXPECT_EQ(c.redTable[0], 19);
        EXPECT_EQ(c.blueTable[18], 0);
        EXPECT_EQ(c.blueTable[19], 1);
    }
}

TEST(GreyWorld, RegionWithoutRedSamplesKeepsTheCorrection) {
    Frame frame = PlaneFrame(kBGGR, 8, 8, 80, 100, 120);
    ColourCorrection c = InMode(1);
    ApplyOffsetRule(c, ColourChannel::Red, 7);
    ApplyOffsetRule(c, ColourChannel::Blue, -3);
    const ColourCorrection before = c;
    // Column 0 of BGGR holds only blue and green samples.
    Calibrate(c, frame, {0, 0, 1, 8}, 0);
    EXPECT_EQ(c.redOffset, 7);
    EXPECT_EQ(c.blueOffset, -3);
    EXPECT_EQ(c.redTable, before.redTable);
    EXPECT_EQ(c.blueTable, before.blueTable);
    EXPECT_EQ(frame.At(0, 0), 110) << "the region is still marked";
}

// --------------------------------------------------- histogram equalisation

void ExpectEqualisationShape(const ByteTable& table) {
    EXPECT_EQ(table[255], 255);
    for (int i = 1; i < 256; ++i) ASSERT_GE(table[i], table[i - 1]) << "entry " << i;
}

TEST(HistogramEqualisation, TablesEndAt255AndNeverDecrease) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 255);
    for (int mode : {2, 3}) {
        for (int order : {kBGGR, kGRBG, kRGGB, kGBRG}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " order " << order);
            Frame frame{32, 24, std::vector<std::uint8_t>(32 * 24)};
            for (auto& sample : frame.samples) sample = static_cast<std::uint8_t>(level(random) / 2 + 40);
            ColourCorrection c = InMode(mode);
            Calibrate(c, frame, {4, 2, 20, 16}, order);
            ExpectEqualisationShape(c.redTable);
            ExpectEqualisationShape(c.greenTable);
            ExpectEqualisationShape(c.blueTable);
            EXPECT_EQ(c.redOffset, 0);
        }
    }
}

// Red samples 10, 20, 20, 30: the cumulative share is 1/4 from 10 and 3/4 from 20.
Frame KnownRedHistogram(int order) {
    return MosaicFrame(order, 4, 4, {10, 20, 20, 30}, {60}, {90});
}

TEST(HistogramEqualisation, PerChannelTruncatesForBGGRRGGBAndGBRG) {
    for (int order : {kBGGR, kRGGB, kGBRG}) {
        Frame frame = KnownRedHistogram(order);
        ColourCorrection c = InMode(2);
        Calibrate(c, frame, Whole(frame), order);
        EXPECT_EQ(c.redTable[9], 0);
        EXPECT_EQ(c.redTable[10], 63) << "63.75";
        EXPECT_EQ(c.redTable[19], 63);
        EXPECT_EQ(c.redTable[20], 191) << "191.25";
        EXPECT_EQ(c.redTable[30], 255);
    }
}

TEST(HistogramEqualisation, PerChannelRoundsToNearestForGRBG) {
    Frame frame = KnownRedHistogram(kGRBG);
    ColourCorrection c = InMode(2);
    Calibrate(c, frame, Whole(frame), kGRBG);
    EXPECT_EQ(c.redTable[9], 0);
    EXPECT_EQ(c.redTable[10], 64) << "63.75 rounded";
    EXPECT_EQ(c.redTable[20], 191) << "191.25 rounded";
    EXPECT_EQ(c.redTable[30], 255);
}

TEST(HistogramEqualisation, CommonTableCountsEveryColourAndTruncatesInEveryOrder) {
    for (int order : {kBGGR, kGRBG}) {
        // 4 red of 10, 8 green of 20, 4 blue of 30: shares 1/4, 3/4, 1.
        Frame frame = PlaneFrame(order, 4, 4, 10, 20, 30);
        ColourCorrection c = InMode(3);
        Calibrate(c, frame, Whole(frame), order);
        EXPECT_EQ(c.redTable[9], 0);
        EXPECT_EQ(c.redTable[10], 63);
        EXPECT_EQ(c.redTable[20], 191);
        EXPECT_EQ(c.redTable[30], 255);
        EXPECT_EQ(c.greenTable, c.redTable);
        EXPECT_EQ(c.blueTable, c.redTable);
    }
}

TEST(HistogramEqualisation, ColourWithoutSamplesKeepsItsTable) {
    for (int order : {kBGGR, kGRBG}) {
        // Column 0 of both orders holds no red sample.
        Frame frame = PlaneFrame(order, 8, 8, 80, 100, 120);
        ColourCorrection c = InMode(2);
        c.redTable[5] = 99;
        const ByteTable redBefore = c.redTable;
        Calibrate(c, frame, {0, 0, 1, 8}, order);
        EXPECT_EQ(c.redTable, redBefore);
        EXPECT_EQ(c.greenTable[100], 255);
        EXPECT_EQ(c.blueTable[119], 0);
        EXPECT_EQ(c.blueTable[120], 255);
    }
}

}  // namespace
}  // namespace qcx

// The raw calibration: which samples it measures and marks, how it tells the
// colours apart, and the tables of grey world and histogram equalisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/imaging/colour_correction.h"
#include "correction/calibration_frames.h"

namespace qcx {
namespace {

using namespace test;

ColourCorrection InMode(int mode) {
    ColourCorrection c;
    c.mode = mode;
    return c;
}

void Calibrate(ColourCorrection& c, Frame& frame, MeasuringRegion region, int bayerMode) {
    RunRawCalibration(c, frame.samples.data(), frame.width, frame.height, region, bayerMode);
}

TEST(RawCalibration, MarksTheClippedRegionAndMeasuresOnlyThere) {
    constexpr int kMax = std::numeric_limits<int>::max();
    struct Case {
        MeasuringRegion region;
        int bayerMode, mode;
        int x0, y0, x1, y1;  // the samples lowered by 10 (modulo 256)
    };
    // clang-format off
    const Case cases[] = {
        // Regions past the right and bottom edges, starting left of and above the frame, or as wide as can be.
        {{6, 4, 100, 100}, 0, 3, 6, 4, 10, 8}, {{-2, -4, 4, 6}, 0, 3, 0, 0, 2, 2},
        {{2, 2, kMax, kMax}, 0, 3, 2, 2, 10, 8},
        // Empty regions, Bayer modes without a colour order.
        {{0, 0, 0, 4}, 0, 3, 0, 0, 0, 0}, {{10, 0, 4, 4}, 0, 3, 0, 0, 0, 0}, {{2, 2, -2, 4}, 0, 3, 0, 0, 0, 0},
        {{0, 0, 10, 8}, 24, 3, 0, 0, 0, 0}, {{0, 0, 10, 8}, -1, 1, 0, 0, 0, 0},
        // Correction modes without raw tables mark all the same.
        {{0, 0, 10, 8}, 0, 0, 0, 0, 10, 8}, {{0, 0, 10, 8}, 2, 4, 0, 0, 10, 8}, {{0, 0, 10, 8}, 3, -1, 0, 0, 10, 8}};
    // clang-format on
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "region " << k.region.x << "," << k.region.y << " " << k.region.width
                                        << " x " << k.region.height << ", Bayer mode " << k.bayerMode << ", mode "
                                        << k.mode);
        Frame frame = MosaicFrame(kBGGR, 10, 8, {3, 200}, {7, 9, 10}, {0, 255});
        const Frame before = frame;
        ColourCorrection c = InMode(k.mode);
        c.blueTable[3] = 77;
        const ColourCorrection unchanged = c;
        Calibrate(c, frame, k.region, k.bayerMode);
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const bool inside = x >= k.x0 && x < k.x1 && y >= k.y0 && y < k.y1;
                ASSERT_EQ(frame.At(x, y), static_cast<std::uint8_t>(before.At(x, y) - (inside ? 10 : 0)))
                    << "x " << x << " y " << y;
            }
        }
        const bool measured = k.x1 > k.x0 && k.mode >= 1 && k.mode <= 3;
        EXPECT_EQ(c.redTable != unchanged.redTable, measured);
        EXPECT_EQ(c.greenTable != unchanged.greenTable, measured);
        EXPECT_EQ(c.blueTable != unchanged.blueTable, measured);
        EXPECT_EQ(c.redOffset, 0);
    }
}

TEST(RawCalibration, ClassifiesSamplesByTheColourOrderOfEveryBayerMode) {
    // Constant planes red 50, green 100, blue 170: each per-channel table must
    // step from 0 to 255 exactly at its own colour's value, and grey world
    // must find +50 for red and -70 for blue.
    for (int bayerMode = 0; bayerMode <= 23; ++bayerMode) {
        SCOPED_TRACE(testing::Message() << "Bayer mode " << bayerMode);
        const int order = bayerMode % 4;
        Frame frame = PlaneFrame(order, 8, 6, 50, 100, 170);
        ColourCorrection equalised = InMode(2);
        Calibrate(equalised, frame, {2, 2, 4, 4}, bayerMode);
        for (auto [table, value] : {std::pair{&equalised.redTable, 50}, std::pair{&equalised.greenTable, 100},
                                    std::pair{&equalised.blueTable, 170}}) {
            EXPECT_EQ((*table)[value - 1], 0);
            EXPECT_EQ((*table)[value], 255);
        }
        frame = PlaneFrame(order, 8, 6, 50, 100, 170);
        ColourCorrection greyWorld = InMode(1);
        Calibrate(greyWorld, frame, {2, 2, 4, 4}, bayerMode);
        EXPECT_EQ(greyWorld.redOffset, 50);
        EXPECT_EQ(greyWorld.blueOffset, -70);
    }
    // A region starting on an odd column and row still reads the frame's mosaic.
    Frame frame = PlaneFrame(kGRBG, 8, 8, 50, 100, 170);
    ColourCorrection c = InMode(1);
    Calibrate(c, frame, {1, 1, 5, 5}, 1);
    EXPECT_EQ(c.redOffset, 50);
    EXPECT_EQ(c.blueOffset, -70);
}

TEST(GreyWorld, ShiftsTheRedAndBlueMeansOntoTheGreenMean) {
    struct Case {
        const char* name;
        int order, bayerMode;
        std::vector<int> red, green, blue;
        int regionWidth;  // of an 8 x 8 frame, or the whole of a 4 x 4 one
        int redOffset, greenOffset, blueOffset;
    };
    // Means red 80.75, green 100.5, blue 119.25 over 4 x 4, and red 100.75,
    // green 80.5, blue 60.
    const std::vector<int> red1 = {80, 81, 81, 81}, green1 = {100, 101}, blue1 = {119, 119, 119, 120};
    const std::vector<int> red2 = {101, 101, 101, 100}, green2 = {80, 81}, blue2 = {60};
    const Case cases[] = {{"means 80, 100, 120", kBGGR, 0, {80}, {100}, {120}, 8, 20, 0, -20},
                          {"integer means", kBGGR, 0, red1, green1, blue1, 4, 20, 0, -19},
                          {"integer means", kRGGB, 2, red1, green1, blue1, 4, 20, 0, -19},
                          {"integer means", kRGGB, 6, red2, green2, blue2, 4, -20, 0, 20},
                          {"float means, difference toward zero", kGRBG, 5, red1, green1, blue1, 4, 19, 0, -18},
                          {"float means, difference toward zero", kGBRG, 7, red1, green1, blue1, 4, 19, 0, -18},
                          {"float means, difference toward zero", kGRBG, 1, red2, green2, blue2, 4, -20, 0, 20},
                          // Column 0 of BGGR holds no red sample: the correction stays as it was.
                          {"no red sample", kBGGR, 0, {80}, {100}, {120}, 1, 7, 9, -3}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.name << ", Bayer mode " << k.bayerMode);
        const int size = k.regionWidth == 4 ? 4 : 8;
        Frame frame = MosaicFrame(k.order, size, size, k.red, k.green, k.blue);
        ColourCorrection c = InMode(1);
        ApplyOffsetRule(c, ColourChannel::Red, 7);
        ApplyOffsetRule(c, ColourChannel::Green, 9);
        ApplyOffsetRule(c, ColourChannel::Blue, -3);
        Calibrate(c, frame, {0, 0, k.regionWidth, size}, k.bayerMode);
        EXPECT_EQ(c.redOffset, k.redOffset);
        EXPECT_EQ(c.greenOffset, k.greenOffset);
        EXPECT_EQ(c.blueOffset, k.blueOffset);
        EXPECT_EQ(c.redTable, OffsetTable(k.redOffset));
        EXPECT_EQ(c.greenTable, OffsetTable(k.greenOffset));
        EXPECT_EQ(c.blueTable, OffsetTable(k.blueOffset));
    }
}

TEST(HistogramEqualisation, TablesEndAt255AndNeverDecrease) {
    std::mt19937 random(7);
    for (int mode : {2, 3}) {
        for (int order : {kBGGR, kGRBG, kRGGB, kGBRG}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " order " << order);
            Frame frame{32, 24, std::vector<std::uint8_t>(32 * 24)};
            for (auto& sample : frame.samples) sample = static_cast<std::uint8_t>((random() & 0xFF) / 2 + 40);
            ColourCorrection c = InMode(mode);
            Calibrate(c, frame, {4, 2, 20, 16}, order);
            for (const ByteTable* table : {&c.redTable, &c.greenTable, &c.blueTable}) {
                EXPECT_EQ((*table)[255], 255);
                EXPECT_TRUE(std::is_sorted(table->begin(), table->end()));
            }
            EXPECT_EQ(c.redOffset, 0);
        }
    }
}

TEST(HistogramEqualisation, CumulativeShareTimes255) {
    struct Case {
        const char* name;
        int order, mode;
        std::vector<int> red, green, blue;
        int at9, at10, at19, at20, at30;  // red table entries
    };
    // Red samples 10, 20, 20, 30: the cumulative share is 1/4 from 10 and 3/4
    // from 20, so 63.75 and 191.25. The common histogram of 4 red samples of
    // 10, 8 green of 20 and 4 blue of 30 has the same shares.
    const Case cases[] = {{"per channel, truncated", kBGGR, 2, {10, 20, 20, 30}, {60}, {90}, 0, 63, 63, 191, 255},
                          {"per channel, truncated", kRGGB, 2, {10, 20, 20, 30}, {60}, {90}, 0, 63, 63, 191, 255},
                          {"per channel, truncated", kGBRG, 2, {10, 20, 20, 30}, {60}, {90}, 0, 63, 63, 191, 255},
                          {"per channel, rounded", kGRBG, 2, {10, 20, 20, 30}, {60}, {90}, 0, 64, 64, 191, 255},
                          {"common, truncated", kBGGR, 3, {10}, {20}, {30}, 0, 63, 63, 191, 255},
                          {"common, truncated", kGRBG, 3, {10}, {20}, {30}, 0, 63, 63, 191, 255}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.name << ", order " << k.order);
        Frame frame = MosaicFrame(k.order, 4, 4, k.red, k.green, k.blue);
        ColourCorrection c = InMode(k.mode);
        Calibrate(c, frame, {0, 0, 4, 4}, k.order);
        const ByteTable& r = c.redTable;
        EXPECT_EQ((std::vector<int>{r[9], r[10], r[19], r[20], r[30]}),
                  (std::vector<int>{k.at9, k.at10, k.at19, k.at20, k.at30}));
        if (k.mode == 3) {
            EXPECT_EQ(c.greenTable, c.redTable);
            EXPECT_EQ(c.blueTable, c.redTable);
        }
    }
}

TEST(HistogramEqualisation, ColourWithoutSamplesKeepsItsTable) {
    // Column 0 of GRBG holds no red sample.
    Frame frame = PlaneFrame(kGRBG, 8, 8, 80, 100, 120);
    ColourCorrection c = InMode(2);
    c.redTable[5] = 99;
    const ByteTable redBefore = c.redTable;
    Calibrate(c, frame, {0, 0, 1, 8}, kGRBG);
    EXPECT_EQ(std::tuple(c.redTable, c.greenTable[100], c.blueTable[119], c.blueTable[120]),
              std::tuple(redBefore, 255, 0, 255));
}

}  // namespace
}  // namespace qcx

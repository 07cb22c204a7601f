// Colour correction: the offset rule, the table pass, the raw calibrations
// (grey world, histogram equalisation), the white point and the preview hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/imaging/colour_correction.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
enum ColourOrder { kBGGR = 0, kGRBG = 1, kRGGB = 2, kGBRG = 3 };

// Entry i = i + offset, clamped to 0 ... 255.
ByteTable OffsetTable(int offset) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(std::clamp(i + offset, 0, 255));
    return table;
}

struct Frame {
    int width, height;
    Bytes samples;
};

// A frame whose samples of each colour take the values of that colour's list
// in turn, in row-major order. Red sits at one parity of column and row, blue
// at the opposite one.
Frame MosaicFrame(int order, int width, int height, const std::vector<int>& red, const std::vector<int>& green,
                  const std::vector<int>& blue) {
    static const int redX[4] = {1, 1, 0, 0}, redY[4] = {1, 0, 0, 1};
    const std::vector<int>* lists[3] = {&red, &green, &blue};
    std::size_t next[3] = {0, 0, 0};
    Frame frame{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool redColumn = (x & 1) == redX[order], redRow = (y & 1) == redY[order];
            const int site = redColumn && redRow ? 0 : !redColumn && !redRow ? 2 : 1;
            frame.samples.push_back(static_cast<std::uint8_t>((*lists[site])[next[site]++ % lists[site]->size()]));
        }
    }
    return frame;
}

void Calibrate(ColourCorrection& c, Frame& frame, MeasuringRegion region, int bayerMode) {
    RunRawCalibration(c, frame.samples.data(), frame.width, frame.height, region, bayerMode);
}

TEST(OffsetRule, ByMode) {
    // Mode, channel, value, the channel's offset afterwards; mode 1 builds
    // the clamped offset table, mode 0 identity, other modes keep the table.
    const std::tuple<int, ColourChannel, int, int> cases[] = {
        {1, ColourChannel::Blue, -300, -255}, {1, ColourChannel::Green, 20, 20}, {0, ColourChannel::Red, 300, 0},
        {2, ColourChannel::Red, 300, 0}, {4, ColourChannel::Blue, 300, 0}, {-1, ColourChannel::Green, 300, 0}};
    for (const auto& [mode, channel, value, offset] : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << ", channel " << int(channel) << ", value " << value);
        ColourCorrection c{.mode = mode, .redOffset = 40, .greenOffset = 40, .blueOffset = 40};
        c.redTable = c.greenTable = c.blueTable = OffsetTable(-5);
        ApplyOffsetRule(c, channel, value);
        const int* offsets[3] = {&c.redOffset, &c.greenOffset, &c.blueOffset};
        const ByteTable* tables[3] = {&c.redTable, &c.greenTable, &c.blueTable};
        for (int k = 0; k < 3; ++k) {
            const bool own = k == static_cast<int>(channel);
            EXPECT_EQ(*offsets[k], own ? offset : 40) << "channel " << k;
            EXPECT_EQ(*tables[k], !own || (mode != 0 && mode != 1) ? OffsetTable(-5)
                                  : mode == 0                      ? IdentityTable()
                                                                   : OffsetTable(offset));
        }
    }
    ColourCorrection c{.mode = 1, .redOffset = 9, .blueOffset = 9};  // a reset: the rule with 0 on every channel
    c.redTable = c.blueTable = OffsetTable(-5);
    ResetOffsets(c);
    EXPECT_EQ(std::tuple(c.redOffset, c.blueOffset, c.redTable, c.blueTable),
              std::tuple(0, 0, IdentityTable(), IdentityTable()));
}

TEST(ApplyColorCorrection, MapsBlueGreenAndRedBytesAndNothingElse) {
    ColourCorrection t{.blueTable = OffsetTable(1)};
    for (int i = 0; i < 256; ++i) t.redTable[i] = std::uint8_t(255 - i), t.greenTable[i] = std::uint8_t(i / 2);
    const Bytes pixels24 = {10, 20, 30, 0, 255, 128, 7, 8, 9, 100, 200, 250, 1, 2, 3, 4, 5, 6};
    const Bytes pixels32 = {10, 20, 30, 40, 0, 255, 128, 77, 7, 8, 9, 200};
    // Mode, bit count, width, height, image, expected; grey images have no
    // colour, and mode 0 ignores whatever the tables hold.
    const std::tuple<int, int, int, int, Bytes, Bytes> cases[] = {
        {2, 24, 3, 2, pixels24, {11, 10, 225, 1, 127, 127, 8, 4, 246, 101, 100, 5, 2, 1, 252, 5, 2, 249}},
        {2, 32, 1, 3, pixels32, {11, 10, 225, 40, 1, 127, 127, 77, 8, 4, 246, 200}},
        {2, 8, 3, 2, pixels24, pixels24}, {0, 24, 3, 2, pixels24, pixels24}};
    for (const auto& [mode, bitCount, width, height, before, expected] : cases) {
        t.mode = mode;
        Bytes image = before;
        ApplyColorCorrection(t, image.data(), width, height, bitCount);
        EXPECT_EQ(image, expected) << "mode " << mode << ", " << bitCount << "-bit";
    }
}

TEST(RawCalibration, MarksTheClippedRegionAndMeasuresOnlyThere) {
    constexpr int kMax = std::numeric_limits<int>::max();
    // Region, Bayer mode, correction mode, and the samples lowered by 10
    // (modulo 256): columns x0 ... x1 - 1 of rows y0 ... y1 - 1. Regions past
    // the right and bottom edges, starting left of and above the frame, as
    // wide as can be; empty regions; Bayer modes without a colour order;
    // correction modes without raw tables (and mode 0, see the hooks) mark all the same.
    // clang-format off
    const std::tuple<MeasuringRegion, int, int, std::array<int, 4>> cases[] = {
        {{6, 4, 100, 100}, 0, 3, {6, 4, 10, 8}}, {{-2, -4, 4, 6}, 0, 3, {0, 0, 2, 2}},
        {{2, 2, kMax, kMax}, 0, 3, {2, 2, 10, 8}},
        {{0, 0, 0, 4}, 0, 3, {}}, {{10, 0, 4, 4}, 0, 3, {}}, {{2, 2, -2, 4}, 0, 3, {}},
        {{0, 0, 10, 8}, 24, 3, {}}, {{0, 0, 10, 8}, -1, 1, {}},
        {{0, 0, 10, 8}, 2, 4, {0, 0, 10, 8}}, {{0, 0, 10, 8}, 3, -1, {0, 0, 10, 8}}};
    // clang-format on
    for (const auto& [region, bayerMode, mode, marked] : cases) {
        SCOPED_TRACE(testing::Message() << "region " << region.x << "," << region.y << " " << region.width << " x "
                                        << region.height << ", Bayer mode " << bayerMode << ", mode " << mode);
        Frame frame = MosaicFrame(kBGGR, 10, 8, {3, 200}, {7, 9, 10}, {0, 255});
        Bytes expected = frame.samples;
        const auto [x0, y0, x1, y1] = marked;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) expected[y * 10 + x] -= 10;
        ColourCorrection c{.mode = mode};
        c.blueTable[3] = 77;
        const ColourCorrection unchanged = c;
        Calibrate(c, frame, region, bayerMode);
        EXPECT_EQ(frame.samples, expected);
        const bool measured = x1 > x0 && mode >= 1 && mode <= 3;
        EXPECT_EQ(std::tuple(c.redTable != unchanged.redTable, c.greenTable != unchanged.greenTable,
                             c.blueTable != unchanged.blueTable, c.redOffset),
                  std::tuple(measured, measured, measured, 0));
    }
}

TEST(RawCalibration, ClassifiesSamplesByTheColourOrderOfEveryBayerMode) {
    // Constant planes red 50, green 100, blue 170 give the grey-world offsets
    // +50 and -70 only when every sample is told apart by the frame's mosaic,
    // also in a region that starts on an odd column and row.
    for (int bayerMode = 0; bayerMode <= 23; ++bayerMode) {
        Frame frame = MosaicFrame(bayerMode % 4, 8, 6, {50}, {100}, {170});
        ColourCorrection c{.mode = 1};
        Calibrate(c, frame, {1, 1, 5, 5}, bayerMode);
        EXPECT_EQ(std::pair(c.redOffset, c.blueOffset), std::pair(50, -70)) << "Bayer mode " << bayerMode;
    }
}

TEST(GreyWorld, ShiftsTheRedAndBlueMeansOntoTheGreenMean) {
    struct Case { int order, bayerMode; std::vector<int> red, green, blue; int regionWidth, offsets[3]; };
    // Means red 80.75, green 100.5, blue 119.25 over 4 x 4, and red 100.75,
    // green 80.5, blue 60. BGGR and RGGB take integer means, GRBG and GBRG
    // float means with the difference truncated toward zero. The region is
    // 8 x 8 or the width given of a 4 x 4 frame; column 0 of BGGR holds no
    // red sample, so the correction stays as it was.
    const std::vector<int> red1 = {80, 81, 81, 81}, green1 = {100, 101}, blue1 = {119, 119, 119, 120};
    const std::vector<int> red2 = {101, 101, 101, 100}, green2 = {80, 81}, blue2 = {60};
    const Case cases[] = {
        {kBGGR, 0, {80}, {100}, {120}, 8, {20, 0, -20}},  {kRGGB, 6, red1, green1, blue1, 4, {20, 0, -19}},
        {kGRBG, 5, red1, green1, blue1, 4, {19, 0, -18}}, {kGBRG, 7, red1, green1, blue1, 4, {19, 0, -18}},
        {kGRBG, 1, red2, green2, blue2, 4, {-20, 0, 20}}, {kBGGR, 0, {80}, {100}, {120}, 1, {7, 9, -3}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "Bayer mode " << k.bayerMode << ", width " << k.regionWidth);
        const int size = k.regionWidth == 8 ? 8 : 4;
        Frame frame = MosaicFrame(k.order, size, size, k.red, k.green, k.blue);
        ColourCorrection c{.mode = 1};
        ApplyOffsetRule(c, ColourChannel::Red, 7), ApplyOffsetRule(c, ColourChannel::Green, 9);
        ApplyOffsetRule(c, ColourChannel::Blue, -3);
        Calibrate(c, frame, {0, 0, k.regionWidth, size}, k.bayerMode);
        const auto [red, green, blue] = k.offsets;
        EXPECT_EQ(std::tuple(c.redOffset, c.greenOffset, c.blueOffset, c.redTable, c.greenTable, c.blueTable),
                  std::tuple(red, green, blue, OffsetTable(red), OffsetTable(green), OffsetTable(blue)));
    }
}

TEST(HistogramEqualisation, CumulativeShareTimes255AndTablesThatEndAt255AndNeverDecrease) {
    // Red samples 10, 20, 20, 30: the cumulative share is 1/4 from 10 and 3/4
    // from 20, so 63.75 and 191.25, truncated but rounded per channel for
    // GRBG. The common histogram of 4 red samples of 10, 8 green of 20 and 4
    // blue of 30 has the same shares. Order, mode, red, green and blue lists,
    // red table entries 9, 10, 19, 20 and 30.
    const std::tuple<int, int, std::vector<int>, std::vector<int>, std::vector<int>, std::vector<int>> cases[] = {
        {kBGGR, 2, {10, 20, 20, 30}, {60}, {90}, {0, 63, 63, 191, 255}},
        {kGRBG, 2, {10, 20, 20, 30}, {60}, {90}, {0, 64, 64, 191, 255}},
        {kGRBG, 3, {10}, {20}, {30}, {0, 63, 63, 191, 255}}};
    for (const auto& [order, mode, red, green, blue, entries] : cases) {
        Frame frame = MosaicFrame(order, 4, 4, red, green, blue);
        ColourCorrection c{.mode = mode};
        Calibrate(c, frame, {0, 0, 4, 4}, order);
        const ByteTable& r = c.redTable;
        EXPECT_EQ((std::vector<int>{r[9], r[10], r[19], r[20], r[30]}), entries) << "order " << order << ", " << mode;
        EXPECT_TRUE(mode != 3 || (c.greenTable == r && c.blueTable == r)) << "one table for all in mode 3";
    }
    std::mt19937 random(7);
    for (int run = 0; run < 8; ++run) {  // modes 2 and 3 in every colour order
        Frame frame{32, 24, Bytes(32 * 24)};
        for (auto& sample : frame.samples) sample = static_cast<std::uint8_t>((random() & 0xFF) / 2 + 40);
        ColourCorrection c{.mode = 2 + run / 4};
        Calibrate(c, frame, {4, 2, 20, 16}, run % 4);
        for (const ByteTable* table : {&c.redTable, &c.greenTable, &c.blueTable})
            EXPECT_TRUE((*table)[255] == 255 && std::is_sorted(table->begin(), table->end())) << "run " << run;
    }
    // A colour without samples keeps its table: column 0 of GRBG holds no red.
    Frame frame = MosaicFrame(kGRBG, 8, 8, {80}, {100}, {120});
    ColourCorrection c{.mode = 2};
    c.redTable[5] = 99;
    Calibrate(c, frame, {0, 0, 1, 8}, kGRBG);
    EXPECT_EQ(std::tuple(c.redTable[5], c.redTable[200], c.greenTable[100], c.blueTable[119], c.blueTable[120]),
              std::tuple(99, 200, 255, 0, 255));
}

TEST(WhitePointCalibration, NearWhitePixelsComeOutGreyAndTheRestOfTheStateStays) {
    // Blue, green, red: three warm near-whites (mean red 210, green 180, blue
    // 150) among pure colours and dark pixels whose score stays below the
    // threshold of 60; as 32-bit pixels with a fourth byte 0xEE too.
    Bytes warm = {150, 180, 210, 0, 0, 255, 140, 170, 200, 10, 10, 10, 160, 190, 220, 0, 255, 0, 255, 0, 0, 30, 40, 50};
    for (int bitCount : {24, 32}) {
        ColourCorrection c{.mode = 4, .redOffset = 3, .values = {60, 0, 0}};
        c.greenTable[1] = 42;
        for (std::size_t i = 3; bitCount == 32 && i <= warm.size(); i += 4) warm.insert(warm.begin() + i, 0xEE);
        RunImageCalibration(c, warm.data(), 4, 2, bitCount);
        // A grey mean needs red x 180/210 and blue x 180/150 (the rounded
        // YCbCr coefficients and the truncated entries cost a little).
        EXPECT_NEAR(c.redTable[210], 180, 2);
        EXPECT_NEAR(c.blueTable[150], 180, 2);
        EXPECT_NEAR(c.redTable[255], 255 * 180 / 210, 2);
        EXPECT_EQ(std::tuple(c.blueTable[255], c.redTable[0], c.greenTable, c.redOffset),
                  std::tuple(255, 0, IdentityTable(), 3)) << "blue clamped, green identity, the offsets as they were";
    }
    // Nothing changes without near-white pixels (a white pixel scores 255 at
    // most, and must exceed the threshold), for a black mean (no gains), or
    // on grey images (no colour). Pixels, bit count, threshold.
    const std::tuple<Bytes, int, int> cases[] = {{{255, 255, 254, 150, 180, 210, 200, 200, 200}, 24, 255},
                                                 {{0, 0, 0, 0, 0, 0}, 24, -1}, {{200, 200, 200, 200, 200, 200}, 8, 0}};
    for (const auto& [image, bitCount, threshold] : cases) {
        ColourCorrection c{.values = {threshold, 0, 0}};
        c.redTable[1] = c.blueTable[1] = 42;
        const ColourCorrection before = c;
        RunImageCalibration(c, image.data(), static_cast<int>(image.size() / 3), 1, bitCount);
        EXPECT_EQ(std::pair(c.redTable, c.blueTable), std::pair(before.redTable, before.blueTable)) << threshold;
    }
}

// Calls, then the last state, red, green and blue offsets.
using CallRecord = std::array<int, 5>;

int Record(int state, int red, int green, int blue, void* context) {
    auto* record = static_cast<CallRecord*>(context);
    *record = {(*record)[0] + 1, state, red, green, blue};
    return 0;
}

TEST(CalibrationHooks, EachHookRunsItsOwnModesOncePerRequestAndReportsStateOne) {
    CallRecord record{};
    ColourCorrection c{.mode = 1, .calibrationRequest = true, .callback = Record, .context = &record};
    // A BGGR frame with red 80, green 100 and blue 120 everywhere, and two
    // 24-bit pixels of a warm near-white.
    Frame raw = MosaicFrame(kBGGR, 4, 4, {80}, {100}, {120});
    Bytes image = {150, 180, 210, 150, 180, 210};
    auto rawHook = [&] { return RunRawCalibrationIfRequested(c, raw.samples.data(), 4, 4, {0, 0, 4, 4}, 0); };
    auto imageHook = [&](int bitCount) { return RunImageCalibrationIfRequested(c, image.data(), 2, 1, bitCount); };
    EXPECT_FALSE(imageHook(24)) << "grey world is not an image calibration";
    EXPECT_TRUE(rawHook());
    EXPECT_EQ(std::tuple(c.calibrationRequest, record, raw.samples[1]),
              std::tuple(false, CallRecord{1, 1, 20, 0, -20}, 90)) << "offsets reported, the measured area marked";
    c.mode = 0;  // mode 0 runs too, and changes no table
    c.calibrationRequest = true;
    const ByteTable red = c.redTable;
    EXPECT_TRUE(rawHook());
    EXPECT_EQ(std::tuple(c.calibrationRequest, c.redTable, record[0]), std::tuple(false, red, 2));
    // The white point waits for a colour image.
    c.mode = 4;
    c.values[0] = 50;
    c.calibrationRequest = true;
    EXPECT_FALSE(rawHook());
    EXPECT_EQ(raw.samples[1], 80) << "the raw frame is not touched (mode 0 above marked it again)";
    EXPECT_FALSE(imageHook(8));
    EXPECT_EQ(std::tuple(c.calibrationRequest, record[0]), std::tuple(true, 2));
    EXPECT_TRUE(imageHook(24));
    EXPECT_EQ(std::tuple(c.calibrationRequest, record), std::tuple(false, CallRecord{3, 1, 20, 0, -20}));
    EXPECT_LT(c.redTable[200], 200) << "red gain below 1 for a warm cast";
    EXPECT_FALSE(imageHook(24)) << "once per request";
}

}  // namespace
}  // namespace qcx

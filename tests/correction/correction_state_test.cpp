// The offset rule, the table pass over colour images and the preview hooks
// that run a requested calibration and tell the callback.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/imaging/colour_correction.h"
#include "correction/calibration_frames.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

ByteTable Ramp(int start) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(start + 3 * i);
    return table;
}

TEST(OffsetRule, ByMode) {
    struct Case {
        int mode;
        ColourChannel channel;
        int value, offset;
        std::vector<std::pair<int, int>> entries;  // {i, table[i]} worked by hand
    };
    const Case cases[] = {{1, ColourChannel::Red, 300, 255, {{0, 255}, {255, 255}}},
                          {1, ColourChannel::Blue, -300, -255, {{0, 0}, {255, 0}}},
                          {1, ColourChannel::Green, 20, 20, {{0, 20}, {234, 254}, {235, 255}, {250, 255}}},
                          {1, ColourChannel::Blue, -20, -20, {{10, 0}, {255, 235}}},
                          {0, ColourChannel::Red, 300, 0, {}},
                          {2, ColourChannel::Red, 300, 0, {}},
                          {4, ColourChannel::Blue, 300, 0, {}},
                          {-1, ColourChannel::Green, 300, 0, {}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode << ", channel " << static_cast<int>(k.channel)
                                        << ", value " << k.value);
        ColourCorrection c;
        c.mode = k.mode;
        c.redTable = c.greenTable = c.blueTable = Ramp(5);
        c.redOffset = c.greenOffset = c.blueOffset = 40;
        ApplyOffsetRule(c, k.channel, k.value);
        const int* offsets[3] = {&c.redOffset, &c.greenOffset, &c.blueOffset};
        const ByteTable* tables[3] = {&c.redTable, &c.greenTable, &c.blueTable};
        for (int channel = 0; channel < 3; ++channel) {
            const bool own = channel == static_cast<int>(k.channel);
            const ByteTable expected = !own || k.mode > 1 || k.mode < 0 ? Ramp(5)
                                       : k.mode == 0                    ? IdentityTable()
                                                                        : test::OffsetTable(k.offset);
            EXPECT_EQ(*offsets[channel], own ? k.offset : 40) << "channel " << channel;
            EXPECT_EQ(*tables[channel], expected) << "channel " << channel;
        }
        for (auto [i, v] : k.entries) EXPECT_EQ((*tables[static_cast<int>(k.channel)])[i], v) << "entry " << i;
    }
    // A reset is the rule with 0 on every channel under the current mode.
    ColourCorrection c;
    c.mode = 1;
    c.redTable = c.blueTable = Ramp(1);
    c.redOffset = c.blueOffset = 9;
    ResetOffsets(c);
    EXPECT_EQ(std::tuple(c.redOffset, c.blueOffset, c.redTable, c.blueTable),
              std::tuple(0, 0, IdentityTable(), IdentityTable()));
}

TEST(ApplyColorCorrection, MapsBlueGreenAndRedBytesAndNothingElse) {
    ColourCorrection tables;
    tables.mode = 2;
    for (int i = 0; i < 256; ++i) {
        tables.redTable[i] = static_cast<std::uint8_t>(255 - i);
        tables.greenTable[i] = static_cast<std::uint8_t>(i / 2);
        tables.blueTable[i] = static_cast<std::uint8_t>(i + 1);
    }
    struct Case {
        int mode, bitCount, width, height;
        Bytes image, expected;
    };
    const Bytes pixels24 = {10, 20, 30, 0, 255, 128, 7, 8, 9, 100, 200, 250, 1, 2, 3, 4, 5, 6};
    const Bytes pixels32 = {10, 20, 30, 40, 0, 255, 128, 77, 7, 8, 9, 200};
    const Case cases[] = {
        {2, 24, 3, 2, pixels24, {11, 10, 225, 1, 127, 127, 8, 4, 246, 101, 100, 5, 2, 1, 252, 5, 2, 249}},
        {2, 32, 1, 3, pixels32, {11, 10, 225, 40, 1, 127, 127, 77, 8, 4, 246, 200}},
        {2, 8, 3, 2, pixels24, pixels24},   // grey images have no colour
        {0, 24, 3, 2, pixels24, pixels24},  // mode 0 ignores whatever the tables hold
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode << ", " << k.bitCount << "-bit");
        tables.mode = k.mode;
        Bytes image = k.image;
        ApplyColorCorrection(tables, image.data(), k.width, k.height, k.bitCount);
        EXPECT_EQ(image, k.expected);
    }
}

// Calls, then the last state, red, green and blue offsets.
using CallRecord = std::array<int, 5>;

int Record(int state, int red, int green, int blue, void* context) {
    auto* record = static_cast<CallRecord*>(context);
    *record = {(*record)[0] + 1, state, red, green, blue};
    return 0;
}

class CalibrationHooks : public ::testing::Test {
protected:
    CallRecord record{};
    ColourCorrection c;
    // A BGGR frame with red 80, green 100 and blue 120 everywhere.
    test::Frame raw = test::PlaneFrame(test::kBGGR, 4, 4, 80, 100, 120);
    // Two 24-bit pixels of a warm near-white.
    Bytes image = {150, 180, 210, 150, 180, 210};

    void SetUp() override {
        c.callback = Record;
        c.context = &record;
    }
    bool RawHook() { return RunRawCalibrationIfRequested(c, raw.samples.data(), 4, 4, {0, 0, 4, 4}, 0); }
    bool ImageHook(int bitCount = 24) { return RunImageCalibrationIfRequested(c, image.data(), 2, 1, bitCount); }
};

TEST_F(CalibrationHooks, EachHookRunsItsOwnModesOncePerRequestAndReportsStateOne) {
    c.mode = 1;
    c.calibrationRequest = true;
    EXPECT_FALSE(ImageHook()) << "grey world is not an image calibration";
    EXPECT_TRUE(RawHook());
    EXPECT_EQ(std::tuple(c.calibrationRequest, record, raw.At(1, 0)), std::tuple(false, CallRecord{1, 1, 20, 0, -20}, 90))
        << "offsets reported, the measured area marked";
    EXPECT_FALSE(RawHook());
    EXPECT_EQ(std::tuple(record[0], raw.At(1, 0)), std::tuple(1, 90));
    NotifyColorCorrect(c, 0);  // the state a reset reports
    EXPECT_EQ(record, (CallRecord{2, 0, 20, 0, -20}));
    c.callback = nullptr;
    NotifyColorCorrect(c, 1);
    EXPECT_EQ(record[0], 2) << "no callback, no call";
    c.callback = Record;
    c.mode = 0;  // mode 0 runs too, and changes no table
    c.calibrationRequest = true;
    const ByteTable red = c.redTable;
    EXPECT_TRUE(RawHook());
    EXPECT_EQ(std::tuple(c.calibrationRequest, c.redTable, record[0]), std::tuple(false, red, 3));

    // The white point waits for a colour image.
    c.mode = 4;
    c.values[0] = 50;
    c.calibrationRequest = true;
    EXPECT_FALSE(RawHook());
    EXPECT_EQ(raw.At(1, 0), 80) << "the raw frame is not touched (mode 0 above marked it again)";
    EXPECT_FALSE(ImageHook(8));
    EXPECT_EQ(std::tuple(c.calibrationRequest, record[0]), std::tuple(true, 3));
    EXPECT_TRUE(ImageHook(24));
    EXPECT_EQ(std::tuple(c.calibrationRequest, record), std::tuple(false, CallRecord{4, 1, 20, 0, -20}));
    EXPECT_LT(c.redTable[200], 200) << "red gain below 1 for a warm cast";
    EXPECT_FALSE(ImageHook(24)) << "once per request";
}

}  // namespace
}  // namespace qcx

// The offset rule, the callback, the table pass over colour images and the
// preview hooks that run a requested calibration.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camera/imaging/colour_correction.h"

namespace qcx {
namespace {

ByteTable Ramp(int start) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(start + 3 * i);
    return table;
}

// --------------------------------------------------------------- offset rule

TEST(OffsetRule, GreyWorldModeClampsTheOffsetAndShiftsTheTable) {
    ColourCorrection c;
    c.mode = 1;
    ApplyOffsetRule(c, ColourChannel::Red, 300);
    EXPECT_EQ(c.redOffset, 255);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(c.redTable[i], 255);

    ApplyOffsetRule(c, ColourChannel::Blue, -300);
    EXPECT_EQ(c.blueOffset, -255);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(c.blueTable[i], 0);

    ApplyOffsetRule(c, ColourChannel::Green, 20);
    EXPECT_EQ(c.greenOffset, 20);
    EXPECT_EQ(c.greenTable[0], 20);
    EXPECT_EQ(c.greenTable[235], 255);
    EXPECT_EQ(c.greenTable[250], 255);
    EXPECT_EQ(c.redOffset, 255) << "each channel keeps its own offset";
}

TEST(OffsetRule, OffModeStoresZeroAndRestoresIdentity) {
    ColourCorrection c;
    c.redTable = Ramp(5);
    c.redOffset = 40;
    ApplyOffsetRule(c, ColourChannel::Red, 300);
    EXPECT_EQ(c.redOffset, 0);
    EXPECT_EQ(c.redTable, IdentityTable());
}

TEST(OffsetRule, HistogramAndWhitePointModesStoreZeroAndKeepTheTable) {
    for (int mode : {2, 3, 4, 9, -1}) {
        ColourCorrection c;
        c.mode = mode;
        c.redTable = Ramp(5);
        ApplyOffsetRule(c, ColourChannel::Red, 300);
        EXPECT_EQ(c.redOffset, 0) << "mode " << mode;
        EXPECT_EQ(c.redTable, Ramp(5));
    }
}

TEST(OffsetRule, ResetTakesZeroOnEveryChannelUnderTheCurrentMode) {
    ColourCorrection greyWorld;
    greyWorld.mode = 1;
    ApplyOffsetRule(greyWorld, ColourChannel::Red, 20);
    ApplyOffsetRule(greyWorld, ColourChannel::Blue, -20);
    ResetOffsets(greyWorld);
    EXPECT_EQ(greyWorld.redOffset, 0);
    EXPECT_EQ(greyWorld.blueOffset, 0);
    EXPECT_EQ(greyWorld.redTable, IdentityTable());
    EXPECT_EQ(greyWorld.blueTable, IdentityTable());

    ColourCorrection equalised;
    equalised.mode = 2;
    equalised.greenTable = Ramp(1);
    equalised.greenOffset = 9;
    ResetOffsets(equalised);
    EXPECT_EQ(equalised.greenOffset, 0);
    EXPECT_EQ(equalised.greenTable, Ramp(1));
}

// ------------------------------------------------------------------ callback

struct CallRecord {
    int calls = 0;
    int state = -1, red = 0, green = 0, blue = 0;
};

int Record(int state, int red, int green, int blue, void* context) {
    auto* record = static_cast<CallRecord*>(context);
    ++record->calls;
    record->state = state;
    record->red = red;
    record->green = green;
    record->blue = blue;
    return 0;
}

TEST(ColourCorrectionCallback, ReportsTheStateAndTheOffsetsInForce) {
    CallRecord record;
    ColourCorrection c;
    c.callback = Record;
    c.context = &record;
    c.redOffset = 20;
    c.greenOffset = 1;
    c.blueOffset = -20;
    NotifyColorCorrect(c, 0);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.state, 0);
    EXPECT_EQ(record.red, 20);
    EXPECT_EQ(record.green, 1);
    EXPECT_EQ(record.blue, -20);

    c.callback = nullptr;
    NotifyColorCorrect(c, 1);
    EXPECT_EQ(record.calls, 1) << "no callback, no call";
}

// ----------------------------------------------------------- the table pass

ColourCorrection DistinctTables() {
    ColourCorrection c;
    c.mode = 2;
    for (int i = 0; i < 256; ++i) {
        c.redTable[i] = static_cast<std::uint8_t>(255 - i);
        c.greenTable[i] = static_cast<std::uint8_t>(i / 2);
        c.blueTable[i] = static_cast<std::uint8_t>(i + 1);
    }
    return c;
}

TEST(ApplyColorCorrection, MapsBlueGreenAndRedBytesOf24BitPixels) {
    const ColourCorrection c = DistinctTables();
    std::vector<std::uint8_t> image = {10, 20, 30, 0, 255, 128, 7, 8, 9, 100, 200, 250, 1, 2, 3, 4, 5, 6};
    const std::vector<std::uint8_t> before = image;
    ApplyColorCorrection(c, image.data(), 3, 2, 24);
    for (std::size_t p = 0; p < image.size(); p += 3) {
        EXPECT_EQ(image[p], c.blueTable[before[p]]);
        EXPECT_EQ(image[p + 1], c.greenTable[before[p + 1]]);
        EXPECT_EQ(image[p + 2], c.redTable[before[p + 2]]);
    }
}

TEST(ApplyColorCorrection, Leaves32BitPixelsFourthByte) {
    const ColourCorrection c = DistinctTables();
    std::vector<std::uint8_t> image = {10, 20, 30, 40, 0, 255, 128, 77, 7, 8, 9, 200};
    ApplyColorCorrection(c, image.data(), 1, 3, 32);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{11, 10, 225, 40, 1, 127, 127, 77, 8, 4, 246, 200}));
}

TEST(ApplyColorCorrection, LeavesGreyImagesAndModeZeroUnchanged) {
    ColourCorrection c = DistinctTables();
    std::vector<std::uint8_t> image = {10, 20, 30, 40, 50, 60};
    const std::vector<std::uint8_t> before = image;
    ApplyColorCorrection(c, image.data(), 3, 2, 8);
    EXPECT_EQ(image, before);
    c.mode = 0;
    ApplyColorCorrection(c, image.data(), 2, 1, 24);
    EXPECT_EQ(image, before) << "mode 0 ignores whatever the tables hold";
}

// ------------------------------------------------------------- preview hooks

class CalibrationHooks : public ::testing::Test {
protected:
    CallRecord record;
    ColourCorrection c;
    // A BGGR frame with red 80, green 100, blue 120 everywhere.
    std::vector<std::uint8_t> raw = std::vector<std::uint8_t>(16, 100);
    // Two 24-bit pixels of a warm near-white.
    std::vector<std::uint8_t> image = {150, 180, 210, 150, 180, 210};

    void SetUp() override {
        c.callback = Record;
        c.context = &record;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                if ((x + y) % 2 == 0) raw[y * 4 + x] = (x % 2 == 0) ? 120 : 80;
    }
    bool RawHook() { return RunRawCalibrationIfRequested(c, raw.data(), 4, 4, {0, 0, 4, 4}, 0); }
    bool ImageHook(int bitCount = 24) {
        return RunImageCalibrationIfRequested(c, image.data(), 2, 1, bitCount);
    }
};

TEST_F(CalibrationHooks, RawHookCalibratesClearsTheRequestAndReportsStateOne) {
    c.mode = 1;
    c.calibrationRequest = true;
    EXPECT_FALSE(ImageHook()) << "grey world is not an image calibration";
    EXPECT_TRUE(RawHook());
    EXPECT_FALSE(c.calibrationRequest);
    EXPECT_EQ(c.redOffset, 20);
    EXPECT_EQ(c.blueOffset, -20);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.state, 1);
    EXPECT_EQ(record.red, 20);
    EXPECT_EQ(record.green, 0);
    EXPECT_EQ(record.blue, -20);
    EXPECT_EQ(raw[1], 90) << "the measured area is marked";

    EXPECT_FALSE(RawHook()) << "one calibration per request";
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(raw[1], 90);
}

TEST_F(CalibrationHooks, RawHookRunsForModeZeroToo) {
    c.calibrationRequest = true;
    EXPECT_TRUE(RawHook());
    EXPECT_FALSE(c.calibrationRequest);
    EXPECT_EQ(record.state, 1);
    EXPECT_EQ(c.redTable, IdentityTable());
}

TEST_F(CalibrationHooks, WhitePointRequestGoesToTheImageHookOnly) {
    c.mode = 4;
    c.values[0] = 50;
    c.calibrationRequest = true;
    EXPECT_FALSE(RawHook());
    EXPECT_TRUE(c.calibrationRequest);
    EXPECT_EQ(raw[1], 100) << "the raw frame is not touched";
    EXPECT_EQ(record.calls, 0);

    EXPECT_TRUE(ImageHook());
    EXPECT_FALSE(c.calibrationRequest);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.state, 1);
    EXPECT_LT(c.redTable[200], 200) << "red gain below 1 for a warm cast";
    EXPECT_GT(c.blueTable[200], 200) << "blue gain above 1 for a warm cast";
}

TEST_F(CalibrationHooks, WhitePointRequestWaitsWhileTheImageIsGrey) {
    c.mode = 4;
    c.calibrationRequest = true;
    EXPECT_FALSE(ImageHook(8));
    EXPECT_TRUE(c.calibrationRequest);
    EXPECT_EQ(record.calls, 0);
    EXPECT_TRUE(ImageHook(24));
}

TEST_F(CalibrationHooks, NothingRunsWithoutARequest) {
    c.mode = 1;
    EXPECT_FALSE(RawHook());
    c.mode = 4;
    EXPECT_FALSE(ImageHook());
    EXPECT_EQ(record.calls, 0);
    EXPECT_EQ(raw[1], 100);
    EXPECT_EQ(c.redTable, IdentityTable());
}

}  // namespace
}  // namespace qcx

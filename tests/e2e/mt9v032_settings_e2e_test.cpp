// Parameters, the chip's own loops, the flash pin and frame faults of
// simulated MT9V032s through the shipped library: what reaches the chip's
// registers and what a faulty frame returns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "e2e/sim_session.h"

namespace {

class Mt9v032SettingsE2E : public e2e::SimSession {
protected:
    // Camera 0 is a colour variant on a 24 MHz pixel clock, camera 1 one on
    // 27 MHz, camera 2 a grey variant; opened in order, each on its own node.
    void SetUp() override {
        Start("21,28,22", "fast", "picture");
        for (int camera = 0; camera < 3; ++camera)
            ASSERT_EQ(QCX_DeviceGetInformation(camera, nullptr, nullptr, nullptr), QCX_STATUS_SUCCESS);
        ASSERT_EQ(QCX_CaptureGetSize(0, &width, &height), QCX_STATUS_SUCCESS);
    }
    unsigned short Register(unsigned short reg, int camera = 0) {
        unsigned short value = 0;
        EXPECT_EQ(QCXSimReadSensorReg(node + camera, reg, &value), 1);
        return value;
    }
    unsigned Requests() {
        unsigned count = 0;
        QCXSimGetRequestCount(node, &count);
        return count;
    }
    unsigned Frames() {
        unsigned delivered = 0;
        QCXSimGetFrameCounts(node, &delivered, nullptr);
        return delivered;
    }
    int width = 0;
    int height = 0;
};

TEST_F(Mt9v032SettingsE2E, ValuesAreClampedAndCodedAsTheChipTakesThem) {
    const struct {
        int parameter, value;
        unsigned short reg, written;
    } cases[] = {
        {QCX_HORIZONTALBLANK, 0, 0x05, 61},  {QCX_HORIZONTALBLANK, 5000, 0x05, 1023},
        {QCX_VERTICALBLANK, 0, 0x06, 3},     {QCX_VERTICALBLANK, 40000, 0x06, 32288},
        {QCX_EXPOSURE_LINES, 0, 0x0B, 1},    {QCX_EXPOSURE_LINES, 40000, 0x0B, 32767},
        {QCX_GREEN, 63, 0x35, 79},           {QCX_GREEN, 0, 0x35, 16},
        {QCX_GREEN, -5, 0x35, 16},           {QCX_BLUE, 20, 0x35, 36},
        {QCX_RED, 64, 0x35, 79},  // the last: one gain serves all channels, at most 63
    };
    for (const auto& k : cases) {
        ASSERT_EQ(QCX_SetParam(0, k.parameter, k.value), 1);
        EXPECT_EQ(Register(k.reg), k.written) << "parameter " << k.parameter << " = " << k.value;
    }
    for (const int channel : {QCX_RED, QCX_GREEN, QCX_BLUE}) {
        int gain = -1;
        EXPECT_EQ(QCX_GetParam(0, channel, &gain), 1);
        EXPECT_EQ(gain, 63) << "channel " << channel;
    }
    // The same value again costs no bus transfer.
    const unsigned before = Requests();
    ASSERT_EQ(QCX_SetParam(0, QCX_BLUE, 63), 1);
    EXPECT_EQ(Requests(), before);
    // The chip's loops take an upper limit only.
    for (const auto& [limit, written] : {std::pair{0, 1}, {600, 600}, {5000, 2047}}) {
        ASSERT_EQ(QCX_AECSetRange(0, 500, static_cast<QCX_WORD>(limit)), 1);
        EXPECT_EQ(Register(0xBD), written);
    }
    for (const auto& [limit, written] : {std::pair{0, 16}, {40, 40}, {100, 63}}) {
        ASSERT_EQ(QCX_AGCSetRange(0, 50, static_cast<QCX_WORD>(limit)), 1);
        EXPECT_EQ(Register(0x36), written);
    }
    QCX_WORD gain[2] = {}, exposure[2] = {};
    ASSERT_EQ(QCX_AGCGetRange(0, &gain[0], &gain[1]), 1);
    ASSERT_EQ(QCX_AECGetRange(0, &exposure[0], &exposure[1]), 1);
    EXPECT_EQ((std::vector<int>{gain[0], gain[1], exposure[0], exposure[1]}), (std::vector{16, 63, 1, 2047}));
}

TEST_F(Mt9v032SettingsE2E, ExposureTimeIsAWholeNumberOfRowsOfTheCurrentLine) {
    // Line length 752 + 94 pixel clocks; an exposure of n rows lasts n + 1
    // lines less 255 clocks.
    for (const auto& [camera, ms, clockMs] : {std::tuple{0, 10.0f, 4.166666e-5}, {1, 33.3f, 3.703703e-5}}) {
        SCOPED_TRACE(camera);
        ASSERT_EQ(QCX_ExposureTimeSet(camera, ms), 1);
        const unsigned short rows = Register(0x0B, camera);
        EXPECT_EQ(rows, static_cast<unsigned short>((ms / clockMs - (846 - 255)) / 846 + 0.5));
        float time = 0;
        ASSERT_EQ(QCX_ExposureTimeGet(camera, &time), 1);
        EXPECT_NEAR(time, clockMs * (846.0 * rows + 846 - 255), 1e-4) << "the time of the rows, not the time asked";
        EXPECT_LT(std::fabs(time - ms), 846 * clockMs);
    }

    int minimum = 7, maximum = 7;
    EXPECT_EQ(QCX_GetParamRange(0, 25, &minimum, &maximum), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 0);

    // A narrower window shortens the line: the same time needs more rows.
    ASSERT_EQ(QCX_ExposureTimeSet(0, 10.0f), 1);
    const unsigned short fullWidthRows = Register(0x0B);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(0, 0, 0, 320, 240, 0, 0), 1);
    EXPECT_GT(Register(0x0B), fullWidthRows);
}

TEST_F(Mt9v032SettingsE2E, ReadModeBitsReachTheChipAndEachChangeDropsOneFrame) {
    EXPECT_EQ(Register(0x0D, 2), 0x0310) << "a grey variant flips its rows from the start";
    EXPECT_EQ(Register(0x0D), 0x0300);

    // The frame exposed the old way is read and dropped; no change, no frame.
    const struct {
        int parameter, value;
        unsigned short readMode;
        unsigned dropped;
    } steps[] = {{QCX_FLIP, 7, 0x0310, 1}, {QCX_MIRROR, 1, 0x0330, 1}, {QCX_FLIP, 0, 0x0320, 1}, {QCX_FLIP, 0, 0x0320, 0}};
    for (const auto& k : steps) {
        const unsigned frames = Frames();
        ASSERT_EQ(QCX_SetParam(0, k.parameter, k.value), 1);
        EXPECT_EQ(Register(0x0D), k.readMode) << k.parameter << " = " << k.value;
        EXPECT_EQ(Frames(), frames + k.dropped);
    }
    int flip = 1;
    ASSERT_EQ(QCX_GetParam(0, QCX_FLIP, &flip), 1);
    EXPECT_EQ(flip, 0);

    // Companding switches the ADC mode bits and keeps the others.
    ASSERT_EQ(QCX_SetParam(0, QCX_COMPANDING, 1), 1);
    EXPECT_EQ(Register(0x1C), 3);
    ASSERT_EQ(QCX_SetParam(0, QCX_COMPANDING, 0), 1);
    EXPECT_EQ(Register(0x1C), 2);
}

TEST_F(Mt9v032SettingsE2E, FaultyFramesReturnTheirStatusAndTheNextCaptureWorks) {
    std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height);
    ASSERT_EQ(QCX_CaptureSetTimeOut(0, 50), 1);
    ASSERT_EQ(QCXSimDropFrames(node, 1), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    // Frames that come have time to arrive, also over an emulated USB bus
    // under the sanitizers.
    ASSERT_EQ(QCX_CaptureSetTimeOut(0, 5000), 1);
    ASSERT_EQ(QCXSimShortFrames(node, 1, 1000), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_INVALID_FRAME);
    ASSERT_EQ(QCXSimEmptyFrames(node, 1), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_ZERO_FRAME);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_SUCCESS);
}

TEST_F(Mt9v032SettingsE2E, ChipLoopsAndTheFlashPinAreBitsOfTheChip) {
    ASSERT_EQ(QCX_AECSetEnable(0, 2), 1);
    EXPECT_EQ(Register(0xAF) & 3, 1);
    ASSERT_EQ(QCX_AGCSetEnable(0, 1), 1);
    EXPECT_EQ(Register(0xAF) & 3, 3);
    ASSERT_EQ(QCX_AECSetEnable(0, 0), 1);
    QCX_BOOL8 aec = 1, agc = 0;
    ASSERT_EQ(QCX_AECGetEnable(0, &aec), 1);
    ASSERT_EQ(QCX_AGCGetEnable(0, &agc), 1);
    EXPECT_EQ((std::pair<int, int>(aec, agc)), (std::pair(0, 1)));
    // The loops' current values are read from the chip each time.
    QCX_WORD gain = 0, exposure = 0;
    ASSERT_EQ(QCX_AGCGetCur(0, &gain), 1);
    ASSERT_EQ(QCX_AECGetCur(0, &exposure), 1);
    EXPECT_EQ((std::pair(gain, exposure)), (std::pair(Register(0xBA), Register(0xBB))));

    // LED_OUT: bit 0 disables the pin, bit 1 inverts it; the pin has no modes.
    ASSERT_EQ(QCX_FlashControlSet(0, 0, 9, 5), 1);
    EXPECT_EQ(Register(0x1B) & 3, 3);
    QCX_BOOL8 enable = 9, invert = 9;
    int mode = 9;
    ASSERT_EQ(QCX_FlashControlGet(0, &enable, &invert, &mode), 1);
    EXPECT_EQ((std::tuple<int, int, int>(enable, invert, mode)), (std::tuple(0, 1, 0)));
    ASSERT_EQ(QCX_FlashControlSet(0, 1, 0, 0), 1);
    EXPECT_EQ(Register(0x1B) & 3, 0);
}

}  // namespace

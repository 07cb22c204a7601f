// Parameters and frame faults of a simulated MT9V032 through the shipped
// library: what reaches the chip's registers and what a faulty frame returns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "e2e/sim_session.h"

namespace {

class Mt9v032SettingsE2E : public e2e::SimSession {
protected:
    void SetUp() override {
        Start("21", "fast", "picture");
        ASSERT_EQ(QCX_CaptureGetSize(0, &width, &height), QCX_STATUS_SUCCESS);
    }
    unsigned short Register(unsigned short reg) {
        unsigned short value = 0;
        EXPECT_EQ(QCXSimReadSensorReg(node, reg, &value), 1);
        return value;
    }
    unsigned Requests() {
        unsigned count = 0;
        QCXSimGetRequestCount(node, &count);
        return count;
    }
    int width = 0;
    int height = 0;
};

TEST_F(Mt9v032SettingsE2E, OneGainServesAllChannelsAndIsCodedAsTheChipWantsIt) {
    const struct {
        int gain;
        unsigned short code;
        int readBack;
    } cases[] = {{63, 79, 63}, {64, 79, 63}, {0, 16, 0}, {-5, 16, 0}, {20, 36, 20}};
    for (const auto& k : cases) {
        ASSERT_EQ(QCX_SetParam(0, QCX_GREEN, k.gain), 1);
        EXPECT_EQ(Register(0x35), k.code) << "gain " << k.gain;
        for (int channel : {QCX_RED, QCX_GREEN, QCX_BLUE}) {
            int value = -1;
            EXPECT_EQ(QCX_GetParam(0, channel, &value), 1);
            EXPECT_EQ(value, k.readBack);
        }
    }
    // The same value again costs no bus transfer.
    ASSERT_EQ(QCX_SetParam(0, QCX_RED, 30), 1);
    const unsigned before = Requests();
    ASSERT_EQ(QCX_SetParam(0, QCX_BLUE, 30), 1);
    EXPECT_EQ(Requests(), before);
}

TEST_F(Mt9v032SettingsE2E, ExposureTimeIsAWholeNumberOfRowsOfTheCurrentLine) {
    ASSERT_EQ(QCX_ExposureTimeSet(0, 10.0f), 1);
    // Line length 752 + 94 pixel clocks of 1/24 MHz.
    const unsigned short rows = Register(0x0B);
    const double line = (752 + 94) * 4.166666e-5;
    EXPECT_EQ(rows, static_cast<unsigned short>((10.0 / 4.166666e-5 - (846 - 255)) / 846 + 0.5));
    float time = 0;
    ASSERT_EQ(QCX_ExposureTimeGet(0, &time), 1);
    EXPECT_NEAR(time, 4.166666e-5 * (846.0 * rows + 846 - 255), 1e-4);
    EXPECT_LT(std::fabs(time - 10.0f), line);

    ASSERT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 0), 1);  // raised to 1 ms
    int ms = -1;
    ASSERT_EQ(QCX_GetParam(0, QCX_EXPOSURE, &ms), 1);
    EXPECT_EQ(ms, 1);
    int minimum = 0, maximum = 0;
    ASSERT_EQ(QCX_GetParamRange(0, QCX_EXPOSURE_LINES, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 1);
    EXPECT_EQ(maximum, 32767);
    EXPECT_EQ(QCX_GetParamRange(0, 25, &minimum, &maximum), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 0);

    // A narrower window shortens the line: the same time needs more rows.
    ASSERT_EQ(QCX_ExposureTimeSet(0, 10.0f), 1);
    const unsigned short fullWidthRows = Register(0x0B);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(0, 0, 0, 320, 240, 0, 0), 1);
    EXPECT_GT(Register(0x0B), fullWidthRows);
}

TEST_F(Mt9v032SettingsE2E, ReadModeParametersReachTheChip) {
    ASSERT_EQ(QCX_SetParam(0, QCX_FLIP, 7), 1);
    EXPECT_EQ(Register(0x0D) & 0x10, 0x10);
    int flip = 0;
    ASSERT_EQ(QCX_GetParam(0, QCX_FLIP, &flip), 1);
    EXPECT_EQ(flip, 1);
    ASSERT_EQ(QCX_SetParam(0, QCX_MIRROR, 1), 1);
    EXPECT_EQ(Register(0x0D) & 0x20, 0x20);
    ASSERT_EQ(QCX_SetParam(0, QCX_COMPANDING, 1), 1);
    EXPECT_EQ(Register(0x1C) & 3, 3);
    EXPECT_EQ(QCX_SetParam(0, QCX_BIN, 1), QCX_STATUS_NOT_SUPPORTED);
    ASSERT_EQ(QCX_SetParam(0, QCX_HORIZONTALBLANK, 5000), 1);
    EXPECT_EQ(Register(0x05), 1023);
}

TEST_F(Mt9v032SettingsE2E, FaultyFramesReturnTheirStatusAndTheNextCaptureWorks) {
    std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height);
    ASSERT_EQ(QCX_CaptureSetTimeOut(0, 50), 1);
    ASSERT_EQ(QCXSimDropFrames(node, 1), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    ASSERT_EQ(QCXSimShortFrames(node, 1, 1000), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_INVALID_FRAME);
    ASSERT_EQ(QCXSimEmptyFrames(node, 1), 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_ZERO_FRAME);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_SUCCESS);
}

TEST_F(Mt9v032SettingsE2E, ChipAutomaticControlsAreSwitchedAndBounded) {
    ASSERT_EQ(QCX_AECSetEnable(0, 1), 1);
    ASSERT_EQ(QCX_AGCSetEnable(0, 1), 1);
    EXPECT_EQ(Register(0xAF) & 3, 3);
    ASSERT_EQ(QCX_AGCSetRange(0, 0, 100), 1);
    EXPECT_EQ(Register(0x36), 63);
    ASSERT_EQ(QCX_AECSetRange(0, 0, 0), 1);
    EXPECT_EQ(Register(0xBD), 1);
    QCX_WORD minimum = 0, maximum = 0;
    ASSERT_EQ(QCX_AGCGetRange(0, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 16);
    EXPECT_EQ(maximum, 63);
}

}  // namespace

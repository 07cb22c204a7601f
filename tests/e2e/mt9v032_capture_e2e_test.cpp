// A simulated MT9V032 through the shipped library and its C headers only:
// windows, still capture of the exact ramp scene, the flush rule, time-outs
// and unplugging.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "e2e/sim_session.h"

namespace {

class Mt9v032CaptureE2E : public e2e::SimSession {
protected:
    // Opens the simulated cameras of `list` with the ramp scene and frames
    // as fast as they can be made.
    void Start(const char* list) {
        SimSession::Start(list, "fast", "ramp");
        ASSERT_EQ(QCX_CaptureGetSize(camera, &width, &height), QCX_STATUS_SUCCESS);
    }
    std::vector<unsigned char> CaptureRaw() {
        std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_SUCCESS);
        return frame;
    }
    unsigned Flushes(int offset = 0) {
        unsigned count = 0;
        QCXSimGetFlushCount(node + offset, &count);
        return count;
    }
    int width = 0;
    int height = 0;
};

// The ramp sample at absolute sensor column c and row r.
unsigned char Ramp(int c, int r) { return static_cast<unsigned char>((c + 2 * r) % 256); }

TEST_F(Mt9v032CaptureE2E, OpensWithTheChipWindowAndAutomaticsOffAndCapturesTheSceneAndItsCrops) {
    Start("21");
    const std::vector<int> chip{0, 0, 752, 480, 0, 0};
    std::vector<int> f(6, -1);
    EXPECT_EQ(QCX_CaptureGetFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1);
    EXPECT_EQ(f, chip);
    EXPECT_EQ(QCX_PreviewGetDefaultFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1);
    EXPECT_EQ(f, chip);
    int w = 0, h = 0, bits = 0, dataBits = 0;
    EXPECT_EQ(QCX_CaptureGetSizeExEx(camera, &w, &h, &bits, &dataBits), 1);
    EXPECT_EQ((std::vector{w, h, bits, dataBits}), (std::vector{752, 480, 24, 8}));
    unsigned short enable = 0xFFFF;
    ASSERT_EQ(QCXSimReadSensorReg(node, 0xAF, &enable), 1);
    EXPECT_EQ(enable & 3, 0) << "the chip's own exposure and gain control are switched off";
    const std::vector<unsigned char> frame = CaptureRaw();
    // The window starts at absolute column 1, row 4.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // The last two columns repeat the two before them; the last row
            // is a copy of the (patched) row two above it.
            const int sx = x >= width - 2 ? x - 2 : x;
            const int sy = y == height - 1 ? height - 3 : y;
            ASSERT_EQ(frame[y * width + x], Ramp(1 + sx, 4 + sy)) << "x " << x << " y " << y;
        }
    }
    // A window capture is the crop of the full one.
    const int fullWidth = width;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 64, 32, 200, 100, 0, 0), 1);
    ASSERT_EQ(QCX_CaptureGetSize(camera, &width, &height), 1);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 100);
    const std::vector<unsigned char> crop = CaptureRaw();
    for (int y = 0; y < height - 1; ++y)
        for (int x = 0; x < width - 2; ++x)
            ASSERT_EQ(crop[y * width + x], frame[(32 + y) * fullWidth + 64 + x]) << "x " << x << " y " << y;
}

TEST_F(Mt9v032CaptureE2E, WindowsAreClampedAndAlignedToTheSensor) {
    Start("21");
    struct Case {
        int c, r, w, h, cm, rm;
        int expectC, expectR, expectW, expectH, outW, outH;
    };
    const Case cases[] = {
        {0, 0, 100, 75, 0, 0, 0, 0, 104, 76, 104, 76},
        {700, 0, 96, 64, 0, 0, 656, 0, 96, 64, 96, 64},
        {0, 0, 752, 480, 3, 0, 0, 0, 752, 480, 188, 480},
        {0, 0, 752, 480, 3, 1, 0, 0, 752, 480, 188, 240},
        {INT_MAX, INT_MAX, 96, 64, 0, 0, 656, 416, 96, 64, 96, 64},
    };
    for (const Case& k : cases) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, k.c, k.r, k.w, k.h, k.cm, k.rm), 1);
        int c = -1, r = -1, w = 0, h = 0;
        QCX_CaptureGetFieldOfView(camera, &c, &r, &w, &h, nullptr, nullptr);
        QCX_CaptureGetSize(camera, &width, &height);
        EXPECT_EQ((std::vector{c, r, w, h, width, height}),
                  (std::vector{k.expectC, k.expectR, k.expectW, k.expectH, k.outW, k.outH}))
            << "request " << k.c << "," << k.r << " " << k.w << " x " << k.h;
        CaptureRaw();  // a frame of that size comes
    }

    // A start parameter at the end of int is clamped like any other start past the array.
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 96, 64, 0, 0), 1);
    for (const auto& [parameter, end] : {std::pair{QCX_PREVIEW_COLUMNSTART, 656}, {QCX_PREVIEW_ROWSTART, 416},
                                         {QCX_CAPTURE_COLUMNSTART, 656}, {QCX_CAPTURE_ROWSTART, 416}}) {
        int start = -1;
        ASSERT_EQ(QCX_SetParam(camera, parameter, INT_MAX), 1);
        EXPECT_EQ(QCX_GetParam(camera, parameter, &start), 1);
        EXPECT_EQ(start, end) << "parameter " << parameter;
    }
}

TEST_F(Mt9v032CaptureE2E, MonochromeCamerasDeliverTheRawFrameAsTheirImageAndOnesThatFailToInitialiseDoNotOpen) {
    Start("22,15");
    // The next index after the MT9V032 finds only an MT9J001 of type 15,
    // whose array the driver does not know.
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdEEPROM(camera + 1, 0, &value), QCX_STATUS_NOT_INITIALIZED);
    EXPECT_EQ(QCX_DeviceGetInformation(camera + 1, nullptr, nullptr, nullptr), QCX_STATUS_NOT_INITIALIZED);
    int bits = 0;
    ASSERT_EQ(QCX_CaptureGetSizeEx(camera, nullptr, nullptr, &bits), 1);
    EXPECT_EQ(bits, 8);
    const std::vector<unsigned char> raw = CaptureRaw();
    std::vector<unsigned char> image(raw.size(), 0xEE);
    EXPECT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
    EXPECT_EQ(image, raw);
    int w = 0, h = 0;
    bits = 0;
    EXPECT_EQ(QCX_CaptureRgbDataEx(camera, image.data(), &w, &h, &bits), 1);
    EXPECT_EQ((std::vector{w, h, bits}), (std::vector{752, 480, 8}));
    EXPECT_EQ(image, raw);
    EXPECT_EQ(QCX_CaptureRgbDataExAfterEmptyFrameBuffer(camera, image.data(), nullptr, nullptr, &bits), 1);
    EXPECT_EQ(image, raw);
}

TEST_F(Mt9v032CaptureE2E, CapturesAfterAFlushFlushOnceOrTwiceButNeverInTriggerModeOrWithoutTheWord) {
    Start("28,21");
    std::vector<unsigned char> buffer(static_cast<std::size_t>(width) * height * 4);
    unsigned before = Flushes();
    ASSERT_EQ(QCX_CaptureRawDataAfterEmptyFrameBuffer(camera, buffer.data()), 1);
    EXPECT_EQ(Flushes(), before + 1);
    before = Flushes();
    ASSERT_EQ(QCX_CaptureRgbDataAfterEmptyFrameBuffer(camera, buffer.data()), 1);
    EXPECT_EQ(Flushes(), before + 2);
    before = Flushes();
    int bits = 0;
    ASSERT_EQ(QCX_CaptureRgbDataExAfterEmptyFrameBuffer(camera, buffer.data(), nullptr, nullptr, &bits), 1);
    EXPECT_EQ(Flushes(), before + 1);
    EXPECT_EQ(bits, 24);
    before = Flushes();
    ASSERT_EQ(QCX_CaptureRgbData(camera, buffer.data()), 1);
    EXPECT_EQ(Flushes(), before) << "the plain captures do not flush";

    ASSERT_EQ(QCXSimSetWorkingMode(node, 0x0001), 1);  // external trigger
    before = Flushes();
    QCX_CaptureSetTimeOut(camera, 200);
    QCX_CaptureRgbDataAfterEmptyFrameBuffer(camera, buffer.data());
    EXPECT_EQ(Flushes(), before);
    // The MT9V032 of type 21 has no working-mode word to flush with.
    ASSERT_EQ(QCX_CaptureRgbDataAfterEmptyFrameBuffer(1, buffer.data()), 1);
    EXPECT_EQ(Flushes(1), 0u);
}

TEST_F(Mt9v032CaptureE2E, ATimeOutOfZeroRecoversAndAnUnpluggedCameraComesBackWhenReplugged) {
    Start("21");
    std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height);
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 0), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 8000), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
    // The window survives the recovery: the registers were written again.
    int w = 0;
    QCX_CaptureGetFieldOfView(camera, nullptr, nullptr, &w, nullptr, nullptr, nullptr);
    EXPECT_EQ(w, 752);

    // An unplugged camera fails cleanly and comes back when replugged.
    ASSERT_EQ(QCXSimUnplug(node), 1);
    const int status = QCX_CaptureRawData(camera, frame.data());
    EXPECT_TRUE(status == QCX_STATUS_FAIL || status == QCX_STATUS_RECOVERY_FAIL) << status;
    QCX_WORD value = 0;
    EXPECT_EQ(QCX_RdSensorReg(camera, 0x01, &value), QCX_STATUS_NOT_INITIALIZED);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_FAIL);

    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
    EXPECT_EQ(QCX_RdSensorReg(camera, 0x01, &value), 1);
    EXPECT_EQ(value, 1);
}

}  // namespace

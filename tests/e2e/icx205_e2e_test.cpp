// Simulated ICX205 CCD cameras through the shipped library: the full frame
// only, mirror and flip done on the frames, the exposure as the timing
// generator's two commands and the gains through the analog front end.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "e2e/sim_session.h"

namespace {

int Ramp(int c, int r) { return (c + 2 * r) % 256; }

class Icx205E2E : public e2e::SimSession {
protected:
    unsigned short Chip(unsigned short reg) { return e2e::SimSensorReg(node, reg); }
    unsigned Requests() { return e2e::SimRequests(node); }
    std::vector<unsigned char> LastData() {
        unsigned char record[QCXSIM_RECORD_SIZE];
        std::vector<unsigned char> data(16);
        unsigned length = 0;
        QCXSimGetLastRequest(node, record, data.data(), &length);
        data.resize(length);
        return data;
    }
    std::vector<unsigned char> Raw() {
        std::vector<unsigned char> frame(1360 * 1024);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        return frame;
    }
};

TEST_F(Icx205E2E, BothTypesOpenOnTheFullFrameAndRefuseWindows) {
    Start("19,20");
    for (camera = 0; camera < 2; ++camera) {
        std::vector<int> f(6, -1);
        ASSERT_EQ(QCX_PreviewGetFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1);
        EXPECT_EQ(f, (std::vector{0, 0, 1360, 1024, 0, 0}));
        int bits = 0, bayer = -1;
        QCX_CaptureGetSizeEx(camera, nullptr, nullptr, &bits);
        QCX_BayerGetDefaultMode(camera, &bayer);
        EXPECT_EQ((std::vector{bits, bayer}), (std::vector{camera == 0 ? 24 : 8, 3}));
    }
    camera = 0;
    // Opening programs the chips' reset values: gain 512, clamp 0, CDS code
    // 0x20, 2047 lines.
    EXPECT_EQ((std::vector{Chip(1), Chip(2), Chip(4), Chip(85)}), (std::vector<unsigned short>{512, 0, 0x20, 2047}));
    const unsigned before = Requests();
    EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 640, 480, 0, 0), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_PreviewSetFieldOfView(camera, 8, 8, 640, 480, 0, 0), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_SetParam(camera, QCX_CAPTURE_COLUMNSTART, 8), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_SetParam(camera, QCX_RED, 400), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(Requests(), before);
    int w = 0, h = 0;
    QCX_CaptureGetSize(camera, &w, &h);
    EXPECT_EQ((std::vector{w, h}), (std::vector{1360, 1024}));
}

// Types 6, 46 and 47 have the I/O lines, working mode or 16-bit transfer
// of a camera but no sensor family: they cannot be opened.
TEST_F(Icx205E2E, TypesOfNoSensorFamilyDoNotOpen) {
    Start("6,46,47");
    for (camera = 0; camera < 3; ++camera)
        EXPECT_EQ(QCX_DeviceGetInformation(camera, nullptr, nullptr, nullptr), QCX_STATUS_NOT_INITIALIZED);
}

// The frames are the ramp; mirror and flip are done on the frames, and the
// grey camera starts with its rows flipped.
TEST_F(Icx205E2E, FramesAreTheRampMirroredAndFlippedInSoftware) {
    Start("19,20");
    for (camera = 0; camera < 2; ++camera) {
        int flip = -1;
        ASSERT_EQ(QCX_GetParam(camera, QCX_FLIP, &flip), 1);
        EXPECT_EQ(flip, camera);
        for (const int flips : {0, 1, 2, 3}) {  // bit 0 mirror, bit 1 flip
            ASSERT_EQ(QCX_SetParam(camera, QCX_MIRROR, flips & 1), 1);
            ASSERT_EQ(QCX_SetParam(camera, QCX_FLIP, flips >> 1), 1);
            const std::vector<unsigned char> frame = Raw();
            for (int y = 1; y < 1023; y += 31) {
                for (int x = 2; x < 1358; x += 5) {
                    const int c = flips & 1 ? 1359 - x : x;
                    const int r = flips & 2 ? 1023 - y : y;
                    ASSERT_EQ(frame[y * 1360 + x], Ramp(c, r)) << camera << " " << flips << ": " << x << "," << y;
                }
            }
        }
    }
    QCX_UnInit();
    Start("19", "fast", "picture");
    camera = 0;
    std::vector<unsigned char> image(1360 * 1024 * 3);
    ASSERT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
    // The red patch, second of the picture's top row (bottom-up rows).
    long sum[3] = {0, 0, 0};
    for (int y = 1024 - 160; y < 1024 - 40; ++y)
        for (int x = 260; x < 400; ++x)
            for (int k = 0; k < 3; ++k) sum[k] += image[(y * 1360 + x) * 3 + k];
    EXPECT_GT(sum[2], 2 * sum[1]);
    EXPECT_GT(sum[2], 2 * sum[0]);
}

TEST_F(Icx205E2E, ExposureReachesTheTimingGeneratorAndGainsTheFrontEnd) {
    Start("19");
    // 2047 lines: one whole frame of lines and the shutter at its last
    // position, 2046, sent least significant bit first.
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 2046), 1);
    EXPECT_EQ(LastData(), (std::vector<unsigned char>{0x81, 0x40, 0x00, 0, 0, 0}));
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 2047), 1);
    EXPECT_EQ(LastData(), (std::vector<unsigned char>{0x81, 0x47, 0xFE, 0, 0, 0}));
    EXPECT_EQ(Chip(85), 2047);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 40000), 1);
    EXPECT_EQ(Chip(85), 40000);
    ASSERT_EQ(QCX_ExposureTimeSet(camera, 1.0f), 1);
    EXPECT_EQ(Chip(85), 12);
    // A long exposure sets the frame time the camera reports.
    float exposure = 0;
    double frameMs = 0;
    ASSERT_EQ(QCX_ExposureTimeSet(camera, 700.0f), 1);
    ASSERT_EQ(QCX_ExposureTimeGet(camera, &exposure), 1);
    ASSERT_EQ(QCXSimGetFrameTime(node, &frameMs), 1);
    EXPECT_NEAR(exposure, frameMs, 0.01);

    struct Case {
        int parameter, value;
        unsigned short reg, chip;
        int readBack;
    };
    const Case cases[] = {
        {QCX_CDSGAIN, 40, 4, 0x08, 40},     {QCX_CDSGAIN, 0, 4, 0x20, 0},     {QCX_CDSGAIN, 99, 4, 0x1F, 63},
        {QCX_VGAGAIN, 200, 1, 300, 300},    {QCX_VGAGAIN, 2000, 1, 1023, 1023}, {QCX_CLAMPLEVEL, 300, 2, 255, 255},
        {QCX_CLAMPLEVEL, -5, 2, 0, 0},
    };
    for (const Case& k : cases) {
        ASSERT_EQ(QCX_SetParam(camera, k.parameter, k.value), 1);
        int back = -1;
        QCX_GetParam(camera, k.parameter, &back);
        EXPECT_EQ((std::vector{int{Chip(k.reg)}, back}), (std::vector{int{k.chip}, k.readBack})) << k.value;
    }
    int green = 0, vga = 0;
    ASSERT_EQ(QCX_SetParam(camera, QCX_VGAGAIN, 777), 1);
    ASSERT_EQ(QCX_GetParam(camera, QCX_GREEN, &green), 1);
    QCX_GetParam(camera, QCX_VGAGAIN, &vga);
    EXPECT_EQ((std::vector{green, vga}), (std::vector{777, 777})) << "the colour gains read the front end's gain";
}

// The exposure's second command fails: the camera keeps the exposure it had,
// and setting that again sends both commands, so the chip is whole again.
TEST_F(Icx205E2E, AFailureBetweenTheTwoTimingCommandsIsMendedByTheNextExposure) {
    Start("19");
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 1000), 1);
    ASSERT_EQ(QCXSimFailRequestsAfter(node, 1, 1, QCXSIM_FAIL_REFUSE), 1);
    EXPECT_NE(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 5000), 1);
    int lines = 0;
    QCX_GetParam(camera, QCX_EXPOSURE_LINES, &lines);
    EXPECT_EQ(lines, 1000);
    const unsigned before = Requests();
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 1000), 1);
    EXPECT_EQ((std::vector{Requests() - before, unsigned{Chip(85)}}), (std::vector{2u, 1000u}));
}

TEST_F(Icx205E2E, UnplugDuringAFrameFailsTheCaptureAndReplugRestoresTheChips) {
    Start("19", "realtime");
    ASSERT_EQ(QCX_SetParam(camera, QCX_VGAGAIN, 700), 1);
    std::vector<unsigned char> frame(1360 * 1024);
    int result = 1;
    std::thread capture([&] { result = QCX_CaptureRawData(camera, frame.data()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ASSERT_EQ(QCXSimUnplug(node), 1);
    capture.join();
    EXPECT_NE(result, 1);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return QCX_CaptureRawData(camera, frame.data()) == 1; }));
    EXPECT_EQ(Chip(1), 700);
}

}  // namespace

// Simulated 1628 x 1236 CCD cameras through the shipped library: always the
// full frame, mirror and flip done on the frames, five registers over the
// register request, and a frame held by the camera until it is released.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"

namespace {

constexpr int W = 1628, H = 1236;
int Ramp(int c, int r) { return (c + 2 * r) % 256; }

class Ccd1628E2E : public e2e::SimSession {
protected:
    std::vector<unsigned char> Raw(int bytesPerSample = 1) {
        std::vector<unsigned char> frame(static_cast<std::size_t>(W) * H * bytesPerSample);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        return frame;
    }
    unsigned Count(int (*counter)(int, unsigned*)) {
        unsigned count = 0;
        counter(node, &count);
        return count;
    }
    // The data of the last request against a register write of `value`.
    void ExpectLastWrite(int reg, int value) {
        unsigned char record[QCXSIM_RECORD_SIZE], data[QCXSIM_HOST_DATA_MAX];
        unsigned length = 0;
        QCXSimGetLastRequest(node, record, data, &length);
        EXPECT_EQ(std::vector(data, data + std::min(length, 8u)),
                  (std::vector<unsigned char>{static_cast<unsigned char>(reg), 0, static_cast<unsigned char>(value % 256),
                                              static_cast<unsigned char>(value / 256), 0, 0}));
    }
};

// Frames are the scene at the array's addresses: the colour type's default
// Bayer mode fits its filter, the grey type's rows come bottom-up, mirror and
// flip reorder them, and 16 bits carry twelve.
TEST_F(Ccd1628E2E, BothTypesOpenFullFrameAndReadTheSceneThroughTheFrameFlips) {
    Start("48,49");
    for (camera = 0; camera < 2; ++camera) {
        std::vector<int> f(6, -1);
        int bits = 0, bayer = -1, flip = -1;
        ASSERT_EQ(QCX_CaptureGetFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1);
        QCX_CaptureGetSizeEx(camera, nullptr, nullptr, &bits);
        QCX_BayerGetDefaultMode(camera, &bayer);
        QCX_GetParam(camera, QCX_FLIP, &flip);
        EXPECT_EQ(f, (std::vector{0, 0, W, H, 0, 0}));
        EXPECT_EQ((std::vector{bits, bayer, flip}), (std::vector{camera == 0 ? 24 : 8, 1, camera}));
    }
    // The picture's red patch, second of the top row (columns 17-33 %, rows
    // 1-19 %), comes out red; the image rows are bottom-up.
    camera = 0;
    ASSERT_EQ(QCXSimSetScene(node, QCXSIM_SCENE_PICTURE), 1);
    std::vector<unsigned char> image(W * H * 3);
    ASSERT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
    long sum[3] = {0, 0, 0};  // blue, green, red
    for (int y = H * 5 / 100; y < H * 15 / 100; ++y)
        for (int x = W * 22 / 100; x < W * 30 / 100; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += image[((H - 1 - y) * W + x) * 3 + c];
    EXPECT_GT(sum[2], 2 * std::max(sum[0], sum[1]));
    ASSERT_EQ(QCXSimSetScene(node, QCXSIM_SCENE_RAMP), 1);

    for (const auto [index, mirror, flip] : {std::array{0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {1, 1, 0}, {0, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << index << " mirror " << mirror << " flip " << flip);
        camera = index;
        ASSERT_EQ(QCX_SetParam(camera, QCX_MIRROR, mirror), 1);
        ASSERT_EQ(QCX_SetParam(camera, QCX_FLIP, flip), 1);
        const std::vector<unsigned char> frame = Raw();
        // The patched last two columns and last row move with the frame.
        for (int y = 0; y < H - 1; y += 13)
            for (int x = 0; x < W - 2; ++x) {
                const int c = mirror ? W - 1 - (x + 2) : x, r = flip ? H - 1 - (y + 1) : y;
                ASSERT_EQ(frame[(flip ? y + 1 : y) * W + (mirror ? x + 2 : x)], Ramp(c, r)) << x << "," << y;
            }
    }
    ASSERT_EQ(QCX_SetData16Bits(camera, 1), 1);
    const std::vector<unsigned char> wide = Raw(2);
    for (int i = 0; i < W * H; i += 997) ASSERT_EQ(wide[2 * i] | wide[2 * i + 1] << 8, 16 * Ramp(i % W, i / W)) << i;
}

TEST_F(Ccd1628E2E, RegistersGoOutOnTheRegisterRequestAndTheWindowsStayFixed) {
    Start("48");
    ASSERT_EQ(QCX_DeviceGetInformation(camera, nullptr, nullptr, nullptr), 1);
    // 5000 lines: 3 x 1252 + 1244, the low part first.
    unsigned before = Count(QCXSimGetRequestCount);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 5000), 1);
    EXPECT_EQ(Count(QCXSimGetRequestCount) - before, 2u);
    ExpectLastWrite(99, 3);
    double frameMs = 0;
    float exposure = 0;
    QCXSimGetFrameTime(node, &frameMs);
    QCX_ExposureTimeGet(camera, &exposure);
    EXPECT_NEAR(frameMs, 5000 * 1252 / 36e3, 1e-3) << "the chip holds 5000 lines, longer than the read-out";
    EXPECT_NEAR(exposure, frameMs, 1e-3);
    // A time below zero is the shortest exposure, not the longest.
    ASSERT_EQ(QCX_ExposureTimeSet(camera, -3.0f), 1);
    ExpectLastWrite(99, 0);

    struct Case {
        int parameter, value, reg, stored;
    };
    const Case cases[] = {{QCX_CDSGAIN, 9, 4, 3},       {QCX_CDSGAIN, -2, 4, 0},         {QCX_VGAGAIN, 0, 5, 1},
                          {QCX_VGAGAIN, 5000, 5, 1023}, {QCX_CLAMPLEVEL, 4000, 6, 1023}, {QCX_CLAMPLEVEL, -1, 6, 0}};
    for (const Case& k : cases) {
        int value = -1;
        ASSERT_EQ(QCX_SetParam(camera, k.parameter, k.value), 1);
        QCX_GetParam(camera, k.parameter, &value);
        EXPECT_EQ(value, k.stored) << k.parameter << " " << k.value;
        ExpectLastWrite(k.reg, k.stored);
    }

    before = Count(QCXSimGetRequestCount);
    EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 640, 480, 0, 0), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_PreviewSetFieldOfView(camera, 8, 8, 320, 240, 1, 1), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(Count(QCXSimGetRequestCount), before);
    std::vector<int> f(6, -1);
    QCX_PreviewGetFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]);
    EXPECT_EQ(f, (std::vector{0, 0, W, H, 0, 0}));
}

// Opening sends every register, zeros included, so that a camera left
// brighter by an earlier session starts again from its first frame.
TEST_F(Ccd1628E2E, OpeningAgainBringsBackThePowerOnFrame) {
    Start("49", "fast", "grey");
    const std::vector<unsigned char> first = Raw();
    ASSERT_EQ(QCX_SetParam(camera, QCX_CLAMPLEVEL, 300), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_VGAGAIN, 700), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 2000000), 1);
    EXPECT_GT(Raw()[W * 10 + 10], first[W * 10 + 10]);
    QCX_UnInit();
    ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    // The first capture releases the frame the first session left held.
    EXPECT_EQ(Raw(), first);
}

// Each read releases the frame before it; a frame left held times the next
// read out, and the recovery's release brings the camera back.
TEST_F(Ccd1628E2E, EveryReadReleasesTheHeldFrameAndAnUnreleasedOneTimesOut) {
    Start("48");
    Raw();
    const unsigned released = Count(QCXSimGetFrameReleaseCount);
    for (unsigned i = 1; i <= 3; ++i) {
        Raw();
        EXPECT_EQ(Count(QCXSimGetFrameReleaseCount) - released, i);
    }
    std::vector<unsigned char> frame(W * H);
    unsigned timedOut = 0;
    ASSERT_EQ(QCXSimFailRequests(node, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    QCXSimGetFrameCounts(node, nullptr, &timedOut);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
    EXPECT_EQ((std::vector{timedOut, Count(QCXSimGetFrameReleaseCount) - released}), (std::vector{1u, 4u}));
}

TEST_F(Ccd1628E2E, UnplugDuringARealtimeFrameFailsTheCaptureAndTheCameraComesBack) {
    Start("48", "realtime");
    ASSERT_EQ(QCX_ExposureTimeSet(camera, 100.0f), 1);  // the power-on exposure is 52 s
    std::vector<unsigned char> frame(W * H);
    int result = 1;
    std::thread capture([&] { result = QCX_CaptureRawData(camera, frame.data()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(QCXSimUnplug(node), 1);
    capture.join();
    EXPECT_NE(result, 1);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return QCX_CaptureRawData(camera, frame.data()) == 1; }));
}

}  // namespace

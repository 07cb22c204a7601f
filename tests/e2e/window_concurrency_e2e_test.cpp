// Window changes, still captures, image settings and the preview of one
// simulated camera of several sensor families from several threads at once: a frame may be lost while
// they overlap, but afterwards the camera's windows and its chip must agree
// (and the thread sanitizer build sees every shared record under a lock).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"

namespace {

using namespace std::chrono_literals;

struct PreviewFrames {
    std::atomic<int> frames{0};
    std::atomic<int> width{0}, height{0};
};

int QCXAPI_CALL CountFrame(QCX_BYTE*, int width, int height, int, void* context) {
    auto* seen = static_cast<PreviewFrames*>(context);
    seen->width = width;
    seen->height = height;
    ++seen->frames;
    return 0;
}

class WindowConcurrencyE2E : public e2e::SimSession {
protected:
    // A capture in the capture window succeeds, and the chip sends what the
    // capture getters report; then the preview delivers frames of the size
    // the preview getters report. Leaves the preview stopped.
    void ExpectCameraInStep(const char* when) {
        SCOPED_TRACE(when);
        int width = 0, height = 0, sentWidth = -1, sentHeight = -1;
        ASSERT_EQ(QCX_CaptureGetSize(camera, &width, &height), 1);
        std::vector<QCX_BYTE> frame(static_cast<std::size_t>(width) * height);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        ASSERT_EQ(QCXSimGetFrameSize(node, &sentWidth, &sentHeight), 1);
        EXPECT_EQ(sentWidth, width);
        EXPECT_EQ(sentHeight, height);

        PreviewFrames seen;
        ASSERT_EQ(QCX_PreviewSetCallback(camera, CountFrame, &seen), 1);
        ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
        ASSERT_EQ(QCX_PreviewGetSize(camera, &width, &height), 1);
        EXPECT_TRUE(e2e::WaitUntil([&] { return seen.frames >= 3; }, 5s)) << "the preview delivers no frame";
        ASSERT_EQ(QCXSimGetFrameSize(node, &sentWidth, &sentHeight), 1);
        EXPECT_EQ(sentWidth, width);
        EXPECT_EQ(sentHeight, height);
        EXPECT_EQ(seen.width, width);
        EXPECT_EQ(seen.height, height);
        EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
        EXPECT_EQ(QCX_PreviewSetCallback(camera, nullptr, nullptr), 1);
    }
};

struct Sensor {
    const char* list;
    int width, height;  // the array
    int modes[3];       // address modes the family takes
    bool binning;       // binning can be switched
    int span;           // random windows start and end within span x span
};

class WindowConcurrencyOfSensorE2E : public WindowConcurrencyE2E, public ::testing::WithParamInterface<Sensor> {};

INSTANTIATE_TEST_SUITE_P(Families, WindowConcurrencyOfSensorE2E,
                         ::testing::Values(Sensor{"21", 752, 480, {0, 1, 3}, false, 800},
                                           Sensor{"8", 2592, 1944, {0, 2, 4}, true, 800},
                                           Sensor{"0", 1280, 1024, {1, 3, 4}, false, 800},
                                           Sensor{"25", 3488, 2616, {0, 1, 3}, false, 800}),
                         [](const auto& info) { return std::string("type") + info.param.list; });

TEST_P(WindowConcurrencyOfSensorE2E, WindowChangesCapturesAndPreviewFromSeveralThreadsLeaveTheChipInStep) {
    const Sensor sensor = GetParam();
    Start(sensor.list);
    // The random windows stay within span x span; so does the preview from
    // the start, or a megapixel preview that no change reached would make
    // the checks afterwards wait for whole-array frames.
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);

    // Every thread stops at the same time: a thread that keeps taking the
    // camera's locks would otherwise hold the others back for long.
    const auto end = std::chrono::steady_clock::now() + 2s;
    const auto running = [&] { return std::chrono::steady_clock::now() < end; };
    std::atomic<bool> done{false};
    std::thread changer([&] {
        std::mt19937 random(20240521);
        std::uniform_int_distribution<int> column(0, std::min(sensor.width, sensor.span) - 1),
            row(0, std::min(sensor.height, sensor.span) - 1), width(1, std::min(sensor.width + 48, sensor.span)),
            height(1, std::min(sensor.height + 40, sensor.span)), pick(0, 5);
        while (running()) {
            const int choice = pick(random);
            const int columnMode = sensor.modes[pick(random) % 3];
            const int rowMode = sensor.modes[pick(random) % 3];
            if (choice == 0) {
                QCX_SetParam(camera, QCX_CAPTURE_COLUMNSTART, column(random));
            } else if (choice == 1) {
                QCX_SetParam(camera, QCX_PREVIEW_ROWSTART, row(random));
            } else if (choice % 2 == 0) {
                QCX_CaptureSetFieldOfView(camera, column(random), row(random), width(random), height(random),
                                          columnMode, rowMode);
            } else {
                QCX_PreviewSetFieldOfView(camera, column(random), row(random), width(random), height(random),
                                          columnMode, rowMode);
            }
            std::this_thread::sleep_for(1ms);
        }
        done = true;
    });
    std::thread capturer([&] {
        // Room for the whole sensor at 32 bits, whatever window is current.
        std::vector<QCX_BYTE> image(static_cast<std::size_t>(sensor.width) * sensor.height * 4);
        int width = 0, height = 0, bitCount = 0;
        for (int i = 0; !done && running(); ++i) {
            if (i % 2 == 0) QCX_CaptureRawData(camera, image.data());
            else QCX_CaptureRgbDataEx(camera, image.data(), &width, &height, &bitCount);
        }
    });
    std::thread settings([&] {
        for (int i = 0; !done && running(); ++i) {
            QCX_SetParam(camera, QCX_SATURATION, i % 2 == 0 ? 40 : 90);
            if (sensor.binning) QCX_SetParam(camera, QCX_BIN, i % 3 == 0);
            int exposure = 0;
            QCX_GetParam(camera, QCX_EXPOSURE, &exposure);
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread mover([&] {
        // Moves of the running preview that keep its frame size.
        for (int i = 0; !done && running(); ++i) {
            int c = 0, r = 0, w = 0, h = 0, cm = 0, rm = 0;
            if (QCX_PreviewGetFieldOfView(camera, &c, &r, &w, &h, &cm, &rm) == 1)
                QCX_PreviewSetFieldOfView(camera, i % 8, i % 4, w, h, cm, rm);
            std::this_thread::sleep_for(1ms);
        }
    });
    changer.join();
    capturer.join();
    settings.join();
    mover.join();

    // Whatever window won, the camera goes on working in it ...
    EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
    ExpectCameraInStep("after the threads");
    // ... and in a window that is set now.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, sensor.width, sensor.height, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 96, 40, 320, 240, 1, 1), 1);
    int c = -1, r = -1, w = 0, h = 0, cm = -1, rm = -1;
    EXPECT_EQ(QCX_CaptureGetFieldOfView(camera, &c, &r, &w, &h, &cm, &rm), 1);
    EXPECT_EQ((std::vector<int>{c, r, w, h, cm, rm}), (std::vector<int>{0, 0, sensor.width, sensor.height, 0, 0}));
    ExpectCameraInStep("after setting known windows");
    int width = 0, height = 0;
    EXPECT_EQ(QCX_CaptureGetSize(camera, &width, &height), 1);
    EXPECT_EQ(width, sensor.width);
    EXPECT_EQ(height, sensor.height);
}

TEST_F(WindowConcurrencyE2E, UnplugsUnderARunningPreviewAndCapturesAreRecoveredFromEitherThread) {
    Start("21");
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 50), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    std::atomic<bool> done{false};
    auto capture = [&] {
        std::vector<QCX_BYTE> image(752 * 480);
        while (!done) QCX_CaptureRawData(camera, image.data());
    };
    std::thread first(capture), second(capture);
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(15ms);
        ASSERT_EQ(QCXSimUnplug(node), 1);
        std::this_thread::sleep_for(15ms);
        ASSERT_EQ(QCXSimReplugAll(), 1);
    }
    done = true;
    first.join();
    second.join();
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 8000), 1);
    EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
    ExpectCameraInStep("after the unplugs");
}

}  // namespace

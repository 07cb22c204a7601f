// Window changes, still captures, image settings and the preview of one
// simulated MT9V032 from several threads at once: a frame may be lost while
// they overlap, but afterwards the camera's windows and its chip must agree
// (and the thread sanitizer build sees every shared record under a lock).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
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

TEST_F(WindowConcurrencyE2E, WindowChangesCapturesAndPreviewFromSeveralThreadsLeaveTheChipInStep) {
    Start("21");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);

    std::atomic<bool> done{false};
    std::thread changer([&] {
        std::mt19937 random(20240521);
        std::uniform_int_distribution<int> column(0, 751), row(0, 479), width(1, 800), height(1, 520), pick(0, 5);
        const int modes[] = {0, 1, 3};
        const auto end = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < end) {
            const int choice = pick(random);
            const int columnMode = modes[pick(random) % 3];
            const int rowMode = modes[pick(random) % 3];
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
        std::vector<QCX_BYTE> image(752 * 480 * 4);
        int width = 0, height = 0, bitCount = 0;
        for (int i = 0; !done; ++i) {
            if (i % 2 == 0) QCX_CaptureRawData(camera, image.data());
            else QCX_CaptureRgbDataEx(camera, image.data(), &width, &height, &bitCount);
        }
    });
    std::thread settings([&] {
        for (int i = 0; !done; ++i) {
            QCX_SetParam(camera, QCX_SATURATION, i % 2 == 0 ? 40 : 90);
            int exposure = 0;
            QCX_GetParam(camera, QCX_EXPOSURE, &exposure);
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread mover([&] {
        // Moves of the running preview that keep its frame size.
        for (int i = 0; !done; ++i) {
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
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 752, 480, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 96, 40, 320, 240, 1, 1), 1);
    int c = -1, r = -1, w = 0, h = 0, cm = -1, rm = -1;
    EXPECT_EQ(QCX_CaptureGetFieldOfView(camera, &c, &r, &w, &h, &cm, &rm), 1);
    EXPECT_EQ((std::vector<int>{c, r, w, h, cm, rm}), (std::vector<int>{0, 0, 752, 480, 0, 0}));
    ExpectCameraInStep("after setting known windows");
    int width = 0, height = 0;
    EXPECT_EQ(QCX_CaptureGetSize(camera, &width, &height), 1);
    EXPECT_EQ(width, 752);
    EXPECT_EQ(height, 480);
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

// The live preview of a simulated MT9V032 drawn into a window of the test's
// own, driven through the C interface only: what the window shows is checked
// on screenshots against the paused frame the library hands out.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "qcxapi.h"
#include "display/xwd_capture.h"  // last: it brings Xlib's macros

namespace qcx {
namespace {

using namespace std::chrono_literals;
using test::ExpectPicture;
using test::ExpectUntouched;
using test::Grey;
using test::Rgb;
using test::ScopedEnv;
using test::Screenshot;
using test::TakeScreenshot;

// How long after pausing the window surely shows the frozen frame: the
// paused worker redraws it every 100 ms.
constexpr auto kRedrawSettle = 250ms;

// Where the picture scene has its grey and colour gradients above a field of
// fine rings, so that a sample out of place shows.
constexpr int kDetailLeft = 200, kDetailTop = 200;

// Counts the calls of both preview callbacks; the extended one fills the
// first memory row of its surface white, the bottom row of the picture.
struct CallbackLog {
    std::atomic<int> frames{0};
    std::atomic<int> surfaces{0};
};

int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void* context) {
    ++static_cast<CallbackLog*>(context)->frames;
    return 0;
}

int QCXAPI_CALL WhitenFirstRow(QCX_SURFACE* surface, QCX_BYTE*, int, int, int, void* context) {
    std::memset(surface->pixels, 0xFF, static_cast<std::size_t>(surface->stride));
    ++static_cast<CallbackLog*>(context)->surfaces;
    return 0;
}

bool WaitUntil(const std::atomic<int>& counter, int atLeast) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (counter < atLeast) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A copy of the display buffer: rows bottom-up, so picture row y (top row
// first) is memory row height - 1 - y.
struct PausedFrame {
    std::vector<std::uint8_t> bytes;
    int width = 0, height = 0, bitCount = 0;

    Rgb At(int x, int y) const {
        const int size = bitCount / 8;
        const std::uint8_t* p =
            bytes.data() + (static_cast<std::size_t>(height - 1 - y) * width + static_cast<std::size_t>(x)) * size;
        if (size == 1) return Grey(p[0]);
        return static_cast<Rgb>(p[2] << 16 | p[1] << 8 | p[0]);
    }
};

int ChannelOf(Rgb colour, int k) { return static_cast<int>((colour >> (8 * k)) & 0xFF); }

// A shrunk picture shows, in each pixel, one of the samples that pixel
// covers; which one depends on the rounding of the stretch, so any of them
// passes, each colour within `tolerance`.
bool IsOneOfTheCoveredSamples(Rgb shown, const PausedFrame& frame, const DisplayRect& target, int x, int y,
                              int tolerance) {
    const int x0 = x * frame.width / target.width, x1 = ((x + 1) * frame.width - 1) / target.width;
    const int y0 = y * frame.height / target.height, y1 = ((y + 1) * frame.height - 1) / target.height;
    for (int sy = y0; sy <= y1; ++sy) {
        for (int sx = x0; sx <= x1; ++sx) {
            const Rgb sample = frame.At(sx, sy);
            bool near = true;
            for (int k = 0; k < 3; ++k) near = near && std::abs(ChannelOf(shown, k) - ChannelOf(sample, k)) <= tolerance;
            if (near) return true;
        }
    }
    return false;
}

// A 200 x 160 window of the background colour at the screen's top left, and
// one simulated camera previewing into it.
class PreviewDrawing : public test::XWindowTest {
protected:
    void SetUp() override {
        XWindowTest::SetUp();
        if (IsSkipped()) return;
        window_ = MakeWindow(0, 0, 200, 160);
    }
    void TearDown() override {
        QCX_UnInit();  // stops the preview before the window goes
        XWindowTest::TearDown();
    }

    // Opens the simulated camera of `type` (21 colour, 22 grey) looking at
    // `scene`, with a preview window of `width` x `height` from sensor column
    // `left`, row `top`.
    void OpenCamera(const char* type, const char* scene, int width, int height, int left = 0, int top = 0) {
        sim_.emplace("QCX_SIM", type);
        scene_.emplace("QCX_SIM_SCENE", scene);
        timing_.emplace("QCX_SIM_TIMING", "fast");
        ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
        const int wanted = std::atoi(type);
        for (int i = 0; i < QCX_DeviceGetCount() && camera_ < 0; ++i) {
            int deviceType = 0;
            if (QCX_DeviceGetInformation(i, &deviceType, nullptr, nullptr) == QCX_STATUS_SUCCESS &&
                deviceType == wanted)
                camera_ = i;
        }
        ASSERT_GE(camera_, 0) << "no simulated camera of type " << type;
        ASSERT_EQ(QCX_PreviewSetFieldOfView(camera_, left, top, width, height, 0, 0), QCX_STATUS_SUCCESS);
        int x = -1, y = -1, w = 0, h = 0;
        ASSERT_EQ(QCX_PreviewGetFieldOfView(camera_, &x, &y, nullptr, nullptr, nullptr, nullptr), QCX_STATUS_SUCCESS);
        ASSERT_EQ(QCX_PreviewGetSize(camera_, &w, &h), QCX_STATUS_SUCCESS);
        ASSERT_EQ(x, left);
        ASSERT_EQ(y, top);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
        ASSERT_EQ(QCX_PreviewSetCallback(camera_, CountFrame, &log_), QCX_STATUS_SUCCESS);
    }

    void SetPos(const DisplayRect& rect) {
        ASSERT_EQ(QCX_PreviewSetPos(camera_, window_, rect.x, rect.y, rect.width, rect.height), QCX_STATUS_SUCCESS);
    }

    // Lets a few frames through after whatever was changed last.
    void PassFrames(int count = 3) { ASSERT_TRUE(WaitUntil(log_.frames, log_.frames + count)); }

    // Pauses the running preview, waits for the frozen frame to be redrawn
    // and copies it out.
    PausedFrame PauseAndCopy() {
        PausedFrame frame;
        EXPECT_EQ(QCX_PreviewPause(camera_, 1), QCX_STATUS_SUCCESS);
        std::this_thread::sleep_for(kRedrawSettle);
        frame.bytes.resize(752u * 480u * 4u);
        EXPECT_EQ(QCX_PreviewGetPausedDataEx(camera_, frame.bytes.data(), &frame.width, &frame.height,
                                             &frame.bitCount),
                  QCX_STATUS_SUCCESS);
        return frame;
    }

    ::Window window_ = 0;
    int camera_ = -1;
    CallbackLog log_;
    std::optional<ScopedEnv> sim_, scene_, timing_;
};

TEST_F(PreviewDrawing, GreyFrameShowsOneToOneExactlyWithTheLastBufferRowAtTheTop) {
    ASSERT_NO_FATAL_FAILURE(OpenCamera("22", "ramp", 160, 120));
    const DisplayRect rect{17, 23, 160, 120};
    ASSERT_NO_FATAL_FAILURE(SetPos(rect));
    ASSERT_EQ(QCX_PreviewStart(camera_, 1), QCX_STATUS_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    const PausedFrame frame = PauseAndCopy();
    ASSERT_EQ(frame.bitCount, 8);
    ASSERT_NE(frame.At(0, 0), frame.At(0, frame.height - 1)) << "top and bottom rows must differ to tell them apart";
    ExpectPicture(TakeScreenshot(window_), rect, [&](int x, int y) { return frame.At(x, y); });
}

TEST_F(PreviewDrawing, ColourFrameShrunkToHalfShowsOneCoveredSampleInEachPixel) {
    ASSERT_NO_FATAL_FAILURE(OpenCamera("21", "picture", 320, 240, kDetailLeft, kDetailTop));
    const DisplayRect rect{20, 10, 160, 120};
    ASSERT_NO_FATAL_FAILURE(SetPos(rect));
    ASSERT_EQ(QCX_PreviewStart(camera_, 1), QCX_STATUS_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    const PausedFrame frame = PauseAndCopy();
    ASSERT_TRUE(frame.bitCount == 24 || frame.bitCount == 32) << frame.bitCount;
    const Screenshot shot = TakeScreenshot(window_);
    // Where a pixel passes it is its own expectation; where it fails, the
    // top-left sample it covers is named in the message.
    ExpectPicture(shot, rect, [&](int x, int y) {
        const Rgb shown = shot.At(rect.x + x, rect.y + y);
        return IsOneOfTheCoveredSamples(shown, frame, rect, x, y, 2) ? shown : frame.At(2 * x, 2 * y);
    });
}

TEST_F(PreviewDrawing, WhatTheExtendedCallbackDrawsShowsAtTheBottomRow) {
    ASSERT_NO_FATAL_FAILURE(OpenCamera("21", "picture", 160, 120, kDetailLeft, kDetailTop));
    ASSERT_EQ(QCX_PreviewSetCallbackEx(camera_, WhitenFirstRow, &log_), QCX_STATUS_SUCCESS);
    // A zero width or height draws nothing while both callbacks run.
    ASSERT_NO_FATAL_FAILURE(SetPos({30, 20, 0, 120}));
    ASSERT_EQ(QCX_PreviewStart(camera_, 1), QCX_STATUS_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    ASSERT_NO_FATAL_FAILURE(SetPos({30, 20, 160, 0}));
    const int surfaces = log_.surfaces;
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    EXPECT_GT(log_.surfaces, surfaces);
    ExpectUntouched(TakeScreenshot(window_));

    const DisplayRect rect{30, 20, 160, 120};
    ASSERT_NO_FATAL_FAILURE(SetPos(rect));
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    const PausedFrame frame = PauseAndCopy();
    const Screenshot shot = TakeScreenshot(window_);
    // The drawing became part of the frame, which shows exactly at 1:1
    // although an extended callback smooths the stretch.
    ExpectPicture(shot, rect, [&](int x, int y) { return frame.At(x, y); });
    int white = 0, whiteAbove = 0;
    for (int x = 0; x < rect.width; ++x) {
        white += shot.At(rect.x + x, rect.y + rect.height - 1) == Grey(255);
        whiteAbove += shot.At(rect.x + x, rect.y + rect.height - 2) == Grey(255);
    }
    EXPECT_EQ(white, rect.width);
    EXPECT_LT(whiteAbove, rect.width / 2) << "only the one row is white";
}

}  // namespace
}  // namespace qcx

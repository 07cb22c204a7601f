// The live preview of a simulated MT9V032 through the shipped library: the
// state machine and its refusals, the callbacks and the paused frame,
// captures and resizes while running, and frame faults, unplugging and
// shutdown while previewing. (How fast it runs is measured in bench/.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "e2e/sim_session.h"

namespace {

using namespace std::chrono_literals;
using e2e::WaitUntil;

// What the per-frame callbacks saw, shared with the preview thread.
struct FrameLog {
    std::mutex lock;
    std::atomic<int> frames{0};
    std::atomic<int> wrongSize{0};
    int width = 0, height = 0, bitCount = 0;
    std::vector<unsigned char> last;
    int expectedWidth = 0, expectedHeight = 0;  // counted as wrong sizes when set
    std::chrono::milliseconds delay{0};
};

int QCXAPI_CALL LogFrame(QCX_BYTE* buffer, int width, int height, int bitCount, void* context) {
    auto* log = static_cast<FrameLog*>(context);
    if (log->delay.count() > 0) std::this_thread::sleep_for(log->delay);
    std::lock_guard<std::mutex> hold(log->lock);
    if (log->expectedWidth != 0 && (width != log->expectedWidth || height != log->expectedHeight)) ++log->wrongSize;
    log->width = width;
    log->height = height;
    log->bitCount = bitCount;
    log->last.assign(buffer, buffer + static_cast<std::size_t>(width) * height * (bitCount / 8));
    ++log->frames;
    return 0;
}

struct SurfaceLog {
    std::atomic<int> calls{0};
    struct {
        int width, height, bitCount, stride;
    } seen{};
};

#if defined(_WIN32)
// Draws a white bottom row into the device context, as an overlay would;
// the section is bottom-up, so that row is the first in memory.
int QCXAPI_CALL DrawOnSurface(QCX_DRAWING dc, QCX_BYTE*, int, int, int, void* context) {
    auto* log = static_cast<SurfaceLog*>(context);
    DIBSECTION section{};
    if (GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof section, &section) == sizeof section) {
        const BITMAP& bitmap = section.dsBm;
        log->seen = {bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel, bitmap.bmWidthBytes};
        PatBlt(dc, 0, bitmap.bmHeight - 1, bitmap.bmWidth, 1, WHITENESS);
    }
    ++log->calls;
    return 0;
}
#else
// Draws a white first row onto the surface, as an overlay would.
int QCXAPI_CALL DrawOnSurface(QCX_SURFACE* surface, QCX_BYTE*, int, int, int, void* context) {
    auto* log = static_cast<SurfaceLog*>(context);
    log->seen = {surface->width, surface->height, surface->bitCount, surface->stride};
    std::memset(surface->pixels, 0xFF, static_cast<std::size_t>(surface->stride));
    ++log->calls;
    return 0;
}
#endif

class PreviewE2E : public e2e::SimSession {
protected:
    int Status() {
        int status = -1;
        EXPECT_EQ(QCX_PreviewGetStatus(camera, &status), 1);
        return status;
    }
    // Waits until the callback has seen `count` more frames.
    bool MoreFrames(int count) {
        const int seen = log.frames;
        return WaitUntil([&] { return log.frames >= seen + count; });
    }
    FrameLog log;
    FrameLog other;  // outlives the cameras, which are closed in TearDown
};

TEST_F(PreviewE2E, StartPauseAndStopFollowTheStateMachineAndItsRefusals) {
    Start("21");
    float rate = -1.0f;
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    EXPECT_EQ(Status(), QCX_PREVIEW_RUNNING);
    std::vector<unsigned char> frame(752 * 480 * 4);
    EXPECT_EQ(QCX_PreviewGetPausedData(camera, frame.data()), -8) << "paused data while running";
    EXPECT_TRUE(WaitUntil([&] { return QCX_PreviewGetFrameRate(camera, &rate) == 1 && rate > 0.0f; }))
        << "a running preview measures its rate";

    EXPECT_EQ(QCX_PreviewPause(camera, 1), 1);
    EXPECT_EQ(QCX_PreviewPause(camera, 1), 1) << "pausing twice changes nothing";
    EXPECT_EQ(QCX_PreviewGetFrameRate(camera, &rate), -3) << "nor does a paused one";
    EXPECT_EQ(rate, 0.0f);
    // Stopping a paused preview is refused, yet the sensor goes back to the
    // capture window; resuming and stopping then ends it.
    EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
    EXPECT_EQ(Status(), QCX_PREVIEW_PAUSED);
    EXPECT_EQ(QCX_PreviewPause(camera, 0), 1);
    EXPECT_EQ(Status(), QCX_PREVIEW_RUNNING);
    EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
    EXPECT_EQ(Status(), QCX_PREVIEW_STOPPED);

    // A refused output mode is stored all the same.
    int mode = -1;
    EXPECT_EQ(QCX_PreviewSetMode(camera, 2), -3);
    EXPECT_EQ(QCX_PreviewGetMode(camera, &mode), 1);
    EXPECT_EQ(mode, 2);
}

TEST_F(PreviewE2E, CallbacksGetEveryFrameAndThePausedFrameIsTheLastOneAndGreyIsRaw) {
    Start("21");
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 100, 50, 320, 240, 0, 0), 1);
    log.expectedWidth = 320;
    log.expectedHeight = 240;
    SurfaceLog surface;
    ASSERT_EQ(QCX_PreviewSetCallback(camera, LogFrame, &log), 1);
    ASSERT_EQ(QCX_PreviewSetCallbackEx(camera, DrawOnSurface, &surface), 1);
    ASSERT_EQ(QCX_PreviewSetPos(camera, 0, 0, 0, 0, 0), 1) << "nothing drawn, callbacks still run";

    struct Case {
        int outputMode, bayerMode, bitCount;
    };
    for (const Case c : {Case{0, 0, 8}, Case{1, 0, 24}, Case{1, 8, 32}}) {
        SCOPED_TRACE(c.bitCount);
        ASSERT_EQ(QCX_PreviewSetMode(camera, c.outputMode), 1);
        if (c.outputMode == 1) {
            ASSERT_EQ(QCX_BayerSetMode(camera, c.bayerMode), 1);
        }
        log.frames = 0;
        surface.calls = 0;
        ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
        ASSERT_TRUE(WaitUntil([&] { return log.frames >= 3 && surface.calls >= 3; }));
        ASSERT_EQ(QCX_PreviewPause(camera, 1), 1);
        // While paused the frozen frame keeps coming every 100 ms.
        ASSERT_TRUE(MoreFrames(2));

        std::vector<unsigned char> paused(320 * 240 * 4 + 16, 0x5A);
        int w = 0, h = 0, bits = 0;
        ASSERT_EQ(QCX_PreviewGetPausedDataEx(camera, paused.data(), &w, &h, &bits), 1);
        EXPECT_EQ((std::vector{w, h, bits}), (std::vector{320, 240, c.bitCount}));
        const std::size_t bytes = 320u * 240u * static_cast<unsigned>(c.bitCount / 8);
        EXPECT_EQ(paused[bytes], 0x5A) << "no more than the image is copied";
        {
            std::lock_guard<std::mutex> hold(log.lock);
            EXPECT_EQ(log.bitCount, c.bitCount);
            ASSERT_EQ(log.last.size(), bytes);
            // The plain callback runs before the extended one, whose drawing
            // (a white first row) then stays in the frame.
            EXPECT_TRUE(std::equal(paused.begin() + 320 * (c.bitCount / 8), paused.begin() + bytes,
                                   log.last.begin() + 320 * (c.bitCount / 8)));
        }
        // The last pixel's colour, not its fourth byte, which drawing may leave.
        EXPECT_TRUE(paused[0] == 0xFF && paused[320 * (c.bitCount / 8) - 2] == 0xFF) << "the drawn first row";
        EXPECT_EQ((std::vector{surface.seen.width, surface.seen.height, surface.seen.bitCount, surface.seen.stride}),
                  (std::vector{320, 240, c.bitCount, 320 * (c.bitCount / 8)}));
        if (c.bitCount == 8) {
            // Grey paused data is the raw preview frame: row 5 is a ramp row
            // of the window, counted from the top or the bottom as the variant
            // flips; columns 2 ... 317 are away from the patched edges.
            ASSERT_EQ(QCX_PreviewGetPausedData(camera, paused.data()), 1);
            unsigned short c0 = 0, r0 = 0;
            QCXSimReadSensorReg(node, 0x01, &c0);
            QCXSimReadSensorReg(node, 0x02, &r0);
            int matches = 0;
            for (int x = 2; x < 318; ++x) {
                const unsigned char sample = paused[static_cast<std::size_t>(5 * 320 + x)];
                matches += sample == static_cast<unsigned char>(c0 + x + 2 * (r0 + 5)) ||
                           sample == static_cast<unsigned char>(c0 + x + 2 * (r0 + 234));
            }
            EXPECT_EQ(matches, 316) << "row 5 of the paused image is a ramp row of the window";
        }
        ASSERT_EQ(QCX_PreviewPause(camera, 0), 1);
        ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
    }
    EXPECT_EQ(log.wrongSize, 0);
}

TEST_F(PreviewE2E, BadFramesAndUnplugsAreRiddenOutAndCapturesAndResizesWhileRunningRestartIt) {
    Start("21");
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 50), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    log.expectedWidth = 320;
    log.expectedHeight = 240;
    ASSERT_EQ(QCX_PreviewSetCallback(camera, LogFrame, &log), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCXSimShortFrames(node, 3, 0), 1);
    ASSERT_EQ(QCXSimEmptyFrames(node, 2), 1);
    ASSERT_EQ(QCXSimDropFrames(node, 2), 1);
    ASSERT_TRUE(WaitUntil([&] {
        unsigned drops = 1, empties = 1, shorts = 1;
        QCXSimGetPendingFrameFaults(node, &drops, &empties, &shorts);
        return drops + empties + shorts == 0;
    }));
    ASSERT_TRUE(MoreFrames(3)) << "frames keep coming after the faults";
    ASSERT_EQ(QCXSimUnplug(node), 1);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_TRUE(MoreFrames(2)) << "recovery brings the frames back";
    EXPECT_EQ(log.wrongSize, 0);

    // A capture while previewing uses the capture window, then the preview's comes back.
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 8000), 1);
    std::vector<unsigned char> raw(752 * 480);
    ASSERT_EQ(QCX_CaptureRawData(camera, raw.data()), 1);
    EXPECT_EQ(raw[100 * 752 + 100], static_cast<unsigned char>((1 + 100) + 2 * (4 + 100)))
        << "the capture shows the full window's ramp";
    EXPECT_EQ(Status(), QCX_PREVIEW_RUNNING);
    ASSERT_TRUE(MoreFrames(2));
    int w = 0, h = 0;
    ASSERT_EQ(QCXSimGetFrameSize(node, &w, &h), 1);
    EXPECT_EQ(w, 320) << "the preview window is back";

    // A resize while running restarts the preview at the new size.
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 160, 120, 0, 0), 1);
    EXPECT_EQ(Status(), QCX_PREVIEW_RUNNING);
    ASSERT_EQ(QCX_PreviewGetSize(camera, &w, &h), 1);
    EXPECT_EQ(w, 160);
    ASSERT_TRUE(MoreFrames(2));
    std::lock_guard<std::mutex> hold(log.lock);
    EXPECT_EQ(std::pair(log.width, log.height), std::pair(160, 120));
}

TEST_F(PreviewE2E, SlowAndChangingCallbacksNeitherLoseNorCorruptFrames) {
    Start("21,22");
    log.delay = 30ms;
    log.expectedWidth = 752;
    log.expectedHeight = 480;
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCX_PreviewStart(1, 1), 1) << "two cameras preview side by side";
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(QCX_PreviewSetCallback(camera, i % 2 == 0 ? LogFrame : nullptr, &log), 1);
        ASSERT_EQ(QCX_PreviewSetCallback(1, LogFrame, &other), 1);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(QCX_PreviewSetCallback(camera, LogFrame, &log), 1);
    ASSERT_TRUE(WaitUntil([&] { return log.frames >= 3 && other.frames >= 3; }));
    EXPECT_EQ(log.wrongSize, 0);
    std::lock_guard<std::mutex> hold(log.lock);
    EXPECT_EQ(log.last.size(), 752u * 480u * 3u);
}

// Holds the preview thread inside the callback until the test lets it go.
struct Gate {
    std::atomic<bool> entered{false};
    std::atomic<bool> open{false};
};

int QCXAPI_CALL WaitAtGate(QCX_BYTE*, int, int, int, void* context) {
    auto* gate = static_cast<Gate*>(context);
    gate->entered = true;
    while (!gate->open) std::this_thread::sleep_for(1ms);
    return 0;
}

TEST_F(PreviewE2E, AStopThatOutwaitsAStuckCallbackReturnsAndTheThreadIsJoinedLater) {
    Start("22");
    Gate gate;
    ASSERT_EQ(QCX_PreviewSetCallback(camera, WaitAtGate, &gate), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return gate.entered.load(); }));
    EXPECT_EQ(QCX_PreviewStart(camera, 0), 1) << "the stop gives up after 5000 ms";
    EXPECT_EQ(Status(), QCX_PREVIEW_STOPPED);
    EXPECT_EQ(QCX_PreviewStart(camera, 1), 1) << "a new preview starts beside the stuck thread";
    // Let go, the old thread finishes its pass on its own buffers and ends;
    // closing the camera waits for it.
    gate.open = true;
    EXPECT_EQ(QCX_UnInit(), 1);
    ASSERT_EQ(QCX_Init(), 1);
    int w = 0, h = 0;
    ASSERT_EQ(QCXSimGetFrameSize(node, &w, &h), 1);
    EXPECT_EQ(w, 752) << "closing a previewing camera leaves the sensor in the capture window";
}

}  // namespace

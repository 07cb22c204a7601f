// Frame reads of the simulated cameras: timing, time-outs, injected frame
// faults and their control through qcxsim.h. No assertion here looks at a
// clock; realtime reads use short time-outs so the suite stays quick.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "qcxsim.h"
#include "sim/sim_camera.h"
#include "sim/sim_node.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

using Kind = FrameReadResult::Kind;
constexpr std::uint32_t kFullFrame = 752 * 480;

struct Read {
    FrameReadResult result;
    std::vector<std::uint8_t> bytes;
};

Read ReadOnce(SimCamera& camera, std::uint32_t size, std::uint32_t timeoutMs) {
    Read read;
    read.bytes.assign(size, 0xEE);
    read.result = camera.ReadFrame(read.bytes.data(), size, timeoutMs);
    return read;
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// --- timing ---

TEST(SimFrameTiming, TimeOutZeroTimesOutAtOnceInEveryTiming) {
    for (const auto timing : {SimTiming::Realtime, SimTiming::Fast}) {
        for (const std::uint8_t type : {21, 8}) {
            SimCamera camera({type, 0, 0x100});
            camera.SetTiming(timing);
            EXPECT_EQ(ReadOnce(camera, 64, 0).result.kind, Kind::TimedOut);
            EXPECT_EQ(camera.FrameTimeouts(), 1u);
            EXPECT_EQ(camera.FramesDelivered(), 0u);
            EXPECT_EQ(ReadOnce(camera, 64, 50).result.kind, Kind::Completed) << "the camera recovers";
        }
    }
}

TEST(SimFrameTiming, RealtimeFrameArrivesWithinAGenerousTimeOut) {
    SimCamera camera({21, 0, 0x100});
    ASSERT_EQ(camera.Timing(), SimTiming::Realtime);
    const Read read = ReadOnce(camera, kFullFrame, 1000);
    EXPECT_EQ(read.result.kind, Kind::Completed);
    EXPECT_EQ(read.result.bytesRead, kFullFrame);
    EXPECT_EQ(camera.FramesDelivered(), 1u);
}

TEST(SimFrameTiming, RealtimeFrameLongerThanTheTimeOutTimesOut) {
    SimCamera camera({28, 0, 0x100});
    camera.SetSensorReg(0xAF, 0);
    camera.SetSensorReg(0x0B, 2000);  // about 63 ms of exposure
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 5).result.kind, Kind::TimedOut);
    camera.SetTiming(SimTiming::Fast);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 5).result.kind, Kind::Completed) << "fast timing never waits";
    EXPECT_EQ(camera.FrameTimeouts(), 1u);
}

TEST(SimFrameTiming, UnplugEndsAWaitingRead) {
    SimCamera camera({21, 0, 0x100});
    camera.DropNextFrames(1);
    FrameReadResult result;
    std::thread reader([&] {
        std::vector<std::uint8_t> frame(16);
        result = camera.ReadFrame(frame.data(), 16, 60000);
    });
    camera.Unplug();
    reader.join();
    EXPECT_EQ(result.kind, Kind::Failed);
    EXPECT_EQ(result.errorCode, kSimErrorDeviceGone);
}

TEST(SimFrameTiming, SceneAndTimingFollowTheEnvironmentUntilSetPerCamera) {
    SimCamera camera({21, 0, 0x100});
    SimCamera own({21, 1, 0x100});
    own.SetScene(SimScene::Picture);
    own.SetTiming(SimTiming::Realtime);
    {
        ScopedEnv scene("QCX_SIM_SCENE", "ramp");
        ScopedEnv timing("QCX_SIM_TIMING", "fast");
        EXPECT_EQ(camera.Scene(), SimScene::Ramp) << "a camera made earlier follows too";
        EXPECT_EQ(camera.Timing(), SimTiming::Fast);
        std::uint8_t first = 0;
        ASSERT_EQ(camera.ReadFrame(&first, 1, 100).bytesRead, 1u);
        EXPECT_EQ(first, 9);
        EXPECT_EQ(own.Scene(), SimScene::Picture);
        EXPECT_EQ(own.Timing(), SimTiming::Realtime);
    }
    {
        ScopedEnv scene("QCX_SIM_SCENE", nullptr);
        ScopedEnv timing("QCX_SIM_TIMING", "");
        EXPECT_EQ(camera.Scene(), SimScene::Picture);
        EXPECT_EQ(camera.Timing(), SimTiming::Realtime);
    }
    EXPECT_EQ(ParseSimScene("picture"), SimScene::Picture);
    EXPECT_FALSE(ParseSimScene("Ramp"));
    EXPECT_EQ(ParseSimTiming("realtime"), SimTiming::Realtime);
    EXPECT_FALSE(ParseSimTiming("slow"));
}

// --- frame faults ---

class SimFrameFaultsTest : public ::testing::Test {
protected:
    SimFrameFaultsTest() { camera.SetTiming(SimTiming::Fast); }
    SimCamera camera{{21, 0, 0x100}};
};

TEST_F(SimFrameFaultsTest, DroppedFramesTimeOutThenFramesFlowAgain) {
    camera.DropNextFrames(2);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100).result.kind, Kind::TimedOut);
    EXPECT_EQ(camera.PendingFrameFaults().drops, 1u);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100).result.kind, Kind::TimedOut);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100).result.bytesRead, kFullFrame);
    EXPECT_EQ(camera.FrameTimeouts(), 2u);
    EXPECT_EQ(camera.FramesDelivered(), 1u);
}

TEST_F(SimFrameFaultsTest, DroppedFrameWaitsItsTimeOutInRealtime) {
    camera.SetTiming(SimTiming::Realtime);
    camera.DropNextFrames(1);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 3).result.kind, Kind::TimedOut);
}

TEST_F(SimFrameFaultsTest, EmptyFrameCompletesWithNothingAndIsNotDelivered) {
    camera.EmptyNextFrames(1);
    const Read read = ReadOnce(camera, kFullFrame, 100);
    EXPECT_EQ(read.result.kind, Kind::Completed);
    EXPECT_EQ(read.result.bytesRead, 0u);
    EXPECT_EQ(read.bytes[0], 0xEE);
    EXPECT_EQ(camera.FramesDelivered(), 0u);
    EXPECT_EQ(camera.FramesHeld(), 0u);
}

TEST_F(SimFrameFaultsTest, ShortFrameIsHalfTheFrameOrTheGivenBytes) {
    camera.ShortenNextFrames(1, 0);
    Read read = ReadOnce(camera, kFullFrame, 100);
    EXPECT_EQ(read.result.bytesRead, kFullFrame / 2);
    EXPECT_EQ(read.bytes[kFullFrame / 2], 0xEE);
    camera.ShortenNextFrames(2, 1000);
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100).result.bytesRead, 1000u);
    EXPECT_EQ(ReadOnce(camera, 10, 100).result.bytesRead, 10u) << "never more than asked";
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100).result.bytesRead, kFullFrame);
    EXPECT_EQ(camera.FramesDelivered(), 4u);
}

TEST_F(SimFrameFaultsTest, ShortFrameOfACameraWithoutSensorModelIsHalfTheRead) {
    SimCamera other({8, 0, 0x100});
    other.ShortenNextFrames(1, 0);
    EXPECT_EQ(ReadOnce(other, 300, 100).result.bytesRead, 150u);
}

TEST_F(SimFrameFaultsTest, OneFaultPerReadDropsFirstThenEmptyThenShort) {
    camera.ShortenNextFrames(1, 5);
    camera.EmptyNextFrames(1);
    camera.DropNextFrames(1);
    EXPECT_EQ(ReadOnce(camera, 64, 100).result.kind, Kind::TimedOut);
    EXPECT_EQ(ReadOnce(camera, 64, 100).result.bytesRead, 0u);
    EXPECT_EQ(ReadOnce(camera, 64, 100).result.bytesRead, 5u);
    EXPECT_EQ(ReadOnce(camera, 64, 100).result.bytesRead, 64u);
}

TEST_F(SimFrameFaultsTest, ZeroCancelsAndAFrameTooSlowKeepsItsFault) {
    camera.DropNextFrames(3);
    camera.DropNextFrames(0);
    EXPECT_EQ(ReadOnce(camera, 64, 100).result.bytesRead, 64u);
    camera.SetTiming(SimTiming::Realtime);
    camera.EmptyNextFrames(1);
    EXPECT_EQ(ReadOnce(camera, 64, 2).result.kind, Kind::TimedOut);  // about 18 ms a frame
    EXPECT_EQ(camera.PendingFrameFaults().empties, 1u);
}

// --- control through qcxsim.h, reads through an opened node ---

class SimFrameControlTest : public ::testing::Test {
protected:
    test::ScopedSimCameras sims{"21,8"};
};

TEST_F(SimFrameControlTest, SceneAndTimingPerCamera) {
    int value = -1;
    ASSERT_EQ(QCXSimGetScene(0, &value), QCXSIM_OK);
    EXPECT_EQ(value, QCXSIM_SCENE_PICTURE);
    EXPECT_EQ(QCXSimSetScene(0, QCXSIM_SCENE_RAMP), QCXSIM_OK);
    EXPECT_EQ(QCXSimSetTiming(0, QCXSIM_TIMING_FAST), QCXSIM_OK);
    QCXSimGetScene(0, &value);
    EXPECT_EQ(value, QCXSIM_SCENE_RAMP);
    QCXSimGetTiming(0, &value);
    EXPECT_EQ(value, QCXSIM_TIMING_FAST);
    QCXSimGetTiming(1, &value);
    EXPECT_EQ(value, QCXSIM_TIMING_REALTIME) << "the other camera keeps its own";

    EXPECT_EQ(QCXSimSetScene(0, 2), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetTiming(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetScene(0, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetTiming(0, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetScene(2, QCXSIM_SCENE_RAMP), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimSetTiming(2, QCXSIM_TIMING_FAST), QCXSIM_NO_CAMERA);
}

TEST_F(SimFrameControlTest, FaultsAndCountersThroughTheControlApi) {
    ASSERT_EQ(QCXSimSetTiming(0, QCXSIM_TIMING_FAST), QCXSIM_OK);
    ASSERT_EQ(QCXSimSetScene(0, QCXSIM_SCENE_RAMP), QCXSIM_OK);
    EXPECT_EQ(QCXSimDropFrames(0, 1), QCXSIM_OK);
    EXPECT_EQ(QCXSimEmptyFrames(0, 1), QCXSIM_OK);
    EXPECT_EQ(QCXSimShortFrames(0, 1, 0), QCXSIM_OK);
    unsigned drops = 9, empties = 9, shorts = 9;
    ASSERT_EQ(QCXSimGetPendingFrameFaults(0, &drops, &empties, &shorts), QCXSIM_OK);
    EXPECT_EQ(drops + empties + shorts, 3u);

    const auto node = SimNodeProvider::Instance().OpenNode(0);
    ASSERT_TRUE(node);
    std::vector<std::uint8_t> frame(kFullFrame);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).kind, Kind::TimedOut);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).bytesRead, 0u);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).bytesRead, kFullFrame / 2);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 0).kind, Kind::TimedOut);
    const auto whole = node->ReadFrame(frame.data(), kFullFrame, 50);
    EXPECT_EQ(whole.bytesRead, kFullFrame);
    EXPECT_EQ(frame[0], 9) << "the ramp at column 1, row 4";

    unsigned delivered = 0, timedOut = 0;
    ASSERT_EQ(QCXSimGetFrameCounts(0, &delivered, &timedOut), QCXSIM_OK);
    EXPECT_EQ(delivered, 2u);
    EXPECT_EQ(timedOut, 2u);
    EXPECT_EQ(QCXSimGetFrameCounts(0, nullptr, nullptr), QCXSIM_OK);
    QCXSimGetPendingFrameFaults(0, &drops, &empties, &shorts);
    EXPECT_EQ(drops + empties + shorts, 0u);

    EXPECT_EQ(QCXSimDropFrames(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimEmptyFrames(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimShortFrames(0, -1, 0), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimDropFrames(5, 1), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimGetFrameCounts(5, &delivered, nullptr), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimGetPendingFrameFaults(5, nullptr, nullptr, nullptr), QCXSIM_NO_CAMERA);
}

TEST_F(SimFrameControlTest, FrameSizeFollowsTheSensorWindow) {
    int width = 0, height = 0;
    ASSERT_EQ(QCXSimGetFrameSize(0, &width, &height), QCXSIM_OK);
    EXPECT_EQ(width, 752);
    EXPECT_EQ(height, 480);
    QCXSimWriteSensorReg(0, 0x04, 320);
    QCXSimWriteSensorReg(0, 0x0D, 0x0305);
    QCXSimGetFrameSize(0, &width, &height);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(QCXSimGetFrameSize(1, &width, &height), QCXSIM_NOT_SUPPORTED);
    EXPECT_EQ(QCXSimGetFrameSize(2, &width, &height), QCXSIM_NO_CAMERA);
}

}  // namespace
}  // namespace qcx

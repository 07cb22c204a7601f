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

FrameReadResult ReadOnce(SimCamera& camera, std::uint32_t size, std::uint32_t timeoutMs,
                         std::vector<std::uint8_t>* bytes = nullptr) {
    std::vector<std::uint8_t> own;
    std::vector<std::uint8_t>& buffer = bytes != nullptr ? *bytes : own;
    buffer.assign(size, 0xEE);
    return camera.ReadFrame(buffer.data(), size, timeoutMs);
}
// What a read gives: its byte count, or -1 for a time-out.
long Got(SimCamera& camera, std::uint32_t size, std::uint32_t timeoutMs = 100) {
    const FrameReadResult read = ReadOnce(camera, size, timeoutMs);
    return read.kind == Kind::TimedOut ? -1 : static_cast<long>(read.bytesRead);
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SimFrameTiming, TimeOutsInEachTiming) {
    for (const auto timing : {SimTiming::Realtime, SimTiming::Fast}) {
        for (const std::uint8_t type : {21, 8}) {
            SimCamera camera({type, 0, 0x100});
            camera.SetTiming(timing);
            EXPECT_EQ(Got(camera, 64, 0), -1) << "time-out 0 times out at once";
            EXPECT_EQ(camera.FrameTimeouts(), 1u);
            EXPECT_EQ(camera.FramesDelivered(), 0u);
            EXPECT_EQ(Got(camera, 64, 50), 64) << "the camera recovers";
        }
    }
    SimCamera camera({21, 0, 0x100});
    ASSERT_EQ(camera.Timing(), SimTiming::Realtime);
    EXPECT_EQ(Got(camera, kFullFrame, 1000), kFullFrame) << "a generous time-out";
    EXPECT_EQ(camera.FramesDelivered(), 1u);

    SimCamera slow({28, 0, 0x100});
    slow.SetSensorReg(0xAF, 0);
    slow.SetSensorReg(0x0B, 2000);  // about 63 ms of exposure
    EXPECT_EQ(Got(slow, kFullFrame, 5), -1);
    slow.SetTiming(SimTiming::Fast);
    EXPECT_EQ(Got(slow, kFullFrame, 5), kFullFrame) << "fast timing never waits";
    EXPECT_EQ(slow.FrameTimeouts(), 1u);
}

TEST(SimFrameTiming, UnplugEndsAWaitingRead) {
    SimCamera camera({21, 0, 0x100});
    camera.DropNextFrames(1);
    FrameReadResult result;
    std::thread reader([&] { result = ReadOnce(camera, 16, 60000); });
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

class SimFrameFaultsTest : public ::testing::Test {
protected:
    SimFrameFaultsTest() { camera.SetTiming(SimTiming::Fast); }
    SimCamera camera{{21, 0, 0x100}};
};

TEST_F(SimFrameFaultsTest, DroppedAndEmptyFrames) {
    camera.DropNextFrames(2);
    EXPECT_EQ(Got(camera, kFullFrame), -1);
    EXPECT_EQ(camera.PendingFrameFaults().drops, 1u);
    EXPECT_EQ(Got(camera, kFullFrame), -1);
    EXPECT_EQ(Got(camera, kFullFrame), kFullFrame) << "then frames flow again";
    EXPECT_EQ(camera.FrameTimeouts(), 2u);
    EXPECT_EQ(camera.FramesDelivered(), 1u);

    camera.EmptyNextFrames(1);
    const std::uint32_t held = camera.FramesHeld();
    std::vector<std::uint8_t> bytes;
    const FrameReadResult empty = ReadOnce(camera, kFullFrame, 100, &bytes);
    EXPECT_EQ(empty.kind, Kind::Completed);
    EXPECT_EQ(empty.bytesRead, 0u);
    EXPECT_EQ(bytes[0], 0xEE);
    EXPECT_EQ(camera.FramesDelivered(), 1u) << "an empty frame is not delivered";
    EXPECT_EQ(camera.FramesHeld(), held);

    camera.SetTiming(SimTiming::Realtime);
    camera.DropNextFrames(1);
    EXPECT_EQ(Got(camera, kFullFrame, 3), -1) << "a dropped frame waits its time-out";
}

TEST_F(SimFrameFaultsTest, ShortFramesAreHalfTheFrameOrTheGivenBytes) {
    camera.ShortenNextFrames(1, 0);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadOnce(camera, kFullFrame, 100, &bytes).bytesRead, kFullFrame / 2);
    EXPECT_EQ(bytes[kFullFrame / 2], 0xEE);
    camera.ShortenNextFrames(2, 1000);
    EXPECT_EQ(Got(camera, kFullFrame), 1000);
    EXPECT_EQ(Got(camera, 10), 10) << "never more than asked";
    EXPECT_EQ(Got(camera, kFullFrame), kFullFrame);
    EXPECT_EQ(camera.FramesDelivered(), 4u);
    SimCamera other({8, 0, 0x100});  // no sensor model: half the read
    other.ShortenNextFrames(1, 0);
    EXPECT_EQ(Got(other, 300), 150);
}

TEST_F(SimFrameFaultsTest, OneFaultPerReadInOrderZeroCancelsASlowFrameKeepsIt) {
    camera.ShortenNextFrames(1, 5);
    camera.EmptyNextFrames(1);
    camera.DropNextFrames(1);
    EXPECT_EQ((std::vector{Got(camera, 64), Got(camera, 64), Got(camera, 64), Got(camera, 64)}),
              (std::vector<long>{-1, 0, 5, 64})) << "drops first, then empty, then short";
    camera.DropNextFrames(3);
    camera.DropNextFrames(0);
    EXPECT_EQ(Got(camera, 64), 64);
    camera.SetTiming(SimTiming::Realtime);
    camera.EmptyNextFrames(1);
    EXPECT_EQ(Got(camera, 64, 2), -1);  // about 18 ms a frame
    EXPECT_EQ(camera.PendingFrameFaults().empties, 1u);
}

class SimFrameControlTest : public ::testing::Test {
protected:
    test::ScopedSimCameras sims{"21,8"};
};

TEST_F(SimFrameControlTest, SceneTimingAndFrameSizePerCamera) {
    int value = -1, width = 0, height = 0;
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
    EXPECT_EQ(QCXSimSetScene(0, 3), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetTiming(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetScene(0, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetTiming(0, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetScene(2, QCXSIM_SCENE_RAMP), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimSetTiming(2, QCXSIM_TIMING_FAST), QCXSIM_NO_CAMERA);

    ASSERT_EQ(QCXSimGetFrameSize(0, &width, &height), QCXSIM_OK);
    EXPECT_EQ((std::pair(width, height)), (std::pair(752, 480)));
    QCXSimWriteSensorReg(0, 0x04, 320);
    QCXSimWriteSensorReg(0, 0x0D, 0x0305);
    QCXSimGetFrameSize(0, &width, &height);
    EXPECT_EQ((std::pair(width, height)), (std::pair(160, 240)));
    EXPECT_EQ(QCXSimGetFrameSize(1, &width, &height), QCXSIM_NOT_SUPPORTED);
    EXPECT_EQ(QCXSimGetFrameSize(2, &width, &height), QCXSIM_NO_CAMERA);
}

TEST_F(SimFrameControlTest, FaultsAndCountersThroughTheControlApi) {
    ASSERT_EQ(QCXSimSetTiming(0, QCXSIM_TIMING_FAST), QCXSIM_OK);
    ASSERT_EQ(QCXSimSetScene(0, QCXSIM_SCENE_RAMP), QCXSIM_OK);
    EXPECT_EQ(QCXSimDropFrames(0, 1), QCXSIM_OK);
    EXPECT_EQ(QCXSimEmptyFrames(0, 1), QCXSIM_OK);
    EXPECT_EQ(QCXSimShortFrames(0, 1, 0), QCXSIM_OK);
    unsigned drops = 9, empties = 9, shorts = 9, delivered = 0, timedOut = 0;
    ASSERT_EQ(QCXSimGetPendingFrameFaults(0, &drops, &empties, &shorts), QCXSIM_OK);
    EXPECT_EQ(drops + empties + shorts, 3u);

    const auto node = SimNodeProvider::Instance().OpenNode(0);
    ASSERT_TRUE(node);
    std::vector<std::uint8_t> frame(kFullFrame);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).kind, Kind::TimedOut);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).bytesRead, 0u);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).bytesRead, kFullFrame / 2);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 0).kind, Kind::TimedOut);
    EXPECT_EQ(node->ReadFrame(frame.data(), kFullFrame, 50).bytesRead, kFullFrame);
    EXPECT_EQ(frame[0], 9) << "the ramp at column 1, row 4";

    ASSERT_EQ(QCXSimGetFrameCounts(0, &delivered, &timedOut), QCXSIM_OK);
    EXPECT_EQ((std::pair(delivered, timedOut)), (std::pair(2u, 2u)));
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

}  // namespace
}  // namespace qcx

// qcxsrc's life in a pipeline: state changes again and again, two elements
// on one library, frame faults and unplugging, stopping while a read waits,
// and starts that fail.
#include "qcxsrc_test_support.h"

namespace {

using qcxtest::Pipeline;

class LifecycleTest : public qcxtest::QcxSrcTest {};

// Each start opens the library and each stop closes it, also while frames
// are failing.
TEST_F(LifecycleTest, PlaysAndStopsAgainAndAgain) {
    Pipeline pipeline("qcxsrc simulate=21 name=src ! fakesink");
    Pipeline::Counter& frames = pipeline.Count("src");
    for (int round = 0; round < 6; ++round) {
        ASSERT_NE(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
        if (round % 2 == 1) QCXSimDropFrames(FirstSimulatedNode(), 2);
        EXPECT_TRUE(frames.WaitFor(frames.buffers + 10)) << round;
        if (round == 2) {
            ASSERT_NE(pipeline.SetState(GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
            ASSERT_NE(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
            EXPECT_TRUE(frames.WaitFor(frames.buffers + 10));
        }
        ASSERT_EQ(pipeline.SetState(GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
        EXPECT_EQ(QCX_DeviceGetCount(), QCX_STATUS_NOT_INITIALIZED) << round;
    }
    EXPECT_FALSE(pipeline.HasError());
}

// The library stays open until the last element stops; an index is one
// element's at a time.
TEST_F(LifecycleTest, TwoElementsShareTheLibrary) {
    Pipeline first("qcxsrc simulate=21,21 device=0 name=src ! fakesink");
    Pipeline second("qcxsrc simulate=21,21 device=1 name=src ! fakesink");
    Pipeline::Counter& secondFrames = second.Count("src");
    ASSERT_NE(first.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    ASSERT_NE(second.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    EXPECT_TRUE(first.Count("src").WaitFor(10));
    EXPECT_TRUE(secondFrames.WaitFor(10));

    Pipeline twin("qcxsrc device=1 ! fakesink");
    EXPECT_EQ(twin.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    twin.ExpectError(GST_RESOURCE_ERROR_BUSY, "another qcxsrc");

    ASSERT_EQ(first.SetState(GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    EXPECT_TRUE(secondFrames.WaitFor(secondFrames.buffers + 10));
    ASSERT_EQ(second.SetState(GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    EXPECT_EQ(QCX_DeviceGetCount(), QCX_STATUS_NOT_INITIALIZED);
}

// A few failed reads are read again; frames that never come end the stream
// with an error, as unplugging the camera does; the element plays again
// after an error.
TEST_F(LifecycleTest, FrameFaultsAreOutlastedUntilTheyPersist) {
    Pipeline pipeline("qcxsrc simulate=21 name=src ! fakesink");
    Pipeline::Counter& frames = pipeline.Count("src");
    ASSERT_NE(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(frames.WaitFor(5));
    const int node = FirstSimulatedNode();
    for (auto fault : {QCXSimDropFrames, QCXSimEmptyFrames}) {
        ASSERT_EQ(fault(node, 3), QCXSIM_OK);
        EXPECT_TRUE(frames.WaitFor(frames.buffers + 10));
    }
    ASSERT_EQ(QCXSimShortFrames(node, 3, 0), QCXSIM_OK);
    EXPECT_TRUE(frames.WaitFor(frames.buffers + 10));
    EXPECT_FALSE(pipeline.HasError());
    ASSERT_EQ(QCXSimEmptyFrames(node, 1000), QCXSIM_OK);
    pipeline.ExpectError(GST_RESOURCE_ERROR_READ, StatusText(QCX_STATUS_ZERO_FRAME));

    ASSERT_EQ(pipeline.SetState(GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    ASSERT_EQ(QCXSimEmptyFrames(node, 0), QCXSIM_OK);
    ASSERT_NE(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    EXPECT_TRUE(frames.WaitFor(frames.buffers + 5));
    ASSERT_EQ(QCXSimUnplug(node), QCXSIM_OK);
    pipeline.ExpectError(GST_RESOURCE_ERROR_READ, StatusText(QCX_STATUS_RECOVERY_FAIL));
}

// Frames stop coming and each read waits its time-out: stopping waits for
// the read under way, not for the reads to give up.
TEST_F(LifecycleTest, StoppingInterruptsReadsThatWait) {
    setenv("QCX_SIM_TIMING", "realtime", 1);
    Pipeline pipeline("qcxsrc simulate=21 name=src ! fakesink");
    ASSERT_NE(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(pipeline.Count("src").WaitFor(3));
    ASSERT_EQ(QCXSimDropFrames(FirstSimulatedNode(), 1000), QCXSIM_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(pipeline.SetState(GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A start that fails says why on the bus and leaves the library closed.
TEST_F(LifecycleTest, SettingsThatFailStopTheStart) {
    Pipeline missing("qcxsrc simulate=21 device=3 ! fakesink");
    EXPECT_EQ(missing.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    missing.ExpectError(GST_RESOURCE_ERROR_NOT_FOUND, "not found");
    Pipeline refused("qcxsrc simulate=19 gain=5 ! fakesink");  // the CCD's gain is its front end's
    EXPECT_EQ(refused.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    refused.ExpectError(GST_RESOURCE_ERROR_SETTINGS, "gain");
    EXPECT_EQ(QCX_DeviceGetCount(), QCX_STATUS_NOT_INITIALIZED);
}

}  // namespace

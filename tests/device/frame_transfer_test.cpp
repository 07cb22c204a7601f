// Frame reads of the camera object: the frame release flag, the raw
// corrections' order and extent, and 16-bit transfer. The simulated cameras
// without a sensor model send byte i of their k-th frame as (i + k) & 0xFF.
#include <gtest/gtest.h>

#include <vector>

#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/tone_tables.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FrameTransferTest : public ::testing::Test {
protected:
    NodeDirectory nodes{{&SimNodeProvider::Instance()}};
    std::unique_ptr<test::ScopedSimCameras> sims;
    std::unique_ptr<CDevice> device;

    void Open(const char* list) {
        device.reset();
        sims.reset();
        sims = std::make_unique<test::ScopedSimCameras>(list);
        Sim()->SetTiming(SimTiming::Fast);
        DeviceEnvironment environment;
        environment.nodes = &nodes;
        environment.makeSensorDriver = test::FakeSensorFactory(std::make_shared<test::FakeSensorLog>());
        int status = 0;
        device = std::make_unique<CDevice>(0, environment, &status);
        ASSERT_EQ(status, 1);
    }
    void TearDown() override {
        device.reset();
        sims.reset();
    }
    // The bytes the camera's next frame will hold.
    static Bytes NextFrame(std::size_t size) {
        Bytes frame(size);
        const auto k = Sim()->FramesDelivered();
        for (std::size_t i = 0; i < size; ++i) frame[i] = static_cast<std::uint8_t>(i + k);
        return frame;
    }
    static std::shared_ptr<SimCamera> Sim() { return SimNodeProvider::Instance().CameraAtNode(0); }
};

TEST_F(FrameTransferTest, ShortAndEmptyReadsAreClassifiedAndOnlyDataSetsTheReleaseFlag) {
    Open("48");
    Bytes frame(64 * 8);
    Sim()->EmptyNextFrames(1);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 64, 8), -14);
    EXPECT_FALSE(device->FrameReleasePending());
    Sim()->ShortenNextFrames(1, 100);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 64, 8), -13);
    EXPECT_TRUE(device->FrameReleasePending());

    // The next read releases the held frame first, then reads.
    Sim()->EmptyNextFrames(1);
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 64, 8, 64 * 8, 64 * 8), -14);
    EXPECT_EQ(Sim()->FrameReleaseCount(), 1u);
    EXPECT_FALSE(device->FrameReleasePending());
    Sim()->ShortenNextFrames(1, 10);
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 64, 8, 64 * 8, 64 * 8), -13);
    EXPECT_TRUE(device->FrameReleasePending());
    EXPECT_EQ(device->FrameRelease(), 1);
    EXPECT_EQ(device->FrameRelease(), 0) << "nothing held, nothing sent";
    EXPECT_EQ(Sim()->FrameReleaseCount(), 2u);

    Open("8");
    EXPECT_EQ(device->FrameRelease(), -3) << "only the cameras that hold frames release them";
    EXPECT_EQ(device->GetRawData16or8Bits(nullptr, 4, 4), -3);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 0, 4), -3);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 4, -1), -3);
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 4, 4, 0, 16), -3);
    EXPECT_EQ(Sim()->FramesDelivered() + Sim()->FrameTimeouts(), 0u) << "nothing was read";
}

TEST_F(FrameTransferTest, TableCorrectionsFollowPatchAndCoverTheCorrectionCountOnly) {
    Open("8");
    constexpr int W = 16, H = 8;
    PipelineSettings& pipeline = device->Pipeline();
    ASSERT_EQ(SetContrast(pipeline, 40), 1);
    ASSERT_EQ(SetBrightness(pipeline, -30), 1);
    SetGammaValue(pipeline, 3);

    Bytes expected = NextFrame(W * H);
    Bytes frame(W * H);
    ASSERT_EQ(device->GetRawDataEx(frame.data(), W, H, W * H, 50), 1);
    PatchRawEdges(expected.data(), W, H);
    for (int i = 0; i < 50; ++i)
        expected[i] = pipeline.brightnessTable[pipeline.contrastTable[pipeline.gammaTable[expected[i]]]];
    EXPECT_EQ(frame, expected);
}

TEST_F(FrameTransferTest, SixteenBitFramesComeRawFromCaptureAndReducedFromThePreviewRead) {
    Open("31");
    SensorState& state = device->State();
    state.fov[FVM_CAPTURE].pixelCount = 12;
    state.fov[FVM_PREVIEW].pixelCount = 20;
    ASSERT_EQ(device->SetData16Bits(true), 1);
    EXPECT_EQ(Sim()->WorkingMode() & 0x10, 0x10);
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 24);
    EXPECT_EQ(state.fov[FVM_PREVIEW].bufferBytes, 40);
    const unsigned requests = Sim()->RequestCount();
    EXPECT_EQ(device->SetData16Bits(true), 1);
    EXPECT_EQ(Sim()->RequestCount(), requests + 1) << "only the word is read; it already has the bit";

    constexpr int W = 8, H = 4;
    const Bytes sent = NextFrame(W * H * 2);
    Bytes wide(W * H * 2);
    ASSERT_EQ(device->GetRawData16or8Bits(wide.data(), W, H), 1);
    EXPECT_EQ(wide, sent) << "16-bit capture frames are not corrected";

    // Little-endian samples, a sixteenth of each up to 255.
    const Bytes next = NextFrame(W * H * 2);
    Bytes expected(W * H);
    for (int i = 0; i < W * H; ++i) expected[i] = static_cast<std::uint8_t>(std::min((next[2 * i] | next[2 * i + 1] << 8) >> 4, 255));
    PatchRawEdges(expected.data(), W, H);
    Bytes narrow(W * H);
    ASSERT_EQ(device->GetRawDataEx(narrow.data(), W, H, W * H * 2, W * H), 1);
    EXPECT_EQ(narrow, expected);

    ASSERT_EQ(device->SetData16Bits(false), 1);
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 12);
    bool on = true;
    EXPECT_EQ(device->GetData16Bits(&on), 1);
    EXPECT_FALSE(on);
}

}  // namespace
}  // namespace qcx

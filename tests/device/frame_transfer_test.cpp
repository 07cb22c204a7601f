// Frame reads of the camera object: the frame release flag, the raw
// corrections' order and extent, 16-bit transfer, and the working-mode word
// with the frame-buffer flush. The simulated cameras look at the ramp, whose
// first row, read from column 0, holds sample i = i mod 256 (16 times that
// in 16-bit transfer); these frames are shorter than one row.
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
        Sim()->SetScene(SimScene::Ramp);
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
    // The first `size` bytes of the camera's frames.
    static Bytes NextFrame(std::size_t size, bool wide = false) {
        Bytes frame(size);
        for (std::size_t i = 0; i < size; ++i) {
            const auto sample = static_cast<std::uint16_t>(wide ? (i / 2 % 256) * 16 : i % 256);
            frame[i] = static_cast<std::uint8_t>(wide && i % 2 != 0 ? sample >> 8 : sample);
        }
        return frame;
    }
    static std::shared_ptr<SimCamera> Sim() { return SimNodeProvider::Instance().CameraAtNode(0); }
};

TEST_F(FrameTransferTest, AShortReadHoldsTheFrameUntilTheNextRead) {
    Open("48");
    EXPECT_TRUE(device->FrameReleasePending()) << "a frame an earlier session left is released first";
    Bytes frame(64 * 8);
    Sim()->ShortenNextFrames(1, 100);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 64, 8), -13);
    EXPECT_TRUE(device->FrameReleasePending());
    // The next read releases the held frame first, then reads; an empty one holds nothing.
    Sim()->EmptyNextFrames(1);
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 64, 8, 64 * 8, 64 * 8), -14);
    EXPECT_EQ(Sim()->FrameReleaseCount(), 2u);
    EXPECT_FALSE(device->FrameReleasePending());
    EXPECT_EQ(device->FrameRelease(), 0) << "nothing held, nothing sent";
    EXPECT_EQ(Sim()->FrameReleaseCount(), 2u);
}

TEST_F(FrameTransferTest, TableCorrectionsFollowPatchAndCoverTheCorrectionCountOnly) {
    Open("48");
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
    Open("48");
    SensorState& state = device->State();
    state.fov[FVM_CAPTURE].pixelCount = 12;
    state.fov[FVM_PREVIEW].pixelCount = 20;
    ASSERT_EQ(device->SetData16Bits(true), 1);
    EXPECT_EQ(Sim()->WorkingMode() & 0x10, 0x10);
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 24);
    EXPECT_EQ(state.fov[FVM_PREVIEW].bufferBytes, 40);

    constexpr int W = 8, H = 4;
    // Little-endian samples, a sixteenth of each up to 255.
    const Bytes next = NextFrame(W * H * 2, true);
    Bytes expected(W * H);
    for (int i = 0; i < W * H; ++i) expected[i] = static_cast<std::uint8_t>(std::min((next[2 * i] | next[2 * i + 1] << 8) >> 4, 255));
    PatchRawEdges(expected.data(), W, H);
    Bytes narrow(W * H);
    ASSERT_EQ(device->GetRawDataEx(narrow.data(), W, H, W * H * 2, W * H), 1);
    EXPECT_EQ(narrow, expected);

    ASSERT_EQ(device->SetData16Bits(false), 1);
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 12);
}

class WorkingModeTest : public FrameTransferTest {};

TEST_F(WorkingModeTest, FlushSetsBit8AndTheCameraClearsIt) {
    Open("28");
    Sim()->SetWorkingMode(0x0013);
    ASSERT_EQ(device->EmptyFrameBuffer(), 1);
    EXPECT_EQ(Sim()->FlushCount(), 1u);
    EXPECT_EQ(Sim()->WorkingMode(), 0x0013) << "the firmware cleared the flush bit itself";
    EXPECT_EQ(device->WorkingModeCopy(), 0x0013);
    // The last word on the wire carried bit 8: the library never ends a flush itself.
    const RequestRecord record = RequestRecord::Decode(Sim()->LastRequest().record.data());
    EXPECT_EQ(record.bRequest, vendor::kSetWorkingMode);
    EXPECT_EQ(record.wValue, 0x0113u);
}

TEST_F(WorkingModeTest, FailuresAreReportedAndStopTheFlush) {
    Open("48");
    // A failed read of the word ends the flush before anything is written.
    Sim()->FailNextRequests(1, SimFaultMode::Refuse);
    EXPECT_EQ(device->EmptyFrameBuffer(), -8);
    EXPECT_EQ(Sim()->FlushCount(), 0u);

    // A flush that fails keeps the copy of the last good one.
    Sim()->SetWorkingMode(0x0001);
    ASSERT_EQ(device->EmptyFrameBuffer(), 1);
    Sim()->SetWorkingMode(0x0004);
    Sim()->FailNextRequests(1, SimFaultMode::Status);
    EXPECT_EQ(device->EmptyFrameBuffer(), -8);
    EXPECT_EQ(device->WorkingModeCopy(), 0x0001);
}

}  // namespace
}  // namespace qcx

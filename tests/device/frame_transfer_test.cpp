// Frame reads of the camera object: completion classes, recovery, the frame
// release flag, 16-bit transfer and the order of the raw corrections. Frames
// come from a script in front of the simulated camera's node.
#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <random>
#include <vector>

#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/tone_tables.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

// One scripted read: how it ends and how many bytes it delivers (-1: all).
struct ScriptedRead {
    FrameReadResult::Kind kind = FrameReadResult::Kind::Completed;
    int bytes = -1;
};

struct FrameScript {
    std::deque<ScriptedRead> reads;
    std::vector<std::uint8_t> frame;  // the bytes a completed read delivers
    std::vector<std::uint32_t> timeouts;
};

// The simulated camera's node, with frame reads taken from the script.
class ScriptedNode : public DriverNode {
public:
    ScriptedNode(std::unique_ptr<DriverNode> inner, std::shared_ptr<FrameScript> script)
        : inner_(std::move(inner)), script_(std::move(script)) {}
    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data, std::uint32_t size) override {
        return inner_->IoControl(code, record, data, size);
    }
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override {
        script_->timeouts.push_back(timeoutMs);
        ScriptedRead read;
        if (!script_->reads.empty()) {
            read = script_->reads.front();
            script_->reads.pop_front();
        }
        if (read.kind != FrameReadResult::Kind::Completed) return FrameReadResult{read.kind, 0, 31};
        const std::uint32_t bytes = read.bytes < 0 ? size : static_cast<std::uint32_t>(read.bytes);
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::uint32_t i = 0; i < bytes; ++i) out[i] = script_->frame.empty() ? 0 : script_->frame[i % script_->frame.size()];
        return FrameReadResult{FrameReadResult::Kind::Completed, bytes, 0};
    }

private:
    std::unique_ptr<DriverNode> inner_;
    std::shared_ptr<FrameScript> script_;
};

class ScriptedProvider : public NodeProvider {
public:
    explicit ScriptedProvider(std::shared_ptr<FrameScript> script) : script_(std::move(script)) {}
    int CountNodes() override { return SimNodeProvider::Instance().CountNodes(); }
    std::unique_ptr<DriverNode> OpenNode(int index) override {
        std::unique_ptr<DriverNode> inner = SimNodeProvider::Instance().OpenNode(index);
        if (!inner) return nullptr;
        ++opens;
        return std::make_unique<ScriptedNode>(std::move(inner), script_);
    }
    int opens = 0;

private:
    std::shared_ptr<FrameScript> script_;
};

class FrameTransferTest : public ::testing::Test {
protected:
    std::shared_ptr<FrameScript> script = std::make_shared<FrameScript>();
    ScriptedProvider provider{script};
    NodeDirectory nodes{{&provider}};
    std::shared_ptr<test::FakeSensorLog> sensor = std::make_shared<test::FakeSensorLog>();
    std::unique_ptr<test::ScopedSimCameras> sims;
    std::unique_ptr<CDevice> device;

    void Open(const char* list) {
        sims = std::make_unique<test::ScopedSimCameras>(list);
        DeviceEnvironment environment;
        environment.nodes = &nodes;
        environment.makeSensorDriver = test::FakeSensorFactory(sensor);
        int status = 0;
        device = std::make_unique<CDevice>(0, environment, &status);
        ASSERT_EQ(status, 1);
    }
    void TearDown() override {
        device.reset();
        sims.reset();
    }
    void RandomFrame(std::size_t size) {
        std::mt19937 random(7);
        script->frame.resize(size);
        for (auto& b : script->frame) b = static_cast<std::uint8_t>(random());
    }
    static std::shared_ptr<SimCamera> Sim() { return SimNodeProvider::Instance().CameraAtNode(0); }
};

TEST_F(FrameTransferTest, ACompleteFrameChangesOnlyInThePatchedEdgesWithDefaultSettings) {
    Open("21");
    constexpr int W = 40, H = 30;
    RandomFrame(W * H);
    std::vector<std::uint8_t> frame(W * H);
    ASSERT_EQ(device->GetRawData16or8Bits(frame.data(), W, H), 1);
    std::vector<std::uint8_t> expected = script->frame;
    PatchRawEdges(expected.data(), W, H);
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(script->timeouts.back(), 8000u);
}

TEST_F(FrameTransferTest, ShortAndEmptyReadsAreClassifiedAndOnlyDataSetsTheReleaseFlag) {
    Open("48");
    std::vector<std::uint8_t> frame(64 * 8);
    script->reads = {{FrameReadResult::Kind::Completed, 0}};
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 64, 8), -14);
    EXPECT_FALSE(device->FrameReleasePending());
    script->reads = {{FrameReadResult::Kind::Completed, 100}};
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 64, 8), -13);
    EXPECT_TRUE(device->FrameReleasePending());

    // The next read releases the held frame first, then reads.
    script->reads = {{FrameReadResult::Kind::Completed, 0}};
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 64, 8, 64 * 8, 64 * 8), -14);
    EXPECT_EQ(Sim()->FrameReleaseCount(), 1u);
    EXPECT_FALSE(device->FrameReleasePending());
    script->reads = {{FrameReadResult::Kind::Completed, 10}};
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 64, 8, 64 * 8, 64 * 8), -13);
    EXPECT_TRUE(device->FrameReleasePending());
    EXPECT_EQ(device->FrameRelease(), 1);
    EXPECT_EQ(device->FrameRelease(), 0) << "nothing held, nothing sent";
    EXPECT_EQ(Sim()->FrameReleaseCount(), 2u);
}

TEST_F(FrameTransferTest, FrameReleaseBelongsToTheHoldingCamerasOnly) {
    Open("21");
    EXPECT_EQ(device->FrameRelease(), -3);
}

TEST_F(FrameTransferTest, ATimeOutRecoversTheCameraAndReportsIt) {
    Open("21");
    std::vector<std::uint8_t> frame(16 * 8);
    device->SetCaptureTimeoutMs(0);
    script->reads = {{FrameReadResult::Kind::TimedOut}};
    const int opensBefore = provider.opens;
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 16, 8), -10);
    EXPECT_EQ(script->timeouts.back(), 0u);
    EXPECT_EQ(provider.opens, opensBefore + 1) << "the node is opened again";
    EXPECT_EQ(sensor->restoreCalls, 1);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 16, 8), 1) << "the next read gets its frame";

    script->reads = {{FrameReadResult::Kind::TimedOut}};
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 16, 8, 128, 128), -10);
    EXPECT_EQ(sensor->restoreCalls, 2);
}

TEST_F(FrameTransferTest, AFailedTransferOfAVanishedCameraRecoversWhenItIsBack) {
    Open("21");
    std::vector<std::uint8_t> frame(16 * 8);
    Sim()->Unplug();
    script->reads = {{FrameReadResult::Kind::Failed}};
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 16, 8), -8) << "no node to reopen";
    EXPECT_FALSE(device->Channel().IsOpen());
    std::uint16_t value = 0;
    EXPECT_EQ(device->RdSensorReg(1, &value), -5);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 16, 8), -11) << "still gone";

    SimNodeProvider::Instance().ReplugAll();
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 16, 8), 1) << "recovered, then read";
    EXPECT_TRUE(device->Channel().IsOpen());
}

TEST_F(FrameTransferTest, BadSizesAndNullBuffersAreRefused) {
    Open("21");
    std::vector<std::uint8_t> frame(16);
    EXPECT_EQ(device->GetRawData16or8Bits(nullptr, 4, 4), -3);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 0, 4), -3);
    EXPECT_EQ(device->GetRawData16or8Bits(frame.data(), 4, -1), -3);
    EXPECT_EQ(device->GetRawDataEx(frame.data(), 4, 4, 0, 16), -3);
    EXPECT_TRUE(script->timeouts.empty()) << "nothing was read";
}

TEST_F(FrameTransferTest, TableCorrectionsFollowPatchAndCoverTheCorrectionCountOnly) {
    Open("21");
    constexpr int W = 16, H = 8;
    RandomFrame(W * H);
    PipelineSettings& pipeline = device->Pipeline();
    ASSERT_EQ(SetContrast(pipeline, 40), 1);
    ASSERT_EQ(SetBrightness(pipeline, -30), 1);
    SetGammaValue(pipeline, 3);

    std::vector<std::uint8_t> frame(W * H);
    ASSERT_EQ(device->GetRawDataEx(frame.data(), W, H, W * H, 50), 1);
    std::vector<std::uint8_t> expected = script->frame;
    PatchRawEdges(expected.data(), W, H);
    for (int i = 0; i < 50; ++i)
        expected[i] = pipeline.brightnessTable[pipeline.contrastTable[pipeline.gammaTable[expected[i]]]];
    EXPECT_EQ(frame, expected);
}

TEST_F(FrameTransferTest, SixteenBitTransferIsForItsCamerasOnly) {
    Open("21");
    bool on = true;
    EXPECT_EQ(device->SetData16Bits(true), -3);
    EXPECT_EQ(device->GetData16Bits(&on), -3);
    EXPECT_FALSE(on);
    EXPECT_FALSE(device->Transfer16Bit());
}

TEST_F(FrameTransferTest, SixteenBitFramesComeRawFromCaptureAndReducedFromThePreviewRead) {
    Open("31");
    SensorState& state = device->State();
    state.fov[FVM_CAPTURE].pixelCount = 12;
    state.fov[FVM_PREVIEW].pixelCount = 20;
    ASSERT_EQ(device->SetData16Bits(true), 1);
    EXPECT_EQ(Sim()->WorkingMode() & 0x10, 0x10);
    EXPECT_TRUE(device->Transfer16Bit());
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 24);
    EXPECT_EQ(state.fov[FVM_PREVIEW].bufferBytes, 40);
    const unsigned requests = Sim()->RequestCount();
    EXPECT_EQ(device->SetData16Bits(true), 1);
    EXPECT_EQ(Sim()->RequestCount(), requests + 1) << "only the word is read; it already has the bit";

    constexpr int W = 8, H = 4;
    script->frame.clear();
    for (int i = 0; i < W * H; ++i) {  // 16-bit little-endian samples i * 100
        script->frame.push_back(static_cast<std::uint8_t>(i * 100));
        script->frame.push_back(static_cast<std::uint8_t>((i * 100) >> 8));
    }
    std::vector<std::uint8_t> wide(W * H * 2);
    ASSERT_EQ(device->GetRawData16or8Bits(wide.data(), W, H), 1);
    EXPECT_EQ(wide, script->frame) << "16-bit capture frames are not corrected";

    std::vector<std::uint8_t> narrow(W * H);
    ASSERT_EQ(device->GetRawDataEx(narrow.data(), W, H, W * H * 2, W * H), 1);
    std::vector<std::uint8_t> expected(W * H);
    for (int i = 0; i < W * H; ++i) expected[i] = static_cast<std::uint8_t>(std::min(i * 100 >> 4, 255));
    PatchRawEdges(expected.data(), W, H);
    EXPECT_EQ(narrow, expected);

    ASSERT_EQ(device->SetData16Bits(false), 1);
    EXPECT_EQ(state.fov[FVM_CAPTURE].bufferBytes, 12);
    bool on = true;
    EXPECT_EQ(device->GetData16Bits(&on), 1);
    EXPECT_FALSE(on);
}

}  // namespace
}  // namespace qcx

// The vendor requests as they leave the channel: the 19-byte record, how
// failures become status codes, and the channel that loses its camera to an
// unplug. (Byte orders are checked against the simulated firmware through the
// exports.)
#include <gtest/gtest.h>

#include <cstring>

#include "camera/platform/node_claim.h"
#include "camera/transport/driver_channel.h"
#include "support/recording_node.h"

namespace qcx {
namespace {

using test::RecordingProvider;

class DriverChannelTest : public ::testing::Test {
protected:
    RecordingProvider provider{1};
    NodeDirectory directory{{&provider}};
    DriverChannel channel{directory};
    test::RecordingNodeState& node() { return *provider.states[0]; }

    void SetUp() override { ASSERT_EQ(channel.Open(), 1); }
    void Answer(std::vector<std::uint8_t> bytes) { node().answers.push_back(std::move(bytes)); }
};

TEST_F(DriverChannelTest, RecordLayoutIsPackedLittleEndianWithLowAddressBits) {
    std::uint8_t buffer[3] = {};
    SetupPacket setup = SetupPacket::FromBytes(std::array<std::uint8_t, 8>{0xC0, 0xC2, 0x34, 0x12, 0x78, 0x56, 3, 0}.data());
    ASSERT_EQ(channel.VendorCmd(setup, buffer), 1);
    const RequestRecordBytes& r = node().requests.back().record;
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer));
    const std::uint8_t expected[19] = {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                                       static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 24),
                                       0x34, 0x12, 0, 0, 3, 0, 0, 0, 0x78, 0x56, 0, 0, 0xC2, 0xC0, 0x80};
    EXPECT_EQ(0, std::memcmp(r.data(), expected, 19));
    EXPECT_EQ(node().requests.back().dataSize, 3u);
}

TEST_F(DriverChannelTest, FailuresBecomeStatusCodesAndLeaveOutputsAlone) {
    std::uint8_t byte = 0x42;
    Answer({1, 0x99});  // non-zero status byte
    EXPECT_EQ(channel.ReadFx2Reg(0x10, &byte), -8);
    EXPECT_EQ(byte, 0x42);

    node().refuse = true;  // the driver refuses the request
    EXPECT_EQ(channel.ReadEeprom(0x10, &byte), -8);
    EXPECT_EQ(channel.WriteEeprom32(0x10, 1), -8);
    EXPECT_EQ(byte, 0x42);
    node().refuse = false;

    // A device-information answer that never came leaves the 0xFF fill, which
    // reads as a failed status byte.
    EXPECT_EQ(channel.GetDeviceInformation(nullptr), -8);

    channel.Close();
    const std::size_t before = node().requests.size();
    EXPECT_EQ(channel.ReadFx2Reg(0x10, &byte), -5);
    EXPECT_EQ(channel.WriteEeprom32(0x10, 1), -5);
    EXPECT_EQ(node().requests.size(), before) << "nothing may reach a closed node";
}

// One camera that can be unplugged; a node opened before an unplug knows,
// once it failed, that its camera is gone.
struct UnpluggableCamera : NodeProvider {
    struct Node : DriverNode {
        Node(const int& plug, int opened) : plug(plug), opened(opened) {}
        bool Works() {
            gone = plug != opened;
            return !gone;
        }
        bool IoControl(std::uint32_t, const RequestRecordBytes&, void* data, std::uint32_t size) override {
            std::memset(data, 0, size);  // status byte 0
            return Works();
        }
        FrameReadResult ReadFrame(void*, std::uint32_t size, std::uint32_t) override {
            return Works() ? FrameReadResult{FrameReadResult::Kind::Completed, size} : FrameReadResult{};
        }
        bool IsGone() const override { return gone; }
        const int& plug;
        const int opened;
        bool gone = false;
    };
    int CountNodes() override { return plug != 0 ? 1 : 0; }
    std::unique_ptr<DriverNode> OpenNode(int i) override {
        return i < CountNodes() ? std::make_unique<Node>(plug, plug) : nullptr;
    }
    void Unplug() { plug = 0; }
    void Replug() { plug = ++plugs; }
    int plugs = 1;
    int plug = plugs;  // 0 while unplugged
};

TEST(DriverChannelRecoveryTest, AGoneNodeLosesTheChannelAndEachLaterRequestRecoversFirstUntilItIsBack) {
    UnpluggableCamera camera;
    NodeDirectory directory({&camera});
    DriverChannel channel(directory);
    ASSERT_EQ(channel.Open(), 1);
    int recoveries = 0;
    int requestInRecovery = 0;
    channel.SetRecovery([&] {
        ++recoveries;
        std::uint8_t byte = 0;
        requestInRecovery = channel.ReadSfr(0x80, &byte);
        return channel.Reopen([] { return true; });
    });
    std::uint8_t value = 0;
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), 1);

    camera.Unplug();
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), -8);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr) << "the dead node's claim is let go";
    EXPECT_EQ(recoveries, 0);
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), -5) << "recovered, but the camera is still away";
    EXPECT_EQ(requestInRecovery, -5) << "a request of the recovery starts no recovery of its own";
    camera.Replug();
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), 1);
    EXPECT_EQ(recoveries, 2);

    std::uint8_t frame[8];
    camera.Unplug();
    camera.Replug();
    EXPECT_EQ(channel.ReadFrame(frame, sizeof frame, 0).kind, FrameReadResult::Kind::Failed);
    EXPECT_EQ(channel.ReadFrame(frame, sizeof frame, 0).kind, FrameReadResult::Kind::Completed);
    EXPECT_EQ(recoveries, 3);

    camera.Unplug();
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), -8);
    channel.Close();
    camera.Replug();
    EXPECT_EQ(channel.ReadFx2Reg(0, &value), -5) << "a channel closed on purpose stays closed";
    EXPECT_EQ(recoveries, 3);
}

}  // namespace
}  // namespace qcx

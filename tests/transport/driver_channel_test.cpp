// The vendor requests as they leave the channel: the 19-byte record, and how
// failures become status codes. (Byte orders are checked against the
// simulated firmware through the exports.)
#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace qcx

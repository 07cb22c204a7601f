// The vendor requests as they leave the channel: the 19-byte record of each
// typed request, the data stage, and how answers become status codes.
#include <gtest/gtest.h>

#include <functional>

#include "camera/transport/driver_channel.h"
#include "support/recording_node.h"

namespace qcx {
namespace {

using test::RecordingProvider;

struct Fields {
    std::uint32_t wValue, wLength, wIndex;
    std::uint8_t bRequest, bmRequestType;
};

Fields Decode(const RequestRecordBytes& r) {
    auto le32 = [&](int at) {
        return static_cast<std::uint32_t>(r[at] | (r[at + 1] << 8) | (r[at + 2] << 16) | (r[at + 3] << 24));
    };
    EXPECT_EQ(r[18], r[17] & 0x80) << "direction byte";
    return Fields{le32(4), le32(8), le32(12), r[16], r[17]};
}

class DriverChannelTest : public ::testing::Test {
protected:
    RecordingProvider provider{1};
    NodeDirectory directory{{&provider}};
    DriverChannel channel{directory};
    test::RecordingNodeState& node() { return *provider.states[0]; }

    void SetUp() override { ASSERT_EQ(channel.Open(), 1); }
    void Answer(std::vector<std::uint8_t> bytes) { node().answers.push_back(std::move(bytes)); }
    Fields Last() { return Decode(node().requests.back().record); }
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

TEST_F(DriverChannelTest, TypedRequestsCarryTheirSetupFields) {
    std::uint8_t byte = 0;
    std::uint16_t word = 0;
    struct Case {
        const char* name;
        std::function<int()> call;
        Fields expected;
    };
    const std::vector<Case> cases = {
        {"read controller register", [&] { return channel.ReadFx2Reg(0xE600, &byte); }, {0xE600, 2, 0, 0xC0, 0xC0}},
        {"write controller register", [&] { return channel.WriteFx2Reg(0xE601, 0x5A); }, {0xE601, 1, 0x5A, 0xC1, 0xC0}},
        {"read sensor register", [&] { return channel.ReadSensorReg(0x0B, &word); }, {0x0B, 3, 0, 0xC2, 0xC0}},
        {"write sensor register", [&] { return channel.WriteSensorReg(0x3012, 0xBEEF); }, {0x3012, 1, 0xBEEF, 0xC3, 0xC0}},
        {"read eeprom", [&] { return channel.ReadEeprom(0xFFFF, &byte); }, {0xFFFF, 2, 0, 0xC4, 0xC0}},
        {"write eeprom", [&] { return channel.WriteEeprom(0x0102, 0x99); }, {0x0102, 1, 0x99, 0xC5, 0xC0}},
        {"device information", [&] { return channel.GetDeviceInformation(nullptr); }, {0, 5, 0, 0xC9, 0xC0}},
        {"read sfr", [&] { return channel.ReadSfr(0xB0, &byte); }, {0xB0, 2, 0, 0xCA, 0xC0}},
        {"write sfr", [&] { return channel.WriteSfr(0xB1, 0x0F); }, {0xB1, 1, 0x0F, 0xCB, 0xC0}},
        {"read eeprom 32", [&] { return channel.ReadEeprom32(0x12345, &byte); }, {0x0001, 2, 0x2345, 0xD2, 0xC0}},
        {"write eeprom 32", [&] { return channel.WriteEeprom32(0x12345, 0x77); }, {0, 4, 0x77, 0xD3, 0x40}},
    };
    for (const Case& c : cases) {
        Answer({0, 0, 0, 0, 0});
        EXPECT_EQ(c.call(), 1) << c.name;
        const Fields got = Last();
        EXPECT_EQ(got.wValue, c.expected.wValue) << c.name;
        EXPECT_EQ(got.wLength, c.expected.wLength) << c.name;
        EXPECT_EQ(got.wIndex, c.expected.wIndex) << c.name;
        EXPECT_EQ(got.bRequest, c.expected.bRequest) << c.name;
        EXPECT_EQ(got.bmRequestType, c.expected.bmRequestType) << c.name;
        EXPECT_EQ(node().requests.back().dataSize, c.expected.wLength) << c.name;
    }
}

TEST_F(DriverChannelTest, EepromWrite32SendsTheAddressMostSignificantByteFirst) {
    ASSERT_EQ(channel.WriteEeprom32(0x12345, 0xAB), 1);
    const std::vector<std::uint8_t> expected = {0x00, 0x01, 0x23, 0x45};
    EXPECT_EQ(node().requests.back().hostData, expected);
}

TEST_F(DriverChannelTest, AnswersAreDecodedInTheirByteOrder) {
    std::uint16_t word = 0;
    Answer({0, 0x12, 0x34});  // sensor values come high byte first
    ASSERT_EQ(channel.ReadSensorReg(0x20, &word), 1);
    EXPECT_EQ(word, 0x1234);

    std::uint8_t statusByte = 0xFF;
    Answer({0, 0x34, 0x12});  // the working-mode word comes low byte first
    ASSERT_EQ(channel.RequestGetWorkingMode(&word, &statusByte), 1);
    EXPECT_EQ(word, 0x1234);

    DeviceInformation info;
    Answer({0, 21, 3, 0x02, 0x01});
    ASSERT_EQ(channel.GetDeviceInformation(&info), 1);
    EXPECT_EQ(info.deviceType, 21);
    EXPECT_EQ(info.deviceNumber, 3);
    EXPECT_EQ(info.firmwareVersion, 0x0102);
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

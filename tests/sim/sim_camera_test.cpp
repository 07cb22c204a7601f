// The simulated firmware's side of the vendor protocol: the byte order of
// each answer, what it records, and the caller's buffer it must not overrun.
#include "sim/sim_camera.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xEE;

RequestRecordBytes Record(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                          std::uint16_t length) {
    return RequestRecord::FromSetup(SetupPacket{type, request, value, index, length}, nullptr).Encode();
}

// A device-to-host request into a buffer of exactly `length` bytes; nullopt when stalled.
std::optional<Bytes> In(SimCamera& camera, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                        std::uint16_t length) {
    Bytes buffer(length, kUntouched);
    if (!camera.HandleRequest(Record(vendor::kTypeIn, request, value, index, length), buffer.data(), length)) {
        return std::nullopt;
    }
    return buffer;
}

bool Out(SimCamera& camera, std::uint8_t request, Bytes data, std::uint16_t value = 0) {
    const auto length = static_cast<std::uint16_t>(data.size());
    return camera.HandleRequest(Record(vendor::kTypeOut, request, value, 0, length), data.data(), length);
}

TEST(SimFirmware, AnswersCarryTheStatusByteThenTheValueInItsOwnByteOrder) {
    SimCamera camera({31, 3, 0x0102});
    EXPECT_EQ(In(camera, vendor::kDeviceInformation, 0, 0, 5), (Bytes{0, 31, 3, 0x02, 0x01}));
    EXPECT_EQ(In(camera, vendor::kWriteSensorReg, 0x3012, 0xABCD, 1), Bytes{0});
    EXPECT_EQ(In(camera, vendor::kReadSensorReg, 0x3012, 0, 3), (Bytes{0, 0xAB, 0xCD})) << "high byte first";
    EXPECT_EQ(In(camera, vendor::kSetWorkingMode, 0x0211, 0, 1), Bytes{0});
    EXPECT_EQ(In(camera, vendor::kGetWorkingMode, 0, 0, 3), (Bytes{0, 0x11, 0x02})) << "low byte first";
    EXPECT_EQ(In(camera, vendor::kWriteFx2Reg, 0xE600, 0x42, 1), Bytes{0});
    EXPECT_EQ(In(camera, vendor::kReadFx2Reg, 0xE600, 0, 2), (Bytes{0, 0x42}));
}

TEST(SimFirmware, CcdWritesAreRecordedAndSensitivityDrivesPortCPins) {
    SimCamera camera({19, 0, 0x100});
    camera.SetSfr(0xA0, 0xF3);
    ASSERT_TRUE(Out(camera, vendor::kFrontEndWrite, {1, 0x00, 0x02}));
    ASSERT_TRUE(Out(camera, vendor::kTimingGeneratorWrite, {0x81, 0x0C, 0, 0x40, 0, 0}));
    ASSERT_TRUE(Out(camera, vendor::kCcdSensitivity, {}, 2));
    const auto writes = camera.RecordedWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].request, vendor::kFrontEndWrite);
    EXPECT_EQ(writes[0].data, (Bytes{1, 0x00, 0x02}));
    EXPECT_EQ(writes[1].data, (Bytes{0x81, 0x0C, 0, 0x40, 0, 0}));
    EXPECT_EQ(camera.CcdSensitivity(), 2);
    EXPECT_EQ(camera.Sfr(0xA0), (0xF3 & ~0x0C) | (2 << 2)) << "the mode on pins 2 and 3, the others stay";
}

TEST(SimFirmware, NeverWritesPastTheCallersBuffer) {
    SimCamera camera({21, 0, 0x100});
    Bytes data(8, kUntouched);
    // The buffer is shorter than wLength: refused, untouched.
    EXPECT_FALSE(camera.HandleRequest(Record(vendor::kTypeIn, vendor::kDeviceInformation, 0, 0, 5), data.data(), 4));
    EXPECT_EQ(data, Bytes(8, kUntouched));
    // wLength shorter than the answer would overflow the host's transfer: stalled.
    EXPECT_FALSE(In(camera, vendor::kDeviceInformation, 0, 0, 4));
    // A longer wLength than the answer gets a short answer; the rest stays.
    EXPECT_EQ(In(camera, vendor::kReadEeprom, 0, 0, 4), (Bytes{0, 0xFF, kUntouched, kUntouched}));
}

}  // namespace
}  // namespace qcx

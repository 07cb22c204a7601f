#include "sim/sim_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xEE;

RequestRecordBytes Record(std::uint8_t type, std::uint8_t request, std::uint16_t value,
                          std::uint16_t index, std::uint16_t length) {
    SetupPacket setup{type, request, value, index, length};
    return RequestRecord::FromSetup(setup, nullptr).Encode();
}

// A device-to-host request into a buffer of `length` bytes; nullopt when stalled.
std::optional<Bytes> In(SimCamera& camera, std::uint8_t request, std::uint16_t value = 0,
                        std::uint16_t index = 0, std::uint16_t length = 8) {
    Bytes buffer(length, kUntouched);
    if (!camera.HandleRequest(Record(vendor::kTypeIn, request, value, index, length), buffer.data(),
                              length)) {
        return std::nullopt;
    }
    return buffer;
}

bool Out(SimCamera& camera, std::uint8_t request, std::uint16_t value, std::uint16_t index, Bytes data) {
    const auto length = static_cast<std::uint16_t>(data.size());
    return camera.HandleRequest(Record(vendor::kTypeOut, request, value, index, length), data.data(),
                                length);
}

Bytes Head(const std::optional<Bytes>& reply, std::size_t n) {
    if (!reply) return {};
    return Bytes(reply->begin(), reply->begin() + static_cast<std::ptrdiff_t>(n));
}

// --- the data layout of each answer ---

TEST(SimFirmwareAnswers, DeviceInformationIsTypeNumberAndFirmwareLowByteFirst) {
    SimCamera camera({21, 3, 0x0102});
    EXPECT_EQ(Head(In(camera, vendor::kDeviceInformation, 0, 0, 5), 5), (Bytes{0, 21, 3, 0x02, 0x01}));
}

TEST(SimFirmwareAnswers, SensorValuesTravelHighByteFirst) {
    SimCamera camera({21, 0, 0x100});
    EXPECT_EQ(Head(In(camera, vendor::kReadSensorReg, 0x3012), 3), (Bytes{0, 0, 0}));
    ASSERT_EQ(Head(In(camera, vendor::kWriteSensorReg, 0x3012, 0xABCD), 1), Bytes{0});
    EXPECT_EQ(camera.SensorReg(0x3012), 0xABCD);
    EXPECT_EQ(Head(In(camera, vendor::kReadSensorReg, 0x3012), 3), (Bytes{0, 0xAB, 0xCD}));
}

TEST(SimFirmwareAnswers, WorkingModeTravelsLowByteFirst) {
    SimCamera camera({31, 0, 0x100});
    ASSERT_TRUE(In(camera, vendor::kSetWorkingMode, 0x0211));
    EXPECT_EQ(Head(In(camera, vendor::kGetWorkingMode), 3), (Bytes{0, 0x11, 0x02}));
}

TEST(SimFirmwareAnswers, EepromIsErasedAndTakesTheLowByteOfTheIndex) {
    SimCamera camera({21, 0, 0x100});
    EXPECT_EQ(Head(In(camera, vendor::kReadEeprom, 0xFFFF), 2), (Bytes{0, 0xFF}));
    ASSERT_TRUE(In(camera, vendor::kWriteEeprom, 0x1234, 0x015A));
    EXPECT_EQ(Head(In(camera, vendor::kReadEeprom, 0x1234), 2), (Bytes{0, 0x5A}));
    EXPECT_EQ(camera.Eeprom(0x1233), 0xFF);
}

TEST(SimFirmwareAnswers, Eeprom32AddressComesFromValueAndIndexOrFromHostBytesMsbFirst) {
    SimCamera camera({21, 0, 0x100});
    ASSERT_TRUE(Out(camera, vendor::kWriteEeprom32, 0, 0x77, {0x00, 0x01, 0x23, 0x45}));
    EXPECT_EQ(camera.Eeprom32(0x00012345), 0x77);
    EXPECT_EQ(Head(In(camera, vendor::kReadEeprom32, 0x0001, 0x2345), 2), (Bytes{0, 0x77}));
    // A separate memory from the 64 KiB EEPROM.
    EXPECT_EQ(camera.Eeprom(0x2345), 0xFF);
    EXPECT_EQ(Head(In(camera, vendor::kReadEeprom32, 0x2345, 0x0001), 2), (Bytes{0, 0xFF}));
}

TEST(SimFirmwareAnswers, ControllerAndSpecialFunctionRegisters) {
    SimCamera camera({21, 0, 0x100});
    ASSERT_TRUE(In(camera, vendor::kWriteFx2Reg, 0xE600, 0x42));
    EXPECT_EQ(Head(In(camera, vendor::kReadFx2Reg, 0xE600), 2), (Bytes{0, 0x42}));
    ASSERT_TRUE(In(camera, vendor::kWriteSfr, 0xB5, 0xF0));
    EXPECT_EQ(Head(In(camera, vendor::kReadSfr, 0xB5), 2), (Bytes{0, 0xF0}));
    EXPECT_EQ(camera.Fx2Reg(0xB5), 0);  // different spaces
}

TEST(SimFirmwareAnswers, TriggerStatusAndDelays) {
    SimCamera camera({17, 0, 0x100});
    camera.SetTriggerStatus(1);
    EXPECT_EQ(Head(In(camera, vendor::kTriggerStatus), 2), (Bytes{0, 1}));
    ASSERT_TRUE(In(camera, vendor::kTriggerDelay, 65535));
    ASSERT_TRUE(In(camera, vendor::kStrobeDelay, 300));
    EXPECT_EQ(camera.TriggerDelay(), 65535);
    EXPECT_EQ(camera.StrobeDelay(), 300);
}

TEST(SimFirmwareAnswers, CcdWritesAreRecordedAndSensitivityDrivesPortCPins) {
    SimCamera camera({19, 0, 0x100});
    camera.SetSfr(0xA0, 0xF3);
    ASSERT_TRUE(Out(camera, vendor::kFrontEndWrite, 0, 0, {1, 0x00, 0x02}));
    ASSERT_TRUE(Out(camera, vendor::kTimingGeneratorWrite, 0, 0, {0x81, 0x0C, 0, 0x40, 0, 0}));
    ASSERT_TRUE(Out(camera, vendor::kCcdSensitivity, 2, 0, {}));
    const auto writes = camera.RecordedWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].request, vendor::kFrontEndWrite);
    EXPECT_EQ(writes[0].data, (Bytes{1, 0x00, 0x02}));
    EXPECT_EQ(writes[1].data, (Bytes{0x81, 0x0C, 0, 0x40, 0, 0}));
    EXPECT_EQ(camera.CcdSensitivity(), 2);
    EXPECT_EQ(camera.Sfr(0xA0), (0xF3 & ~0x0C) | (2 << 2));
}

TEST(SimFirmwareAnswers, ModelSpecificRequestsStallOnOtherModels) {
    SimCamera cmos({21, 0, 0x100});
    EXPECT_FALSE(In(cmos, vendor::kGetWorkingMode));
    EXPECT_FALSE(In(cmos, vendor::kTriggerStatus));
    EXPECT_FALSE(In(cmos, vendor::kFrameRelease));
    EXPECT_FALSE(Out(cmos, vendor::kFrontEndWrite, 0, 0, {1, 2, 3}));
    SimCamera ccd({19, 0, 0x100});
    EXPECT_FALSE(Out(ccd, vendor::kCcd1628RegisterWrite, 0, 0, {4, 0, 1, 0, 0, 0}));
    SimCamera ccd1628({48, 0, 0x100});
    EXPECT_TRUE(Out(ccd1628, vendor::kCcd1628RegisterWrite, 0, 0, {4, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Head(In(ccd1628, vendor::kFrameRelease), 1), Bytes{0});
    EXPECT_EQ(ccd1628.FrameReleaseCount(), 1u);
}

// --- frame buffer flush ---

TEST(SimFirmwareFlush, BitEightFlushesAndIsClearedByTheCamera) {
    SimCamera camera({46, 0, 0x100});
    std::uint8_t frame[16];
    camera.ReadFrame(frame, sizeof frame, 100);
    ASSERT_EQ(camera.FramesHeld(), 1u);
    ASSERT_TRUE(In(camera, vendor::kSetWorkingMode, 0x0111));
    EXPECT_EQ(camera.FlushCount(), 1u);
    EXPECT_EQ(camera.FramesHeld(), 0u);
    EXPECT_EQ(Head(In(camera, vendor::kGetWorkingMode), 3), (Bytes{0, 0x11, 0x00}));
    ASSERT_TRUE(In(camera, vendor::kSetWorkingMode, 0x0011));
    EXPECT_EQ(camera.FlushCount(), 1u);
}

// --- requests the firmware stalls, and the host's buffer ---

TEST(SimFirmwareStalls, HandWrittenRecordIsDecodedAndItsBufferAddressIgnored) {
    SimCamera camera({21, 7, 0x0203});
    const RequestRecordBytes record = {0xEF, 0xBE, 0xAD, 0xDE,  // low half of some pointer
                                       0x00, 0x00, 0x00, 0x00,  // wValue
                                       0x05, 0x00, 0x00, 0x00,  // wLength
                                       0x00, 0x00, 0x00, 0x00,  // wIndex
                                       0xC9, 0xC0, 0x80};
    std::uint8_t data[8];
    std::fill(std::begin(data), std::end(data), kUntouched);
    ASSERT_TRUE(camera.HandleRequest(record, data, 5));
    EXPECT_EQ(Bytes(data, data + 8), (Bytes{0, 21, 7, 0x03, 0x02, kUntouched, kUntouched, kUntouched}));
}

TEST(SimFirmwareStalls, MalformedRecordsAreRefusedButCounted) {
    SimCamera camera({21, 0, 0x100});
    std::uint8_t data[8] = {};
    auto record = Record(vendor::kTypeIn, vendor::kDeviceInformation, 0, 0, 5);
    record[18] = 0;  // direction disagrees with the request type
    EXPECT_FALSE(camera.HandleRequest(record, data, 5));
    record = Record(vendor::kTypeIn, vendor::kReadEeprom, 0, 0, 2);
    record[6] = 1;  // wValue beyond 16 bits
    EXPECT_FALSE(camera.HandleRequest(record, data, 2));
    EXPECT_FALSE(camera.HandleRequest(Record(vendor::kTypeIn, vendor::kReadEeprom, 0, 0, 2), nullptr, 2));
    EXPECT_FALSE(In(camera, 0xC7));                           // unknown request
    EXPECT_FALSE(Out(camera, vendor::kReadEeprom, 0, 0, {0, 0}));  // wrong direction for it
    EXPECT_FALSE(Out(camera, vendor::kWriteEeprom32, 0, 1, {0, 1, 2}));  // short data stage
    EXPECT_FALSE(In(camera, vendor::kDeviceInformation, 0, 0, 4));  // answer would overflow
    EXPECT_EQ(camera.RequestCount(), 7u);
}

TEST(SimFirmwareStalls, NeverWritesPastTheCallersBuffer) {
    SimCamera camera({21, 0, 0x100});
    std::uint8_t data[8];
    std::fill(std::begin(data), std::end(data), kUntouched);
    // The buffer is shorter than wLength: refused, untouched.
    EXPECT_FALSE(camera.HandleRequest(Record(vendor::kTypeIn, vendor::kDeviceInformation, 0, 0, 5),
                                      data, 4));
    EXPECT_EQ(data[0], kUntouched);
    // A longer wLength than the answer gets a short answer; the rest stays.
    const auto reply = In(camera, vendor::kReadEeprom, 0, 0, 8);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0, 0xFF, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched,
                             kUntouched}));
}

// --- fault injection ---

TEST(SimFirmwareFaults, StatusFaultAnswersStatusOneWithoutValueUntilTheCountRunsOut) {
    SimCamera camera({21, 0, 0x100});
    camera.SetSensorReg(5, 0x1234);
    camera.FailNextRequests(2, SimFaultMode::Status);
    EXPECT_EQ(Head(In(camera, vendor::kReadSensorReg, 5), 3), (Bytes{1, kUntouched, kUntouched}));
    EXPECT_EQ(Head(In(camera, vendor::kWriteSensorReg, 5, 0x9999), 1), Bytes{1});
    EXPECT_EQ(camera.SensorReg(5), 0x1234);  // a failed write changes nothing
    EXPECT_EQ(camera.PendingFailures(), 0u);
    EXPECT_EQ(Head(In(camera, vendor::kReadSensorReg, 5), 3), (Bytes{0, 0x12, 0x34}));
}

TEST(SimFirmwareFaults, StatusFaultRefusesHostToDeviceRequests) {
    SimCamera camera({21, 0, 0x100});
    camera.FailNextRequests(1, SimFaultMode::Status);
    EXPECT_FALSE(Out(camera, vendor::kWriteEeprom32, 0, 9, {0, 0, 0, 1}));
    EXPECT_EQ(camera.Eeprom32(1), 0xFF);
}

TEST(SimFirmwareFaults, RefuseFaultStallsAndMalformedRequestsDoNotUseItUp) {
    SimCamera camera({21, 0, 0x100});
    camera.FailNextRequests(1, SimFaultMode::Refuse);
    EXPECT_FALSE(In(camera, 0xC7));
    EXPECT_EQ(camera.PendingFailures(), 1u);
    EXPECT_FALSE(In(camera, vendor::kDeviceInformation, 0, 0, 5));
    EXPECT_TRUE(In(camera, vendor::kDeviceInformation, 0, 0, 5));
    EXPECT_EQ(camera.RequestCount(), 3u);
}

TEST(SimFirmwareFaults, ZeroCountCancelsPendingFailures) {
    SimCamera camera({21, 0, 0x100});
    camera.FailNextRequests(5, SimFaultMode::Refuse);
    camera.FailNextRequests(0, SimFaultMode::Refuse);
    EXPECT_TRUE(In(camera, vendor::kDeviceInformation, 0, 0, 5));
}

// --- plugging, frames, what the camera saw ---

TEST(SimFirmwarePlug, UnpluggedCameraReceivesNothingUntilReplugged) {
    SimCamera camera({21, 0, 0x100});
    const auto before = camera.Connection();
    camera.Unplug();
    EXPECT_FALSE(In(camera, vendor::kDeviceInformation, 0, 0, 5));
    EXPECT_EQ(camera.RequestCount(), 0u);
    std::uint8_t frame[4];
    const auto read = camera.ReadFrame(frame, sizeof frame, 100);
    EXPECT_EQ(read.kind, FrameReadResult::Kind::Failed);
    EXPECT_EQ(read.errorCode, kSimErrorDeviceGone);
    camera.Replug();
    EXPECT_TRUE(In(camera, vendor::kDeviceInformation, 0, 0, 5));
    // The old connection does not come back with the camera.
    EXPECT_FALSE(camera.HandleRequest(Record(vendor::kTypeIn, vendor::kDeviceInformation, 0, 0, 5),
                                      frame, 5, before));
    EXPECT_EQ(camera.ReadFrame(frame, sizeof frame, 100, before).kind, FrameReadResult::Kind::Failed);
}

TEST(SimFirmwareFrames, CameraWithoutSensorModelSendsTheShiftedRampOfExactlyTheAskedSize) {
    SimCamera camera({8, 0, 0x100});
    Bytes frame(600, kUntouched);
    for (std::uint32_t k = 0; k < 3; ++k) {
        const auto read = camera.ReadFrame(frame.data(), 300, 8000);
        ASSERT_EQ(read.kind, FrameReadResult::Kind::Completed);
        ASSERT_EQ(read.bytesRead, 300u);
        for (std::size_t i = 0; i < 300; ++i) ASSERT_EQ(frame[i], static_cast<std::uint8_t>(i + k));
        EXPECT_EQ(frame[300], kUntouched);
    }
    EXPECT_EQ(camera.FramesDelivered(), 3u);
}

TEST(SimFirmwareLastRequest, KeepsTheRecordAndOnlyHostToDeviceData) {
    SimCamera camera({21, 0, 0x100});
    ASSERT_TRUE(Out(camera, vendor::kWriteEeprom32, 0, 0x55, {0xAA, 0xBB, 0xCC, 0xDD}));
    auto last = camera.LastRequest();
    EXPECT_EQ(last.record, Record(vendor::kTypeOut, vendor::kWriteEeprom32, 0, 0x55, 4));
    EXPECT_EQ(last.hostData, (Bytes{0xAA, 0xBB, 0xCC, 0xDD}));
    ASSERT_TRUE(In(camera, vendor::kReadEeprom, 3, 0, 2));
    last = camera.LastRequest();
    EXPECT_EQ(last.record[16], vendor::kReadEeprom);
    EXPECT_TRUE(last.hostData.empty());
}

TEST(SimFirmwareThreads, RequestsAndFramesFromSeveralThreadsAllLand) {
    SimCamera camera({8, 0, 0x100});
    constexpr int kThreads = 4;
    constexpr int kWrites = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&camera, t] {
            std::uint8_t frame[64];
            for (int i = 0; i < kWrites; ++i) {
                const auto reg = static_cast<std::uint16_t>(t * kWrites + i);
                In(camera, vendor::kWriteSensorReg, reg, static_cast<std::uint16_t>(reg ^ 0x5555));
                camera.ReadFrame(frame, sizeof frame, 100);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(camera.RequestCount(), static_cast<std::uint32_t>(kThreads * kWrites));
    EXPECT_EQ(camera.FramesDelivered(), static_cast<std::uint64_t>(kThreads * kWrites));
    for (int reg = 0; reg < kThreads * kWrites; ++reg) {
        ASSERT_EQ(camera.SensorReg(static_cast<std::uint16_t>(reg)), reg ^ 0x5555);
    }
}

}  // namespace
}  // namespace qcx

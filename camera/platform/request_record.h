// The 19-byte driver request record that carries every USB vendor request to
// the camera's controller, and the 8-byte setup packet it is built from.
// Shared by the driver channel, the USB node and the simulated firmware: this
// header is the wire format and nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qcx {

// The one I/O control code of the camera's kernel driver (device type 0x22,
// function 0x800, buffered, any access).
inline constexpr std::uint32_t kVendorIoControlCode = 0x222000;

inline constexpr std::size_t kSetupPacketSize = 8;
inline constexpr std::size_t kRequestRecordSize = 19;

using RequestRecordBytes = std::array<std::uint8_t, kRequestRecordSize>;

// A USB control setup packet, as the caller of a vendor request hands it over
// (little-endian on the wire).
struct SetupPacket {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;

    static SetupPacket FromBytes(const std::uint8_t* bytes) {
        SetupPacket p;
        p.bmRequestType = bytes[0];
        p.bRequest = bytes[1];
        p.wValue = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
        p.wIndex = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
        p.wLength = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
        return p;
    }
    std::array<std::uint8_t, kSetupPacketSize> ToBytes() const {
        return {bmRequestType, bRequest,
                static_cast<std::uint8_t>(wValue), static_cast<std::uint8_t>(wValue >> 8),
                static_cast<std::uint8_t>(wIndex), static_cast<std::uint8_t>(wIndex >> 8),
                static_cast<std::uint8_t>(wLength), static_cast<std::uint8_t>(wLength >> 8)};
    }
    bool IsDeviceToHost() const { return (bmRequestType & 0x80) != 0; }
    friend bool operator==(const SetupPacket&, const SetupPacket&) = default;
};

// The decoded fields of a request record. `bufferAddress` holds only the low
// 32 bits of the caller's buffer address: on a 64-bit host a pointer does not
// fit the record, so the buffer itself travels beside the record.
struct RequestRecord {
    std::uint32_t bufferAddress = 0;
    std::uint32_t wValue = 0;
    std::uint32_t wLength = 0;
    std::uint32_t wIndex = 0;
    std::uint8_t bRequest = 0;
    std::uint8_t bmRequestType = 0;
    std::uint8_t direction = 0;  // bmRequestType & 0x80

    static RequestRecord FromSetup(const SetupPacket& setup, const void* buffer) {
        RequestRecord r;
        r.bufferAddress = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer));
        r.wValue = setup.wValue;
        r.wLength = setup.wLength;
        r.wIndex = setup.wIndex;
        r.bRequest = setup.bRequest;
        r.bmRequestType = setup.bmRequestType;
        r.direction = setup.bmRequestType & 0x80;
        return r;
    }

    RequestRecordBytes Encode() const {
        RequestRecordBytes b{};
        PutLe32(&b[0], bufferAddress);
        PutLe32(&b[4], wValue);
        PutLe32(&b[8], wLength);
        PutLe32(&b[12], wIndex);
        b[16] = bRequest;
        b[17] = bmRequestType;
        b[18] = direction;
        return b;
    }

    static RequestRecord Decode(const std::uint8_t* b) {
        RequestRecord r;
        r.bufferAddress = GetLe32(&b[0]);
        r.wValue = GetLe32(&b[4]);
        r.wLength = GetLe32(&b[8]);
        r.wIndex = GetLe32(&b[12]);
        r.bRequest = b[16];
        r.bmRequestType = b[17];
        r.direction = b[18];
        return r;
    }

    bool IsDeviceToHost() const { return direction != 0; }

private:
    static void PutLe32(std::uint8_t* p, std::uint32_t v) {
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        p[3] = static_cast<std::uint8_t>(v >> 24);
    }
    static std::uint32_t GetLe32(const std::uint8_t* p) {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
};

// Vendor request codes (bRequest) of the controller firmware.
namespace vendor {
inline constexpr std::uint8_t kTypeIn = 0xC0;   // device to host, vendor, device
inline constexpr std::uint8_t kTypeOut = 0x40;  // host to device, vendor, device

inline constexpr std::uint8_t kReadFx2Reg = 0xC0;
inline constexpr std::uint8_t kWriteFx2Reg = 0xC1;
inline constexpr std::uint8_t kReadSensorReg = 0xC2;
inline constexpr std::uint8_t kWriteSensorReg = 0xC3;
inline constexpr std::uint8_t kReadEeprom = 0xC4;
inline constexpr std::uint8_t kWriteEeprom = 0xC5;
inline constexpr std::uint8_t kDeviceInformation = 0xC9;
inline constexpr std::uint8_t kReadSfr = 0xCA;
inline constexpr std::uint8_t kWriteSfr = 0xCB;
inline constexpr std::uint8_t kSetWorkingMode = 0xCE;
inline constexpr std::uint8_t kGetWorkingMode = 0xCF;
inline constexpr std::uint8_t kTriggerStatus = 0xD0;
inline constexpr std::uint8_t kReadEeprom32 = 0xD2;
inline constexpr std::uint8_t kWriteEeprom32 = 0xD3;
inline constexpr std::uint8_t kTriggerDelay = 0xD6;
inline constexpr std::uint8_t kStrobeDelay = 0xD7;
inline constexpr std::uint8_t kFrameRelease = 0xDA;
inline constexpr std::uint8_t kTimingGeneratorWrite = 0x21;
inline constexpr std::uint8_t kFrontEndWrite = 0x22;
inline constexpr std::uint8_t kCcdSensitivity = 0x26;
inline constexpr std::uint8_t kCcd1628RegisterWrite = 0x27;
}  // namespace vendor

// Working-mode word bits.
namespace working_mode {
inline constexpr std::uint16_t kExternalTrigger = 0x0001;
inline constexpr std::uint16_t kSensorMode = 0x0002;
inline constexpr std::uint16_t kBadPixelMask = 0x000C;
inline constexpr std::uint16_t kTransfer16Bit = 0x0010;
inline constexpr std::uint16_t kSensitivityMask = 0x00E0;
inline constexpr std::uint16_t kFlushFrameBuffer = 0x0100;
}  // namespace working_mode

}  // namespace qcx

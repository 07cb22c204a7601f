// The firmware of one simulated camera: the controller's answers to the vendor
// requests, its memories and registers, and the frames it sends. Written from
// the camera's side of the wire, not from the driver's.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "camera/platform/driver_node.h"
#include "camera/platform/request_record.h"
#include "sim/sim_camera_list.h"

namespace qcx {

enum class SimFaultMode {
    Status,  // answer with status byte 1 and no value; the request has no effect
    Refuse,  // stall the request: the driver reports it as refused
};

// A host-to-device write of the CCD timing generator (0x21), analog front end
// (0x22) or 1628 x 1236 sensor (0x27), as the firmware received it.
struct SimRecordedWrite {
    std::uint8_t request = 0;
    std::vector<std::uint8_t> data;
};

// What the camera last received, for tests that check the bytes on the wire.
struct SimLastRequest {
    RequestRecordBytes record{};
    std::vector<std::uint8_t> hostData;  // data stage of a host-to-device request, else empty
};

// Error code of a frame read on a camera that is gone (the system's "device
// not connected").
inline constexpr std::uint32_t kSimErrorDeviceGone = 1167;
// Error code of a frame read into a null buffer ("invalid parameter").
inline constexpr std::uint32_t kSimErrorInvalidParameter = 87;

class SimCamera {
public:
    // Matches whatever connection the camera has now; for callers that talk to
    // the firmware directly rather than through an opened node.
    static constexpr std::uint32_t kAnyConnection = std::numeric_limits<std::uint32_t>::max();

    explicit SimCamera(const SimCameraIdentity& identity);

    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    const SimCameraIdentity& Identity() const { return identity_; }

    // One vendor request as it arrives from the driver: the 19-byte record and
    // the caller's buffer (`dataSize` bytes; the record's buffer address is
    // only the low half of a 64-bit pointer and is not used). Device-to-host
    // answers go into `data`, never beyond wLength. Returns false when the
    // control transfer stalls: unknown request, a request this camera model
    // does not have, a malformed record, an injected refusal, or a camera
    // that is unplugged or was replugged since `connection` was opened.
    bool HandleRequest(const RequestRecordBytes& record, std::uint8_t* data, std::uint32_t dataSize,
                       std::uint32_t connection = kAnyConnection);

    // One frame read of `size` bytes. For now every read completes at once
    // with a deterministic pattern: byte i of the k-th frame (k from 0) is
    // (i + k) & 0xFF.
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs,
                              std::uint32_t connection = kAnyConnection);

    // Plugging. A replug is a new connection: nodes opened before the unplug
    // stay dead, as handles of a vanished USB device do.
    void Unplug();
    void Replug();
    bool IsPlugged() const;
    std::uint32_t Connection() const;

    // The next `count` well-formed requests fail in `mode` (0 clears). A
    // host-to-device request has no status byte to answer with, so a status
    // fault stalls it like a refusal.
    void FailNextRequests(std::uint32_t count, SimFaultMode mode);
    std::uint32_t PendingFailures() const;

    // Direct access to the camera's state, for tests and the control API.
    std::uint8_t Eeprom(std::uint16_t address) const;
    void SetEeprom(std::uint16_t address, std::uint8_t value);
    std::uint8_t Eeprom32(std::uint32_t address) const;
    void SetEeprom32(std::uint32_t address, std::uint8_t value);
    std::uint8_t Fx2Reg(std::uint16_t address) const;
    void SetFx2Reg(std::uint16_t address, std::uint8_t value);
    std::uint8_t Sfr(std::uint8_t address) const;
    void SetSfr(std::uint8_t address, std::uint8_t value);
    std::uint16_t SensorReg(std::uint16_t reg) const;
    void SetSensorReg(std::uint16_t reg, std::uint16_t value);
    std::uint16_t WorkingMode() const;
    // Acts like a host write: bit 8 flushes the held frames and is not kept.
    void SetWorkingMode(std::uint16_t word);
    std::uint8_t TriggerStatus() const;
    void SetTriggerStatus(std::uint8_t status);
    std::uint16_t TriggerDelay() const;
    std::uint16_t StrobeDelay() const;
    std::uint16_t CcdSensitivity() const;
    std::vector<SimRecordedWrite> RecordedWrites() const;
    void ClearRecordedWrites();

    // Counters. Requests are counted when they reach the camera, failed and
    // refused ones included; nothing reaches an unplugged camera.
    std::uint32_t RequestCount() const;
    void ResetRequestCount();
    SimLastRequest LastRequest() const;
    std::uint32_t FlushCount() const;
    std::uint32_t FrameReleaseCount() const;
    std::uint64_t FramesDelivered() const;
    // Frames waiting in the camera's buffer. Frames are made on demand for
    // now, so this is 1 after any read and 0 after a flush.
    std::uint32_t FramesHeld() const;

    // Bounds the memory of recorded writes in long sessions; the oldest go.
    static constexpr std::size_t kMaxRecordedWrites = 4096;

private:
    struct Answer;

    bool ConnectedLocked(std::uint32_t connection) const;
    bool ExecuteLocked(const RequestRecord& r, const std::uint8_t* hostData, Answer& answer);
    void WriteWorkingModeLocked(std::uint16_t word);
    void RecordWriteLocked(std::uint8_t request, const std::uint8_t* data, std::size_t size);

    const SimCameraIdentity identity_;
    mutable std::mutex mutex_;

    bool plugged_ = true;
    std::uint32_t connection_ = 0;
    std::uint32_t failuresLeft_ = 0;
    SimFaultMode failureMode_ = SimFaultMode::Status;

    std::vector<std::uint8_t> eeprom_;                        // 64 KiB, erased 0xFF
    std::unordered_map<std::uint32_t, std::uint8_t> eeprom32_;  // absent = erased
    std::vector<std::uint8_t> fx2Regs_;                       // 64 KiB
    std::array<std::uint8_t, 256> sfrs_{};
    std::unordered_map<std::uint16_t, std::uint16_t> sensorRegs_;  // absent = reset value 0
    std::uint16_t workingMode_ = 0;
    std::uint8_t triggerStatus_ = 0;
    std::uint16_t triggerDelay_ = 0;
    std::uint16_t strobeDelay_ = 0;
    std::uint16_t ccdSensitivity_ = 0;
    std::deque<SimRecordedWrite> recordedWrites_;

    std::uint32_t requestCount_ = 0;
    SimLastRequest lastRequest_;
    std::uint32_t flushCount_ = 0;
    std::uint32_t frameReleaseCount_ = 0;
    std::uint64_t framesDelivered_ = 0;
    std::uint32_t framesHeld_ = 0;
};

}  // namespace qcx

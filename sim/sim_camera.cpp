#include "sim/sim_camera.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>

namespace qcx {
namespace {

// Which camera models have a request in their firmware.
constexpr std::uint8_t kWorkingModeModels[] = {17, 18, 25, 26, 27, 28, 29, 30, 31, 32, 36, 37,
                                               38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
constexpr std::uint8_t kTriggerStatusModels[] = {17, 18, 25, 26, 27, 28, 29, 30, 31, 32,
                                                 36, 37, 38, 39, 40, 41, 42, 43, 44, 45};
constexpr std::uint8_t kTriggerDelayModels[] = {17, 18, 28, 29, 31, 32, 36, 37, 38, 39, 41, 42};
constexpr std::uint8_t kCcdModels[] = {19, 20};
constexpr std::uint8_t kCcd1628Models[] = {48, 49};
constexpr std::span<const std::uint8_t> kEveryModel{};

// The shape of each request the firmware knows. For device-to-host requests
// `length` is the answer (status byte included); asking for fewer bytes would
// overflow the host's transfer, so the firmware stalls it. For host-to-device
// requests it is the exact data stage the firmware reads.
struct RequestShape {
    std::uint8_t request;
    std::uint8_t requestType;
    std::uint16_t length;
    std::span<const std::uint8_t> models;  // empty: every model

    bool IsIn(std::uint8_t deviceType) const {
        return models.empty() || std::find(models.begin(), models.end(), deviceType) != models.end();
    }
};

using namespace vendor;

constexpr RequestShape kRequests[] = {
    {kReadFx2Reg, kTypeIn, 2, kEveryModel},
    {kWriteFx2Reg, kTypeIn, 1, kEveryModel},
    {kReadSensorReg, kTypeIn, 3, kEveryModel},
    {kWriteSensorReg, kTypeIn, 1, kEveryModel},
    {kReadEeprom, kTypeIn, 2, kEveryModel},
    {kWriteEeprom, kTypeIn, 1, kEveryModel},
    {kDeviceInformation, kTypeIn, 5, kEveryModel},
    {kReadSfr, kTypeIn, 2, kEveryModel},
    {kWriteSfr, kTypeIn, 1, kEveryModel},
    {kSetWorkingMode, kTypeIn, 1, kWorkingModeModels},
    {kGetWorkingMode, kTypeIn, 3, kWorkingModeModels},
    {kTriggerStatus, kTypeIn, 2, kTriggerStatusModels},
    {kReadEeprom32, kTypeIn, 2, kEveryModel},
    {kWriteEeprom32, kTypeOut, 4, kEveryModel},
    {kTriggerDelay, kTypeIn, 1, kTriggerDelayModels},
    {kStrobeDelay, kTypeIn, 1, kTriggerDelayModels},
    {kFrameRelease, kTypeIn, 1, kCcd1628Models},
    {kTimingGeneratorWrite, kTypeOut, 6, kCcdModels},
    {kFrontEndWrite, kTypeOut, 3, kCcdModels},
    {kCcdSensitivity, kTypeOut, 0, kCcdModels},
    {kCcd1628RegisterWrite, kTypeOut, 6, kCcd1628Models},
};

const RequestShape* FindRequest(std::uint8_t request) {
    for (const auto& shape : kRequests) {
        if (shape.request == request) return &shape;
    }
    return nullptr;
}

// Port C data register: the CCD cameras drive their sensitivity switch from
// two of its pins, which is where the mode is read back from.
constexpr std::uint8_t kSfrIoc = 0xA0;
constexpr std::uint8_t kCcdSensitivityPins = 0x0C;

constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusFailed = 1;

}  // namespace

struct SimCamera::Answer {
    std::array<std::uint8_t, 8> bytes{};  // status byte first
};

SimCamera::SimCamera(const SimCameraIdentity& identity)
    : identity_(identity),
      eeprom_(0x10000, 0xFF),
      fx2Regs_(0x10000, 0),
      ports_(identity.deviceType) {
    sensor_ = MakeSimSensorModel(identity.deviceType, identity.firmwareVersion);
    ports_.PowerOn(sfrs_);
}

bool SimCamera::ConnectedLocked(std::uint32_t connection) const {
    return plugged_ && (connection == kAnyConnection || connection == connection_);
}

bool SimCamera::HandleRequest(const RequestRecordBytes& record, std::uint8_t* data,
                              std::uint32_t dataSize, std::uint32_t connection) {
    std::lock_guard lock(mutex_);
    if (!ConnectedLocked(connection)) return false;

    ++requestCount_;
    lastRequest_.record = record;
    lastRequest_.hostData.clear();

    const RequestRecord r = RequestRecord::Decode(record.data());
    // The record widens 16-bit setup fields to 32 bits; anything above them
    // means the record was built wrongly and would not make a setup packet.
    if (r.wValue > 0xFFFF || r.wIndex > 0xFFFF || r.wLength > 0xFFFF) return false;
    if (r.direction != (r.bmRequestType & 0x80)) return false;
    if (dataSize < r.wLength || (r.wLength > 0 && data == nullptr)) return false;
    const bool toHost = r.IsDeviceToHost();
    if (!toHost) lastRequest_.hostData.assign(data, data + r.wLength);

    const RequestShape* shape = FindRequest(r.bRequest);
    if (shape == nullptr || shape->requestType != r.bmRequestType ||
        !shape->IsIn(identity_.deviceType)) {
        return false;
    }
    if (toHost ? r.wLength < shape->length : r.wLength != shape->length) return false;

    if (passesBeforeFailures_ > 0 && failuresLeft_ > 0) {
        --passesBeforeFailures_;
    } else if (failuresLeft_ > 0) {
        --failuresLeft_;
        if (failureMode_ == SimFaultMode::Refuse || !toHost) return false;
        data[0] = kStatusFailed;
        return true;
    }

    Answer answer;
    if (!ExecuteLocked(r, data, answer)) return false;
    // A short answer is a short packet: the rest of the host's buffer is not touched.
    if (toHost) std::memcpy(data, answer.bytes.data(), shape->length);
    return true;
}

bool SimCamera::ExecuteLocked(const RequestRecord& r, const std::uint8_t* hostData, Answer& answer) {
    auto& out = answer.bytes;
    out[0] = kStatusOk;
    const auto value = static_cast<std::uint16_t>(r.wValue);
    const auto index = static_cast<std::uint16_t>(r.wIndex);
    const auto indexByte = static_cast<std::uint8_t>(r.wIndex);

    switch (r.bRequest) {
        case kReadFx2Reg:
            out[1] = fx2Regs_[value];
            return true;
        case kWriteFx2Reg:
            fx2Regs_[value] = indexByte;
            return true;
        case kReadSensorReg: {
            const std::uint16_t reg = SensorRegLocked(value);
            out[1] = static_cast<std::uint8_t>(reg >> 8);  // sensor values travel high byte first
            out[2] = static_cast<std::uint8_t>(reg);
            return true;
        }
        case kWriteSensorReg:
            SetSensorRegLocked(value, index);
            return true;
        case kReadEeprom:
            out[1] = eeprom_[value];
            return true;
        case kWriteEeprom:
            eeprom_[value] = indexByte;
            return true;
        case kDeviceInformation:
            out[1] = identity_.deviceType;
            out[2] = identity_.deviceNumber;
            out[3] = static_cast<std::uint8_t>(identity_.firmwareVersion);
            out[4] = static_cast<std::uint8_t>(identity_.firmwareVersion >> 8);
            return true;
        case kReadSfr:
            // The SFR space is one byte wide; the firmware looks at the low byte only.
            out[1] = ports_.Read(sfrs_, static_cast<std::uint8_t>(value));
            return true;
        case kWriteSfr:
            sfrs_[static_cast<std::uint8_t>(value)] = indexByte;
            return true;
        case kSetWorkingMode:
            WriteWorkingModeLocked(value);
            return true;
        case kGetWorkingMode:
            out[1] = static_cast<std::uint8_t>(workingMode_);  // low byte first, unlike sensor values
            out[2] = static_cast<std::uint8_t>(workingMode_ >> 8);
            return true;
        case kTriggerStatus:
            out[1] = triggerStatus_;
            triggerStatus_ = 0;
            return true;
        case kReadEeprom32: {
            const auto it = eeprom32_.find(r.wValue << 16 | r.wIndex);
            out[1] = it == eeprom32_.end() ? 0xFF : it->second;
            return true;
        }
        case kWriteEeprom32: {
            const std::uint32_t address = static_cast<std::uint32_t>(hostData[0]) << 24 |
                                          static_cast<std::uint32_t>(hostData[1]) << 16 |
                                          static_cast<std::uint32_t>(hostData[2]) << 8 | hostData[3];
            eeprom32_[address] = indexByte;
            return true;
        }
        case kTriggerDelay:
            triggerDelay_ = value;
            return true;
        case kStrobeDelay:
            strobeDelay_ = value;
            return true;
        case kFrameRelease:
            ++frameReleaseCount_;
            framesHeld_ = 0;
            return true;
        case kTimingGeneratorWrite:
        case kFrontEndWrite:
        case kCcd1628RegisterWrite:
            RecordWriteLocked(r.bRequest, hostData, r.wLength);
            if (sensor_) {
                sensor_->VendorWrite(r.bRequest, hostData, r.wLength);
                rendered_.valid = false;
            }
            return true;
        case kCcdSensitivity:
            ccdSensitivity_ = value;
            sfrs_[kSfrIoc] = static_cast<std::uint8_t>((sfrs_[kSfrIoc] & ~kCcdSensitivityPins) |
                                                       ((value & 3) << 2));
            return true;
        default:
            return false;
    }
}

void SimCamera::WriteWorkingModeLocked(std::uint16_t word) {
    // Bit 8 is a command, not a state: the firmware drops the frames it holds
    // and clears the bit itself, so the host never has to end the flush.
    if (word & working_mode::kFlushFrameBuffer) {
        ++flushCount_;
        framesHeld_ = 0;
    }
    workingMode_ = static_cast<std::uint16_t>(word & ~working_mode::kFlushFrameBuffer);
}

bool SimCamera::HoldsFramesUntilReleased() const {
    return std::find(std::begin(kCcd1628Models), std::end(kCcd1628Models), identity_.deviceType) !=
           std::end(kCcd1628Models);
}

void SimCamera::RecordWriteLocked(std::uint8_t request, const std::uint8_t* data, std::size_t size) {
    if (recordedWrites_.size() == kMaxRecordedWrites) recordedWrites_.pop_front();
    recordedWrites_.push_back({request, std::vector<std::uint8_t>(data, data + size)});
}

void SimCamera::Unplug() {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    plugChanged_.notify_all();
}

void SimCamera::Replug() {
    std::lock_guard lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
    ++connection_;
    if (connection_ == kAnyConnection) connection_ = 0;
    plugChanged_.notify_all();
}

bool SimCamera::IsPlugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

std::uint32_t SimCamera::Connection() const {
    std::lock_guard lock(mutex_);
    return connection_;
}

void SimCamera::FailNextRequests(std::uint32_t count, SimFaultMode mode, std::uint32_t skip) {
    std::lock_guard lock(mutex_);
    passesBeforeFailures_ = skip;
    failuresLeft_ = count;
    failureMode_ = mode;
}

std::uint32_t SimCamera::PendingFailures() const {
    std::lock_guard lock(mutex_);
    return failuresLeft_;
}

std::uint8_t SimCamera::Eeprom(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return eeprom_[address];
}

void SimCamera::SetEeprom(std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    eeprom_[address] = value;
}

std::uint8_t SimCamera::Eeprom32(std::uint32_t address) const {
    std::lock_guard lock(mutex_);
    const auto it = eeprom32_.find(address);
    return it == eeprom32_.end() ? 0xFF : it->second;
}

void SimCamera::SetEeprom32(std::uint32_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    eeprom32_[address] = value;
}

std::uint8_t SimCamera::Fx2Reg(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return fx2Regs_[address];
}

void SimCamera::SetFx2Reg(std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    fx2Regs_[address] = value;
}

std::uint8_t SimCamera::Sfr(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return sfrs_[address];
}

void SimCamera::SetSfr(std::uint8_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    sfrs_[address] = value;
}

std::uint16_t SimCamera::SensorRegLocked(std::uint16_t reg) const {
    if (sensor_) return sensor_->Read(reg);
    const auto it = sensorRegs_.find(reg);
    return it == sensorRegs_.end() ? 0 : it->second;
}

void SimCamera::SetSensorRegLocked(std::uint16_t reg, std::uint16_t value) {
    if (sensor_) {
        sensor_->Write(reg, value);
        rendered_.valid = false;
    } else {
        sensorRegs_[reg] = value;
    }
}

std::uint16_t SimCamera::SensorReg(std::uint16_t reg) const {
    std::lock_guard lock(mutex_);
    return SensorRegLocked(reg);
}

void SimCamera::SetSensorReg(std::uint16_t reg, std::uint16_t value) {
    std::lock_guard lock(mutex_);
    SetSensorRegLocked(reg, value);
}

std::uint16_t SimCamera::WorkingMode() const {
    std::lock_guard lock(mutex_);
    return workingMode_;
}

void SimCamera::SetWorkingMode(std::uint16_t word) {
    std::lock_guard lock(mutex_);
    WriteWorkingModeLocked(word);
}

std::uint8_t SimCamera::TriggerStatus() const {
    std::lock_guard lock(mutex_);
    return triggerStatus_;
}

void SimCamera::SetTriggerStatus(std::uint8_t status) {
    std::lock_guard lock(mutex_);
    triggerStatus_ = status;
}

void SimCamera::SetSnapButton(bool pressed) {
    std::lock_guard lock(mutex_);
    ports_.SetSnapButton(pressed);
}

bool SimCamera::SetGpioInputs(std::uint8_t levels) {
    std::lock_guard lock(mutex_);
    return ports_.SetGpioInputs(levels);
}

bool SimCamera::GpioLevels(std::uint8_t* levels) const {
    std::lock_guard lock(mutex_);
    return ports_.GpioLevels(sfrs_, levels);
}

bool SimCamera::Lamps(std::uint8_t* lamps) const {
    std::lock_guard lock(mutex_);
    return ports_.Lamps(sfrs_, lamps);
}

void SimCamera::Trigger() {
    std::lock_guard lock(mutex_);
    ++pendingTriggers_;
    triggerStatus_ = 1;
    plugChanged_.notify_all();
}

std::uint32_t SimCamera::StrobePulses() const {
    std::lock_guard lock(mutex_);
    return strobePulses_;
}

std::uint16_t SimCamera::TriggerDelay() const {
    std::lock_guard lock(mutex_);
    return triggerDelay_;
}

std::uint16_t SimCamera::StrobeDelay() const {
    std::lock_guard lock(mutex_);
    return strobeDelay_;
}

std::uint16_t SimCamera::CcdSensitivity() const {
    std::lock_guard lock(mutex_);
    return ccdSensitivity_;
}

std::vector<SimRecordedWrite> SimCamera::RecordedWrites() const {
    std::lock_guard lock(mutex_);
    return {recordedWrites_.begin(), recordedWrites_.end()};
}

void SimCamera::ClearRecordedWrites() {
    std::lock_guard lock(mutex_);
    recordedWrites_.clear();
}

std::uint32_t SimCamera::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requestCount_;
}

void SimCamera::ResetRequestCount() {
    std::lock_guard lock(mutex_);
    requestCount_ = 0;
}

SimLastRequest SimCamera::LastRequest() const {
    std::lock_guard lock(mutex_);
    return lastRequest_;
}

std::uint32_t SimCamera::FlushCount() const {
    std::lock_guard lock(mutex_);
    return flushCount_;
}

std::uint32_t SimCamera::FrameReleaseCount() const {
    std::lock_guard lock(mutex_);
    return frameReleaseCount_;
}

}  // namespace qcx

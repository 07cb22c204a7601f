#include "camera/device/io_lines.h"

#include "camera/common/device_groups.h"
#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/platform/request_record.h"

namespace qcx {

namespace {

// The controller's port data and direction registers.
constexpr std::uint16_t kIoc = 0xA0;
constexpr std::uint16_t kIod = 0xB0;
constexpr std::uint16_t kIoe = 0xB1;
constexpr std::uint16_t kOed = 0xB5;
constexpr std::uint16_t kOee = 0xB6;

// The snap button pulls port C line 2 low while it is pressed.
constexpr std::uint8_t kSnapButtonLine = 0x04;

// Lamp n is driven by two lines of port E, always set together.
constexpr std::uint8_t kLampMasks[] = {0x03, 0x0C, 0x30};
constexpr int kLampShifts[] = {0, 2, 4};

// Port C levels of the lamp camera's sensitivity modes 0 ... 2.
constexpr std::uint8_t kLampCameraSensitivity[] = {0x00, 0x40, 0x80};

constexpr int kWorkingModeSensitivityShift = 5;
constexpr int kMaxWorkingModeSensitivity = 7;
// Clearing a working-mode bit keeps only the rest of the low byte.
constexpr std::uint16_t kClearExternalTrigger = 0xFE;
constexpr std::uint16_t kClearSensorMode = 0xFD;
constexpr std::uint16_t kKeepBelowSensitivity = 0x1F;

bool In(const CDevice& device, std::span<const DeviceType> group) { return IsInGroup(group, device.Type()); }

// Where a camera's general purpose lines are: port E, port D, or port D
// from line 2 on.
struct GpioPort {
    std::uint16_t data = 0;
    std::uint16_t direction = 0;
    int shift = 0;
    bool present = false;
};

GpioPort GpioPortOf(const CDevice& device) {
    if (In(device, kIoeTypes)) return {kIoe, kOee, 0, true};
    if (In(device, kIodTypes)) return {kIod, kOed, 0, true};
    if (In(device, kShiftedIodTypes)) return {kIod, kOed, 2, true};
    return {};
}

int WritePort(CDevice& device, std::uint16_t reg, int shift, std::uint8_t value) {
    return device.WrFx2Sfr(reg, static_cast<std::uint8_t>((value << shift) & 0xFF));
}

int ReadPort(CDevice& device, std::uint16_t reg, int shift, std::uint8_t* value) {
    if (value == nullptr) return status::kParameterError;
    std::uint8_t raw = 0;
    const int result = device.RdFx2Sfr(reg, &raw);
    if (result == status::kSuccess) *value = static_cast<std::uint8_t>(raw >> shift);
    return result;
}

// Reads the working-mode word, changes it and writes it whole; the device
// keeps the word it wrote.
template <typename Change>
int ChangeWorkingMode(CDevice& device, Change change) {
    std::uint16_t word = 0;
    const int read = device.GetWorkingMode(&word);
    if (read != status::kSuccess) return read;
    return device.SetWorkingMode(change(word));
}

int ReadWorkingMode(CDevice& device, std::uint16_t* word) { return device.GetWorkingMode(word); }

// A device-to-host request of the trigger group: 1, the request's failure,
// or -8 for a status byte other than 0.
int Request(CDevice& device, std::uint8_t request, std::uint16_t value, std::uint8_t* reply, std::uint16_t length) {
    SetupPacket setup;
    setup.bmRequestType = vendor::kTypeIn;
    setup.bRequest = request;
    setup.wValue = value;
    setup.wLength = length;
    const int result = device.VendorCmd(setup, reply);
    if (result != status::kSuccess) return result;
    return reply[0] == 0 ? status::kSuccess : status::kFail;
}

}  // namespace

int SnapButtonStatus(CDevice& device, int* pressed) {
    if (!In(device, kIoeTypes)) return status::kNotSupported;
    if (pressed == nullptr) return status::kParameterError;
    std::uint8_t port = 0;
    const int result = device.RdFx2Sfr(kIoc, &port);
    if (result == status::kSuccess) *pressed = (port & kSnapButtonLine) == 0 ? 1 : 0;
    return result;
}

int GpioSetDirection(CDevice& device, std::uint8_t directions) {
    const GpioPort port = GpioPortOf(device);
    if (!port.present) return status::kNotSupported;
    return WritePort(device, port.direction, port.shift, directions);
}

int GpioGetDirection(CDevice& device, std::uint8_t* directions) {
    const GpioPort port = GpioPortOf(device);
    if (!port.present) return status::kNotSupported;
    return ReadPort(device, port.direction, port.shift, directions);
}

int GpioSetStatus(CDevice& device, std::uint8_t levels) {
    const GpioPort port = GpioPortOf(device);
    if (!port.present) return status::kNotSupported;
    return WritePort(device, port.data, port.shift, levels);
}

int GpioGetStatus(CDevice& device, std::uint8_t* levels) {
    const GpioPort port = GpioPortOf(device);
    if (!port.present) return status::kNotSupported;
    return ReadPort(device, port.data, port.shift, levels);
}

int LedSetStatus(CDevice& device, int led, int on) {
    if (!In(device, kLampTypes)) return status::kNotSupported;
    if (led < 0 || led > 2 || on < 0 || on > 1) return status::kParameterError;
    std::uint8_t port = 0;
    const int read = device.RdFx2Sfr(kIoe, &port);
    if (read != status::kSuccess) return read;
    const std::uint8_t mask = kLampMasks[led];
    return device.WrFx2Sfr(kIoe, static_cast<std::uint8_t>(on != 0 ? (port | mask) : (port & ~mask)));
}

int LedGetStatus(CDevice& device, int led, int* on) {
    if (!In(device, kLampTypes)) return status::kNotSupported;
    if (led < 0 || led > 2 || on == nullptr) return status::kParameterError;
    std::uint8_t port = 0;
    const int read = device.RdFx2Sfr(kIoe, &port);
    if (read != status::kSuccess) return read;
    const int lines = (port & kLampMasks[led]) >> kLampShifts[led];
    if (lines != 0 && lines != 3) return status::kFail;
    *on = lines == 3 ? 1 : 0;
    return status::kSuccess;
}

int TriggerModeSet(CDevice& device, bool external) {
    if (!device.Channel().IsOpen()) return status::kNotInitialized;
    if (!In(device, kTriggerTypes)) return status::kNotSupported;
    return ChangeWorkingMode(device, [external](std::uint16_t word) {
        return static_cast<std::uint16_t>(external ? (word | working_mode::kExternalTrigger)
                                                   : (word & kClearExternalTrigger));
    });
}

int TriggerModeGet(CDevice& device, int* external) {
    if (external == nullptr) return status::kParameterError;
    if (!In(device, kTriggerTypes)) {
        *external = 0;
        return status::kNotSupported;
    }
    std::uint16_t word = 0;
    const int read = ReadWorkingMode(device, &word);
    if (read == status::kSuccess) *external = (word & working_mode::kExternalTrigger) != 0 ? 1 : 0;
    return read;
}

int SensorModeSet(CDevice& device, int mode) {
    if (!In(device, kSensorModeTypes)) return status::kNotSupported;
    return ChangeWorkingMode(device, [mode](std::uint16_t word) {
        return static_cast<std::uint16_t>(mode != 0 ? (word & kClearSensorMode) : (word | working_mode::kSensorMode));
    });
}

int SensorModeGet(CDevice& device, int* mode) {
    if (!In(device, kSensorModeTypes)) return status::kNotSupported;
    if (mode == nullptr) return status::kParameterError;
    std::uint16_t word = 0;
    const int read = ReadWorkingMode(device, &word);
    if (read == status::kSuccess) *mode = (word & working_mode::kSensorMode) == 0 ? 1 : 0;
    return read;
}

int TriggerStatusGet(CDevice& device, int* status) {
    if (!In(device, kTriggerStatusTypes)) return status::kNotSupported;
    if (status == nullptr) return status::kParameterError;
    std::uint8_t reply[2] = {0xFF, 0};
    const int result = Request(device, vendor::kTriggerStatus, 0, reply, sizeof reply);
    if (result == status::kSuccess) *status = reply[1] != 0 ? 1 : 0;
    return result;
}

int DelaySet(CDevice& device, Delay delay, std::uint16_t value) {
    if (!In(device, kTriggerTypes)) return status::kNotSupported;
    std::uint8_t reply = 0xFF;
    const int result =
        Request(device, delay == Delay::Trigger ? vendor::kTriggerDelay : vendor::kStrobeDelay, value, &reply, 1);
    if (result != status::kSuccess) return result;
    if (delay == Delay::Trigger) device.KeepTriggerDelay(value);
    else device.KeepStrobeDelay(value);
    return result;
}

int DelayGet(CDevice& device, Delay delay, std::uint16_t* value) {
    if (!In(device, kTriggerTypes)) return status::kNotSupported;
    if (value == nullptr) return status::kParameterError;
    *value = delay == Delay::Trigger ? device.TriggerDelay() : device.StrobeDelay();
    return status::kSuccess;
}

int DelayGetRange(CDevice& device, std::uint16_t* minimum, std::uint16_t* maximum) {
    if (!In(device, kTriggerTypes)) return status::kNotSupported;
    if (minimum == nullptr || maximum == nullptr) return status::kParameterError;
    *minimum = 0;
    *maximum = 0xFFFF;
    return status::kSuccess;
}

int SensitivitySetMode(CDevice& device, int mode) {
    if (In(device, kLampTypes)) {
        if (mode < 0 || mode > 2) return status::kParameterError;
        return device.WrFx2Sfr(kIoc, kLampCameraSensitivity[mode]);
    }
    if (In(device, kCcdSensitivityTypes)) {
        SetupPacket setup;
        setup.bmRequestType = vendor::kTypeOut;
        setup.bRequest = vendor::kCcdSensitivity;
        setup.wValue = static_cast<std::uint16_t>(mode);
        return device.VendorCmd(setup, nullptr);
    }
    if (!In(device, kWorkingModeSensitivityTypes)) return status::kNotSupported;
    if (device.Transfer16Bit()) return status::kNotSupported;
    // Three bits: a larger mode would reach the flush and higher bits.
    if (mode < 0 || mode > kMaxWorkingModeSensitivity) return status::kParameterError;
    const int result = ChangeWorkingMode(device, [mode](std::uint16_t word) {
        return static_cast<std::uint16_t>((word & kKeepBelowSensitivity) | (mode << kWorkingModeSensitivityShift));
    });
    if (result == status::kSuccess) device.KeepSensitivityMode(mode);
    return result;
}

int SensitivityGetMode(CDevice& device, int* mode) {
    const bool lamp = In(device, kLampTypes);
    const bool ccd = In(device, kCcdSensitivityTypes);
    if (!lamp && !ccd && !In(device, kWorkingModeSensitivityTypes)) return status::kNotSupported;
    if (mode == nullptr) return status::kParameterError;
    if (lamp || ccd) {
        std::uint8_t port = 0;
        const int read = device.RdFx2Sfr(kIoc, &port);
        if (read == status::kSuccess) *mode = lamp ? port / 64 : (port / 4) & 3;
        return read;
    }
    std::uint16_t word = 0;
    const int read = ReadWorkingMode(device, &word);
    if (read == status::kSuccess) *mode = (word >> kWorkingModeSensitivityShift) & kMaxWorkingModeSensitivity;
    return read;
}

}  // namespace qcx

// Exports of the sensor's own automatic exposure (AEC) and gain (AGC) loops
// and of the flash pin the sensor drives; the family records say which
// cameras have them.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

namespace {

// The lower limits the camera reports: one row, and the smallest gain code.
constexpr QCX_WORD kAecMinimumRows = 1;
constexpr QCX_WORD kAgcMinimumGain = 16;

// The driver of a camera with the chip loops, or null.
SensorDriver* ChipLoopDriver(CDevice& device) {
    const SensorFamilyTraits* family = device.FamilyTraits();
    return family != nullptr && family->chipAutoLoops ? device.Sensor() : nullptr;
}

// Every camera of a family with the pin reads it; only some set it.
bool FlashReadable(const CDevice& device) {
    const SensorFamilyTraits* family = device.FamilyTraits();
    return family != nullptr && family->flashReadable;
}

bool FlashSettable(const CDevice& device) {
    const SensorFamilyTraits* family = device.FamilyTraits();
    return family != nullptr && IsInGroup(family->flashSettableTypes, device.Type());
}

template <typename Get>
int GetEnable(int index, QCX_BOOL8* enabled, Get get) {
    return WithDevice(index, [&](CDevice& device) {
        SensorDriver* driver = ChipLoopDriver(device);
        bool on = false;
        const int result = driver != nullptr ? get(*driver, &on) : status::kNotSupported;
        if (enabled != nullptr) {
            if (result == status::kSuccess) *enabled = on ? 1 : 0;
            else if (result == status::kNotSupported) *enabled = 0;
        }
        return result;
    });
}

// `nullsAllowed`: the gain range skips null outputs, as it always has; the
// exposure range refuses them like the other getters.
template <typename Get>
int GetRange(int index, QCX_WORD minimumValue, QCX_WORD* minimum, QCX_WORD* maximum, bool nullsAllowed, Get get) {
    return WithDevice(index, [&](CDevice& device) {
        SensorDriver* driver = ChipLoopDriver(device);
        if (driver == nullptr) return status::kNotSupported;
        if (!nullsAllowed && (minimum == nullptr || maximum == nullptr)) return status::kParameterError;
        std::uint16_t limit = 0;
        const int result = get(*driver, &limit);
        if (result != status::kSuccess) return result;
        if (minimum != nullptr) *minimum = minimumValue;
        if (maximum != nullptr) *maximum = limit;
        return result;
    });
}

// Setters go straight to the driver.
template <typename Call>
int WithChipLoops(int index, Call call) {
    return WithDevice(index, [&](CDevice& device) {
        SensorDriver* driver = ChipLoopDriver(device);
        return driver != nullptr ? call(*driver) : status::kNotSupported;
    });
}

// The current values are read from the chip: a null output is refused
// before the read, so nothing is sent for an answer nobody takes.
template <typename Read>
int GetCurrent(int index, QCX_WORD* current, Read read) {
    return WithChipLoops(index, [&](SensorDriver& driver) {
        return current == nullptr ? status::kParameterError : read(driver, current);
    });
}

}  // namespace

int QCXAPI_CALL QCX_AECSetEnable(int index, QCX_BOOL8 enable) {
    return WithChipLoops(index, [&](SensorDriver& driver) { return driver.AecSetEnable(enable != 0); });
}

int QCXAPI_CALL QCX_AECGetEnable(int index, QCX_BOOL8* enabled) {
    return GetEnable(index, enabled, [](SensorDriver& driver, bool* on) { return driver.AecGetEnable(on); });
}

int QCXAPI_CALL QCX_AECSetRange(int index, QCX_WORD minimum, QCX_WORD maximum) {
    (void)minimum;  // the chip takes only an upper limit
    return WithChipLoops(index, [&](SensorDriver& driver) { return driver.AecSetMaximum(maximum); });
}

int QCXAPI_CALL QCX_AECGetRange(int index, QCX_WORD* minimum, QCX_WORD* maximum) {
    return GetRange(index, kAecMinimumRows, minimum, maximum, false,
                    [](SensorDriver& driver, std::uint16_t* limit) { return driver.AecGetMaximum(limit); });
}

int QCXAPI_CALL QCX_AECGetCur(int index, QCX_WORD* current) {
    return GetCurrent(index, current,
                      [](SensorDriver& driver, std::uint16_t* value) { return driver.AecGetCurrent(value); });
}

int QCXAPI_CALL QCX_AGCSetEnable(int index, QCX_BOOL8 enable) {
    return WithChipLoops(index, [&](SensorDriver& driver) { return driver.AgcSetEnable(enable != 0); });
}

int QCXAPI_CALL QCX_AGCGetEnable(int index, QCX_BOOL8* enabled) {
    return GetEnable(index, enabled, [](SensorDriver& driver, bool* on) { return driver.AgcGetEnable(on); });
}

int QCXAPI_CALL QCX_AGCSetRange(int index, QCX_WORD minimum, QCX_WORD maximum) {
    (void)minimum;
    return WithChipLoops(index, [&](SensorDriver& driver) { return driver.AgcSetMaximum(maximum); });
}

int QCXAPI_CALL QCX_AGCGetRange(int index, QCX_WORD* minimum, QCX_WORD* maximum) {
    return GetRange(index, kAgcMinimumGain, minimum, maximum, true,
                    [](SensorDriver& driver, std::uint16_t* limit) { return driver.AgcGetMaximum(limit); });
}

int QCXAPI_CALL QCX_AGCGetCur(int index, QCX_WORD* current) {
    return GetCurrent(index, current,
                      [](SensorDriver& driver, std::uint16_t* value) { return driver.AgcGetCurrent(value); });
}

int QCXAPI_CALL QCX_FlashControlSet(int index, QCX_BOOL8 enable, QCX_BOOL8 invert, int mode) {
    (void)mode;  // the pin has no modes
    return WithDevice(index, [&](CDevice& device) {
        SensorDriver* driver = device.Sensor();
        if (!FlashSettable(device) || driver == nullptr) return status::kNotSupported;
        return driver->FlashControlSet(enable != 0, invert != 0);
    });
}

int QCXAPI_CALL QCX_FlashControlGet(int index, QCX_BOOL8* enable, QCX_BOOL8* invert, int* mode) {
    return WithDevice(index, [&](CDevice& device) {
        SensorDriver* driver = device.Sensor();
        if (!FlashReadable(device) || driver == nullptr) return status::kNotSupported;
        bool enabled = false;
        bool inverted = false;
        const int result = driver->FlashControlGet(&enabled, &inverted);
        if (result != status::kSuccess) return result;
        if (enable != nullptr) *enable = enabled ? 1 : 0;
        if (invert != nullptr) *invert = inverted ? 1 : 0;
        if (mode != nullptr) *mode = 0;
        return result;
    });
}

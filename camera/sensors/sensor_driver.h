// SensorDriver: the operations every sensor family provides. One unit per
// family implements it; the device picks the unit by its device type.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "camera/sensors/sensor_family.h"

namespace qcx {

class CDevice;

// Field-of-view modes: which of the two windows is programmed into the sensor.
inline constexpr int FVM_CAPTURE = 0;
inline constexpr int FVM_PREVIEW = 1;

class SensorDriver {
public:
    virtual ~SensorDriver() = default;

    // Programs the sensor from reset at camera construction: 1 or a failure status.
    virtual int InitializeSensor(CDevice& device) = 0;
    // Writes the sensor's current settings again after a reconnection.
    virtual int RestoreRegisters(CDevice& device) = 0;
    // Programs the capture (FVM_CAPTURE) or preview (FVM_PREVIEW) window.
    virtual int SwitchFieldOfViewMode(CDevice& device, int mode) = 0;
};

// Makes the driver of a family; null for a family whose driver is not part
// of this build, which the device reports as not supported (-3).
using SensorDriverFactory = std::function<std::unique_ptr<SensorDriver>(SensorFamily)>;

std::unique_ptr<SensorDriver> CreateSensorDriver(SensorFamily family);

}  // namespace qcx

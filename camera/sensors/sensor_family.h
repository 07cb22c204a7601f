// The sensor families and what the camera needs to know of each: one
// SensorFamilyTraits record per family, defined in the family's own unit and
// listed once in the family table (sensor_families.cpp). The families do not
// overlap; the table order is the order in which they are tested.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "camera/common/device_groups.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

class SensorDriver;
class SensorHost;

enum class SensorFamily {
    MT9V032,
    Cmos1280x1024,
    MT9T001,
    MT9P001,
    MT9J001,
    ICX205,
    Ccd1628x1236,
};

// The bounds a parameter reports; a range that is not supported answers -3.
struct ParamRange {
    int minimum = 0;
    int maximum = 0;
    bool supported = false;
};

inline constexpr ParamRange Range(int minimum, int maximum) { return {minimum, maximum, true}; }

// What a family offers behind the sensor parameters, and the bounds it reports.
struct FamilyParams {
    bool gainReadable = true;     // red, green and blue read back
    bool gainSettable = true;     // false: the CCDs have their own gain parameters
    bool blanking = false;        // horizontal and vertical blanking through the driver
    bool sensorMirror = false;    // mirror through the sensor's read mode
    bool binning = false;         // binning through the driver
    bool binningFixedOn = false;  // binning always reads 1 and cannot be set
    bool companding = false;
    bool frontEnd = false;        // CCD front end: VGA gain, clamp level, CDS gain
    ParamRange gain, horizontalBlank, verticalBlank, bin, vgaGain, clampLevel, cdsGain, compand, exposureLines;
};

// The default Bayer mode of a camera; some cameras changed their sensor
// orientation with a firmware release, so the version takes part.
using DefaultBayerModeRule = int (*)(DeviceType type, int firmwareHigh, int firmwareLow);
// The family's driver for one camera; null when it cannot be had.
using SensorDriverMaker = std::unique_ptr<SensorDriver> (*)(SensorHost& host);

struct SensorFamilyTraits {
    SensorFamily family;
    const char* name;
    std::span<const DeviceType> types;
    std::span<const DeviceType> monochromeTypes;  // raw grey output
    // Null: the family has no driver and its cameras do not open.
    SensorDriverMaker makeDriver = nullptr;
    // How requested windows are clamped and stored; null for the CCDs,
    // whose windows are fixed.
    const WindowRules* windowRules = nullptr;
    FamilyParams params;
    DefaultBayerModeRule defaultBayerMode = nullptr;
    // The flash pin: every camera of the family reads it, these set it.
    bool flashReadable = false;
    std::span<const DeviceType> flashSettableTypes;
    // The chip's own automatic exposure and gain loops.
    bool chipAutoLoops = false;
    // Mirror and flip are done on the frames, not by the sensor (the CCDs).
    bool frameMirror = false;
};

// The table of every family, in the order they are tested.
std::span<const SensorFamilyTraits* const> SensorFamilies();

// The family of a device type, or null for a type of no family.
const SensorFamilyTraits* FindSensorFamilyTraits(DeviceType type);

inline std::optional<SensorFamily> FindSensorFamily(DeviceType type) {
    const SensorFamilyTraits* traits = FindSensorFamilyTraits(type);
    if (traits == nullptr) return std::nullopt;
    return traits->family;
}

}  // namespace qcx

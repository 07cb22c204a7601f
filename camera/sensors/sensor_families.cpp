// The family table: one row per sensor family, each record defined in the
// family's own unit. A device type belongs to the first family that lists it.
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/sensor_family.h"

namespace qcx {

extern const SensorFamilyTraits kMT9V032Family;
extern const SensorFamilyTraits kCmos1280Family;
extern const SensorFamilyTraits kMT9T001Family;
extern const SensorFamilyTraits kMT9P001Family;
extern const SensorFamilyTraits kMT9J001Family;
extern const SensorFamilyTraits kICX205Family;
extern const SensorFamilyTraits kCcd1628Family;

namespace {

const SensorFamilyTraits* const kFamilies[] = {
    &kMT9V032Family, &kCmos1280Family, &kMT9T001Family, &kMT9P001Family,
    &kMT9J001Family, &kICX205Family,   &kCcd1628Family,
};

}  // namespace

std::span<const SensorFamilyTraits* const> SensorFamilies() { return kFamilies; }

const SensorFamilyTraits* FindSensorFamilyTraits(DeviceType type) {
    for (const SensorFamilyTraits* family : kFamilies)
        if (IsInGroup(family->types, type)) return family;
    return nullptr;
}

std::unique_ptr<SensorDriver> CreateSensorDriver(SensorFamily family, SensorHost& host) {
    for (const SensorFamilyTraits* traits : kFamilies)
        if (traits->family == family) return traits->makeDriver != nullptr ? traits->makeDriver(host) : nullptr;
    return nullptr;
}

}  // namespace qcx

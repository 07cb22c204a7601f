// The MT9T001 (three megapixels): what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {3, 7, 12, 30, 35, 40};

}  // namespace

extern const SensorFamilyTraits kMT9T001Family;
const SensorFamilyTraits kMT9T001Family{
    .family = SensorFamily::MT9T001,
    .name = "MT9T001",
    .types = kTypes,
    .params = {.blanking = true,
               .sensorMirror = true,
               .binning = true,
               .gain = Range(0, 194),
               .horizontalBlank = Range(21, 2047),
               .verticalBlank = Range(3, 2047),
               .bin = Range(0, 1),
               .exposureLines = Range(1, 65535)},
    // Types 3 and 12 turned with firmware x.06 and later, x not 0.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 3 || type == 12) return high != 0 && low >= 6 ? 2 : 1;
        return 2;
    },
};

}  // namespace qcx

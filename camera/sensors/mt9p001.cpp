// The MT9P001 (five megapixels): what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {8, 9, 10, 11, 31, 32, 41, 42};
constexpr DeviceType kGreyTypes[] = {9, 11, 32, 42};
constexpr DeviceType kFlashSettableTypes[] = {10, 11, 31, 32, 41, 42};

}  // namespace

extern const SensorFamilyTraits kMT9P001Family;
const SensorFamilyTraits kMT9P001Family{
    .family = SensorFamily::MT9P001,
    .name = "MT9P001",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .params = {.blanking = true,
               .sensorMirror = true,
               .binning = true,
               .gain = Range(0, 194),
               .horizontalBlank = Range(0, 4095),
               .verticalBlank = Range(8, 2047),
               .bin = Range(0, 1),
               .exposureLines = Range(1, 65535)},
    // Types 10 and 11 turned from firmware x.08, x not 0.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 8 || type == 9) return 1;
        if (type == 10 || type == 11) return high == 0 || low < 8 ? 2 : 1;
        return 2;
    },
    .flashReadable = true,
    .flashSettableTypes = kFlashSettableTypes,
};

}  // namespace qcx

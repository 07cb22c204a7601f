// The MT9J001 (ten megapixels): what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {13, 14, 15, 16, 25, 26, 27, 43, 44, 45};

}  // namespace

extern const SensorFamilyTraits kMT9J001Family;
const SensorFamilyTraits kMT9J001Family{
    .family = SensorFamily::MT9J001,
    .name = "MT9J001",
    .types = kTypes,
    // Its blanking ranges are reported, but the driver has no blanking.
    .params = {.sensorMirror = true,
               .gain = Range(0, 194),
               .horizontalBlank = Range(0, 0),
               .verticalBlank = Range(0, 0),
               .exposureLines = Range(1, 65535)},
    // Type 14 is 1 only with high byte 1 and low byte below 5.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 14) return low >= 5 || high != 1 ? 2 : 1;
        if (type == 13 || type == 15 || type == 16) return 1;
        return 2;
    },
};

}  // namespace qcx

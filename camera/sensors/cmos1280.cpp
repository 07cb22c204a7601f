// The 1280 x 1024 CMOS family: what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
constexpr DeviceType kGreyTypes[] = {1, 5, 18, 34, 39};
constexpr DeviceType kFlashSettableTypes[] = {4, 5, 17, 18, 38, 39};

}  // namespace

extern const SensorFamilyTraits kCmos1280Family;
const SensorFamilyTraits kCmos1280Family{
    .family = SensorFamily::Cmos1280x1024,
    .name = "1280x1024 CMOS",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .params = {.blanking = true,
               .gain = Range(0, 71),
               .horizontalBlank = Range(9, 2047),
               .verticalBlank = Range(25, 2047),
               .exposureLines = Range(1, 16383)},
    .defaultBayerMode = [](DeviceType, int, int) { return 2; },
    .flashReadable = true,
    .flashSettableTypes = kFlashSettableTypes,
};

}  // namespace qcx

// The ICX205 CCD: what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {19, 20};
constexpr DeviceType kGreyTypes[] = {20};

}  // namespace

extern const SensorFamilyTraits kICX205Family;
const SensorFamilyTraits kICX205Family{
    .family = SensorFamily::ICX205,
    .name = "ICX205",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .params = {.gainSettable = false,
               .frontEnd = true,
               .gain = Range(300, 1023),
               .vgaGain = Range(300, 1023),
               .clampLevel = Range(0, 255),
               .cdsGain = Range(0, 63),
               .exposureLines = Range(1, 65535)},
    .defaultBayerMode = [](DeviceType, int, int) { return 3; },
    .frameMirror = true,
};

}  // namespace qcx

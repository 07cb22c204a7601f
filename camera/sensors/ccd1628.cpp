// The 1628 x 1236 CCD family: what the camera knows of the family. It has no driver,
// so its cameras do not open.
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {48, 49};
constexpr DeviceType kGreyTypes[] = {49};

}  // namespace

extern const SensorFamilyTraits kCcd1628Family;
const SensorFamilyTraits kCcd1628Family{
    .family = SensorFamily::Ccd1628x1236,
    .name = "1628x1236 CCD",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .params = {.gainReadable = false,
               .gainSettable = false,
               .frontEnd = true,
               .gain = Range(0, 0),
               .vgaGain = Range(1, 1023),
               .clampLevel = Range(0, 1023),
               .cdsGain = Range(0, 3),
               .exposureLines = Range(1, 5126940)},
    .defaultBayerMode = [](DeviceType, int, int) { return 1; },
    .frameMirror = true,
};

}  // namespace qcx

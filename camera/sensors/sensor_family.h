// Which sensor driver family a device type belongs to. The families do not
// overlap; the table order is the order in which they are tested.
#pragma once

#include <optional>
#include <span>

#include "camera/common/device_groups.h"

namespace qcx {

enum class SensorFamily {
    MT9V032,
    Cmos1280x1024,
    MT9T001,
    MT9P001,
    MT9J001,
    ICX205,
    Ccd1628x1236,
};

struct SensorFamilyEntry {
    SensorFamily family;
    std::span<const DeviceType> types;
};

inline constexpr DeviceType kMT9V032Types[] = {21, 22, 23, 24, 28, 29, 36, 37};
inline constexpr DeviceType kCmos1280Types[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
inline constexpr DeviceType kMT9T001Types[] = {3, 7, 12, 30, 35, 40};
inline constexpr DeviceType kMT9P001Types[] = {8, 9, 10, 11, 31, 32, 41, 42};
inline constexpr DeviceType kMT9J001Types[] = {13, 14, 15, 16, 25, 26, 27, 43, 44, 45};
inline constexpr DeviceType kICX205Types[] = {19, 20};
inline constexpr DeviceType kCcd1628Types[] = {48, 49};

inline constexpr SensorFamilyEntry kSensorFamilies[] = {
    {SensorFamily::MT9V032, kMT9V032Types},       {SensorFamily::Cmos1280x1024, kCmos1280Types},
    {SensorFamily::MT9T001, kMT9T001Types},       {SensorFamily::MT9P001, kMT9P001Types},
    {SensorFamily::MT9J001, kMT9J001Types},       {SensorFamily::ICX205, kICX205Types},
    {SensorFamily::Ccd1628x1236, kCcd1628Types},
};

inline constexpr std::optional<SensorFamily> FindSensorFamily(DeviceType type) {
    for (const SensorFamilyEntry& entry : kSensorFamilies)
        if (IsInGroup(entry.types, type)) return entry.family;
    return std::nullopt;
}

}  // namespace qcx

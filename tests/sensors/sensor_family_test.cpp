// The family records: which family a device type belongs to and the default
// Bayer mode of every type by firmware version.
#include <gtest/gtest.h>

#include <array>

#include "camera/sensors/sensor_family.h"

namespace qcx {
namespace {

TEST(DefaultBayerModeTest, EveryListedTypeWithTheFirmwareRules) {
    // Type, firmware version, mode; -1 for types of no family.
    // clang-format off
    const std::array<int, 3> cases[] = {
        // MT9V032 family.
        {21, 0, 0}, {22, 0x0109, 0}, {23, 0, 0}, {24, 0, 0}, {28, 0, 3}, {29, 0, 3}, {36, 0, 3}, {37, 0, 3},
        // 1280 x 1024 CMOS family.
        {0, 0, 2}, {1, 0, 2}, {4, 0, 2}, {5, 0, 2}, {17, 0, 2}, {18, 0, 2}, {33, 0, 2}, {34, 0, 2}, {38, 0, 2},
        {39, 0x0101, 2},
        // MT9T001: 3 and 12 turned with firmware x.06 and later, x not 0.
        {7, 0, 2}, {30, 0, 2}, {35, 0, 2}, {40, 0, 2}, {3, 0x0106, 2}, {3, 0x0105, 1}, {3, 0x0006, 1},
        {3, 0x00FF, 1}, {3, 0x02FF, 2}, {12, 0x0106, 2}, {12, 0x0000, 1}, {12, 0x0305, 1},
        // MT9P001: 10 and 11 turned from firmware x.08, x not 0.
        {31, 0, 2}, {32, 0, 2}, {41, 0, 2}, {42, 0, 2}, {8, 0x0108, 1}, {9, 0, 1}, {10, 0x0009, 2},
        {10, 0x0107, 2}, {10, 0x0108, 1}, {11, 0x0000, 2}, {11, 0x01FF, 1}, {11, 0x0207, 2},
        // MT9J001: 14 is 1 only with high byte 1 and low byte below 5.
        {25, 0, 2}, {26, 0, 2}, {27, 0, 2}, {43, 0, 2}, {44, 0, 2}, {45, 0, 2}, {13, 0x0105, 1}, {15, 0, 1},
        {16, 0, 1}, {14, 0x0104, 1}, {14, 0x0100, 1}, {14, 0x0105, 2}, {14, 0x0004, 2}, {14, 0x0204, 2},
        {14, 0x0005, 2},
        // CCD cameras, then unlisted types.
        {19, 0, 3}, {20, 0x0104, 3}, {48, 0, 1}, {49, 0xFFFF, 1},
        {2, 0x0106, -1}, {6, 0x0106, -1}, {46, 0, -1}, {47, 0, -1}, {50, 0, -1}, {-1, 0x0106, -1}
    };
    // clang-format on
    for (auto [type, version, want] : cases) {
        const SensorFamilyTraits* family = FindSensorFamilyTraits(static_cast<DeviceType>(type));
        ASSERT_EQ(family != nullptr, want >= 0) << "type " << type;
        if (family == nullptr) continue;
        EXPECT_EQ(family->defaultBayerMode(static_cast<DeviceType>(type), version >> 8, version & 0xFF), want)
            << "type " << type << ", firmware 0x" << std::hex << version;
    }
}

}  // namespace
}  // namespace qcx

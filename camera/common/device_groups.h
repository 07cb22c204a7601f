// Named sets of device type codes. Each optional feature of a camera is a
// membership test against one of these sets, so the facts live in one place.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace qcx {

using DeviceType = std::uint32_t;

// Cameras whose firmware keeps a working-mode word (trigger, sensor mode,
// bad-pixel, 16-bit transfer, sensitivity and frame-buffer flush bits).
inline constexpr DeviceType kWorkingModeTypes[] = {17, 18, 25, 26, 27, 28, 29, 30, 31, 32, 36, 37,
                                                   38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49};

// Cameras without colour filter: no colour processing.
inline constexpr DeviceType kMonochromeTypes[] = {1, 5, 9, 11, 18, 22, 24, 29, 32, 34, 37, 39, 42};

// Cameras with trigger and strobe delays.
inline constexpr DeviceType kTriggerTypes[] = {17, 18, 28, 29, 31, 32, 36, 37, 38, 39, 41, 42};

// I/O lines on the controller's ports: the snap button and the general
// purpose lines on port E, on port D, or on port D from line 2 on.
inline constexpr DeviceType kIoeTypes[] = {4, 5, 6, 7, 10, 11, 23, 24};
inline constexpr DeviceType kIodTypes[] = {33, 34, 35};
inline constexpr DeviceType kShiftedIodTypes[] = {17, 18, 30};
// The camera with three status lamps on port E and its sensitivity on port C.
inline constexpr DeviceType kLampTypes[] = {12};
// The CCDs whose sensitivity switch is a vendor request (read back on port C).
inline constexpr DeviceType kCcdSensitivityTypes[] = {19, 20};
// Cameras whose sensor mode is working-mode bit 1.
inline constexpr DeviceType kSensorModeTypes[] = {28, 29, 36, 37};
// Cameras that report whether a trigger arrived.
inline constexpr DeviceType kTriggerStatusTypes[] = {17, 18, 25, 26, 27, 28, 29, 30, 31, 32,
                                                     36, 37, 38, 39, 40, 41, 42, 43, 44, 45};
// Cameras whose sensitivity is working-mode bits 5-7.
inline constexpr DeviceType kWorkingModeSensitivityTypes[] = {17, 18, 25, 26, 27, 28, 29, 30, 31, 32, 36,
                                                              37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
                                                              48, 49};

// Cameras that can send 16-bit samples.
inline constexpr DeviceType kSixteenBitTypes[] = {31, 32, 46, 47, 48, 49};

// Cameras whose bad pixels the library corrects in software.
inline constexpr DeviceType kSoftwareBadPixelTypes[] = {8, 9, 10, 11, 13, 14, 15, 16};

// Cameras whose firmware removes bad pixels itself; the library only switches
// it through the working-mode word.
inline constexpr DeviceType kCameraBadPixelTypes[] = {25, 26, 27, 31, 32, 41, 42, 43, 44, 45};

// Cameras that hold each frame until the library releases it.
inline constexpr DeviceType kFrameReleaseTypes[] = {48, 49};

inline constexpr bool IsInGroup(std::span<const DeviceType> group, DeviceType type) {
    return std::find(group.begin(), group.end(), type) != group.end();
}

}  // namespace qcx

// The two sensor windows of a camera and the sensor geometry they live in.
// Drivers fill and program them; the device reads them for frame sizes.
#pragma once

#include <cstdint>

namespace qcx {

// Field-of-view modes: which of the two windows is programmed into the sensor.
inline constexpr int FVM_CAPTURE = 0;
inline constexpr int FVM_PREVIEW = 1;

// Sensor geometry, set once by the driver's InitializeSensor.
struct SensorGeometry {
    std::int32_t columnOffset = 0;  // first active column, added to every start a caller gives
    std::int32_t rowOffset = 0;
    std::int32_t minWidth = 1;
    std::int32_t minHeight = 1;
    std::int32_t maxWidth = 0;  // the active array
    std::int32_t maxHeight = 0;
};

// A window as callers and the clamping rules see it: starts relative to the
// active array (before clamping) or absolute (after), sizes as pixel counts.
struct WindowRequest {
    int columnStart = 0;
    int rowStart = 0;
    int width = 0;
    int height = 0;
    int columnMode = 0;
    int rowMode = 0;
};

// One field-of-view record: ten 32-bit values in this order. Width and height
// are the family's native form (the count for the MT9V032, count - 1 for the
// others); starts are absolute (offsets included).
struct FieldOfView {
    std::int32_t columnStart = 0;
    std::int32_t rowStart = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t columnMode = 0;
    std::int32_t rowMode = 0;
    std::int32_t outputWidth = 0;
    std::int32_t outputHeight = 0;
    std::int32_t pixelCount = 0;
    std::int32_t bufferBytes = 0;  // pixel count, doubled in 16-bit transfer
};

// Read-out reduction of the address modes 0 ... 4.
inline constexpr int kAddressModeDivisors[5] = {1, 2, 3, 4, 8};

inline constexpr bool IsAddressMode(int mode) { return mode >= 0 && mode <= 4; }
inline constexpr int AddressModeDivisor(int mode) { return IsAddressMode(mode) ? kAddressModeDivisors[mode] : 1; }

// Fills output size, pixel count and buffer bytes of `record` from its native
// width and height. `countMinusOne` is true for the families whose records
// hold count - 1.
inline void ComputeOutputSize(FieldOfView& record, bool countMinusOne, bool transfer16Bit) {
    const std::int32_t extra = countMinusOne ? 1 : 0;
    record.outputWidth = (record.width + extra) / AddressModeDivisor(record.columnMode);
    record.outputHeight = (record.height + extra) / AddressModeDivisor(record.rowMode);
    record.pixelCount = record.outputWidth * record.outputHeight;
    record.bufferBytes = transfer16Bit ? record.pixelCount * 2 : record.pixelCount;
}

// Everything a sensor driver keeps in the device: geometry, the two records,
// which one is programmed, the last exposure time, output and Bayer mode.
struct SensorState {
    SensorGeometry geometry;
    FieldOfView fov[2];  // [FVM_CAPTURE], [FVM_PREVIEW]
    int fovMode = FVM_CAPTURE;
    float exposureMs = 50.0f;  // stored by exposure-time set and get
    int outputMode = 1;        // 0 raw grey, 1 colour through the Bayer filter
    int bayerMode = 0;         // the camera's Bayer mode, starts at the sensor's default
    int defaultBayerMode = 0;  // by device type and firmware version
    // Binning of the address modes that reduce the read-out; the MT9T001 and
    // MT9P001 set it, the MT9J001 follows it.
    bool binning = false;
};

}  // namespace qcx

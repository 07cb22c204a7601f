// SensorHost: what a sensor driver may ask of the camera that owns it. The
// device implements it; driver tests implement it with a register file.
#pragma once

#include <cstdint>

#include "camera/common/device_groups.h"
#include "camera/common/log_file.h"
#include "camera/sensors/field_of_view.h"

namespace qcx {

class SensorHost {
public:
    virtual ~SensorHost() = default;

    virtual DeviceType SensorDeviceType() const = 0;
    // The device's log, null while logging is off.
    virtual CLogFile* SensorLog() = 0;
    // The sensor state the driver fills and keeps (geometry, windows, ...).
    virtual SensorState& State() = 0;
    virtual bool Transfer16Bit() const = 0;

    // One sensor register over the vendor requests: 1, -5 without a node,
    // -8 when the request fails or the camera reports an error.
    virtual int ReadSensorRegister(std::uint16_t reg, std::uint16_t* value) = 0;
    virtual int WriteSensorRegister(std::uint16_t reg, std::uint16_t value) = 0;

    // One host-to-device vendor request (type 0x40, value 0, index 0) that
    // carries `length` bytes of `data` to the camera's chips: 1, or the
    // request's failure (-5 without a node, -8 when it fails).
    virtual int SendVendorRequest(std::uint8_t request, const std::uint8_t* data, std::uint16_t length) = 0;

    // Reads the camera's working-mode word into the device's copy (cameras
    // without one keep their copy): the request's status.
    virtual int ReadWorkingModeIntoDevice() = 0;

    // One raw frame of width x height pixels of the programmed window
    // (the still-capture read, with its time-out and corrections).
    virtual int ReadRawFrame(std::uint8_t* buffer, int width, int height) = 0;
    // One raw frame of the capture record's output size, read after the
    // camera emptied its frame buffer (unless it waits for an external
    // trigger), into a buffer of the record's buffer bytes.
    virtual int ReadCaptureFrameAfterFlush(std::uint8_t* buffer) = 0;

    // Running means started and not paused: the preview thread owns the frames.
    virtual bool PreviewRunning() const = 0;

    // The preview's output-mode setter: stores the mode, sets the preview
    // bitmap's bit count and recomputes the automatic-control regions.
    virtual void SetOutputMode(int mode) = 0;
    // The preview record's output size changed: the preview bitmap follows.
    virtual void PreviewSizeChanged() = 0;
    // The automatic exposure and white balance regions are clamped again
    // against the preview output size.
    virtual void RecomputeRegions() = 0;
};

}  // namespace qcx

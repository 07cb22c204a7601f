// SensorDriver: the operations every sensor family provides. One unit per
// family implements it; the device picks the unit by its device type. An
// operation a family does not have keeps the default answer -3.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "camera/common/status.h"
#include "camera/sensors/field_of_view.h"
#include "camera/sensors/sensor_family.h"
#include "camera/sensors/sensor_host.h"

namespace qcx {

enum class GainChannel { Red, Green, Blue };
// The analog front end of the CCD cameras.
enum class FrontEndControl { VgaGain, ClampLevel, CdsGain };

class SensorDriver {
public:
    explicit SensorDriver(SensorHost& host) : host_(host) {}
    virtual ~SensorDriver() = default;
    SensorDriver(const SensorDriver&) = delete;
    SensorDriver& operator=(const SensorDriver&) = delete;

    // Adopts the chip's state at camera construction: 1 or a failure status.
    virtual int InitializeSensor() = 0;
    // Writes the shadows to the chip again after a reconnection; the camera
    // then sends its working mode and delays again.
    virtual int RestoreRegisters() = 0;
    // Programs the differences between the current and the target record;
    // 1 at once when `mode` is already current.
    virtual int SwitchFieldOfViewMode(int mode) { (void)mode; return status::kNotSupported; }

    // Clamps and aligns a window request (starts relative to the active
    // array, sizes as counts) in place by the family's rules: absolute starts
    // and the record's own size form. 1, or -3 for a request the chip cannot
    // read out; the families with fixed windows refuse every request.
    virtual int ClampWindow(WindowRequest& window) const { (void)window; return status::kNotSupported; }
    // Programs the differences between record `index` and a clamped window,
    // storing each value as soon as the chip has it, and makes `index` the
    // FOV mode. The camera decides whether a window is programmed or only
    // stored, sizes the output and stops a running preview around a change
    // of its frame's shape.
    virtual int ApplyRecord(int index, const WindowRequest& window) {
        (void)index; (void)window; return status::kNotSupported;
    }
    // The chip's name in the window setters' log lines; null: they log nothing.
    virtual const char* WindowLogName() const { return nullptr; }

    virtual int ExposureLinesSet(std::uint32_t lines) { (void)lines; return status::kNotSupported; }
    virtual int ExposureLinesGet(std::uint32_t* lines) { (void)lines; return status::kNotSupported; }
    virtual int ExposureTimeSet(float ms) { (void)ms; return status::kNotSupported; }
    virtual int ExposureTimeGet(float* ms) { (void)ms; return status::kNotSupported; }
    virtual int ExposureTimeGetRange(float* minimum, float* maximum) {
        (void)minimum; (void)maximum; return status::kNotSupported;
    }

    virtual int GainSet(GainChannel channel, std::uint16_t gain) { (void)channel; (void)gain; return status::kNotSupported; }
    virtual int GainGet(GainChannel channel, std::uint16_t* gain) { (void)channel; (void)gain; return status::kNotSupported; }

    virtual int HorizontalBlankSet(std::uint16_t value) { (void)value; return status::kNotSupported; }
    virtual int HorizontalBlankGet(std::uint16_t* value) { (void)value; return status::kNotSupported; }
    virtual int VerticalBlankSet(std::uint16_t value) { (void)value; return status::kNotSupported; }
    virtual int VerticalBlankGet(std::uint16_t* value) { (void)value; return status::kNotSupported; }

    virtual int FlipSet(bool on) { (void)on; return status::kNotSupported; }
    virtual int FlipGet(bool* on) { (void)on; return status::kNotSupported; }
    virtual int MirrorSet(bool on) { (void)on; return status::kNotSupported; }
    virtual int MirrorGet(bool* on) { (void)on; return status::kNotSupported; }
    virtual int CompandingSet(bool on) { (void)on; return status::kNotSupported; }
    virtual int CompandingGet(bool* on) { (void)on; return status::kNotSupported; }
    // Binning rewrites the address modes of both windows' reductions.
    virtual int BinningSet(bool on) { (void)on; return status::kNotSupported; }
    virtual int BinningGet(bool* on) { (void)on; return status::kNotSupported; }
    virtual int FrontEndSet(FrontEndControl control, int value) {
        (void)control; (void)value; return status::kNotSupported;
    }
    virtual int FrontEndGet(FrontEndControl control, std::uint16_t* value) {
        (void)control; (void)value; return status::kNotSupported;
    }

    virtual int FlashControlSet(bool enable, bool invert) { (void)enable; (void)invert; return status::kNotSupported; }
    virtual int FlashControlGet(bool* enable, bool* invert) { (void)enable; (void)invert; return status::kNotSupported; }

    // The chip's own automatic exposure (rows) and gain; minimum limits are
    // the camera's, only the maximum reaches the chip.
    virtual int AecSetEnable(bool on) { (void)on; return status::kNotSupported; }
    virtual int AecGetEnable(bool* on) { (void)on; return status::kNotSupported; }
    virtual int AecSetMaximum(std::uint16_t rows) { (void)rows; return status::kNotSupported; }
    virtual int AecGetMaximum(std::uint16_t* rows) { (void)rows; return status::kNotSupported; }
    virtual int AecGetCurrent(std::uint16_t* rows) { (void)rows; return status::kNotSupported; }
    virtual int AgcSetEnable(bool on) { (void)on; return status::kNotSupported; }
    virtual int AgcGetEnable(bool* on) { (void)on; return status::kNotSupported; }
    virtual int AgcSetMaximum(std::uint16_t gain) { (void)gain; return status::kNotSupported; }
    virtual int AgcGetMaximum(std::uint16_t* gain) { (void)gain; return status::kNotSupported; }
    virtual int AgcGetCurrent(std::uint16_t* gain) { (void)gain; return status::kNotSupported; }

    virtual int BayerGetDefaultMode(int* mode) = 0;

protected:
    SensorHost& host_;
};

// Makes the driver of a family for the camera behind `host`; null for a
// family whose driver is not part of this build, which the device reports
// as not supported (-3).
using SensorDriverFactory = std::function<std::unique_ptr<SensorDriver>(SensorFamily, SensorHost&)>;

std::unique_ptr<SensorDriver> CreateSensorDriver(SensorFamily family, SensorHost& host);

}  // namespace qcx

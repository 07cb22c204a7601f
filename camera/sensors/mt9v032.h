// MT9V032Driver: the 752 x 480 wide-VGA sensor. It keeps copies of the
// fourteen registers it reads or changes and writes a register only when the
// value differs from its copy; everything else lives in the device's
// SensorState.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "camera/sensors/mt9v032_registers.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/window_programming.h"

namespace qcx {

// The family record of the MT9V032 cameras.
extern const SensorFamilyTraits kMT9V032Family;

class MT9V032Driver : public SensorDriver {
public:
    // Waits `ms` milliseconds; tests replace it so they need not wait.
    using SleepFn = std::function<void(int ms)>;

    explicit MT9V032Driver(SensorHost& host);

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;

    int GainSet(GainChannel channel, std::uint16_t gain) override;
    int GainGet(GainChannel channel, std::uint16_t* gain) override;
    int HorizontalBlankSet(std::uint16_t value) override;
    int HorizontalBlankGet(std::uint16_t* value) override;
    int VerticalBlankSet(std::uint16_t value) override;
    int VerticalBlankGet(std::uint16_t* value) override;

    int FlipSet(bool on) override;
    int FlipGet(bool* on) override;
    int MirrorSet(bool on) override;
    int MirrorGet(bool* on) override;
    int CompandingSet(bool on) override;
    int CompandingGet(bool* on) override;
    int FlashControlSet(bool enable, bool invert) override;
    int FlashControlGet(bool* enable, bool* invert) override;

    int AecSetEnable(bool on) override;
    int AecGetEnable(bool* on) override;
    int AecSetMaximum(std::uint16_t rows) override;
    int AecGetMaximum(std::uint16_t* rows) override;
    int AecGetCurrent(std::uint16_t* rows) override;
    int AgcSetEnable(bool on) override;
    int AgcGetEnable(bool* on) override;
    int AgcSetMaximum(std::uint16_t gain) override;
    int AgcGetMaximum(std::uint16_t* gain) override;
    int AgcGetCurrent(std::uint16_t* gain) override;

    int BayerGetDefaultMode(int* mode) override;

    // Writes a shadowed register: -3 for any other address, 1 without a
    // transfer when the value equals the copy, the write's failure, or 1.
    // A change of the read mode drops the frame the chip was exposing.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    // Reads the fourteen registers into their copies, then the working mode.
    int ReadRelatedRegValue();
    // Reads and discards one frame of the programmed window; -8 while the
    // preview runs (its thread owns the frames).
    int DropOneFrame();
    int ClampWindow(WindowRequest& window) const override;
    int ApplyRecord(int index, const WindowRequest& window) override;

    // The copy of a shadowed register (0 for any other address).
    std::uint16_t Shadow(std::uint16_t reg) const;
    // Pixel clock period of this variant in milliseconds.
    float PixelClockMs() const { return pixelClockMs_; }
    void SetSleep(SleepFn sleep) { sleep_ = std::move(sleep); }

private:
    // Line length in pixel clocks: window width plus horizontal blanking.
    std::int64_t LineLength() const;
    float RowsToMs(std::int64_t rows) const;
    int WriteWindowValue(WindowValue which, int value);
    // The window the chip holds, from the register copies.
    WindowRequest ChipWindow() const;
    int WriteRowMode(int mode);
    int WriteColumnMode(int mode);
    int WriteReadModeBit(int bit, bool on);
    int WriteBit(std::uint16_t reg, int bit, bool on);

    std::array<std::uint16_t, mt9v032::kShadowCount> shadows_{};
    float pixelClockMs_;
    int defaultBayerMode_;
    SleepFn sleep_;
};

}  // namespace qcx

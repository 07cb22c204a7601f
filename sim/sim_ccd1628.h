// The 1628 x 1236 CCD of the simulated cameras: no sensor register bus, five
// timing and front-end registers reached through the camera's register
// request (0x27), and always the full frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/sim_array_render.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimCcd1628 : public SimSensorModel {
public:
    static constexpr std::uint8_t kRegisterWriteRequest = 0x27;
    static constexpr std::uint16_t kCdsGain = 4;        // held, no effect on the frame
    static constexpr std::uint16_t kVgaGain = 5;        // 512 is unity, about 0.033 dB a step
    static constexpr std::uint16_t kClampLevel = 6;     // black level, in 12-bit codes
    static constexpr std::uint16_t kExposureHigh = 99;  // lines / 1252
    static constexpr std::uint16_t kExposureLow = 100;  // lines modulo 1252

    // The firmware's power-on values; the other registers start at 0.
    static constexpr std::uint16_t kPowerOnVgaGain = 512;
    static constexpr std::uint16_t kPowerOnExposureHigh = 1200;

    static constexpr int kColumns = 1628;
    static constexpr int kRows = 1236;
    static constexpr int kLineClocks = 1252;
    // Pixel clock period: 36 MHz.
    static constexpr double kPixelClockMs = 2.7777778e-5;
    // Reading the frame out over USB 2.0 takes this long, about 6.5 frames a second.
    static constexpr double kReadoutMs = 150.0;

    static bool Fits(std::uint8_t deviceType);
    // Multiplier of a VGA gain code.
    static double VgaGainOf(std::uint16_t code);

    // Registers at the values the camera's firmware sets at power-on; type
    // 49 has no colour filter, type 48 a G R / B G one.
    SimCcd1628(std::uint8_t deviceType, std::uint16_t firmwareVersion);

    // The chip has no sensor register bus: reads give 0, writes are lost.
    std::uint16_t Read(std::uint16_t) const override { return 0; }
    void Write(std::uint16_t, std::uint16_t) override {}
    // A register request: [register low, high, value low, high, 0, 0].
    // Registers other than the five are ignored.
    void VendorWrite(std::uint8_t request, const std::uint8_t* data, std::size_t size) override;

    SimMosaic Mosaic() const override { return mosaic_; }
    std::uint32_t ExposureLines() const;
    double ExposureMs() const;
    // The read-out, but at least the exposure.
    double FrameTimeMs() const override;
    SimFrameShape OutputShape(bool wide) const override;
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                         bool wide) const override;

private:
    // The member holding a register; null for the others.
    static std::uint16_t SimCcd1628::*SlotOf(std::uint16_t reg);

    SimSensorArray array_;
    SimMosaic mosaic_;
    std::uint16_t cdsGain_ = 0;
    std::uint16_t vgaGain_ = kPowerOnVgaGain;
    std::uint16_t clampLevel_ = 0;
    std::uint16_t exposureHigh_ = kPowerOnExposureHigh;
    std::uint16_t exposureLow_ = 0;
};

}  // namespace qcx

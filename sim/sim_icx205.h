// The ICX205 CCD camera of the simulator (types 19 and 20): a 1360 x 1024
// array that always reads out whole, a CXD2460R timing generator that takes
// the exposure as two serial commands, and an AD9840A front end whose
// variable gain scales the picture.
#pragma once

#include <cstdint>

#include "sim/sim_array_render.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimIcx205 : public SimSensorModel {
public:
    // What the sensor-register read reports of the chips: the front end's
    // registers by number, and the exposure the timing generator runs.
    static constexpr std::uint16_t kVgaGain = 1;
    static constexpr std::uint16_t kClampLevel = 2;
    static constexpr std::uint16_t kCdsGain = 4;
    static constexpr std::uint16_t kExposureLines = 85;

    static constexpr int kColumns = 1360;
    static constexpr int kRows = 1024;
    // A line: 2047 clocks of 24 MHz; a frame reads its rows and 20 more.
    static constexpr double kLineMs = 2047 * 4.166666e-5;
    static constexpr int kBlankLines = 20;

    static bool Fits(std::uint8_t deviceType);
    // Multiplier of a variable gain code: 36 dB over the codes, unity at 512.
    static double GainOf(std::uint16_t code);

    SimIcx205(std::uint8_t deviceType, std::uint16_t firmwareVersion);

    std::uint16_t Read(std::uint16_t reg) const override;
    // The CCD has no register bus of its own: writes change nothing.
    void Write(std::uint16_t reg, std::uint16_t value) override;
    // Request 0x21: the timing generator's two commands, the whole frames of
    // lines first, the shutter position of the last frame second, which
    // completes the exposure. Request 0x22: [register, value low, high] of
    // the front end.
    void VendorWrite(std::uint8_t request, const std::uint8_t* data, std::size_t size) override;

    SimMosaic Mosaic() const override { return mosaic_; }
    double ExposureMs() const { return exposureLines_ * kLineMs; }
    double FrameTimeMs() const override;
    SimFrameShape OutputShape(bool wide) const override;
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                         bool wide) const override;

private:
    SimSensorArray array_;
    SimMosaic mosaic_;
    std::uint16_t frontEnd_[8] = {};  // AD9840A registers 0 ... 7
    unsigned pendingFrames_ = 0;      // from the first timing command
    unsigned exposureLines_ = 2047;
};

}  // namespace qcx

// The MT9J001 (ten megapixels) image sensor of the simulated cameras: 16-bit
// register addresses, the window as first and last address, skipping by odd
// increments, and a frame time in line lengths of its pixel clock. Three
// arrays by device type; the colour order goes with type and firmware.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "sim/sim_array_render.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimMt9j001 : public SimSensorModel {
public:
    static constexpr std::uint16_t kModelId = 0x3000;
    static constexpr std::uint16_t kYAddrStart = 0x3002;
    static constexpr std::uint16_t kXAddrStart = 0x3004;
    static constexpr std::uint16_t kYAddrEnd = 0x3006;  // last row, inclusive
    static constexpr std::uint16_t kXAddrEnd = 0x3008;
    static constexpr std::uint16_t kLineLengthPck = 0x300C;
    static constexpr std::uint16_t kCoarseIntegrationTime = 0x3012;  // lines
    static constexpr std::uint16_t kFineIntegrationTime = 0x3014;    // pixel clocks
    static constexpr std::uint16_t kGainGreenR = 0x302A;  // green on red rows
    static constexpr std::uint16_t kGainRed = 0x302C;
    static constexpr std::uint16_t kGainBlue = 0x302E;
    static constexpr std::uint16_t kGainGreenB = 0x3030;  // green on blue rows
    static constexpr std::uint16_t kReadMode = 0x3040;    // bit 15 row flip, 14 column flip, 10 binning
    static constexpr std::uint16_t kXOddInc = 0x30A2;     // 1, 3, 7: every, every other, every fourth pair
    static constexpr std::uint16_t kYOddInc = 0x30A6;

    // Pixel clock period: 161 MHz.
    static constexpr double kPixelClockMs = 6.21118e-6;
    // Rows of blanking a frame takes besides its output rows.
    static constexpr int kFrameBlankRows = 64;

    static bool Fits(std::uint8_t deviceType);
    // Multiplier of an analogue gain code: code / 8, so 8 is unity.
    static double GainOf(std::uint16_t code) { return code / 8.0; }

    SimMt9j001(std::uint8_t deviceType, std::uint16_t firmwareVersion);

    // Writes to the model id are ignored; other addresses hold what was last
    // written (0 before).
    std::uint16_t Read(std::uint16_t reg) const override;
    void Write(std::uint16_t reg, std::uint16_t value) override;

    SimMosaic Mosaic() const override { return mosaic_; }
    const SimSensorArray& Array() const { return array_; }

    double LineMs() const;
    // (Coarse lines x line length + fine clocks) x pixel clock.
    double ExposureMs() const;
    // (Output rows + blanking rows) x line time.
    double ReadoutMs() const;
    // The read-out, but at least the exposure.
    double FrameTimeMs() const override;
    SimFrameShape OutputShape(bool wide) const override;
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                         bool wide) const override;

private:
    std::uint16_t Reg(std::uint16_t reg) const;
    SimPairAxis ColumnAxis() const;
    SimPairAxis RowAxis() const;

    SimSensorArray array_;
    SimMosaic mosaic_;
    double resetExposureMs_ = 0.0;
    std::unordered_map<std::uint16_t, std::uint16_t> regs_;  // absent = 0
};

}  // namespace qcx

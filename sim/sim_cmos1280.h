// The 1280 x 1024 CMOS image sensor of the simulated cameras: 8-bit register
// addresses, 16-bit values, one shutter-width register, and two read-option
// registers that skip by 4 or 8, bin by 2 and flip the rows.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "sim/sim_array_render.h"
#include "sim/sim_readout.h"
#include "sim/sim_scene.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimCmos1280 : public SimSensorModel {
public:
    // Register addresses this model acts on.
    static constexpr std::uint16_t kChipVersion = 0x00;
    static constexpr std::uint16_t kRowStart = 0x01;
    static constexpr std::uint16_t kColumnStart = 0x02;
    static constexpr std::uint16_t kRowSize = 0x03;     // rows - 1
    static constexpr std::uint16_t kColumnSize = 0x04;  // columns - 1
    static constexpr std::uint16_t kHorizontalBlank = 0x05;
    static constexpr std::uint16_t kVerticalBlank = 0x06;
    static constexpr std::uint16_t kShutterWidth = 0x09;
    static constexpr std::uint16_t kShutterDelay = 0x0C;
    // Bit 2 / 4 skip columns by 4 / 8, bit 3 / 5 rows; bit 9 strobe.
    static constexpr std::uint16_t kReadOptions1 = 0x1E;
    // Bit 3 / 4 bin columns / rows by 2 (before any skip); bit 15 row flip.
    static constexpr std::uint16_t kReadOptions2 = 0x20;
    static constexpr std::uint16_t kGreen1Gain = 0x2B;  // green on red rows; every site of a grey chip
    static constexpr std::uint16_t kBlueGain = 0x2C;
    static constexpr std::uint16_t kRedGain = 0x2D;
    static constexpr std::uint16_t kGreen2Gain = 0x2E;  // green on blue rows
    static constexpr std::uint16_t kGlobalGain = 0x35;  // a write sets the four gains above

    // The active array, in absolute sensor coordinates.
    static constexpr int kFirstColumn = 16;
    static constexpr int kFirstRow = 8;
    static constexpr int kColumns = 1280;
    static constexpr int kRows = 1024;

    static bool Fits(std::uint8_t deviceType);
    // Multiplier of a gain code: (1 + bit 6) x (bits 5-0) / 8; code 8 is unity.
    static double GainOf(std::uint16_t code);

    // Registers at their power-on values; the grey types have no colour
    // filter, the others an RGGB one.
    SimCmos1280(std::uint8_t deviceType, std::uint16_t firmwareVersion);

    // Writes to the chip version are ignored; a write to the global gain also
    // sets the four colour gains; other addresses hold what was last written
    // (0 before).
    std::uint16_t Read(std::uint16_t reg) const override;
    void Write(std::uint16_t reg, std::uint16_t value) override;

    SimMosaic Mosaic() const override { return mosaic_; }
    // Read options 1 bit 9 enables the strobe output.
    bool StrobeOn() const override { return (Read(kReadOptions1) & 0x0200) != 0; }

    // Pixel clocks of one row: the width the column reduction leaves plus the
    // horizontal blank (19 at least) and the row overhead, but at least
    // 4 x shutter delay + 548.
    long RowClocks() const;
    // (Shutter width x row - shutter delay - 180) clocks; at least 0.
    double ExposureMs() const;
    // (Output rows + vertical blanking + 1) rows.
    double ReadoutMs() const;
    // The read-out, but at least the exposure.
    double FrameTimeMs() const override;

    // Window width / column reduction by window height / row reduction.
    SimFrameShape OutputShape(bool wide) const override;

    // 8-bit samples, or 12-bit ones in little-endian words when `wide`. The
    // picture and the grey scene follow exposure and gain; the ramp ignores
    // them; only the picture is blurred.
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                         bool wide) const override;

private:
    std::uint16_t Reg(std::uint16_t reg) const;
    SimPairAxis ColumnAxis() const;
    SimPairAxis RowAxis() const;
    // Multipliers of the four sites of a Bayer quad, [row parity][column
    // parity] relative to the array, exposure included.
    void SiteScales(double (&scales)[2][2]) const;

    SimSensorArray array_;
    SimMosaic mosaic_;
    double resetExposureMs_ = 0.0;
    std::unordered_map<std::uint16_t, std::uint16_t> regs_;  // absent = 0
};

}  // namespace qcx

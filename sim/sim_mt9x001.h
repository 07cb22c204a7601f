// The MT9P001 (5 megapixel) and MT9T001 (3 megapixel) image sensors of the
// simulated cameras. The two chips share one register map, 8-bit addresses
// and 16-bit values; a variant record holds what differs: the array, the
// power-on values and the row timing.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "sim/sim_array_render.h"
#include "sim/sim_readout.h"
#include "sim/sim_scene.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimMt9x001 : public SimSensorModel {
public:
    // Register addresses this model acts on.
    static constexpr std::uint16_t kChipVersion = 0x00;
    static constexpr std::uint16_t kRowStart = 0x01;
    static constexpr std::uint16_t kColumnStart = 0x02;
    static constexpr std::uint16_t kRowSize = 0x03;     // rows - 1
    static constexpr std::uint16_t kColumnSize = 0x04;  // columns - 1
    static constexpr std::uint16_t kHorizontalBlank = 0x05;
    static constexpr std::uint16_t kVerticalBlank = 0x06;
    static constexpr std::uint16_t kShutterWidthUpper = 0x08;
    static constexpr std::uint16_t kShutterWidth = 0x09;
    static constexpr std::uint16_t kShutterDelay = 0x0C;
    static constexpr std::uint16_t kReadMode2 = 0x20;         // bit 15 row flip, bit 14 column flip
    static constexpr std::uint16_t kRowAddressMode = 0x22;    // bits 2-0 skip, bits 5-4 bin
    static constexpr std::uint16_t kColumnAddressMode = 0x23;
    static constexpr std::uint16_t kGreen1Gain = 0x2B;  // green on red rows; every site of a grey chip
    static constexpr std::uint16_t kBlueGain = 0x2C;
    static constexpr std::uint16_t kRedGain = 0x2D;
    static constexpr std::uint16_t kGreen2Gain = 0x2E;  // green on blue rows
    static constexpr std::uint16_t kGlobalGain = 0x35;  // a write sets the four gains above

    struct Variant;  // what differs between the two chips

    // Whether a camera of this device type carries one of the two chips.
    static bool Fits(std::uint8_t deviceType);
    // Multiplier of a gain code: (1 + bit 6) x (bits 5-0) / 8 x (1 + (bits 14-8) / 8);
    // code 8 is unity.
    static double GainOf(std::uint16_t code);

    // Registers at their power-on values. The device type picks the chip, the
    // pixel clock and whether there is a colour filter; on some types the
    // firmware version decides the filter's colour order.
    SimMt9x001(std::uint8_t deviceType, std::uint16_t firmwareVersion);

    // Register access as over the chip's serial bus. Writes to the chip
    // version are ignored; a write to the global gain also sets the four
    // colour gains; other addresses hold what was last written (0 before).
    std::uint16_t Read(std::uint16_t reg) const override;
    void Write(std::uint16_t reg, std::uint16_t value) override;

    bool IsMonochrome() const { return mosaic_ == SimMosaic::Grey; }
    SimMosaic Mosaic() const override { return mosaic_; }
    double PixelClockMs() const { return pixelClockMs_; }
    // The active array, in absolute sensor coordinates.
    int FirstColumn() const;
    int FirstRow() const;
    int Columns() const;
    int Rows() const;

    // One row of the read-out, from the window width, column skip, binning,
    // horizontal blanking and shutter delay, as the chip's datasheet counts it.
    double RowTimeMs() const;
    // Shutter width x row time, less the overlap of reset and read; at least 0.
    double ExposureMs() const;
    // (Output rows + vertical blanking + 1) x row time.
    double ReadoutMs() const;
    // The time a camera takes to produce one frame: the read-out, but at
    // least the exposure.
    double FrameTimeMs() const override;

    // Window width / column skip factor by window height / row skip factor.
    SimFrameShape OutputShape(bool wide) const override;

    // Writes the first `count` bytes of the frame (at most
    // OutputShape(wide).Bytes()) into `out` and returns how many were
    // written: 8-bit samples, or 12-bit ones in little-endian words when
    // `wide`. The picture is seen through a lens defocused by `blurRadius`
    // (0 = sharp); the ramp and the grey scene are never blurred, and the
    // ramp ignores exposure and gain.
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                         bool wide) const override;

private:
    std::uint16_t Reg(std::uint16_t reg) const;
    SimPairAxis ColumnAxis() const;
    SimPairAxis RowAxis() const;
    // Multipliers of the four sites of a Bayer quad, [row parity][column
    // parity] relative to the array, exposure included.
    void SiteScales(double (&scales)[2][2]) const;

    const Variant* variant_;
    SimSensorArray array_;
    double pixelClockMs_;
    SimMosaic mosaic_;
    double resetExposureMs_ = 0.0;
    std::unordered_map<std::uint16_t, std::uint16_t> regs_;  // absent = 0
};

}  // namespace qcx

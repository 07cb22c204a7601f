// The MT9V032 image sensor of the simulated cameras: its register file as the
// chip holds it, its timing, and the frame it reads out of the scene.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "sim/sim_scene.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

class SimMt9v032 : public SimSensorModel {
public:
    // Register addresses this model acts on.
    static constexpr std::uint16_t kChipVersion = 0x00;
    static constexpr std::uint16_t kColumnStart = 0x01;
    static constexpr std::uint16_t kRowStart = 0x02;
    static constexpr std::uint16_t kWindowHeight = 0x03;
    static constexpr std::uint16_t kWindowWidth = 0x04;
    static constexpr std::uint16_t kHorizontalBlanking = 0x05;
    static constexpr std::uint16_t kVerticalBlanking = 0x06;
    static constexpr std::uint16_t kChipControl = 0x07;
    static constexpr std::uint16_t kTotalShutterWidth = 0x0B;
    static constexpr std::uint16_t kReadMode = 0x0D;
    static constexpr std::uint16_t kLedOutControl = 0x1B;
    static constexpr std::uint16_t kAdcMode = 0x1C;
    static constexpr std::uint16_t kAnalogGain = 0x35;
    static constexpr std::uint16_t kMaxAnalogGain = 0x36;
    static constexpr std::uint16_t kAecAgcEnable = 0xAF;
    static constexpr std::uint16_t kAgcGainOutput = 0xBA;  // read-only
    static constexpr std::uint16_t kAecExposureOutput = 0xBB;  // read-only
    static constexpr std::uint16_t kMaximumShutterWidth = 0xBD;

    // The active array: 752 x 480 sites from absolute column 1, row 4.
    static constexpr int kFirstColumn = 1;
    static constexpr int kFirstRow = 4;
    static constexpr int kColumns = 752;
    static constexpr int kRows = 480;

    // Whether a camera of this device type carries an MT9V032.
    static bool Fits(std::uint8_t deviceType);

    // Registers at their power-on values; the variant decides the pixel clock,
    // the filter order and whether there is a colour filter at all. The
    // firmware version makes no difference to this chip.
    explicit SimMt9v032(std::uint8_t deviceType, std::uint16_t firmwareVersion = 0);

    // Register access as over the chip's serial bus. Writes to the chip
    // version and to the automatic controls' outputs are ignored; other
    // addresses hold what was last written (0 before that).
    std::uint16_t Read(std::uint16_t reg) const override;
    void Write(std::uint16_t reg, std::uint16_t value) override;

    bool IsMonochrome() const { return mosaic_ == SimMosaic::Grey; }
    SimMosaic Mosaic() const override { return mosaic_; }
    // The LED output pulses with every frame unless 0x1B bit 0 disables it.
    bool StrobeOn() const override { return (Read(kLedOutControl) & 1) == 0; }
    double PixelClockMs() const { return pixelClockMs_; }

    // What the chip uses now: the registers, or the automatic controls'
    // choice while 0xAF enables them.
    std::uint16_t CurrentGain() const;
    std::uint16_t CurrentShutterRows() const;
    double ExposureMs() const;
    // Read-out of one frame: (rows + vertical blanking) x line length pixel
    // clocks, where rows are the output rows (row binning reads fewer rows).
    double ReadoutMs() const;
    // The time a camera takes to produce one frame: the read-out, but at
    // least the exposure.
    double FrameTimeMs() const override;

    // The cameras carrying this chip never transfer 16 bits a sample, so
    // `wide` is ignored: samples are always one byte.
    SimFrameShape OutputShape(bool wide = false) const override;

    // Writes the first `count` bytes of the frame (at most OutputShape().Bytes())
    // into `out` and returns how many were written. Binning averages the
    // 8-bit samples of each block, rounded to nearest, halves up. The picture
    // is seen through a lens defocused by `blurRadius` (0 = sharp, up to
    // SimPicture::kMaxBlur); the ramp and the grey scene are never blurred.
    std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius = 0,
                         bool wide = false) const override;

private:
    struct Window {
        int columnStart, rowStart, width, height;
        int columnBin, rowBin;
        bool flipRows, flipColumns;
    };
    Window CurrentWindow() const;
    std::uint16_t Reg(std::uint16_t reg) const;
    int LineLength() const;
    double RowsToMs(double rows) const;
    std::uint16_t MsToRows(double ms, std::uint16_t limit) const;
    double ResetExposureMs() const;

    double pixelClockMs_;
    SimMosaic mosaic_;
    std::unordered_map<std::uint16_t, std::uint16_t> regs_;  // absent = 0
};

}  // namespace qcx

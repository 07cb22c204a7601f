// The MT9J001 (ten megapixels): 16-bit register addresses, windows kept as
// first and last address, skipping by odd increments, and an exposure in
// line lengths of the chip's pixel clock.
#pragma once

#include <array>
#include <cstdint>

#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/window_programming.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

namespace mt9j001 {

inline constexpr std::uint16_t kYAddrStart = 0x3002;
inline constexpr std::uint16_t kXAddrStart = 0x3004;
inline constexpr std::uint16_t kYAddrEnd = 0x3006;
inline constexpr std::uint16_t kXAddrEnd = 0x3008;
inline constexpr std::uint16_t kLineLengthPck = 0x300C;
inline constexpr std::uint16_t kCoarseIntegrationTime = 0x3012;
inline constexpr std::uint16_t kFineIntegrationTime = 0x3014;
inline constexpr std::uint16_t kGainGreenR = 0x302A;
inline constexpr std::uint16_t kGainRed = 0x302C;
inline constexpr std::uint16_t kGainBlue = 0x302E;
inline constexpr std::uint16_t kGainGreenB = 0x3030;
inline constexpr std::uint16_t kReadMode = 0x3040;
inline constexpr std::uint16_t kXOddInc = 0x30A2;
inline constexpr std::uint16_t kYOddInc = 0x30A6;

// Read mode: flips, binning, and the skip patterns that repeat the odd
// increments (columns in bits 8-6, rows in bits 5-0).
inline constexpr int kRowFlipBit = 15;
inline constexpr int kColumnFlipBit = 14;
inline constexpr int kBinningBit = 10;
inline constexpr int kColumnSkipShift = 6;
inline constexpr std::uint16_t kColumnSkipMask = 0x7 << kColumnSkipShift;
inline constexpr std::uint16_t kRowSkipMask = 0x3F;

// Address modes 0, 1 and 3 only; 2 and 4 are refused.
extern const WindowRules kWindowRules;

}  // namespace mt9j001

class MT9J001Driver final : public SensorDriver {
public:
    explicit MT9J001Driver(SensorHost& host);

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;
    int ClampWindow(WindowRequest& window) const override;
    int ApplyRecord(int index, const WindowRequest& window) override;
    const char* WindowLogName() const override { return "MT9J001"; }

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;
    int GainSet(GainChannel channel, std::uint16_t gain) override;
    int GainGet(GainChannel channel, std::uint16_t* gain) override;
    int FlipSet(bool on) override;
    int FlipGet(bool* on) override;
    int MirrorSet(bool on) override;
    int MirrorGet(bool* on) override;
    int BayerGetDefaultMode(int* mode) override;

    // Writes one of the shadowed registers and keeps the value: -3 for any
    // other address, 1 at once for the value the chip holds, else the
    // write's status. A new exposure drops the frame it spoils.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    // Reads the shadowed registers, then the camera's working mode.
    int ReadRelatedRegValue();
    // The copy of a shadowed register (0 for any other address).
    std::uint16_t Shadow(std::uint16_t reg) const;

private:
    // Reads one capture frame after a flush and throws it away, while the
    // capture window is programmed: the frame in flight when the exposure
    // changed has rows of both exposures.
    void DropOneFrame();
    // Writes the odd increment of an address mode, then the read mode's
    // skip pattern and the binning bit.
    int ProgramRowMode(int mode);
    int ProgramColumnMode(int mode);
    int WriteBit(std::uint16_t reg, int bit, bool on);
    // The line length, read from the chip for every computation.
    int ReadLineLength(std::uint16_t* length);
    // The window the chip holds, from the register copies; an address mode
    // whose read-mode pattern disagrees with its increment counts as unknown.
    WindowRequest ChipWindow() const;

    static constexpr int kShadowCount = 14;
    std::array<std::uint16_t, kShadowCount> shadows_{};
};

}  // namespace qcx

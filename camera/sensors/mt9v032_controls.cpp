// MT9V032 image controls: exposure, gain, blanking, flips, companding, the
// flash pin and the chip's own exposure and gain loops.
#include <algorithm>
#include <cmath>

#include "camera/common/status.h"
#include "camera/sensors/mt9v032.h"
#include "camera/sensors/mt9v032_read_mode.h"

namespace qcx {

using namespace mt9v032;

namespace {

inline constexpr std::uint32_t kMaxExposureLines = 32767;
inline constexpr std::uint16_t kGainCodeOffset = 16;  // gain 0 is code 16
inline constexpr std::uint16_t kGainSteps = 64;       // gains 0 ... 63
inline constexpr std::uint16_t kMaxGainCode = 79;
inline constexpr std::uint16_t kMinHorizontalBlank = 61;
inline constexpr std::uint16_t kMaxHorizontalBlank = 1023;
inline constexpr std::uint16_t kMinVerticalBlank = 3;
inline constexpr std::uint16_t kMaxVerticalBlank = 32288;
inline constexpr std::uint16_t kMinAgcLimit = 16;
inline constexpr std::uint16_t kMaxAgcLimit = 63;
inline constexpr std::uint16_t kMaxAecLimit = 2047;
// An exposure of n rows lasts n + 1 lines less this many pixel clocks.
inline constexpr std::int64_t kShutterOverheadClocks = 255;

// LED_OUT control: bit 0 disables the pin, bit 1 inverts it.
inline constexpr int kLedDisableBit = 0;
inline constexpr int kLedInvertBit = 1;
// ADC mode: 2 linear, 3 companded (bits 0-1).
inline constexpr std::uint16_t kAdcModeMask = 0x0003;
inline constexpr std::uint16_t kAdcLinear = 0x0002;

// The row count register takes the low 16 bits of the truncated value;
// values no integer can hold (and NaN) give 0.
std::uint16_t TruncateToWord(double value) {
    if (!(value > -9.2e18 && value < 9.2e18)) return 0;
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(value));
}

}  // namespace

std::int64_t MT9V032Driver::LineLength() const {
    return static_cast<std::int64_t>(Shadow(MT9V032REG_WINDOW_WIDTH)) + Shadow(MT9V032REG_HORIZONTAL_BLANKING);
}

// Time of `rows` rows: the whole rows plus one line less the shutter
// overhead, in pixel clocks, times the clock period (single precision).
float MT9V032Driver::RowsToMs(std::int64_t rows) const {
    const std::int64_t line = LineLength();
    return pixelClockMs_ * static_cast<float>(line * rows + line - kShutterOverheadClocks);
}

int MT9V032Driver::ExposureLinesSet(std::uint32_t lines) {
    lines = std::clamp<std::uint32_t>(lines, 1, kMaxExposureLines);
    return WrSensorReg(MT9V032REG_TOTAL_SHUTTER_WIDTH, static_cast<std::uint16_t>(lines));
}

int MT9V032Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = Shadow(MT9V032REG_TOTAL_SHUTTER_WIDTH);
    return status::kSuccess;
}

int MT9V032Driver::ExposureTimeSet(float ms) {
    const std::int64_t line = LineLength();
    // Single-precision quotient, then the half added in double and cut off.
    const float rowsExact = (ms / pixelClockMs_ - static_cast<float>(line - kShutterOverheadClocks)) /
                            static_cast<float>(line);
    const std::uint16_t rows = TruncateToWord(rowsExact + 0.5);
    host_.State().exposureMs = RowsToMs(rows);
    return WrSensorReg(MT9V032REG_TOTAL_SHUTTER_WIDTH, rows);
}

int MT9V032Driver::ExposureTimeGet(float* ms) {
    const float time = RowsToMs(Shadow(MT9V032REG_TOTAL_SHUTTER_WIDTH));
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int MT9V032Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    if (minimum != nullptr) *minimum = RowsToMs(1);
    if (maximum != nullptr) *maximum = RowsToMs(kMaxExposureLines);
    return status::kSuccess;
}

// One analog gain serves all three colours.
int MT9V032Driver::GainSet(GainChannel, std::uint16_t gain) {
    const std::uint16_t code = gain < kGainSteps ? static_cast<std::uint16_t>(gain + kGainCodeOffset) : kMaxGainCode;
    return WrSensorReg(MT9V032REG_ANALOG_GAIN, code);
}

int MT9V032Driver::GainGet(GainChannel, std::uint16_t* gain) {
    if (gain != nullptr) *gain = static_cast<std::uint16_t>(Shadow(MT9V032REG_ANALOG_GAIN) - kGainCodeOffset);
    return status::kSuccess;
}

int MT9V032Driver::HorizontalBlankSet(std::uint16_t value) {
    return WrSensorReg(MT9V032REG_HORIZONTAL_BLANKING, std::clamp(value, kMinHorizontalBlank, kMaxHorizontalBlank));
}

int MT9V032Driver::HorizontalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(MT9V032REG_HORIZONTAL_BLANKING);
    return status::kSuccess;
}

int MT9V032Driver::VerticalBlankSet(std::uint16_t value) {
    return WrSensorReg(MT9V032REG_VERTICAL_BLANKING, std::clamp(value, kMinVerticalBlank, kMaxVerticalBlank));
}

int MT9V032Driver::VerticalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(MT9V032REG_VERTICAL_BLANKING);
    return status::kSuccess;
}

int MT9V032Driver::FlipSet(bool on) { return WriteReadModeBit(kReadModeRowFlipBit, on); }

int MT9V032Driver::FlipGet(bool* on) {
    if (on != nullptr) *on = (Shadow(MT9V032REG_READ_MODE) >> kReadModeRowFlipBit) & 1u;
    return status::kSuccess;
}

int MT9V032Driver::MirrorSet(bool on) { return WriteReadModeBit(kReadModeColumnFlipBit, on); }

int MT9V032Driver::MirrorGet(bool* on) {
    if (on != nullptr) *on = (Shadow(MT9V032REG_READ_MODE) >> kReadModeColumnFlipBit) & 1u;
    return status::kSuccess;
}

int MT9V032Driver::CompandingSet(bool on) {
    const std::uint16_t old = Shadow(MT9V032REG_ADC_MODE_CONTROL);
    const std::uint16_t mode = on ? kAdcModeMask : kAdcLinear;
    return WrSensorReg(MT9V032REG_ADC_MODE_CONTROL, static_cast<std::uint16_t>((old & ~kAdcModeMask) | mode));
}

int MT9V032Driver::CompandingGet(bool* on) {
    if (on != nullptr) *on = (Shadow(MT9V032REG_ADC_MODE_CONTROL) & kAdcModeMask) == kAdcModeMask;
    return status::kSuccess;
}

int MT9V032Driver::FlashControlSet(bool enable, bool invert) {
    // Both bits are written in turn; the answer is the polarity write's.
    WriteBit(MT9V032REG_LED_OUT_CTRL, kLedDisableBit, !enable);
    return WriteBit(MT9V032REG_LED_OUT_CTRL, kLedInvertBit, invert);
}

int MT9V032Driver::FlashControlGet(bool* enable, bool* invert) {
    const std::uint16_t control = Shadow(MT9V032REG_LED_OUT_CTRL);
    if (enable != nullptr) *enable = ((control >> kLedDisableBit) & 1u) == 0;
    if (invert != nullptr) *invert = ((control >> kLedInvertBit) & 1u) != 0;
    return status::kSuccess;
}

int MT9V032Driver::AecSetEnable(bool on) { return WriteBit(MT9V032REG_AEC_AGC_ENABLE, 0, on); }

int MT9V032Driver::AecGetEnable(bool* on) {
    if (on != nullptr) *on = (Shadow(MT9V032REG_AEC_AGC_ENABLE) & kAecEnableBit) != 0;
    return status::kSuccess;
}

int MT9V032Driver::AecSetMaximum(std::uint16_t rows) {
    return WrSensorReg(MT9V032REG_MAXIMUM_SHUTTER_WIDTH, std::clamp<std::uint16_t>(rows, 1, kMaxAecLimit));
}

int MT9V032Driver::AecGetMaximum(std::uint16_t* rows) {
    if (rows != nullptr) *rows = Shadow(MT9V032REG_MAXIMUM_SHUTTER_WIDTH);
    return status::kSuccess;
}

int MT9V032Driver::AecGetCurrent(std::uint16_t* rows) {
    std::uint16_t value = 0;
    const int read = host_.ReadSensorRegister(MT9V032REG_AEC_GAIN_OUTPUT, &value);
    if (read == status::kSuccess && rows != nullptr) *rows = value;
    return read;
}

int MT9V032Driver::AgcSetEnable(bool on) { return WriteBit(MT9V032REG_AEC_AGC_ENABLE, 1, on); }

int MT9V032Driver::AgcGetEnable(bool* on) {
    if (on != nullptr) *on = (Shadow(MT9V032REG_AEC_AGC_ENABLE) & kAgcEnableBit) != 0;
    return status::kSuccess;
}

int MT9V032Driver::AgcSetMaximum(std::uint16_t gain) {
    return WrSensorReg(MT9V032REG_MAX_ANALOG_GAIN, std::clamp(gain, kMinAgcLimit, kMaxAgcLimit));
}

int MT9V032Driver::AgcGetMaximum(std::uint16_t* gain) {
    if (gain != nullptr) *gain = Shadow(MT9V032REG_MAX_ANALOG_GAIN);
    return status::kSuccess;
}

int MT9V032Driver::AgcGetCurrent(std::uint16_t* gain) {
    std::uint16_t value = 0;
    const int read = host_.ReadSensorRegister(MT9V032REG_AGC_GAIN_OUTPUT, &value);
    if (read == status::kSuccess && gain != nullptr) *gain = value;
    return read;
}

}  // namespace qcx

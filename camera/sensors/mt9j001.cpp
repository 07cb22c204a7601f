// The MT9J001: the family record, the register copies, initialisation,
// restoring after a reconnection, exposure, gains and the flips.
#include "camera/sensors/mt9j001.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "camera/common/log_file.h"
#include "camera/common/status.h"

namespace qcx {

using namespace mt9j001;

namespace {

constexpr DeviceType kTypes[] = {13, 14, 15, 16, 25, 26, 27, 43, 44, 45};
constexpr DeviceType k3488Types[] = {13, 25, 43};
constexpr DeviceType k3856Types[] = {14, 26, 44};
constexpr DeviceType k4608Types[] = {27, 45};

// Pixel clock period of the 161 MHz clock, kept in single precision.
constexpr float kPixelClockMs = 6.21118e-6f;

struct ShadowedRegister {
    std::uint16_t address;
    const char* name;
};

// The registers the driver keeps copies of, in the order the chip is read.
constexpr ShadowedRegister kShadowed[] = {
    {kXAddrStart, "MT9J001REG_X_ADDR_START"},
    {kYAddrStart, "MT9J001REG_Y_ADDR_START"},
    {kXAddrEnd, "MT9J001REG_X_ADDR_END"},
    {kYAddrEnd, "MT9J001REG_Y_ADDR_END"},
    {kXOddInc, "MT9J001REG_X_ODD_INC"},
    {kYOddInc, "MT9J001REG_Y_ODD_INC"},
    {kLineLengthPck, "MT9J001REG_LINE_LENGTH_PCK"},
    {kCoarseIntegrationTime, "MT9J001REG_COARSE_INTEGRATION_TIME"},
    {kFineIntegrationTime, "MT9J001REG_FINE_INTEGRATION_TIME"},
    {kGainRed, "MT9J001REG_ANALOGUE_GAIN_CODE_RED"},
    {kGainBlue, "MT9J001REG_ANALOGUE_GAIN_CODE_BLUE"},
    {kGainGreenR, "MT9J001REG_ANALOGUE_GAIN_CODE_GREENR"},
    {kGainGreenB, "MT9J001REG_ANALOGUE_GAIN_CODE_GREENB"},
    {kReadMode, "MT9J001REG_READ_MODE"},
};
static_assert(std::size(kShadowed) == 14);

// Written back after a reconnection, in this order; the line length and
// the fine integration time are the chip's own and are not.
constexpr std::uint16_t kRestored[] = {
    kXAddrEnd, kXAddrStart, kYAddrEnd, kYAddrStart, kXOddInc, kYOddInc,
    kCoarseIntegrationTime, kGainRed, kGainBlue, kGainGreenR, kGainGreenB, kReadMode,
};

constexpr int ShadowIndex(std::uint16_t reg) {
    for (int i = 0; i < static_cast<int>(std::size(kShadowed)); ++i)
        if (kShadowed[i].address == reg) return i;
    return -1;
}

constexpr std::uint16_t kMaxGain = 194;
constexpr std::uint32_t kMaxLines = 65535;

SensorGeometry GeometryOf(DeviceType type) {
    if (IsInGroup(k3488Types, type))
        return {.columnOffset = 0, .rowOffset = 8, .minWidth = 1, .minHeight = 8, .maxWidth = 3488, .maxHeight = 2616};
    if (IsInGroup(k3856Types, type))
        return {.columnOffset = 8, .rowOffset = 8, .minWidth = 1, .minHeight = 1, .maxWidth = 3856, .maxHeight = 2764};
    if (IsInGroup(k4608Types, type))
        return {.columnOffset = 8, .rowOffset = 8, .minWidth = 1, .minHeight = 1, .maxWidth = 4608, .maxHeight = 3288};
    return {};  // types 15 and 16: no array the driver knows
}

// Odd increment -> address mode; values the driver never writes read as mode 0.
int ModeOfIncrement(std::uint16_t increment) {
    switch (increment) {
        case 3: return 1;
        case 7: return 3;
        default: return 0;
    }
}

}  // namespace

namespace mt9j001 {
const WindowRules kWindowRules{.refusedModes = ModeBit(2) | ModeBit(4), .countMinusOne = true};
}  // namespace mt9j001

extern const SensorFamilyTraits kMT9J001Family;
const SensorFamilyTraits kMT9J001Family{
    .family = SensorFamily::MT9J001,
    .name = "MT9J001",
    .types = kTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) MT9J001Driver(host));
    },
    .windowRules = &kWindowRules,
    // Its blanking ranges are reported, but the driver has no blanking.
    .params = {.sensorMirror = true,
               .gain = Range(0, kMaxGain),
               .horizontalBlank = Range(0, 0),
               .verticalBlank = Range(0, 0),
               .exposureLines = Range(1, static_cast<int>(kMaxLines))},
    // Type 14 is 1 only with high byte 1 and low byte below 5.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 14) return low >= 5 || high != 1 ? 2 : 1;
        if (type == 13 || type == 15 || type == 16) return 1;
        return 2;
    },
};

MT9J001Driver::MT9J001Driver(SensorHost& host) : SensorDriver(host) {}

std::uint16_t MT9J001Driver::Shadow(std::uint16_t reg) const {
    const int index = ShadowIndex(reg);
    return index < 0 ? 0 : shadows_[static_cast<std::size_t>(index)];
}

int MT9J001Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0) return status::kNotSupported;
    auto& shadow = shadows_[static_cast<std::size_t>(index)];
    if (shadow == value) return status::kSuccess;
    const int written = host_.WriteSensorRegister(reg, value);
    if (written != status::kSuccess) return written;
    LogPrintf(host_.SensorLog(), "====>WrSensorRegX( %s, %d ) ", kShadowed[index].name, value);
    shadow = value;
    if (reg == kCoarseIntegrationTime) DropOneFrame();
    return written;
}

void MT9J001Driver::DropOneFrame() {
    CLogFile* log = host_.SensorLog();
    LogPrintf(log, "Drap One Frame Enter.");
    SensorState& state = host_.State();
    if (state.fovMode == FVM_CAPTURE) {
        // The record may hold a window its output size does not follow yet.
        FieldOfView& capture = state.fov[FVM_CAPTURE];
        ComputeOutputSize(capture, true, host_.Transfer16Bit());
        if (capture.bufferBytes > 0) {
            std::unique_ptr<std::uint8_t[]> frame(
                new (std::nothrow) std::uint8_t[static_cast<std::size_t>(capture.bufferBytes)]);
            if (frame) host_.ReadCaptureFrameAfterFlush(frame.get());
        }
    }
    LogPrintf(log, "Drap One Frame Finished.");
}

int MT9J001Driver::ReadRelatedRegValue() {
    shadows_.fill(0);
    CLogFile* log = host_.SensorLog();
    for (std::size_t i = 0; i < shadows_.size(); ++i) {
        const int read = host_.ReadSensorRegister(kShadowed[i].address, &shadows_[i]);
        if (read != status::kSuccess) return read;
        LogPrintf(log, "MT9J001_ReadRelatedRegValue( %s, %d ) ", kShadowed[i].name, shadows_[i]);
    }
    host_.ReadWorkingModeIntoDevice();
    return status::kSuccess;
}

int MT9J001Driver::InitializeSensor() {
    SensorState& state = host_.State();
    const DeviceType type = host_.SensorDeviceType();
    state.geometry = GeometryOf(type);
    if (state.geometry.maxWidth == 0) return status::kNotSupported;
    const int read = ReadRelatedRegValue();
    if (read != status::kSuccess) return read;
    WriteBit(kReadMode, kColumnFlipBit, false);
    state.fovMode = FVM_CAPTURE;

    // Both records adopt the window the chip holds.
    FieldOfView chip;
    chip.columnStart = Shadow(kXAddrStart);
    chip.rowStart = Shadow(kYAddrStart);
    chip.width = Shadow(kXAddrEnd) - Shadow(kXAddrStart);
    chip.height = Shadow(kYAddrEnd) - Shadow(kYAddrStart);
    chip.columnMode = ModeOfIncrement(Shadow(kXOddInc));
    chip.rowMode = ModeOfIncrement(Shadow(kYOddInc));
    state.fov[FVM_CAPTURE] = chip;
    state.fov[FVM_PREVIEW] = chip;
    return status::kSuccess;
}

int MT9J001Driver::RestoreRegisters() {
    for (const std::uint16_t reg : kRestored) {
        const int written = host_.WriteSensorRegister(reg, Shadow(reg));
        if (written != status::kSuccess) return written;
    }
    return status::kSuccess;
}

int MT9J001Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = host_.State().defaultBayerMode;
    return status::kSuccess;
}

// ---- exposure ------------------------------------------------------------

int MT9J001Driver::ReadLineLength(std::uint16_t* length) {
    const int index = ShadowIndex(kLineLengthPck);
    const int read = host_.ReadSensorRegister(kLineLengthPck, length);
    if (read == status::kSuccess) shadows_[static_cast<std::size_t>(index)] = *length;
    return read;
}

int MT9J001Driver::ExposureTimeSet(float ms) {
    std::uint16_t length = 0;
    const int read = ReadLineLength(&length);
    if (read != status::kSuccess) return read;
    const double clock = kPixelClockMs;
    const double fine = Shadow(kFineIntegrationTime);
    // Whole lines, rounded; a time past the longest exposure gets the
    // longest rather than the low 16 bits of its line count.
    const auto clocks = static_cast<float>(ms / clock - fine);
    const double lines = std::floor(static_cast<double>(clocks / static_cast<float>(length)) + 0.5);
    const auto coarse =
        static_cast<std::uint16_t>(std::isnan(lines) ? 0.0 : std::clamp(lines, 0.0, static_cast<double>(kMaxLines)));
    const int written = WrSensorReg(kCoarseIntegrationTime, coarse);
    if (written != status::kSuccess) return written;
    host_.State().exposureMs = static_cast<float>((coarse * static_cast<double>(length) + fine) * clock);
    return status::kSuccess;
}

int MT9J001Driver::ExposureTimeGet(float* ms) {
    std::uint16_t length = 0;
    if (ReadLineLength(&length) != status::kSuccess) length = 0;
    const double clock = kPixelClockMs;
    const auto time = static_cast<float>(
        (Shadow(kCoarseIntegrationTime) * static_cast<double>(length) + Shadow(kFineIntegrationTime)) * clock);
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int MT9J001Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    std::uint16_t length = 0;
    const int read = ReadLineLength(&length);
    if (read != status::kSuccess) return read;
    const double clock = kPixelClockMs;
    const double fine = Shadow(kFineIntegrationTime);
    if (minimum != nullptr) *minimum = static_cast<float>((fine + length) * clock);
    if (maximum != nullptr) *maximum = static_cast<float>((double{kMaxLines} * length + fine) * clock);
    return status::kSuccess;
}

int MT9J001Driver::ExposureLinesSet(std::uint32_t lines) {
    return WrSensorReg(kCoarseIntegrationTime, static_cast<std::uint16_t>(std::clamp<std::uint32_t>(lines, 1, kMaxLines)));
}

int MT9J001Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = Shadow(kCoarseIntegrationTime);
    return status::kSuccess;
}

// ---- gain, flips -----------------------------------------------------------

int MT9J001Driver::GainSet(GainChannel channel, std::uint16_t gain) {
    const std::uint16_t code = std::min(gain, kMaxGain);
    switch (channel) {
        case GainChannel::Red: return WrSensorReg(kGainRed, code);
        case GainChannel::Blue: return WrSensorReg(kGainBlue, code);
        case GainChannel::Green: break;
    }
    // Both greens; the answer is the second's.
    WrSensorReg(kGainGreenR, code);
    return WrSensorReg(kGainGreenB, code);
}

int MT9J001Driver::GainGet(GainChannel channel, std::uint16_t* gain) {
    std::uint16_t reg = kGainGreenR;
    if (channel == GainChannel::Red) reg = kGainRed;
    if (channel == GainChannel::Blue) reg = kGainBlue;
    if (gain != nullptr) *gain = Shadow(reg);
    return status::kSuccess;
}

int MT9J001Driver::WriteBit(std::uint16_t reg, int bit, bool on) {
    const auto mask = static_cast<std::uint16_t>(1u << bit);
    const std::uint16_t old = Shadow(reg);
    return WrSensorReg(reg, static_cast<std::uint16_t>(on ? (old | mask) : (old & ~mask)));
}

int MT9J001Driver::FlipSet(bool on) { return WriteBit(kReadMode, kRowFlipBit, on); }

int MT9J001Driver::FlipGet(bool* on) {
    if (on != nullptr) *on = (Shadow(kReadMode) >> kRowFlipBit) & 1u;
    return status::kSuccess;
}

int MT9J001Driver::MirrorSet(bool on) { return WriteBit(kReadMode, kColumnFlipBit, on); }

int MT9J001Driver::MirrorGet(bool* on) {
    if (on != nullptr) *on = (Shadow(kReadMode) >> kColumnFlipBit) & 1u;
    return status::kSuccess;
}

}  // namespace qcx

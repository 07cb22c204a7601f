// MT9P001 / MT9T001: register copies, initialisation, restoring after a
// reconnection, windows, binning, exposure rows, gains and the flips.
#include "camera/sensors/mt9x001.h"

#include <algorithm>

#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

using namespace mt9x001;

namespace {

// The registers the driver keeps copies of, in the order the chip is read.
// The global gain is read by the MT9P001 only; the shutter delay is read but
// never written.
constexpr std::uint16_t kShadowedRegisters[] = {
    kColumnStart, kRowStart,   kColumnSize, kRowSize,   kRowAddressMode, kColumnAddressMode,
    kHorizontalBlank, kVerticalBlank, kShutterDelay, kShutterWidth, kShutterWidthUpper, kRedGain,
    kBlueGain,    kGreen1Gain, kGreen2Gain, kGlobalGain, kReadMode2,
};

// Written back after a reconnection, in this order.
constexpr std::uint16_t kRestoredRegisters[] = {
    kColumnStart, kRowStart,     kColumnSize, kRowSize, kRowAddressMode, kColumnAddressMode, kHorizontalBlank,
    kVerticalBlank, kShutterWidth, kShutterWidthUpper, kRedGain, kBlueGain, kGreen1Gain, kGreen2Gain, kReadMode2,
};

constexpr int ShadowIndex(std::uint16_t reg) {
    for (int i = 0; i < static_cast<int>(std::size(kShadowedRegisters)); ++i)
        if (kShadowedRegisters[i] == reg) return i;
    return -1;
}

// No reduction, skipping 2, 3, 4 or 8 (binning off): the skip field alone.
constexpr std::array<std::uint16_t, 5> kSkippedModes = {0x00, 0x01, 0x02, 0x03, 0x07};

// Address-mode register -> mode: skip fields 0 to 3 are modes 0 to 3, 7 is
// mode 4, and the fields the driver never writes read as mode 0.
int ModeOf(std::uint16_t value) {
    const int skip = SkipField(value);
    if (skip <= 3) return skip;
    return skip == 7 ? 4 : 0;
}

// The chip's gain codes by gain value: runs of consecutive codes that step
// from one analog range (and digital gain) to the next.
struct GainRun {
    int firstIndex;
    std::uint16_t firstCode;
};
constexpr GainRun kGainRuns[] = {
    {0, 0x00}, {64, 0x5F}, {97, 0x1F8}, {105, 0x3F1}, {120, 0x7EB}, {141, 0xFE8}, {165, 0x1FE2},
};
constexpr int kGainCount = 195;

constexpr std::array<std::uint16_t, kGainCount> MakeGainCodes() {
    std::array<std::uint16_t, kGainCount> codes{};
    int run = 0;
    for (int i = 0; i < kGainCount; ++i) {
        if (run + 1 < static_cast<int>(std::size(kGainRuns)) && i >= kGainRuns[run + 1].firstIndex) ++run;
        codes[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(kGainRuns[run].firstCode + (i - kGainRuns[run].firstIndex));
    }
    return codes;
}
constexpr std::array<std::uint16_t, kGainCount> kGainCodes = MakeGainCodes();
static_assert(kGainCodes[63] == 0x3F && kGainCodes[96] == 0x7F && kGainCodes[104] == 0x1FF);
static_assert(kGainCodes[119] == 0x3FF && kGainCodes[140] == 0x7FF && kGainCodes[164] == 0xFFF);
static_assert(kGainCodes[194] == 0x1FFF);

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(value); }

}  // namespace

namespace mt9x001 {

const WindowRules kWindowRules{.countMinusOne = true};

std::uint16_t GainCode(int index) { return kGainCodes[static_cast<std::size_t>(std::clamp(index, 0, kGainCount - 1))]; }

int GainIndex(std::uint16_t code) {
    const auto* found = std::find(kGainCodes.begin(), kGainCodes.end(), code);
    return found == kGainCodes.end() ? -1 : static_cast<int>(found - kGainCodes.begin());
}

}  // namespace mt9x001

Mt9x001Driver::Mt9x001Driver(SensorHost& host, const Mt9x001Variant& variant, float pixelClockMs, bool grey)
    : SensorDriver(host), variant_(variant), pixelClockMs_(pixelClockMs), grey_(grey) {}

std::uint16_t Mt9x001Driver::Shadow(std::uint16_t reg) const {
    const int index = ShadowIndex(reg);
    return index < 0 ? 0 : shadows_[static_cast<std::size_t>(index)];
}

int Mt9x001Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0 || reg == kShutterDelay || (reg == kGlobalGain && !variant_.globalGain))
        return status::kNotSupported;
    const int written = host_.WriteSensorRegister(reg, value);
    if (written != status::kSuccess) return written;
    LogPrintf(host_.SensorLog(), variant_.writeLogFormat, reg, value);
    shadows_[static_cast<std::size_t>(index)] = value;
    return written;
}

int Mt9x001Driver::ReadRelatedRegValue() {
    shadows_.fill(0);
    for (std::size_t i = 0; i < shadows_.size(); ++i) {
        const std::uint16_t reg = kShadowedRegisters[i];
        if (reg == kGlobalGain && !variant_.globalGain) continue;
        const int read = host_.ReadSensorRegister(reg, &shadows_[i]);
        if (read != status::kSuccess) return read;
    }
    host_.ReadWorkingModeIntoDevice();
    return status::kSuccess;
}

int Mt9x001Driver::InitializeSensor() {
    SensorState& state = host_.State();
    state.geometry = variant_.geometry;
    const int read = ReadRelatedRegValue();
    if (read != status::kSuccess) return read;
    state.fovMode = FVM_CAPTURE;

    // Both records adopt the window the chip holds.
    FieldOfView chip;
    chip.columnStart = Shadow(kColumnStart);
    chip.rowStart = Shadow(kRowStart);
    chip.width = Shadow(kColumnSize);
    chip.height = Shadow(kRowSize);
    chip.columnMode = ModeOf(Shadow(kColumnAddressMode));
    chip.rowMode = ModeOf(Shadow(kRowAddressMode));
    state.fov[FVM_CAPTURE] = chip;
    state.fov[FVM_PREVIEW] = chip;
    state.binning = false;

    // Grey variants deliver raw frames; their rows come out upside down
    // without the chip's row flip.
    if (grey_) FlipSet(true);
    return status::kSuccess;
}

int Mt9x001Driver::RestoreRegisters() {
    for (const std::uint16_t reg : kRestoredRegisters) {
        const int written = host_.WriteSensorRegister(reg, Shadow(reg));
        if (written != status::kSuccess) return written;
    }
    // The grey MT9P001 keeps its one gain in the global register, which the
    // chip spreads over the four colour gains; without it a reconnected
    // camera would fall back to the gain it had when it was opened.
    if (grey_) return host_.WriteSensorRegister(kGlobalGain, Shadow(kGlobalGain));
    return status::kSuccess;
}

int Mt9x001Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = host_.State().defaultBayerMode;
    return status::kSuccess;
}

std::uint16_t Mt9x001Driver::AddressModeValue(int mode) const {
    if (!IsAddressMode(mode)) mode = 0;
    const auto& table = host_.State().binning ? variant_.binnedModes : kSkippedModes;
    return table[static_cast<std::size_t>(mode)];
}

// ---- windows ----------------------------------------------------------

int Mt9x001Driver::ClampWindow(WindowRequest& window) const {
    const int validated = ValidateWindow(kWindowRules, host_.State().geometry, window);
    if (validated != status::kSuccess) return validated;
    // The size registers hold count - 1; an odd count stands for the next
    // even one.
    window.width = NativeSize(kWindowRules, window.width);
    window.height = NativeSize(kWindowRules, window.height);
    return status::kSuccess;
}

int Mt9x001Driver::WriteWindowValue(WindowValue which, int value) {
    switch (which) {
        case WindowValue::ColumnStart: return WrSensorReg(kColumnStart, Word(value));
        case WindowValue::RowStart: return WrSensorReg(kRowStart, Word(value));
        case WindowValue::Width: return WrSensorReg(kColumnSize, Word(value));
        case WindowValue::Height: return WrSensorReg(kRowSize, Word(value));
        case WindowValue::RowMode: return WrSensorReg(kRowAddressMode, AddressModeValue(value));
        case WindowValue::ColumnMode: return WrSensorReg(kColumnAddressMode, AddressModeValue(value));
    }
    return status::kNotSupported;
}

int Mt9x001Driver::ApplyRecord(int index, const WindowRequest& window) {
    SensorState& state = host_.State();
    FieldOfView& record = state.fov[index];
    bool rowTimeChanged = false;
    const int result = ProgramRecord(
        record, window, [&](WindowValue which, int value) { return WriteWindowValue(which, value); }, &rowTimeChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = index;
    // The row time follows the width and the modes; the exposure keeps its
    // time, not its rows.
    return rowTimeChanged ? ReapplyExposure() : result;
}

WindowRequest Mt9x001Driver::ChipWindow() const {
    return {Shadow(kColumnStart), Shadow(kRowStart), Shadow(kColumnSize), Shadow(kRowSize),
            ModeOf(Shadow(kColumnAddressMode)), ModeOf(Shadow(kRowAddressMode))};
}

int Mt9x001Driver::SwitchFieldOfViewMode(int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    SensorState& state = host_.State();
    // The target is set against what the chip holds, which is the current
    // record unless a switch failed part-way; the next switch then finishes
    // it, even to the mode that is already current.
    bool rowTimeChanged = false;
    const int result = ProgramWindow(
        ChipWindow(), WindowOf(state.fov[mode]),
        [&](WindowValue which, int value) { return WriteWindowValue(which, value); }, [](WindowValue, int) {},
        &rowTimeChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = mode;
    return rowTimeChanged ? ExposureTimeSet(state.exposureMs) : status::kSuccess;
}

int Mt9x001Driver::BinningSet(bool on) {
    SensorState& state = host_.State();
    const FieldOfView& programmed = state.fov[state.fovMode];
    const bool was = state.binning;
    // The register values depend on the flag; it is stored only once both
    // registers took the new values.
    state.binning = on;
    int result = WrSensorReg(kRowAddressMode, AddressModeValue(programmed.rowMode));
    if (result == status::kSuccess) result = WrSensorReg(kColumnAddressMode, AddressModeValue(programmed.columnMode));
    if (result != status::kSuccess) state.binning = was;
    return result;
}

int Mt9x001Driver::BinningGet(bool* on) {
    if (on != nullptr) *on = host_.State().binning;
    return status::kSuccess;
}

// ---- exposure rows, gain, blanking, flips --------------------------------

std::uint32_t Mt9x001Driver::ShutterWidth() const {
    return static_cast<std::uint32_t>(Shadow(kShutterWidthUpper)) << 16 | Shadow(kShutterWidth);
}

int Mt9x001Driver::ExposureLinesSet(std::uint32_t lines) {
    lines = std::clamp<std::uint32_t>(lines, 1, 0xFFFF);
    const int upper = WrSensorReg(kShutterWidthUpper, 0);
    if (upper != status::kSuccess) return upper;
    return WrSensorReg(kShutterWidth, static_cast<std::uint16_t>(lines));
}

int Mt9x001Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = ShutterWidth();
    return status::kSuccess;
}

int Mt9x001Driver::GainSet(GainChannel channel, std::uint16_t gain) {
    return WriteGain(channel, GainCode(gain));
}

std::uint16_t Mt9x001Driver::GainRegister(GainChannel channel) const {
    if (grey_) return kGlobalGain;
    switch (channel) {
        case GainChannel::Red: return kRedGain;
        case GainChannel::Blue: return kBlueGain;
        case GainChannel::Green: break;
    }
    return kGreen1Gain;
}

int Mt9x001Driver::GainGet(GainChannel channel, std::uint16_t* gain) {
    const int index = GainIndex(Shadow(GainRegister(channel)));
    if (gain != nullptr) *gain = static_cast<std::uint16_t>(std::max(index, 0));
    return index < 0 ? status::kFail : status::kSuccess;
}

int Mt9x001Driver::HorizontalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(kHorizontalBlank);
    return status::kSuccess;
}

int Mt9x001Driver::VerticalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(kVerticalBlank);
    return status::kSuccess;
}

int Mt9x001Driver::WriteBit(std::uint16_t reg, int bit, bool on) {
    const auto mask = static_cast<std::uint16_t>(1u << bit);
    const std::uint16_t old = Shadow(reg);
    return WrSensorReg(reg, static_cast<std::uint16_t>(on ? (old | mask) : (old & ~mask)));
}

int Mt9x001Driver::FlipSet(bool on) { return WriteBit(kReadMode2, kRowFlipBit, on); }

int Mt9x001Driver::FlipGet(bool* on) {
    if (on != nullptr) *on = (Shadow(kReadMode2) >> kRowFlipBit) & 1u;
    return status::kSuccess;
}

int Mt9x001Driver::MirrorSet(bool on) { return WriteBit(kReadMode2, kColumnFlipBit, on); }

int Mt9x001Driver::MirrorGet(bool* on) {
    if (on != nullptr) *on = (Shadow(kReadMode2) >> kColumnFlipBit) & 1u;
    return status::kSuccess;
}

}  // namespace qcx

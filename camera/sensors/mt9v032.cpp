// MT9V032: register copies, initialisation, restoring after a reconnection
// and dropping a frame after a read-mode change.
#include "camera/sensors/mt9v032.h"

#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include "camera/common/device_groups.h"
#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/mt9v032_read_mode.h"

namespace qcx {

using namespace mt9v032;

namespace {

// The variants on a 27 MHz pixel clock; the others run at 24 MHz. Their
// colour filter also starts on another colour.
inline constexpr DeviceType k27MHzTypes[] = {28, 29, 36, 37};
inline constexpr float kPixelClock24MHzMs = 4.166666e-5f;
inline constexpr float kPixelClock27MHzMs = 3.703703e-5f;

inline constexpr SensorGeometry kGeometry{
    .columnOffset = 1, .rowOffset = 4, .minWidth = 1, .minHeight = 1, .maxWidth = 752, .maxHeight = 480};

constexpr DeviceType kTypes[] = {21, 22, 23, 24, 28, 29, 36, 37};
constexpr DeviceType kGreyTypes[] = {22, 24, 29, 37};

// The chip reads out only without reduction or with binning by 2 or 4, and
// its size registers hold the counts themselves.
constexpr WindowRules kWindowRules{
    .refusedModes = static_cast<std::uint8_t>(ModeBit(2) | ModeBit(4)),
    .refuseOutsideRange = true,
    .doubleOddSkip = true,
    .countMinusOne = false,
};

}  // namespace

const SensorFamilyTraits kMT9V032Family{
    .family = SensorFamily::MT9V032,
    .name = "MT9V032",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) MT9V032Driver(host));
    },
    .windowRules = &kWindowRules,
    .params = {.blanking = true,
               .sensorMirror = true,
               .binningFixedOn = true,
               .companding = true,
               .gain = Range(0, 63),
               .horizontalBlank = Range(61, 1023),
               .verticalBlank = Range(3, 32288),
               .bin = Range(1, 1),
               .compand = Range(0, 1),
               .exposureLines = Range(1, 32767)},
    .defaultBayerMode = [](DeviceType type, int, int) { return IsInGroup(k27MHzTypes, type) ? 3 : 0; },
    .flashReadable = true,
    .flashSettableTypes = kTypes,
    .chipAutoLoops = true,
};

MT9V032Driver::MT9V032Driver(SensorHost& host)
    : SensorDriver(host),
      pixelClockMs_(IsInGroup(k27MHzTypes, host.SensorDeviceType()) ? kPixelClock27MHzMs : kPixelClock24MHzMs),
      defaultBayerMode_(kMT9V032Family.defaultBayerMode(host.SensorDeviceType(), 0, 0)),
      sleep_([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {}

std::uint16_t MT9V032Driver::Shadow(std::uint16_t reg) const {
    const int index = ShadowIndex(reg);
    return index < 0 ? 0 : shadows_[static_cast<std::size_t>(index)];
}

int MT9V032Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0) return status::kNotSupported;
    std::uint16_t& shadow = shadows_[static_cast<std::size_t>(index)];
    if (value == shadow) return status::kSuccess;

    const int written = host_.WriteSensorRegister(reg, value);
    if (written != status::kSuccess) return written;
    LogPrintf(host_.SensorLog(), "MT9V032_WrSensorReg( %s(0x%x), 0x%04x(%d) ) ",
              RegisterName(static_cast<std::uint8_t>(reg)), reg, value, value);
    shadow = value;
    // The frame being exposed was read out the old way; let it pass.
    if (reg == MT9V032REG_READ_MODE) DropOneFrame();
    return written;
}

int MT9V032Driver::ReadRelatedRegValue() {
    shadows_.fill(0);
    CLogFile* log = host_.SensorLog();
    // The shadows are kept in the order the registers are read.
    for (std::size_t i = 0; i < shadows_.size(); ++i) {
        const std::uint16_t reg = kShadowedRegisters[i];
        std::uint16_t value = 0;
        const int read = host_.ReadSensorRegister(reg, &value);
        if (read != status::kSuccess) return read;
        shadows_[i] = value;
        const char* name = RegisterName(static_cast<std::uint8_t>(reg));
        // The maximum-gain line has always lacked its closing parenthesis;
        // log readers match the lines as they are.
        if (reg == MT9V032REG_MAX_ANALOG_GAIN)
            LogPrintf(log, "MT9V032_ReadRelatedRegValue( %s, 0x%04x(%d) ", name, value, value);
        else
            LogPrintf(log, "MT9V032_ReadRelatedRegValue( %s, 0x%04x(%d) ) ", name, value, value);
    }
    host_.ReadWorkingModeIntoDevice();
    return status::kSuccess;
}

int MT9V032Driver::InitializeSensor() {
    SensorState& state = host_.State();
    state.geometry = kGeometry;
    const int read = ReadRelatedRegValue();
    if (read != status::kSuccess) return read;

    state.fovMode = FVM_CAPTURE;

    // Adopt the window the chip holds for both records.
    const std::uint16_t readMode = Shadow(MT9V032REG_READ_MODE);
    FieldOfView chip;
    chip.columnStart = Shadow(MT9V032REG_COLUMN_START);
    chip.rowStart = Shadow(MT9V032REG_ROW_START);
    chip.width = Shadow(MT9V032REG_WINDOW_WIDTH);
    chip.height = Shadow(MT9V032REG_WINDOW_HEIGHT);
    chip.columnMode = ColumnModeOf(readMode);
    chip.rowMode = RowModeOf(readMode);
    state.fov[FVM_CAPTURE] = chip;
    state.fov[FVM_PREVIEW] = chip;

    // Grey variants deliver raw frames; their rows come out upside down
    // without the chip's row flip.
    if (IsInGroup(kGreyTypes, host_.SensorDeviceType())) WriteReadModeBit(kReadModeRowFlipBit, true);

    // The camera runs its own exposure and gain loops; the chip's stay off.
    WrSensorReg(MT9V032REG_AEC_AGC_ENABLE,
                static_cast<std::uint16_t>(Shadow(MT9V032REG_AEC_AGC_ENABLE) & ~(kAecEnableBit | kAgcEnableBit)));
    return status::kSuccess;
}

int MT9V032Driver::RestoreRegisters() {
    // The chip was reset: every copy goes back, whatever the chip holds now.
    for (const std::uint16_t reg : kShadowedRegisters) {
        const int written = host_.WriteSensorRegister(reg, Shadow(reg));
        if (written != status::kSuccess) return written;
    }
    return status::kSuccess;
}

int MT9V032Driver::DropOneFrame() {
    CLogFile* log = host_.SensorLog();
    LogPrintf(log, "MT9V032 Drap One Frame Enter.Current FOV Mode: %s",
              host_.State().fovMode == FVM_PREVIEW ? "FVM_PREVIEW" : "FVM_CAPTURE");
    int result = status::kFail;
    if (!host_.PreviewRunning()) {
        const std::uint16_t readMode = Shadow(MT9V032REG_READ_MODE);
        const int width = Shadow(MT9V032REG_WINDOW_WIDTH) / AddressModeDivisor(ColumnModeOf(readMode));
        const int height = Shadow(MT9V032REG_WINDOW_HEIGHT) / AddressModeDivisor(RowModeOf(readMode));
        LogPrintf(log, "MT9V032 Drap One Frame Width=%d, Height=%d.", width, height);
        const std::size_t bytes =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (host_.Transfer16Bit() ? 2 : 1);
        std::unique_ptr<std::uint8_t[]> frame(new (std::nothrow) std::uint8_t[bytes]);
        result = frame ? host_.ReadRawFrame(frame.get(), width, height) : status::kNoMemory;
    }
    LogPrintf(log, "MT9V032 Drap One Frame Finished. %d", result);
    return result;
}

int MT9V032Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = defaultBayerMode_;
    return status::kSuccess;
}

int MT9V032Driver::WriteBit(std::uint16_t reg, int bit, bool on) {
    const std::uint16_t mask = static_cast<std::uint16_t>(1u << bit);
    const std::uint16_t old = Shadow(reg);
    return WrSensorReg(reg, static_cast<std::uint16_t>(on ? (old | mask) : (old & ~mask)));
}

int MT9V032Driver::WriteReadModeBit(int bit, bool on) { return WriteBit(MT9V032REG_READ_MODE, bit, on); }

}  // namespace qcx

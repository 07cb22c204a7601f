// MT9J001 windows: clamping, programming a record, switching between the
// capture and preview windows, and the address modes. The chip holds a
// window as first and last address, so every start or size change writes a
// start and an end register.
#include <algorithm>

#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/mt9j001.h"

namespace qcx {

using namespace mt9j001;

namespace {

// Modes 0, 1 and 3 read every, every other and every fourth pair: odd
// increments 1, 3 and 7. Others: 0.
std::uint16_t IncrementOf(int mode) {
    switch (mode) {
        case 0: return 1;
        case 1: return 3;
        case 3: return 7;
        default: return 0;
    }
}

// Odd increment -> address mode; -1 for a value the driver never writes.
int ModeOf(std::uint16_t increment) {
    switch (increment) {
        case 1: return 0;
        case 3: return 1;
        case 7: return 3;
        default: return -1;
    }
}

// A record takes its width and start in this order, each with both address
// registers; a switch between records writes the starts first.
constexpr WindowValue kRecordOrder[] = {WindowValue::Width,  WindowValue::ColumnStart, WindowValue::Height,
                                        WindowValue::RowStart, WindowValue::RowMode,   WindowValue::ColumnMode};
constexpr WindowValue kSwitchOrder[] = {WindowValue::ColumnStart, WindowValue::Width,   WindowValue::RowStart,
                                        WindowValue::Height,      WindowValue::RowMode, WindowValue::ColumnMode};

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(value); }

const char* ModeName(int mode) { return mode == FVM_PREVIEW ? "PREVIEW" : "CAPTURE"; }

}  // namespace

int MT9J001Driver::ClampWindow(WindowRequest& window) const {
    const int validated = ValidateWindow(kWindowRules, host_.State().geometry, window);
    if (validated != status::kSuccess) return validated;
    // The end registers are start + count - 1; an odd count stands for the
    // next even one.
    window.width = NativeSize(kWindowRules, window.width);
    window.height = NativeSize(kWindowRules, window.height);
    return status::kSuccess;
}

int MT9J001Driver::ProgramRowMode(int mode) {
    const std::uint16_t increment = IncrementOf(mode);
    if (increment == 0) return status::kNotSupported;
    const int written = WrSensorReg(kYOddInc, increment);
    if (written != status::kSuccess) return written;
    auto readMode = static_cast<std::uint16_t>((Shadow(kReadMode) & ~kRowSkipMask) | increment);
    readMode = host_.State().binning ? (readMode | (1u << kBinningBit)) : (readMode & ~(1u << kBinningBit));
    return WrSensorReg(kReadMode, readMode);
}

int MT9J001Driver::ProgramColumnMode(int mode) {
    const std::uint16_t increment = IncrementOf(mode);
    if (increment == 0) return status::kNotSupported;
    const int written = WrSensorReg(kXOddInc, increment);
    if (written != status::kSuccess) return written;
    auto readMode =
        static_cast<std::uint16_t>((Shadow(kReadMode) & ~kColumnSkipMask) | (increment << kColumnSkipShift));
    readMode = host_.State().binning ? (readMode | (1u << kBinningBit)) : (readMode & ~(1u << kBinningBit));
    return WrSensorReg(kReadMode, readMode);
}

int MT9J001Driver::ApplyRecord(int index, const WindowRequest& window) {
    SensorState& state = host_.State();
    // Each value goes with the other half of its address pair as the chip
    // holds it at that moment.
    const auto write = [&](WindowValue which, int value) {
        const int columnStart = Shadow(kXAddrStart);
        const int rowStart = Shadow(kYAddrStart);
        const int width = Shadow(kXAddrEnd) - columnStart;
        const int height = Shadow(kYAddrEnd) - rowStart;
        int result = status::kSuccess;
        switch (which) {
            case WindowValue::Width:
                result = WrSensorReg(kXAddrStart, Word(columnStart));
                return result != status::kSuccess ? result : WrSensorReg(kXAddrEnd, Word(columnStart + value));
            case WindowValue::ColumnStart:
                result = WrSensorReg(kXAddrStart, Word(value));
                return result != status::kSuccess ? result : WrSensorReg(kXAddrEnd, Word(value + width));
            case WindowValue::Height:
                result = WrSensorReg(kYAddrStart, Word(rowStart));
                return result != status::kSuccess ? result : WrSensorReg(kYAddrEnd, Word(rowStart + value));
            case WindowValue::RowStart:
                result = WrSensorReg(kYAddrStart, Word(value));
                return result != status::kSuccess ? result : WrSensorReg(kYAddrEnd, Word(value + height));
            case WindowValue::RowMode: return ProgramRowMode(value);
            case WindowValue::ColumnMode: return ProgramColumnMode(value);
        }
        return status::kNotSupported;
    };
    bool rowTimeChanged = false;
    const int result = ProgramWindow(ChipWindow(), window, kRecordOrder, write, [](WindowValue, int) {}, &rowTimeChanged);
    // The record holds what the chip reads, also after a failure between
    // the two halves of an address pair.
    FieldOfView& record = state.fov[index];
    record.columnStart = Shadow(kXAddrStart);
    record.rowStart = Shadow(kYAddrStart);
    record.width = Shadow(kXAddrEnd) - Shadow(kXAddrStart);
    record.height = Shadow(kYAddrEnd) - Shadow(kYAddrStart);
    record.columnMode = std::max(ModeOf(Shadow(kXOddInc)), 0);
    record.rowMode = std::max(ModeOf(Shadow(kYOddInc)), 0);
    if (result != status::kSuccess) return result;
    state.fovMode = index;
    return rowTimeChanged ? ExposureTimeSet(state.exposureMs) : result;
}

WindowRequest MT9J001Driver::ChipWindow() const {
    const std::uint16_t readMode = Shadow(kReadMode);
    const std::uint16_t columnIncrement = Shadow(kXOddInc);
    const std::uint16_t rowIncrement = Shadow(kYOddInc);
    // A mode counts as programmed only when its read-mode pattern agrees.
    const bool columnAgrees = ((readMode & kColumnSkipMask) >> kColumnSkipShift) == columnIncrement;
    const bool rowAgrees = (readMode & kRowSkipMask) == rowIncrement;
    return {Shadow(kXAddrStart),
            Shadow(kYAddrStart),
            Shadow(kXAddrEnd) - Shadow(kXAddrStart),
            Shadow(kYAddrEnd) - Shadow(kYAddrStart),
            columnAgrees ? ModeOf(columnIncrement) : -1,
            rowAgrees ? ModeOf(rowIncrement) : -1};
}

int MT9J001Driver::SwitchFieldOfViewMode(int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    SensorState& state = host_.State();
    const WindowRequest target = WindowOf(state.fov[mode]);
    const WindowRequest chip = ChipWindow();
    // The target is set against what the chip holds, which is the current
    // record unless a switch failed part-way; the next switch then finishes
    // it, even to the mode that is already current.
    const bool same = chip.columnStart == target.columnStart && chip.rowStart == target.rowStart &&
                      chip.width == target.width && chip.height == target.height &&
                      chip.columnMode == target.columnMode && chip.rowMode == target.rowMode;
    if (mode == state.fovMode && same) return status::kSuccess;
    CLogFile* log = host_.SensorLog();
    LogPrintf(log, "MT9J001_SwitchFieldOfViewMode Enter, %s Mode to %s Mode.", ModeName(state.fovMode),
              ModeName(mode));
    const auto write = [&](WindowValue which, int value) {
        int result = status::kSuccess;
        switch (which) {
            case WindowValue::ColumnStart:
                result = WrSensorReg(kXAddrStart, Word(value));
                [[fallthrough]];
            case WindowValue::Width:
                return result != status::kSuccess ? result
                                                  : WrSensorReg(kXAddrEnd, Word(target.columnStart + target.width));
            case WindowValue::RowStart:
                result = WrSensorReg(kYAddrStart, Word(value));
                [[fallthrough]];
            case WindowValue::Height:
                return result != status::kSuccess ? result
                                                  : WrSensorReg(kYAddrEnd, Word(target.rowStart + target.height));
            case WindowValue::RowMode: return ProgramRowMode(value);
            case WindowValue::ColumnMode: return ProgramColumnMode(value);
        }
        return status::kNotSupported;
    };
    bool rowTimeChanged = false;
    int result = ProgramWindow(chip, target, kSwitchOrder, write, [](WindowValue, int) {}, &rowTimeChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = mode;
    if (rowTimeChanged) result = ExposureTimeSet(state.exposureMs);
    LogPrintf(log, "MT9J001_SwitchFieldOfViewMode Finished.");
    return result;
}

}  // namespace qcx

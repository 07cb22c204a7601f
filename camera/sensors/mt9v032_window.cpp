// MT9V032 windows: clamping a request, programming a record, and switching
// between the capture and the preview record.
#include "camera/common/status.h"
#include "camera/sensors/mt9v032.h"
#include "camera/sensors/mt9v032_read_mode.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

using namespace mt9v032;

namespace {

// The chip needs this long to settle after its window height changed.
inline constexpr int kHeightSettleMs = 100;

WindowRequest WindowOf(const FieldOfView& record) {
    return {record.columnStart, record.rowStart, record.width, record.height, record.columnMode, record.rowMode};
}

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(value); }

}  // namespace

int MT9V032Driver::ClampWindow(WindowRequest& window) const {
    return ValidateWindow(*kMT9V032Family.windowRules, host_.State().geometry, window);
}

int MT9V032Driver::WriteRowMode(int mode) {
    const int field = ModeToBinning(mode);
    if (field < 0) return status::kNotSupported;
    const std::uint16_t readMode = Shadow(MT9V032REG_READ_MODE);
    const auto value = static_cast<std::uint16_t>((readMode & ~(3u << kRowBinningShift)) |
                                                  (static_cast<unsigned>(field) << kRowBinningShift));
    return WrSensorReg(MT9V032REG_READ_MODE, value);
}

int MT9V032Driver::WriteColumnMode(int mode) {
    const int field = ModeToBinning(mode);
    if (field < 0) return status::kNotSupported;
    const std::uint16_t readMode = Shadow(MT9V032REG_READ_MODE);
    const auto value = static_cast<std::uint16_t>((readMode & ~(3u << kColumnBinningShift)) |
                                                  (static_cast<unsigned>(field) << kColumnBinningShift));
    return WrSensorReg(MT9V032REG_READ_MODE, value);
}

int MT9V032Driver::ApplyRecord(int index, const WindowRequest& window) {
    SensorState& state = host_.State();
    FieldOfView& record = state.fov[index];
    bool lineChanged = false;
    int result = status::kSuccess;

    // Each value is kept in the record as soon as the chip has it, so a
    // failure part-way leaves the record equal to what was programmed.
    if (window.columnStart != record.columnStart) {
        if ((result = WrSensorReg(MT9V032REG_COLUMN_START, Word(window.columnStart))) != status::kSuccess) return result;
        record.columnStart = window.columnStart;
    }
    if (window.rowStart != record.rowStart) {
        if ((result = WrSensorReg(MT9V032REG_ROW_START, Word(window.rowStart))) != status::kSuccess) return result;
        record.rowStart = window.rowStart;
    }
    if (window.width != record.width) {
        if ((result = WrSensorReg(MT9V032REG_WINDOW_WIDTH, Word(window.width))) != status::kSuccess) return result;
        record.width = window.width;
        lineChanged = true;
    }
    if (window.height != record.height) {
        if ((result = WrSensorReg(MT9V032REG_WINDOW_HEIGHT, Word(window.height))) != status::kSuccess) return result;
        record.height = window.height;
    }
    if (window.rowMode != record.rowMode) {
        if ((result = WriteRowMode(window.rowMode)) != status::kSuccess) return result;
        record.rowMode = window.rowMode;
        lineChanged = true;
    }
    if (window.columnMode != record.columnMode) {
        if ((result = WriteColumnMode(window.columnMode)) != status::kSuccess) return result;
        record.columnMode = window.columnMode;
        lineChanged = true;
    }
    state.fovMode = index;
    // A new line length needs another number of rows for the same time.
    if (lineChanged) return ExposureTimeSet(state.exposureMs);
    return result;
}

int MT9V032Driver::SwitchFieldOfViewMode(int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    SensorState& state = host_.State();
    if (mode == state.fovMode) return status::kSuccess;

    const WindowRequest target = WindowOf(state.fov[mode]);
    const WindowRequest current = WindowOf(state.fov[state.fovMode]);
    bool lineChanged = false;
    int result = status::kSuccess;
    if (target.columnStart != current.columnStart &&
        (result = WrSensorReg(MT9V032REG_COLUMN_START, Word(target.columnStart))) != status::kSuccess)
        return result;
    if (target.rowStart != current.rowStart &&
        (result = WrSensorReg(MT9V032REG_ROW_START, Word(target.rowStart))) != status::kSuccess)
        return result;
    if (target.width != current.width) {
        if ((result = WrSensorReg(MT9V032REG_WINDOW_WIDTH, Word(target.width))) != status::kSuccess) return result;
        lineChanged = true;
    }
    if (target.height != current.height) {
        if ((result = WrSensorReg(MT9V032REG_WINDOW_HEIGHT, Word(target.height))) != status::kSuccess) return result;
        sleep_(kHeightSettleMs);
    }
    if (target.rowMode != current.rowMode) {
        if ((result = WriteRowMode(target.rowMode)) != status::kSuccess) return result;
        lineChanged = true;
    }
    if (target.columnMode != current.columnMode) {
        if ((result = WriteColumnMode(target.columnMode)) != status::kSuccess) return result;
        lineChanged = true;
    }
    state.fovMode = mode;
    // The switch itself succeeded; the exposure follows as well as it can.
    if (lineChanged) ExposureTimeSet(state.exposureMs);
    return status::kSuccess;
}

}  // namespace qcx

// MT9V032 windows: clamping a request, programming a record, and switching
// between the capture and the preview record.
#include "camera/common/status.h"
#include "camera/sensors/mt9v032.h"
#include "camera/sensors/mt9v032_read_mode.h"
#include "camera/sensors/window_programming.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

using namespace mt9v032;

namespace {

// The chip needs this long to settle after its window height changed.
inline constexpr int kHeightSettleMs = 100;

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

int MT9V032Driver::WriteWindowValue(WindowValue which, int value) {
    switch (which) {
        case WindowValue::ColumnStart: return WrSensorReg(MT9V032REG_COLUMN_START, Word(value));
        case WindowValue::RowStart: return WrSensorReg(MT9V032REG_ROW_START, Word(value));
        case WindowValue::Width: return WrSensorReg(MT9V032REG_WINDOW_WIDTH, Word(value));
        case WindowValue::Height: return WrSensorReg(MT9V032REG_WINDOW_HEIGHT, Word(value));
        case WindowValue::RowMode: return WriteRowMode(value);
        case WindowValue::ColumnMode: return WriteColumnMode(value);
    }
    return status::kNotSupported;
}

int MT9V032Driver::ApplyRecord(int index, const WindowRequest& window) {
    SensorState& state = host_.State();
    FieldOfView& record = state.fov[index];
    bool lineChanged = false;
    const int result = ProgramRecord(
        record, window, [&](WindowValue which, int value) { return WriteWindowValue(which, value); }, &lineChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = index;
    // A new line length needs another number of rows for the same time.
    if (lineChanged) return ExposureTimeSet(state.exposureMs);
    return result;
}

WindowRequest MT9V032Driver::ChipWindow() const {
    const std::uint16_t readMode = Shadow(MT9V032REG_READ_MODE);
    return {Shadow(MT9V032REG_COLUMN_START), Shadow(MT9V032REG_ROW_START), Shadow(MT9V032REG_WINDOW_WIDTH),
            Shadow(MT9V032REG_WINDOW_HEIGHT),  ColumnModeOf(readMode),         RowModeOf(readMode)};
}

int MT9V032Driver::SwitchFieldOfViewMode(int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    SensorState& state = host_.State();
    // The target is set against what the chip holds, which is the current
    // record unless a switch failed part-way; the next switch then finishes
    // it, even to the mode that is already current.
    bool lineChanged = false;
    const int result = ProgramWindow(
        ChipWindow(), WindowOf(state.fov[mode]),
        [&](WindowValue which, int value) { return WriteWindowValue(which, value); },
        [&](WindowValue which, int) {
            if (which == WindowValue::Height) sleep_(kHeightSettleMs);
        },
        &lineChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = mode;
    // The switch itself succeeded; the exposure follows as well as it can.
    if (lineChanged) ExposureTimeSet(state.exposureMs);
    return status::kSuccess;
}

}  // namespace qcx

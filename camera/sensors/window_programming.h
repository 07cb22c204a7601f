// Programming a window into a CMOS sensor: the six values go to the chip in
// one fixed order, each only when it differs from what the chip holds, and
// the first failure ends the change. The families differ only in how each
// value is written.
#pragma once

#include "camera/common/status.h"
#include "camera/sensors/field_of_view.h"

namespace qcx {

enum class WindowValue { ColumnStart, RowStart, Width, Height, RowMode, ColumnMode };

inline WindowRequest WindowOf(const FieldOfView& record) {
    return {record.columnStart, record.rowStart, record.width, record.height, record.columnMode, record.rowMode};
}

inline void StoreWindowValue(FieldOfView& record, WindowValue which, int value) {
    switch (which) {
        case WindowValue::ColumnStart: record.columnStart = value; break;
        case WindowValue::RowStart: record.rowStart = value; break;
        case WindowValue::Width: record.width = value; break;
        case WindowValue::Height: record.height = value; break;
        case WindowValue::RowMode: record.rowMode = value; break;
        case WindowValue::ColumnMode: record.columnMode = value; break;
    }
}

// Writes the values of `target` that differ from `current` through
// `write(which, value)` (a status) and runs `written(which, value)` after
// each write that succeeded. Returns 1 or the first failure;
// `*rowTimeChanged` tells whether the width or an address mode was written,
// which changes the time a row takes.
template <typename Write, typename Written>
int ProgramWindow(const WindowRequest& current, const WindowRequest& target, Write&& write, Written&& written,
                  bool* rowTimeChanged) {
    struct Step {
        WindowValue which;
        int WindowRequest::*member;
        bool rowTime;
    };
    static constexpr Step kOrder[] = {
        {WindowValue::ColumnStart, &WindowRequest::columnStart, false},
        {WindowValue::RowStart, &WindowRequest::rowStart, false},
        {WindowValue::Width, &WindowRequest::width, true},
        {WindowValue::Height, &WindowRequest::height, false},
        {WindowValue::RowMode, &WindowRequest::rowMode, true},
        {WindowValue::ColumnMode, &WindowRequest::columnMode, true},
    };
    *rowTimeChanged = false;
    for (const Step& step : kOrder) {
        const int value = target.*step.member;
        if (value == current.*step.member) continue;
        const int result = write(step.which, value);
        if (result != status::kSuccess) return result;
        written(step.which, value);
        if (step.rowTime) *rowTimeChanged = true;
    }
    return status::kSuccess;
}

// Programs the values of `window` that differ from `record` and keeps each
// in the record as soon as the chip has it, so a failure part-way leaves the
// record equal to what was programmed.
template <typename Write>
int ProgramRecord(FieldOfView& record, const WindowRequest& window, Write&& write, bool* rowTimeChanged) {
    return ProgramWindow(
        WindowOf(record), window, write, [&record](WindowValue which, int value) { StoreWindowValue(record, which, value); },
        rowTimeChanged);
}

}  // namespace qcx

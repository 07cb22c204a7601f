// Programming a window into a CMOS sensor: the six values go to the chip in
// the chip's order, each only when it differs from what the chip holds, and
// the first failure ends the change. The families differ only in how each
// value is written.
#pragma once

#include <span>

#include "camera/common/status.h"
#include "camera/sensors/field_of_view.h"

namespace qcx {

enum class WindowValue { ColumnStart, RowStart, Width, Height, RowMode, ColumnMode };

// The order most chips take a window in: starts, sizes, then the modes.
inline constexpr WindowValue kStartsSizesModes[] = {WindowValue::ColumnStart, WindowValue::RowStart,
                                                    WindowValue::Width,       WindowValue::Height,
                                                    WindowValue::RowMode,     WindowValue::ColumnMode};

inline WindowRequest WindowOf(const FieldOfView& record) {
    return {record.columnStart, record.rowStart, record.width, record.height, record.columnMode, record.rowMode};
}

inline int WindowValueOf(const WindowRequest& window, WindowValue which) {
    switch (which) {
        case WindowValue::ColumnStart: return window.columnStart;
        case WindowValue::RowStart: return window.rowStart;
        case WindowValue::Width: return window.width;
        case WindowValue::Height: return window.height;
        case WindowValue::RowMode: return window.rowMode;
        case WindowValue::ColumnMode: return window.columnMode;
    }
    return 0;
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

// Writes the values of `target` that differ from `current`, in `order`,
// through `write(which, value)` (a status) and runs `written(which, value)`
// after each write that succeeded. Returns 1 or the first failure;
// `*rowTimeChanged` tells whether the width or an address mode was written,
// which changes the time a row takes.
template <typename Write, typename Written>
int ProgramWindow(const WindowRequest& current, const WindowRequest& target, std::span<const WindowValue> order,
                  Write&& write, Written&& written, bool* rowTimeChanged) {
    *rowTimeChanged = false;
    for (const WindowValue which : order) {
        const int value = WindowValueOf(target, which);
        if (value == WindowValueOf(current, which)) continue;
        const int result = write(which, value);
        if (result != status::kSuccess) return result;
        written(which, value);
        if (which == WindowValue::Width || which == WindowValue::RowMode || which == WindowValue::ColumnMode)
            *rowTimeChanged = true;
    }
    return status::kSuccess;
}

template <typename Write, typename Written>
int ProgramWindow(const WindowRequest& current, const WindowRequest& target, Write&& write, Written&& written,
                  bool* rowTimeChanged) {
    return ProgramWindow(current, target, kStartsSizesModes, write, written, rowTimeChanged);
}

// Programs the values of `window` that differ from `record`, in `order`, and
// keeps each in the record as soon as the chip has it, so a failure part-way
// leaves the record equal to what was programmed.
template <typename Write>
int ProgramRecord(FieldOfView& record, const WindowRequest& window, std::span<const WindowValue> order, Write&& write,
                  bool* rowTimeChanged) {
    return ProgramWindow(
        WindowOf(record), window, order, write,
        [&record](WindowValue which, int value) { StoreWindowValue(record, which, value); }, rowTimeChanged);
}

template <typename Write>
int ProgramRecord(FieldOfView& record, const WindowRequest& window, Write&& write, bool* rowTimeChanged) {
    return ProgramRecord(record, window, kStartsSizesModes, write, rowTimeChanged);
}

}  // namespace qcx

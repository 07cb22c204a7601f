#include "camera/sensors/window_rules.h"

#include <algorithm>

#include "camera/common/status.h"

namespace qcx {

namespace {

int Step(const WindowRules& rules, int mode) {
    int skip = AddressModeDivisor(mode);
    if (rules.doubleOddSkip && skip % 2 != 0) skip *= 2;
    return skip;
}

// Refuses (false) or keeps / resets the mode in place.
bool AcceptMode(const WindowRules& rules, int& mode) {
    if (!IsAddressMode(mode)) {
        if (rules.refuseOutsideRange) return false;
        mode = 0;
        return true;
    }
    return (rules.refusedModes & ModeBit(mode)) == 0;
}

// Clamps a start so that the window stays on the array, then makes it even
// (the colour filter repeats every two pixels) and adds the array offset.
int PlaceStart(int start, int size, int maximum, int offset) {
    if (start < 0) start = 0;
    // Not start + size: a start near INT_MAX would overflow it.
    if (start > maximum - size) start = maximum - size;
    return (start & ~1) + offset;
}

// Rounds a size up to its step; a size pushed past the array loses one step.
int AlignSize(int size, int step, int maximum) {
    if (size % step != 0) size = ((size + step) / step) * step;
    if (size > maximum) size -= step;
    return size;
}

}  // namespace

int WindowColumnStep(const WindowRules& rules, int columnMode) { return 4 * Step(rules, columnMode); }

int WindowRowStep(const WindowRules& rules, int rowMode) { return Step(rules, rowMode); }

int ValidateWindow(const WindowRules& rules, const SensorGeometry& geometry, WindowRequest& window) {
    int columnMode = window.columnMode;
    int rowMode = window.rowMode;
    if (!AcceptMode(rules, columnMode) || !AcceptMode(rules, rowMode)) return status::kNotSupported;

    const int width = std::clamp(window.width, geometry.minWidth, std::max(geometry.minWidth, geometry.maxWidth));
    const int height =
        std::clamp(window.height, geometry.minHeight, std::max(geometry.minHeight, geometry.maxHeight));

    window.columnStart = PlaceStart(window.columnStart, width, geometry.maxWidth, geometry.columnOffset);
    window.rowStart = PlaceStart(window.rowStart, height, geometry.maxHeight, geometry.rowOffset);
    window.width = AlignSize(width, WindowColumnStep(rules, columnMode), geometry.maxWidth);
    window.height = AlignSize(height, WindowRowStep(rules, rowMode), geometry.maxHeight);
    window.columnMode = columnMode;
    window.rowMode = rowMode;
    return status::kSuccess;
}

}  // namespace qcx

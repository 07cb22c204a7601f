// The window validation every CMOS family shares: refused and reset address
// modes, clamping to the array, even starts plus the array offsets, and
// rounding the size up to the family's read-out steps. The differences
// between the families are data (a WindowRules record), not code.
#pragma once

#include <cstdint>

#include "camera/sensors/field_of_view.h"

namespace qcx {

struct WindowRules {
    // Bit m set: address mode m (0 ... 4) is refused with -3.
    std::uint8_t refusedModes = 0;
    // A mode outside 0 ... 4: refused (true) or replaced by 0 (false).
    bool refuseOutsideRange = false;
    // Steps use the skip factor doubled when it is odd (4 x s' and r').
    bool doubleOddSkip = false;
    // The record holds count - 1 for an even count (the size registers'
    // own form); false: the record holds the count itself.
    bool countMinusOne = true;
};

inline constexpr std::uint8_t ModeBit(int mode) { return static_cast<std::uint8_t>(1u << mode); }

// Width and height steps of a (valid) address mode under `rules`.
int WindowColumnStep(const WindowRules& rules, int columnMode);
int WindowRowStep(const WindowRules& rules, int rowMode);

// Validates `window` (starts relative to the active array, sizes as counts)
// in place: on success the starts are absolute (offsets added) and the sizes
// are aligned counts. Returns 1, or -3 for a refused address mode, in which
// case `window` is left as it was.
int ValidateWindow(const WindowRules& rules, const SensorGeometry& geometry, WindowRequest& window);

// The record's form of a width or height count.
inline constexpr std::int32_t NativeSize(const WindowRules& rules, std::int32_t count) {
    return (rules.countMinusOne && count % 2 == 0) ? count - 1 : count;
}

}  // namespace qcx

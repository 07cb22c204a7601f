// The shared window rules: refused and reset address modes, clamping,
// even starts with offsets, and rounding up to the read-out steps. (The
// MT9V032's plain clamping is checked through the C API end to end.)
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "camera/sensors/mt9v032.h"
#include "camera/sensors/window_rules.h"

namespace qcx {
namespace {

constexpr SensorGeometry kWideVga{.columnOffset = 1, .rowOffset = 4, .minWidth = 1, .minHeight = 1,
                                  .maxWidth = 752, .maxHeight = 480};
constexpr SensorGeometry kNarrow{.columnOffset = 1, .rowOffset = 4, .minWidth = 1, .minHeight = 1,
                                 .maxWidth = 750, .maxHeight = 479};
constexpr SensorGeometry kTall{.columnOffset = 1, .rowOffset = 4, .minWidth = 1, .minHeight = 8,
                               .maxWidth = 752, .maxHeight = 480};
// A family that refuses nothing, resets unknown modes and stores count - 1.
constexpr WindowRules kPlain{.refusedModes = 0, .refuseOutsideRange = false, .doubleOddSkip = false,
                             .countMinusOne = true};
constexpr WindowRules kRefusesTwo{.refusedModes = ModeBit(2), .refuseOutsideRange = false,
                                  .doubleOddSkip = true, .countMinusOne = true};
const WindowRules& kV032 = *kMT9V032Family.windowRules;

std::array<int, 6> Fields(const WindowRequest& w) {
    return {w.columnStart, w.rowStart, w.width, w.height, w.columnMode, w.rowMode};
}

TEST(WindowRulesTest, ValidateClampsAlignsOrRefuses) {
    struct Case {
        const char* what;
        const WindowRules& rules;
        const SensorGeometry& geometry;
        WindowRequest request;
        int status;
        WindowRequest expected;  // absolute starts; a refused request is left alone
    } const cases[] = {
        {"binning by 4: 16 x 4", kV032, kWideVga, {0, 0, 750, 477, 3, 3}, 1, {1, 4, 752, 480, 3, 3}},
        {"binning by 2: 8 x 2", kV032, kWideVga, {0, 0, 100, 75, 1, 1}, 1, {1, 4, 104, 76, 1, 1}},
        {"full width at column 10", kV032, kWideVga, {10, 0, 752, 480, 0, 0}, 1, {1, 4, 752, 480, 0, 0}},
        {"empty size grows to a step", kV032, kWideVga, {0, 0, 0, -4, 0, 0}, 1, {1, 4, 8, 2, 0, 0}},
        {"rounded from the clamped start", kV032, kWideVga, {745, 0, 9, 8, 0, 0}, 1, {743, 4, 16, 8, 0, 0}},
        {"past the array loses a step", kV032, kNarrow, {0, 0, 745, 479, 0, 0}, 1, {1, 4, 744, 478, 0, 0}},
        {"minimum from the geometry", kPlain, kTall, {0, 0, 4, 3, 0, 0}, 1, {1, 4, 4, 8, 0, 0}},
        {"unknown modes reset", kPlain, kWideVga, {0, 0, 100, 75, 7, -2}, 1, {1, 4, 100, 75, 0, 0}},
        {"mode 4 steps 32", kRefusesTwo, kWideVga, {0, 0, 100, 75, 4, 0}, 1, {1, 4, 128, 76, 4, 0}},
        {"refused mode of a family", kRefusesTwo, kWideVga, {0, 0, 100, 75, 0, 2}, -3, {0, 0, 100, 75, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowRequest window = c.request;
        EXPECT_EQ(ValidateWindow(c.rules, c.geometry, window), c.status);
        EXPECT_EQ(Fields(window), Fields(c.expected));
    }
    // The MT9V032 reads out only modes 0, 1 and 3; anything else is refused untouched.
    for (const int mode : {2, 4, -1, 5, 100}) {
        SCOPED_TRACE(mode);
        WindowRequest column{3, 3, 100, 75, mode, 0}, row{3, 3, 100, 75, 0, mode};
        EXPECT_EQ(ValidateWindow(kV032, kWideVga, column), -3);
        EXPECT_EQ(ValidateWindow(kV032, kWideVga, row), -3);
        EXPECT_EQ(Fields(column), Fields({3, 3, 100, 75, mode, 0}));
        EXPECT_EQ(Fields(row), Fields({3, 3, 100, 75, 0, mode}));
    }
}

TEST(WindowRulesTest, StepsFollowTheSkipFactorAndNativeSizes) {
    for (int mode = 0; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(WindowColumnStep(kV032, mode), (std::array{8, 8, 24, 16, 32}[mode]));
        EXPECT_EQ(WindowRowStep(kV032, mode), (std::array{2, 2, 6, 4, 8}[mode]));
        EXPECT_EQ(WindowColumnStep(kPlain, mode), (std::array{4, 8, 12, 16, 32}[mode]));
        EXPECT_EQ(WindowRowStep(kPlain, mode), (std::array{1, 2, 3, 4, 8}[mode]));
    }
    EXPECT_EQ(NativeSize(kPlain, 100), 99);
    EXPECT_EQ(NativeSize(kPlain, 75), 75) << "an odd count stands for the next even one";
    EXPECT_EQ(NativeSize(kV032, 100), 100);
}

}  // namespace
}  // namespace qcx

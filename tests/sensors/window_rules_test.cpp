// The shared window rules: refused and reset address modes, clamping,
// even starts with offsets, and rounding up to the read-out steps.
#include <gtest/gtest.h>

#include "camera/sensors/window_rules.h"

namespace qcx {
namespace {

constexpr SensorGeometry kWideVga{.columnOffset = 1, .rowOffset = 4, .minWidth = 1, .minHeight = 1,
                                  .maxWidth = 752, .maxHeight = 480};

// A family that refuses nothing, resets unknown modes and stores count - 1.
constexpr WindowRules kPlainRules{.refusedModes = 0, .refuseOutsideRange = false, .doubleOddSkip = false,
                                  .countMinusOne = true};

struct WindowCase {
    const char* what;
    WindowRequest request;
    WindowRequest expected;  // absolute starts
};

class Mt9v032WindowRulesTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(Mt9v032WindowRulesTest, ClampsAndAligns) {
    const WindowCase& c = GetParam();
    WindowRequest window = c.request;
    ASSERT_EQ(ValidateWindow(kMT9V032WindowRules, kWideVga, window), 1);
    EXPECT_EQ(window.columnStart, c.expected.columnStart);
    EXPECT_EQ(window.rowStart, c.expected.rowStart);
    EXPECT_EQ(window.width, c.expected.width);
    EXPECT_EQ(window.height, c.expected.height);
    EXPECT_EQ(window.columnMode, c.expected.columnMode);
    EXPECT_EQ(window.rowMode, c.expected.rowMode);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Mt9v032WindowRulesTest,
    ::testing::Values(
        WindowCase{"size rounds up to 8 x 2", {0, 0, 100, 75, 0, 0}, {1, 4, 104, 76, 0, 0}},
        WindowCase{"negative starts become 0", {-10, -3, 64, 64, 0, 0}, {1, 4, 64, 64, 0, 0}},
        WindowCase{"start pulled back to fit", {700, 0, 96, 8, 0, 0}, {657, 4, 96, 8, 0, 0}},
        WindowCase{"odd starts made even", {5, 5, 64, 64, 0, 0}, {5, 8, 64, 64, 0, 0}},
        WindowCase{"oversize clamped to the array", {0, 0, 5000, 9000, 0, 0}, {1, 4, 752, 480, 0, 0}},
        WindowCase{"binning by 4 rounds to 16 x 4", {0, 0, 750, 477, 3, 3}, {1, 4, 752, 480, 3, 3}},
        WindowCase{"binning by 2 keeps steps 8 x 2", {0, 0, 100, 75, 1, 1}, {1, 4, 104, 76, 1, 1}},
        WindowCase{"full width at column 10", {10, 0, 752, 480, 0, 0}, {1, 4, 752, 480, 0, 0}},
        WindowCase{"empty size grows to one step", {0, 0, 0, -4, 0, 0}, {1, 4, 8, 2, 0, 0}},
        WindowCase{"rounding is from the clamped start", {745, 0, 9, 8, 0, 0}, {743, 4, 16, 8, 0, 0}}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return "Case" + std::to_string(info.index); });

TEST(WindowRulesTest, Mt9v032RefusesModesItCannotReadOut) {
    for (const int mode : {2, 4, -1, 5, 100}) {
        WindowRequest column{3, 3, 100, 75, mode, 0};
        WindowRequest row{3, 3, 100, 75, 0, mode};
        EXPECT_EQ(ValidateWindow(kMT9V032WindowRules, kWideVga, column), -3) << mode;
        EXPECT_EQ(ValidateWindow(kMT9V032WindowRules, kWideVga, row), -3) << mode;
        EXPECT_EQ(column.columnStart, 3) << "a refused request is left alone";
        EXPECT_EQ(row.width, 100);
    }
}

TEST(WindowRulesTest, StepsFollowTheSkipFactor) {
    const int columnSteps[] = {8, 8, 24, 16, 32};
    const int rowSteps[] = {2, 2, 6, 4, 8};
    for (int mode = 0; mode <= 4; ++mode) {
        EXPECT_EQ(WindowColumnStep(kMT9V032WindowRules, mode), columnSteps[mode]) << mode;
        EXPECT_EQ(WindowRowStep(kMT9V032WindowRules, mode), rowSteps[mode]) << mode;
    }
    const int plainColumnSteps[] = {4, 8, 12, 16, 32};
    const int plainRowSteps[] = {1, 2, 3, 4, 8};
    for (int mode = 0; mode <= 4; ++mode) {
        EXPECT_EQ(WindowColumnStep(kPlainRules, mode), plainColumnSteps[mode]) << mode;
        EXPECT_EQ(WindowRowStep(kPlainRules, mode), plainRowSteps[mode]) << mode;
    }
}

TEST(WindowRulesTest, SizePushedPastTheArrayLosesOneStep) {
    SensorGeometry narrow = kWideVga;
    narrow.maxWidth = 750;
    narrow.maxHeight = 479;
    WindowRequest window{0, 0, 745, 479, 0, 0};
    ASSERT_EQ(ValidateWindow(kMT9V032WindowRules, narrow, window), 1);
    EXPECT_EQ(window.width, 744);   // 752 would not fit
    EXPECT_EQ(window.height, 478);  // 480 would not fit
}

TEST(WindowRulesTest, MinimumSizeComesFromTheGeometry) {
    SensorGeometry tall = kWideVga;
    tall.minHeight = 8;
    WindowRequest window{0, 0, 4, 3, 0, 0};
    ASSERT_EQ(ValidateWindow(kPlainRules, tall, window), 1);
    EXPECT_EQ(window.width, 4);
    EXPECT_EQ(window.height, 8);
}

TEST(WindowRulesTest, OtherFamiliesResetUnknownModesAndStoreCountMinusOne) {
    WindowRequest window{0, 0, 100, 75, 7, -2};
    ASSERT_EQ(ValidateWindow(kPlainRules, kWideVga, window), 1);
    EXPECT_EQ(window.columnMode, 0);
    EXPECT_EQ(window.rowMode, 0);
    EXPECT_EQ(window.width, 100);
    EXPECT_EQ(window.height, 75);
    EXPECT_EQ(NativeSize(kPlainRules, 100), 99);
    EXPECT_EQ(NativeSize(kPlainRules, 75), 75) << "an odd count stands for the next even one";
    EXPECT_EQ(NativeSize(kMT9V032WindowRules, 100), 100);

    constexpr WindowRules kRefusesTwo{.refusedModes = ModeBit(2), .refuseOutsideRange = false,
                                      .doubleOddSkip = true, .countMinusOne = true};
    WindowRequest refused{0, 0, 100, 75, 0, 2};
    EXPECT_EQ(ValidateWindow(kRefusesTwo, kWideVga, refused), -3);
    WindowRequest modeFour{0, 0, 100, 75, 4, 0};
    ASSERT_EQ(ValidateWindow(kRefusesTwo, kWideVga, modeFour), 1);
    EXPECT_EQ(modeFour.width, 128) << "mode 4 uses a width step of 32";
}

}  // namespace
}  // namespace qcx

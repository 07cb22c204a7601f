// MT9V032 image controls: exposure in rows and milliseconds, gain,
// blanking, flips, companding, the flash pin and the chip's own loops.
#include "sensors/mt9v032_fixture.h"

namespace qcx {
namespace {

using test::Mt9v032Test;
using test::RegisterWrite;

constexpr float kClock24 = 4.166666e-5f;
// Line of the reset chip: 752 columns + 94 blanking clocks.
constexpr int kLine = 846;

TEST_F(Mt9v032Test, ExposureTimeComesBackInWholeRows) {
    ASSERT_EQ(driver->ExposureTimeSet(10.0f), 1);
    EXPECT_EQ(host->chip[0x0B], 283);
    const float whole = kClock24 * static_cast<float>(kLine * 283 + kLine - 255);
    EXPECT_EQ(State().exposureMs, whole);
    float ms = 0;
    ASSERT_EQ(driver->ExposureTimeGet(&ms), 1);
    EXPECT_EQ(ms, whole);
    EXPECT_NE(ms, 10.0f);
}

TEST_F(Mt9v032Test, ExposureTimeOnTheFasterClock) {
    MakeDriver(28);
    ASSERT_EQ(driver->ExposureTimeSet(33.3f), 1);
    // 33.3 / 3.703703e-5 = 899100.1 clocks: (899100.1 - 591) / 846 + 0.5 = 1062.3
    EXPECT_EQ(host->chip[0x0B], 1062);
    EXPECT_EQ(State().exposureMs, 3.703703e-5f * static_cast<float>(kLine * 1062 + kLine - 255));
}

TEST_F(Mt9v032Test, ExposureTimeBelowOneRowWritesZeroRows) {
    ASSERT_EQ(driver->ExposureTimeSet(0.0f), 1);
    EXPECT_EQ(host->chip[0x0B], 0);
}

TEST_F(Mt9v032Test, ExposureTimeGetStoresTheTime) {
    MakeDriver(21, false);
    host->chip[0x0B] = 100;
    ASSERT_EQ(driver->InitializeSensor(), 1);
    float ms = 0;
    ASSERT_EQ(driver->ExposureTimeGet(&ms), 1);
    EXPECT_EQ(ms, kClock24 * static_cast<float>(kLine * 100 + kLine - 255));
    EXPECT_EQ(State().exposureMs, ms);
}

TEST_F(Mt9v032Test, ExposureLinesAreClampedAndLeaveTheStoredTime) {
    ASSERT_EQ(driver->ExposureLinesSet(0), 1);
    EXPECT_EQ(host->chip[0x0B], 1);
    ASSERT_EQ(driver->ExposureLinesSet(40000), 1);
    EXPECT_EQ(host->chip[0x0B], 32767);
    std::uint32_t lines = 0;
    ASSERT_EQ(driver->ExposureLinesGet(&lines), 1);
    EXPECT_EQ(lines, 32767u);
    EXPECT_EQ(State().exposureMs, 50.0f);
}

TEST_F(Mt9v032Test, GainCodes) {
    struct {
        std::uint16_t gain, code;
    } const cases[] = {{0, 16}, {1, 17}, {63, 79}, {64, 79}, {1000, 79}};
    for (const auto& c : cases) {
        ASSERT_EQ(driver->GainSet(GainChannel::Green, c.gain), 1);
        EXPECT_EQ(host->chip[0x35], c.code) << c.gain;
    }
    ASSERT_EQ(driver->GainSet(GainChannel::Red, 20), 1);
    std::uint16_t gain = 0;
    ASSERT_EQ(driver->GainGet(GainChannel::Blue, &gain), 1);
    EXPECT_EQ(gain, 20) << "one gain for all colours";
}

TEST_F(Mt9v032Test, BlankingIsClamped) {
    const struct {
        bool horizontal;
        std::uint16_t value, written;
    } cases[] = {{true, 0, 61}, {true, 61, 61}, {true, 5000, 1023}, {false, 0, 3}, {false, 40000, 32288}};
    for (const auto& c : cases) {
        ASSERT_EQ(c.horizontal ? driver->HorizontalBlankSet(c.value) : driver->VerticalBlankSet(c.value), 1);
        EXPECT_EQ(host->chip[c.horizontal ? 0x05 : 0x06], c.written) << c.value;
    }
    std::uint16_t h = 0, v = 0;
    EXPECT_EQ(driver->HorizontalBlankGet(&h), 1);
    EXPECT_EQ(driver->VerticalBlankGet(&v), 1);
    EXPECT_EQ(h, 1023);
    EXPECT_EQ(v, 32288);
    EXPECT_EQ(host->WritesTo(0x0B), 0) << "a new blanking does not re-expose";
}

TEST_F(Mt9v032Test, FlipAndMirrorEachDropAFrame) {
    ASSERT_EQ(driver->FlipSet(true), 1);
    ASSERT_EQ(driver->MirrorSet(true), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0330);
    EXPECT_EQ(host->frameSizes.size(), 2u);
    bool flip = false, mirror = false;
    driver->FlipGet(&flip);
    driver->MirrorGet(&mirror);
    EXPECT_TRUE(flip);
    EXPECT_TRUE(mirror);
    ASSERT_EQ(driver->FlipSet(false), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0320);
    driver->FlipGet(&flip);
    EXPECT_FALSE(flip);
}

TEST_F(Mt9v032Test, CompandingKeepsTheOtherBits) {
    MakeDriver(21, false);
    host->chip[0x1C] = 0x0100;
    ASSERT_EQ(driver->InitializeSensor(), 1);
    ASSERT_EQ(driver->CompandingSet(true), 1);
    bool on = false;
    driver->CompandingGet(&on);
    EXPECT_TRUE(on);
    EXPECT_EQ(host->chip[0x1C], 0x0103);
    ASSERT_EQ(driver->CompandingSet(false), 1);
    EXPECT_EQ(host->chip[0x1C], 0x0102);
    driver->CompandingGet(&on);
    EXPECT_FALSE(on);
}

TEST_F(Mt9v032Test, FlashPin) {
    ASSERT_EQ(driver->FlashControlSet(false, true), 1);
    EXPECT_EQ(host->writes, (std::vector<RegisterWrite>{{0x1B, 1}, {0x1B, 3}})) << "enable first, then polarity";
    bool enable = true, invert = false;
    ASSERT_EQ(driver->FlashControlGet(&enable, &invert), 1);
    EXPECT_FALSE(enable);
    EXPECT_TRUE(invert);
    ASSERT_EQ(driver->FlashControlSet(true, false), 1);
    EXPECT_EQ(host->chip[0x1B], 0);
    ASSERT_EQ(driver->FlashControlGet(&enable, &invert), 1);
    EXPECT_TRUE(enable);
    EXPECT_FALSE(invert);
    host->failWriteAfter = 0;
    EXPECT_EQ(driver->FlashControlSet(false, true), -8);
}

TEST_F(Mt9v032Test, ChipLoops) {
    ASSERT_EQ(driver->AecSetEnable(true), 1);
    EXPECT_EQ(host->chip[0xAF], 1);
    ASSERT_EQ(driver->AgcSetEnable(true), 1);
    EXPECT_EQ(host->chip[0xAF], 3);
    ASSERT_EQ(driver->AecSetEnable(false), 1);
    bool aec = true, agc = false;
    driver->AecGetEnable(&aec);
    driver->AgcGetEnable(&agc);
    EXPECT_FALSE(aec);
    EXPECT_TRUE(agc);

    const struct {
        bool exposure;
        std::uint16_t limit, written;
    } limits[] = {{true, 0, 1}, {true, 5000, 2047}, {true, 600, 600}, {false, 0, 16}, {false, 100, 63}, {false, 40, 40}};
    for (const auto& c : limits) {
        ASSERT_EQ(c.exposure ? driver->AecSetMaximum(c.limit) : driver->AgcSetMaximum(c.limit), 1);
        EXPECT_EQ(host->chip[c.exposure ? 0xBD : 0x36], c.written) << c.limit;
    }
    std::uint16_t rows = 0, gain = 0;
    driver->AecGetMaximum(&rows);
    driver->AgcGetMaximum(&gain);
    EXPECT_EQ(rows, 600);
    EXPECT_EQ(gain, 40);

    host->ClearCounts();
    ASSERT_EQ(driver->AecGetCurrent(&rows), 1);
    ASSERT_EQ(driver->AgcGetCurrent(&gain), 1);
    EXPECT_EQ(rows, 211);
    EXPECT_EQ(gain, 33);
    EXPECT_EQ(host->reads, (std::vector<std::uint16_t>{0xBB, 0xBA})) << "read from the chip each time";
    host->failReadOf = 0xBB;
    EXPECT_EQ(driver->AecGetCurrent(&rows), -8);
}

}  // namespace
}  // namespace qcx

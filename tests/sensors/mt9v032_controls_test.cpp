// MT9V032 image controls: exposure in rows and milliseconds, gain,
// blanking, flips, companding, the flash pin and the chip's own loops.
#include "sensors/fake_sensor_host.h"

namespace qcx {
namespace {

using test::Mt9v032Test;

// Line of the reset chip: 752 columns + 94 blanking clocks.
constexpr int kLine = 846;
float RowsMs(float clock, int rows) { return clock * static_cast<float>(kLine * rows + kLine - 255); }

TEST_F(Mt9v032Test, ExposureTimeIsAWholeNumberOfRows) {
    const struct {
        DeviceType type;
        float ms, clock;
        std::uint16_t rows;
    } cases[] = {
        {21, 10.0f, 4.166666e-5f, 283},
        // 33.3 / 3.703703e-5 = 899100.1 clocks: (899100.1 - 591) / 846 + 0.5 = 1062.3
        {28, 33.3f, 3.703703e-5f, 1062},
        {21, 0.0f, 4.166666e-5f, 0},  // below one row: zero rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        MakeDriver(c.type);
        ASSERT_EQ(driver->ExposureTimeSet(c.ms), 1);
        EXPECT_EQ(host->chip[0x0B], c.rows);
        EXPECT_EQ(State().exposureMs, RowsMs(c.clock, c.rows));
        float ms = 0;
        ASSERT_EQ(driver->ExposureTimeGet(&ms), 1);
        EXPECT_EQ(ms, RowsMs(c.clock, c.rows)) << "the time of the rows, not the time asked";
    }
    MakeDriver(21, {{0x0B, 100}});
    float ms = 0;
    ASSERT_EQ(driver->ExposureTimeGet(&ms), 1);
    EXPECT_EQ(ms, RowsMs(4.166666e-5f, 100));
    EXPECT_EQ(State().exposureMs, ms) << "a read stores the time";
}

TEST_F(Mt9v032Test, ClampedRegisterValues) {
    using Set = int (MT9V032Driver::*)(std::uint16_t);
    const struct {
        Set set;
        std::uint16_t reg, value, written;
    } cases[] = {
        {&MT9V032Driver::HorizontalBlankSet, 0x05, 0, 61},   {&MT9V032Driver::HorizontalBlankSet, 0x05, 61, 61},
        {&MT9V032Driver::HorizontalBlankSet, 0x05, 5000, 1023}, {&MT9V032Driver::VerticalBlankSet, 0x06, 0, 3},
        {&MT9V032Driver::VerticalBlankSet, 0x06, 40000, 32288}, {&MT9V032Driver::AecSetMaximum, 0xBD, 0, 1},
        {&MT9V032Driver::AecSetMaximum, 0xBD, 5000, 2047},   {&MT9V032Driver::AecSetMaximum, 0xBD, 600, 600},
        {&MT9V032Driver::AgcSetMaximum, 0x36, 0, 16},        {&MT9V032Driver::AgcSetMaximum, 0x36, 100, 63},
        {&MT9V032Driver::AgcSetMaximum, 0x36, 40, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.reg) + " " + std::to_string(c.value));
        ASSERT_EQ((driver.get()->*c.set)(c.value), 1);
        EXPECT_EQ(host->chip[c.reg], c.written);
    }
    for (const auto& [gain, code] : {std::pair{0, 16}, {1, 17}, {63, 79}, {64, 79}, {1000, 79}}) {
        ASSERT_EQ(driver->GainSet(GainChannel::Green, static_cast<std::uint16_t>(gain)), 1);
        EXPECT_EQ(host->chip[0x35], code) << gain;
    }
    ASSERT_EQ(driver->ExposureLinesSet(0), 1);
    EXPECT_EQ(host->chip[0x0B], 1);
    ASSERT_EQ(driver->ExposureLinesSet(40000), 1);
    EXPECT_EQ(host->chip[0x0B], 32767);
    EXPECT_EQ(State().exposureMs, 50.0f) << "lines leave the stored time alone";

    ASSERT_EQ(driver->GainSet(GainChannel::Red, 20), 1);
    std::uint16_t gain = 0, h = 0, v = 0;
    ASSERT_EQ(driver->GainGet(GainChannel::Blue, &gain), 1);
    EXPECT_EQ(gain, 20) << "one gain for all colours";
    EXPECT_EQ(driver->HorizontalBlankGet(&h), 1);
    EXPECT_EQ(driver->VerticalBlankGet(&v), 1);
    EXPECT_EQ(h, 1023);
    EXPECT_EQ(v, 32288);
    EXPECT_EQ(host->Count("write 11"), 2) << "a new blanking does not re-expose";
}

TEST_F(Mt9v032Test, ReadModeAndControlBits) {
    ASSERT_EQ(driver->FlipSet(true), 1);
    ASSERT_EQ(driver->MirrorSet(true), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0330);
    EXPECT_EQ(host->frameSizes.size(), 2u) << "each drops a frame";
    ASSERT_EQ(driver->FlipSet(false), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0320);
    bool flip = true, mirror = false;
    driver->FlipGet(&flip);
    driver->MirrorGet(&mirror);
    EXPECT_FALSE(flip);
    EXPECT_TRUE(mirror);

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

    host->ClearCounts();
    ASSERT_EQ(driver->FlashControlSet(false, true), 1);
    EXPECT_EQ(host->writes, (test::Writes{{0x1B, 1}, {0x1B, 3}})) << "enable first, then polarity";
    bool enable = true, invert = false;
    ASSERT_EQ(driver->FlashControlGet(&enable, &invert), 1);
    EXPECT_FALSE(enable);
    EXPECT_TRUE(invert);
    ASSERT_EQ(driver->FlashControlSet(true, false), 1);
    EXPECT_EQ(host->chip[0x1B], 0);
    host->failWriteAfter = 0;
    EXPECT_EQ(driver->FlashControlSet(false, true), -8);
}

TEST_F(Mt9v032Test, CompandingKeepsTheOtherBits) {
    MakeDriver(21, {{0x1C, 0x0100}});
    bool on = false;
    ASSERT_EQ(driver->CompandingSet(true), 1);
    EXPECT_EQ(host->chip[0x1C], 0x0103);
    driver->CompandingGet(&on);
    EXPECT_TRUE(on);
    ASSERT_EQ(driver->CompandingSet(false), 1);
    EXPECT_EQ(host->chip[0x1C], 0x0102);
    driver->CompandingGet(&on);
    EXPECT_FALSE(on);
}

TEST_F(Mt9v032Test, CurrentLoopValuesAreReadFromTheChipEachTime) {
    std::uint16_t rows = 0, gain = 0;
    ASSERT_EQ(driver->AecGetCurrent(&rows), 1);
    ASSERT_EQ(driver->AgcGetCurrent(&gain), 1);
    EXPECT_EQ(rows, 211);
    EXPECT_EQ(gain, 33);
    EXPECT_EQ(host->reads, (std::vector<std::uint16_t>{0xBB, 0xBA}));
    host->failReadOf = 0xBB;
    EXPECT_EQ(driver->AecGetCurrent(&rows), -8);
}

}  // namespace
}  // namespace qcx

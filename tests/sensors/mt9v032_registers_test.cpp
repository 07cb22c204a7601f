// MT9V032 register handling: the name table, writes through the copies,
// reading the chip at initialisation, restoring it, and dropping a frame.
#include <string>

#include "sensors/fake_sensor_host.h"

namespace qcx {
namespace {

using test::Mt9v032Test;
using test::Writes;
using Lines = std::vector<std::string>;
using Sizes = std::vector<std::pair<int, int>>;

TEST(Mt9v032RegisterNamesTest, NamedAndNumberedEntries) {
    const std::pair<int, const char*> spots[] = {
        {0x00, "MT9V032REG_CHIP_VERSION"}, {0x0B, "MT9V032REG_TOTAL_SHUTTER_WIDTH"}, {0x10, "0X10"},
        {0x35, "0X35"}, {0x34, "MT9V032REG_V4"}, {0x85, "MT9V032REG_TILE_WEIGHT_GAIN_X0_Y1"},
        {0x9F, "MT9V032REG_TILE_COORD_Y0_5"}, {0xC4, "MT9V032REG_NTSC HORIZ_BLANK_CTRL"}, {0xFF, "CHIP_VERSION"}};
    for (const auto& [reg, name] : spots) EXPECT_STREQ(mt9v032::RegisterName(static_cast<std::uint8_t>(reg)), name);
}

TEST(SensorDriverFactoryTest, OnlyTheMt9v032IsBuiltSoFar) {
    test::FakeSensorHost host(21);
    EXPECT_NE(dynamic_cast<MT9V032Driver*>(CreateSensorDriver(SensorFamily::MT9V032, host).get()), nullptr);
    for (const SensorFamily family : {SensorFamily::Cmos1280x1024, SensorFamily::MT9T001, SensorFamily::MT9P001,
                                      SensorFamily::MT9J001, SensorFamily::ICX205, SensorFamily::Ccd1628x1236})
        EXPECT_EQ(CreateSensorDriver(family, host), nullptr);
}

TEST_F(Mt9v032Test, WritesGoThroughTheCopiesAndAreLogged) {
    host->OpenLog();
    for (const std::uint16_t reg : {0x00, 0x07, 0xBA, 0x100}) EXPECT_EQ(driver->WrSensorReg(reg, 5), -3) << reg;
    host->failWriteAfter = 0;
    EXPECT_EQ(driver->WrSensorReg(0x35, 0x20), -8);
    EXPECT_EQ(driver->Shadow(0x35), 16) << "a failed write keeps the copy";
    host->failWriteAfter = -1;
    EXPECT_EQ(driver->WrSensorReg(0x35, 0x20), 1) << "sent again: the copy never had it";
    EXPECT_EQ(driver->WrSensorReg(0x35, 0x20), 1) << "equal to the copy: not sent";
    ASSERT_EQ(driver->WrSensorReg(0x0B, 300), 1);
    EXPECT_EQ(host->writes, (Writes{{0x35, 0x20}, {0x0B, 300}}));
    EXPECT_EQ(driver->Shadow(0x35), 0x20);
    EXPECT_EQ(host->LogLines(), (Lines{"MT9V032_WrSensorReg( 0X35(0x35), 0x0020(32) ) ",
                                       "MT9V032_WrSensorReg( MT9V032REG_TOTAL_SHUTTER_WIDTH(0xb), 0x012c(300) ) "}));
}

TEST_F(Mt9v032Test, ReadModeChangeDropsOneFrameOfTheBinnedWindow) {
    host->OpenLog();
    host->transfer16 = true;
    host->frameResult = -8;  // whatever its result
    ASSERT_EQ(driver->WrSensorReg(0x0D, 0x0300 | 0x06), 1);  // columns by 2, rows by 4
    ASSERT_EQ(driver->WrSensorReg(0x0D, 0x0306), 1);
    EXPECT_EQ(host->frameSizes, (Sizes{{376, 120}})) << "no change, no frame";
    EXPECT_EQ(host->LogLines(), (Lines{"MT9V032_WrSensorReg( MT9V032REG_READ_MODE(0xd), 0x0306(774) ) ",
                                       "MT9V032 Drap One Frame Enter.Current FOV Mode: FVM_CAPTURE",
                                       "MT9V032 Drap One Frame Width=376, Height=120.",
                                       "MT9V032 Drap One Frame Finished. -8"}));
}

TEST_F(Mt9v032Test, DropOneFrameRefusedWhilePreviewRuns) {
    host->OpenLog();
    host->previewRunning = true;
    State().fovMode = FVM_PREVIEW;
    EXPECT_EQ(driver->DropOneFrame(), -8);
    EXPECT_TRUE(host->frameSizes.empty());
    EXPECT_EQ(host->LogLines(), (Lines{"MT9V032 Drap One Frame Enter.Current FOV Mode: FVM_PREVIEW",
                                       "MT9V032 Drap One Frame Finished. -8"}));
}

TEST_F(Mt9v032Test, ReadRelatedRegValueOrderLogAndFailure) {
    host->OpenLog();
    ASSERT_EQ(driver->ReadRelatedRegValue(), 1);
    EXPECT_EQ(host->reads, (std::vector<std::uint16_t>{0x01, 0x02, 0x04, 0x03, 0x0B, 0x35, 0x05, 0x06, 0xAF, 0xBD,
                                                       0x36, 0x1B, 0x0D, 0x1C}));
    EXPECT_EQ(host->Count("working mode"), 1);
    const Lines lines = host->LogLines();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "MT9V032_ReadRelatedRegValue( MT9V032REG_COLUMN_START, 0x0001(1) ) ");
    EXPECT_EQ(lines[10], "MT9V032_ReadRelatedRegValue( 0X36, 0x0040(64) ");
    EXPECT_EQ(lines[12], "MT9V032_ReadRelatedRegValue( MT9V032REG_READ_MODE, 0x0300(768) ) ");

    host->ClearCounts();
    host->failReadOf = 0x05;
    EXPECT_EQ(driver->ReadRelatedRegValue(), -8);
    EXPECT_EQ(host->reads.back(), 0x05);
    EXPECT_EQ(host->Count("working mode"), 0);
    EXPECT_EQ(driver->Shadow(0x04), 752) << "read before the failure";
    EXPECT_EQ(driver->Shadow(0xAF), 0) << "not read again: cleared";
}

TEST_F(Mt9v032Test, InitializeAdoptsTheChipWindow) {
    MakeDriver(21, {{0x0D, 0x0300 | 0x04}}, false);  // columns binned by 2
    ASSERT_EQ(driver->InitializeSensor(), 1);
    const SensorGeometry& g = State().geometry;
    EXPECT_EQ((std::array{g.columnOffset, g.rowOffset, g.minWidth, g.minHeight, g.maxWidth, g.maxHeight}),
              (std::array{1, 4, 1, 1, 752, 480}));
    for (const FieldOfView& record : State().fov)
        EXPECT_EQ(test::Fields(record), (std::array{1, 4, 752, 480, 1, 0, 376, 480, 376 * 480, 376 * 480}));
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
    EXPECT_EQ(State().bayerMode, 0);
    EXPECT_EQ(host->outputModes, std::vector<int>{1});
    EXPECT_GE(host->Count("size"), 1);
    // No window register is written; only the chip's own loops are turned off.
    EXPECT_EQ(host->writes, (Writes{{0xAF, 0}}));
    EXPECT_FLOAT_EQ(driver->PixelClockMs(), 4.166666e-5f);
}

TEST_F(Mt9v032Test, InitializeOfAGreyVariantFlipsRows) {
    MakeDriver(29, {}, false);
    host->transfer16 = true;
    ASSERT_EQ(driver->InitializeSensor(), 1);
    EXPECT_EQ(host->outputModes, std::vector<int>{0});
    EXPECT_EQ(host->writes, (Writes{{0x0D, 0x0310}, {0xAF, 0}}));
    EXPECT_EQ(host->frameSizes.size(), 1u) << "the read-mode change drops a frame";
    EXPECT_EQ(Capture().bufferBytes, 752 * 480 * 2);
    EXPECT_FLOAT_EQ(driver->PixelClockMs(), 3.703703e-5f);
    int mode = -1;
    EXPECT_EQ(driver->BayerGetDefaultMode(&mode), 1);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(State().bayerMode, 3);
}

TEST_F(Mt9v032Test, InitializeStopsAtAFailingRead) {
    MakeDriver(21, {}, false);
    host->failReadOf = 0x0D;
    EXPECT_EQ(driver->InitializeSensor(), -8);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_TRUE(host->outputModes.empty());
}

TEST_F(Mt9v032Test, RestoreWritesEveryCopyInOrderAndStopsAtAFailure) {
    ASSERT_EQ(driver->WrSensorReg(0x35, 40), 1);
    host->ClearCounts();
    ASSERT_EQ(driver->RestoreRegisters(), 1);
    EXPECT_EQ(host->writes, (Writes{{0x01, 1}, {0x02, 4}, {0x04, 752}, {0x03, 480}, {0x0B, 480}, {0x35, 40},
                                    {0x05, 94}, {0x06, 45}, {0xAF, 0}, {0xBD, 480}, {0x36, 64}, {0x1B, 0},
                                    {0x0D, 0x0300}, {0x1C, 2}}));
    EXPECT_EQ(host->events.back(), "resend");
    EXPECT_TRUE(host->frameSizes.empty()) << "restoring is not a read-mode change";

    host->ClearCounts();
    host->failWriteAfter = 3;
    EXPECT_EQ(driver->RestoreRegisters(), -8);
    EXPECT_EQ(host->writes.size(), 3u);
    EXPECT_EQ(host->Count("resend"), 0);
}

}  // namespace
}  // namespace qcx

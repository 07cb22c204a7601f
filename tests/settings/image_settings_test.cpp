// The exports of the Bayer filter, the colour pipeline and colour correction,
// on simulated cameras with a recording sensor driver.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "camera/device/device.h"
#include "settings/recording_sensor.h"
#include "support/temp_folder.h"

namespace qcx::test {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A map table file: 20-byte header with N records and L entries, then the
// records and the entries (entry i = 255 - i).
std::string MapTableFile(std::uint32_t records, std::uint32_t length) {
    std::string bytes(20 + 8 * records + length, '\xEE');
    for (int i = 0; i < 4; ++i) {
        bytes[12 + i] = static_cast<char>(records >> (8 * i));
        bytes[16 + i] = static_cast<char>(length >> (8 * i));
    }
    for (std::uint32_t i = 0; i < length; ++i) bytes[20 + 8 * records + i] = static_cast<char>(255 - i);
    return bytes;
}

struct Report {
    int calls = 0, state = -1, red = 0, green = 0, blue = 0;
    void* context = nullptr;
};

int QCXAPI_CALL RecordReport(int state, int red, int green, int blue, void* context) {
    Report& report = *static_cast<Report*>(context);
    report = {report.calls + 1, state, red, green, blue, context};
    return 0;
}

class ImageSettingsTest : public SettingsTest {};

TEST_F(ImageSettingsTest, BayerAndFilterModesAreStoredUnchecked) {
    record->defaultBayerMode = 3;
    Open("21");
    int mode = -1;
    EXPECT_EQ(QCX_BayerGetDefaultMode(0, &mode), 1);
    EXPECT_EQ(mode, 3) << "the sensor driver's default";
    EXPECT_EQ(QCX_BayerSetMode(0, 30), 1) << "the header refuses mode 30, the setter does not";
    EXPECT_EQ(QCX_BayerGetMode(0, &mode), 1);
    EXPECT_EQ(mode, 30);
    EXPECT_EQ(QCX_BayerSetMode(0, 9), 1);
    EXPECT_EQ(Device().OutputBitCount(), 32);
    EXPECT_EQ(Device().DisplayHeader()[14], 32) << "the display header takes the new bit count";
    EXPECT_EQ(QCX_FilterSetMode(0, 7), 1);
    EXPECT_EQ(QCX_FilterGetMode(0, &mode), 1);
    EXPECT_EQ(mode, 7);
    EXPECT_EQ(QCX_BayerGetMode(0, nullptr), -1);
    EXPECT_EQ(QCX_FilterGetMode(0, nullptr), -1);
    EXPECT_EQ(QCX_BayerGetDefaultMode(0, nullptr), -1);
    EXPECT_EQ(QCX_BayerGetDefaultMode(5, &mode), -5);
}

TEST_F(ImageSettingsTest, PipelineAdjustmentsRefuseTheValueInForce) {
    Open("21");
    EXPECT_EQ(QCX_GammaOn(0, 256), 1);
    EXPECT_TRUE(Device().Pipeline().gammaOn) << "any non-zero int is on";
    int value = 5, minimum = 0, maximum = 0;
    EXPECT_EQ(QCX_ProcessContrastSet(0, 0), -8);
    EXPECT_EQ(QCX_ProcessContrastSet(0, -500), 1);
    EXPECT_EQ(QCX_ProcessContrastGet(0, &value), 1);
    EXPECT_EQ(value, -128);
    EXPECT_EQ(QCX_ProcessContrastSet(0, -128), -8);
    EXPECT_EQ(QCX_ProcessBrightnessSet(0, 40), 1);
    EXPECT_EQ(QCX_ProcessBrightnessSet(0, 40), -8);
    EXPECT_EQ(QCX_ProcessContrastGet(0, nullptr), -1);
    EXPECT_EQ(QCX_ProcessBrightnessGet(0, nullptr), -1);
    for (auto range : {QCX_ProcessContrastGetRange, QCX_ProcessBrightnessGetRange}) {
        EXPECT_EQ(range(0, &minimum, &maximum), 1);
        EXPECT_EQ((std::pair(minimum, maximum)), (std::pair(-128, 128)));
    }
}

TEST_F(ImageSettingsTest, SaturationIsRefusedOnMonochromeCamerasOnly) {
    Open("22,20");
    int value = 9, minimum = 9, maximum = 9;
    EXPECT_EQ(QCX_ProcessSaturationSet(0, 10), -3);
    EXPECT_EQ(QCX_ProcessSaturationGet(0, &value), -3);
    EXPECT_EQ(QCX_ProcessSaturationGetRange(0, &minimum, &maximum), -3);
    EXPECT_EQ((std::tuple(value, minimum, maximum)), (std::tuple(0, 0, 0)));
    // The grey CCD type 20 is not on the monochrome list.
    EXPECT_EQ(QCX_ProcessSaturationSet(1, 10), 1);
    EXPECT_EQ(QCX_ProcessSaturationSet(1, 10), 1) << "the same saturation again is not refused";
    EXPECT_EQ(QCX_ProcessSaturationGetRange(1, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 128);
}

TEST_F(ImageSettingsTest, BadPixelCorrectionByCameraType) {
    QCX_BYTE first = 0, second = 0;
    QCX_BOOL8 on = 1;
    int mode = 0;
    Open("21");  // none at all
    EXPECT_EQ(QCX_BadPixelCorrectionSetThreshold(0, 1, 2), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 1), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), -3);

    Open("8");  // in the library
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), 1);
    EXPECT_EQ((std::pair<int, int>(first, second)), (std::pair(20, 50)));
    EXPECT_EQ(QCX_BadPixelCorrectionSetThreshold(0, 7, 200), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), 1);
    EXPECT_EQ((std::pair<int, int>(first, second)), (std::pair(7, 200)));
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 5), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ((std::pair(int{on}, mode)), (std::pair(0, 5)));
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, nullptr, &mode), 1) << "null outputs are skipped";
    EXPECT_EQ(Requests(0), 1u) << "only the identification went to the camera";

    Open("25");  // in the camera: the working-mode bits
    unsigned short word = 0;
    Device().Pipeline().badPixelCorrectionOn = true;
    ASSERT_EQ(QCXSimSetWorkingMode(0, 0x0001), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 0), 1);
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), 1);
    EXPECT_EQ(word, 0x000D) << "on sets bit 2, mode 0 sets bit 3, other bits stay";
    EXPECT_FALSE(Device().Pipeline().badPixelCorrectionOn) << "the library's own filter is switched off";
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ((std::pair(int{on}, mode)), (std::pair(1, 0)));
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 3), 1);
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), 1);
    EXPECT_EQ(word, 0x0001);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ((std::pair(int{on}, mode)), (std::pair(0, 1)));
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &first), -3);
    ASSERT_EQ(QCXSimFailRequests(0, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 1), -8) << "a failed working-mode read is returned";
}

TEST_F(ImageSettingsTest, MapTableFilesLoadOrAreRefusedWithTheTableKept) {
    Open("21");
    TempFolder folder;
    const PipelineSettings& pipeline = Device().Pipeline();
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, nullptr), -1);
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, (folder.Path() + "/missing.map").c_str()), -8);
    WriteBytes(folder.Path() + "/long.map", MapTableFile(0, 4097));
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, (folder.Path() + "/long.map").c_str()), -8);
    EXPECT_FALSE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 0);

    WriteBytes(folder.Path() + "/good.map", MapTableFile(2, 256));
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, (folder.Path() + "/good.map").c_str()), 1);
    EXPECT_TRUE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 255);
    EXPECT_EQ(pipeline.mapTable[255], 0);
    EXPECT_EQ(pipeline.mapTable[4095], 255) << "entries past the file keep i >> 4";
    EXPECT_EQ(QCX_LoadMapTableFile(0, 0, nullptr), 1);
    EXPECT_FALSE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 255) << "switching it off keeps the contents";
}

// A stopped camera measures one frame of its own: the simulated MT9T001
// sends byte i of a frame as (i + k) & 0xFF, so in a 16 x 4 BGGR frame the
// region 12 x 2 holds blue 0, 2 ... 10, green 1, 3 ... 11 and 16, 18 ... 26,
// red 17, 19 ... 27 (all plus k).
class ColourCorrectionTest : public ImageSettingsTest {
protected:
    Report report;
    TempFolder folder;
    const std::string file = folder.Path() + "/colour.qcxc";

    void SetUp() override {
        ImageSettingsTest::SetUp();
        record->width = 15;  // count - 1: the capture frame is 16 x 4
        record->height = 3;
        Open("3");
        ASSERT_EQ(QCX_BayerSetMode(0, 0), 1);
        Device().WhiteBalanceRegion() = MeasuringRegion{0, 0, 12, 2};
        ASSERT_EQ(QCX_ColorCorrectSetCallback(0, RecordReport, &report), 1);
    }
    int Mode() {
        int mode = 7;
        EXPECT_EQ(QCX_ColorCorrectGet(0, &mode), 1);
        return mode;
    }
    int Loaded() {
        QCX_BOOL8 loaded = 7;
        EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
        return loaded;
    }
};

TEST_F(ColourCorrectionTest, GreyWorldMeasuresAFrameAndReports) {
    EXPECT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), 1);
    // Means: green 13 (162 / 12 truncated), red 22, blue 5.
    EXPECT_EQ((std::vector{report.calls, report.state, report.red, report.green, report.blue}),
              (std::vector{1, 1, -9, 0, 8}));
    EXPECT_EQ(report.context, &report);
    EXPECT_EQ(Device().Colour().redTable[100], 91);
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(QCX_ColorCorrectGet(0, nullptr), -1);

    // A failed frame read is reported with the offsets reset, and makes no table.
    ASSERT_EQ(QCXSimEmptyFrames(0, 1), 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 2, 0, 0, 0), 1);
    EXPECT_EQ((std::vector{report.calls, report.state, report.red}), (std::vector{2, 1, 0}));
    EXPECT_EQ(Device().Colour().redTable[100], 100);
    EXPECT_EQ(Device().Colour().mode, 2);

    // Mode 0 switches off without reading or reporting.
    unsigned before = 0, after = 0, timedOut = 0;
    ASSERT_EQ(QCXSimGetFrameCounts(0, &before, &timedOut), 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 0, 4, 5, 6), 1);
    ASSERT_EQ(QCXSimGetFrameCounts(0, &after, &timedOut), 1);
    EXPECT_EQ(after, before);
    EXPECT_EQ(report.calls, 2);
    EXPECT_EQ(Device().Colour().redOffset, 0);
    EXPECT_EQ(Device().Colour().redTable[100], 100);
    EXPECT_EQ(Device().Colour().values[2], 6);
}

TEST_F(ColourCorrectionTest, TablesRoundTripThroughAFileAndANullLoadSwitchesOff) {
    EXPECT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), -8) << "nothing to save in mode 0";
    ASSERT_EQ(QCX_ColorCorrectSet(0, 2, 11, 12, 13), 1);
    const ColourCorrection saved = Device().Colour();
    EXPECT_EQ(saved.redTable[255], 255);
    EXPECT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), 1);
    EXPECT_EQ(ReadFile(file).size(), 812u);

    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, nullptr), 1);
    EXPECT_EQ(Loaded(), 0);
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Device().Colour().redTable[3], 3);

    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, file.c_str()), 1);
    EXPECT_EQ(Loaded(), 1);
    const ColourCorrection& now = Device().Colour();
    EXPECT_EQ(now.mode, 2);
    EXPECT_EQ((std::vector{now.values[0], now.values[1], now.values[2]}), (std::vector{11, 12, 13}));
    EXPECT_EQ(now.redTable, saved.redTable);
    EXPECT_EQ(now.greenTable, saved.greenTable);
    EXPECT_EQ(now.blueTable, saved.blueTable);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(Loaded(), 0) << "a new calibration forgets the loaded file";
}

TEST_F(ColourCorrectionTest, AWrongVersionWordIsAVersionError) {
    ASSERT_EQ(QCX_ColorCorrectSet(0, 3, 0, 0, 0), 1);
    ASSERT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), 1);
    std::string bytes = ReadFile(file);
    bytes[6] = 2;
    WriteBytes(file, bytes);
    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, file.c_str()), -15);
    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, (folder.Path() + "/none").c_str()), -8);
    EXPECT_EQ(Loaded(), 0);
}

TEST_F(ImageSettingsTest, ColourCorrectionOnMonochromeCamerasAndTheLoadedFlagOnFailures) {
    QCX_BOOL8 loaded = 1;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), -5) << "no library yet";
    EXPECT_EQ(loaded, 0);
    Open("22");
    Report report;
    EXPECT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), -3);
    EXPECT_EQ(QCX_ColorCorrectSetCallback(0, RecordReport, &report), -3);
    int mode = 5;
    EXPECT_EQ(QCX_ColorCorrectGet(0, &mode), 1);
    EXPECT_EQ(mode, 0);
    loaded = 1;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(3, &loaded), -5);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, nullptr), -1);
}

}  // namespace
}  // namespace qcx::test

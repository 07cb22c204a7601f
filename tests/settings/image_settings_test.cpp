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

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLittleEndian32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A map table file: 20-byte header with N records and L entries, then the
// records and the entries (entry i = 255 - i).
std::vector<std::uint8_t> MapTableFile(std::uint32_t records, std::uint32_t length) {
    std::vector<std::uint8_t> bytes(20 + 8 * records + length, 0xEE);
    PutLittleEndian32(bytes, 12, records);
    PutLittleEndian32(bytes, 16, length);
    for (std::uint32_t i = 0; i < length; ++i) bytes[20 + 8 * records + i] = static_cast<std::uint8_t>(255 - i);
    return bytes;
}

struct Report {
    int calls = 0;
    int state = -1, red = 0, green = 0, blue = 0;
    void* context = nullptr;
};

int QCXAPI_CALL RecordReport(int state, int red, int green, int blue, void* context) {
    Report* report = static_cast<Report*>(context);
    ++report->calls;
    report->state = state;
    report->red = red;
    report->green = green;
    report->blue = blue;
    report->context = context;
    return 0;
}

class ImageSettingsTest : public SettingsTest {};

// ---- Bayer filter ----

TEST_F(ImageSettingsTest, BayerAndFilterModesAreStoredUnchecked) {
    Open("21");
    int mode = -1;
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
}

TEST_F(ImageSettingsTest, DefaultBayerModeComesFromTheSensorDriver) {
    record->defaultBayerMode = 3;
    Open("21");
    int mode = -1;
    EXPECT_EQ(QCX_BayerGetDefaultMode(0, &mode), 1);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(QCX_BayerGetDefaultMode(0, nullptr), -1);
    EXPECT_EQ(QCX_BayerGetDefaultMode(5, &mode), -5);
}

// ---- Colour pipeline ----

TEST_F(ImageSettingsTest, GammaOnTakesAnyNonZeroIntAsOn) {
    Open("21");
    EXPECT_EQ(QCX_GammaOn(0, 256), 1);
    EXPECT_TRUE(Device().Pipeline().gammaOn);
    EXPECT_EQ(QCX_GammaOn(0, 0), 1);
    EXPECT_FALSE(Device().Pipeline().gammaOn);
}

TEST_F(ImageSettingsTest, ContrastAndBrightnessRefuseTheValueInForce) {
    Open("21");
    int value = 5;
    EXPECT_EQ(QCX_ProcessContrastSet(0, 0), -8);
    EXPECT_EQ(QCX_ProcessContrastSet(0, -500), 1);
    EXPECT_EQ(QCX_ProcessContrastGet(0, &value), 1);
    EXPECT_EQ(value, -128);
    EXPECT_EQ(QCX_ProcessContrastSet(0, -128), -8);
    EXPECT_EQ(QCX_ProcessBrightnessSet(0, 40), 1);
    EXPECT_EQ(QCX_ProcessBrightnessSet(0, 40), -8);
    EXPECT_EQ(QCX_ProcessBrightnessGet(0, &value), 1);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(QCX_ProcessContrastGet(0, nullptr), -1);
    EXPECT_EQ(QCX_ProcessBrightnessGet(0, nullptr), -1);

    int minimum = 0, maximum = 0;
    EXPECT_EQ(QCX_ProcessContrastGetRange(0, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, -128);
    EXPECT_EQ(maximum, 128);
    minimum = maximum = 0;
    EXPECT_EQ(QCX_ProcessBrightnessGetRange(0, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, -128);
    EXPECT_EQ(maximum, 128);
}

TEST_F(ImageSettingsTest, SaturationIsRefusedOnMonochromeCamerasOnly) {
    Open("22,20");
    int value = 9, minimum = 9, maximum = 9;
    EXPECT_EQ(QCX_ProcessSaturationSet(0, 10), -3);
    EXPECT_EQ(QCX_ProcessSaturationGet(0, &value), -3);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(QCX_ProcessSaturationGetRange(0, &minimum, &maximum), -3);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 0);
    // The grey CCD type 20 is not on the monochrome list.
    EXPECT_EQ(QCX_ProcessSaturationSet(1, 10), 1);
    EXPECT_EQ(QCX_ProcessSaturationSet(1, 10), 1) << "the same saturation again is not refused";
    EXPECT_EQ(QCX_ProcessSaturationGet(1, &value), 1);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(QCX_ProcessSaturationGetRange(1, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 128);
}

// ---- Bad pixels ----

TEST_F(ImageSettingsTest, SoftwareBadPixelTypesKeepTheirSettingsInTheLibrary) {
    Open("8");
    QCX_BYTE first = 0, second = 0;
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), 1);
    EXPECT_EQ(first, 20);
    EXPECT_EQ(second, 50);
    EXPECT_EQ(QCX_BadPixelCorrectionSetThreshold(0, 7, 200), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), 1);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 200);

    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 5), 1);
    QCX_BOOL8 on = 1;
    int mode = 0;
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(mode, 5);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, nullptr, &mode), 1) << "null outputs are skipped";
    EXPECT_EQ(Requests(0), 1u) << "only the identification went to the camera";
}

TEST_F(ImageSettingsTest, CameraSideBadPixelTypesSwitchTheWorkingModeBits) {
    Open("25");
    Device().Pipeline().badPixelCorrectionOn = true;
    ASSERT_EQ(QCXSimSetWorkingMode(0, 0x0001), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 0), 1);
    unsigned short word = 0;
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), 1);
    EXPECT_EQ(word, 0x000D) << "on sets bit 2, mode 0 sets bit 3, other bits stay";
    EXPECT_FALSE(Device().Pipeline().badPixelCorrectionOn) << "the library's own filter is switched off";
    QCX_BOOL8 on = 0;
    int mode = 9;
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(mode, 0);

    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 3), 1);
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), 1);
    EXPECT_EQ(word, 0x0001);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(mode, 1);

    QCX_BYTE first = 0;
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &first), -3);
    ASSERT_EQ(QCXSimFailRequests(0, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 1), -8) << "a failed working-mode read is returned";
}

TEST_F(ImageSettingsTest, CamerasWithoutBadPixelCorrectionRefuseEveryExport) {
    Open("21");
    QCX_BYTE first = 0, second = 0;
    QCX_BOOL8 on = 0;
    int mode = 0;
    EXPECT_EQ(QCX_BadPixelCorrectionSetThreshold(0, 1, 2), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 1), -3);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), -3);
}

// ---- Map table ----

TEST_F(ImageSettingsTest, MapTableFilesLoadOrAreRefusedWithTheTableKept) {
    Open("21");
    TempFolder folder;
    const PipelineSettings& pipeline = Device().Pipeline();
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, nullptr), -1);
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, (folder.Path() + "/missing.map").c_str()), -8);

    const std::string tooLong = folder.Path() + "/long.map";
    WriteBytes(tooLong, MapTableFile(0, 4097));
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, tooLong.c_str()), -8);
    EXPECT_FALSE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 0);

    const std::string good = folder.Path() + "/good.map";
    WriteBytes(good, MapTableFile(2, 256));
    EXPECT_EQ(QCX_LoadMapTableFile(0, 1, good.c_str()), 1);
    EXPECT_TRUE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 255);
    EXPECT_EQ(pipeline.mapTable[255], 0);
    EXPECT_EQ(pipeline.mapTable[4095], 255) << "entries past the file keep i >> 4";
    EXPECT_EQ(QCX_LoadMapTableFile(0, 0, nullptr), 1);
    EXPECT_FALSE(pipeline.mapTableOn);
    EXPECT_EQ(pipeline.mapTable[0], 255) << "switching it off keeps the contents";
}

// ---- Colour correction ----

// A stopped camera measures one frame of its own: the simulated MT9T001
// sends byte i of a frame as (i + k) & 0xFF, so in a 16 x 4 BGGR frame the
// region 12 x 2 holds blue 0, 2 ... 10, green 1, 3 ... 11 and 16, 18 ... 26,
// red 17, 19 ... 27 (all plus k).
class ColourCorrectionTest : public ImageSettingsTest {
protected:
    Report report;

    void OpenColourCamera() {
        record->width = 15;  // count - 1: the capture frame is 16 x 4
        record->height = 3;
        Open("3");
        ASSERT_EQ(QCX_BayerSetMode(0, 0), 1);
        Device().WhiteBalanceRegion() = MeasuringRegion{0, 0, 12, 2};
        ASSERT_EQ(QCX_ColorCorrectSetCallback(0, RecordReport, &report), 1);
    }
};

TEST_F(ColourCorrectionTest, GreyWorldOnAStoppedCameraMeasuresAFrameAndReports) {
    OpenColourCamera();
    EXPECT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), 1);
    EXPECT_EQ(report.calls, 1);
    EXPECT_EQ(report.state, 1);
    EXPECT_EQ(report.context, &report);
    // Means: green 13 (162 / 12 truncated), red 22, blue 5.
    EXPECT_EQ(report.red, -9);
    EXPECT_EQ(report.green, 0);
    EXPECT_EQ(report.blue, 8);
    EXPECT_EQ(Device().Colour().redTable[100], 91);
    int mode = 0;
    EXPECT_EQ(QCX_ColorCorrectGet(0, &mode), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(QCX_ColorCorrectGet(0, nullptr), -1);
}

TEST_F(ColourCorrectionTest, AFailedFrameReadIsNotReportedAndChangesNoTable) {
    OpenColourCamera();
    ASSERT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), 1);
    ASSERT_EQ(QCXSimEmptyFrames(0, 1), 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 2, 0, 0, 0), 1);
    EXPECT_EQ(report.calls, 2);
    EXPECT_EQ(report.state, 1);
    EXPECT_EQ(report.red, 0) << "the offsets were reset before the read";
    EXPECT_EQ(Device().Colour().redTable[100], 100) << "reset to identity, and no frame, no new table";
    EXPECT_EQ(Device().Colour().mode, 2);
}

TEST_F(ColourCorrectionTest, ModeZeroSwitchesOffWithoutReadingOrReporting) {
    OpenColourCamera();
    ASSERT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), 1);
    unsigned delivered = 0, timedOut = 0;
    ASSERT_EQ(QCXSimGetFrameCounts(0, &delivered, &timedOut), 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 0, 4, 5, 6), 1);
    unsigned after = 0;
    ASSERT_EQ(QCXSimGetFrameCounts(0, &after, &timedOut), 1);
    EXPECT_EQ(after, delivered);
    EXPECT_EQ(report.calls, 1);
    EXPECT_EQ(Device().Colour().redOffset, 0);
    EXPECT_EQ(Device().Colour().redTable[100], 100);
    EXPECT_EQ(Device().Colour().values[2], 6);
}

TEST_F(ColourCorrectionTest, TablesRoundTripThroughAFileAndANullLoadSwitchesOff) {
    OpenColourCamera();
    TempFolder folder;
    const std::string file = folder.Path() + "/colour.qcxc";
    EXPECT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), -8) << "nothing to save in mode 0";

    ASSERT_EQ(QCX_ColorCorrectSet(0, 2, 11, 12, 13), 1);
    const ColourCorrection saved = Device().Colour();
    EXPECT_EQ(saved.redTable[255], 255);
    EXPECT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), 1);
    EXPECT_EQ(ReadFile(file).size(), 812u);

    QCX_BOOL8 loaded = 1;
    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, nullptr), 1);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 0);
    int mode = 7;
    EXPECT_EQ(QCX_ColorCorrectGet(0, &mode), 1);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(Device().Colour().redTable[3], 3);

    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, file.c_str()), 1);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 1);
    const ColourCorrection& now = Device().Colour();
    EXPECT_EQ(now.mode, 2);
    EXPECT_EQ(now.values[0], 11);
    EXPECT_EQ(now.values[2], 13);
    EXPECT_EQ(now.redTable, saved.redTable);
    EXPECT_EQ(now.greenTable, saved.greenTable);
    EXPECT_EQ(now.blueTable, saved.blueTable);

    // A new calibration forgets the loaded file.
    EXPECT_EQ(QCX_ColorCorrectSet(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 0);
}

TEST_F(ColourCorrectionTest, AWrongVersionWordIsAVersionError) {
    OpenColourCamera();
    TempFolder folder;
    const std::string file = folder.Path() + "/colour.qcxc";
    ASSERT_EQ(QCX_ColorCorrectSet(0, 3, 0, 0, 0), 1);
    ASSERT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), 1);
    std::string bytes = ReadFile(file);
    bytes[6] = 2;
    WriteBytes(file, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, file.c_str()), -15);
    EXPECT_EQ(QCX_ColorCorrectTableLoad(0, (folder.Path() + "/none").c_str()), -8);
    QCX_BOOL8 loaded = 1;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 0);
}

TEST_F(ImageSettingsTest, ColourCorrectionIsRefusedOnMonochromeCameras) {
    Open("22");
    Report report;
    EXPECT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), -3);
    EXPECT_EQ(QCX_ColorCorrectSetCallback(0, RecordReport, &report), -3);
    int mode = 5;
    EXPECT_EQ(QCX_ColorCorrectGet(0, &mode), 1);
    EXPECT_EQ(mode, 0);
}

TEST_F(ImageSettingsTest, TableLoadedFlagIsZeroOnEveryFailure) {
    QCX_BOOL8 loaded = 1;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), -5) << "no library yet";
    EXPECT_EQ(loaded, 0);
    Open("21");
    loaded = 1;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(3, &loaded), -5);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, nullptr), -1);
}

}  // namespace
}  // namespace qcx::test

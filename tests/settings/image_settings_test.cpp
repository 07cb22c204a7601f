// The exports of the Bayer filter, the colour pipeline and colour correction,
// on simulated cameras with a recording sensor driver.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "camera/device/device.h"
#include "settings/recording_sensor.h"
#include "support/temp_folder.h"

namespace qcx::test {
namespace {

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

TEST_F(ImageSettingsTest, BayerModesAreStoredUncheckedAndSetTheOutputBitCount) {
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
}

TEST_F(ImageSettingsTest, BadPixelCorrectionByCameraType) {
    QCX_BYTE first = 0, second = 0;
    QCX_BOOL8 on = 1;
    int mode = 0;
    Open("8");  // in the library
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &second), 1);
    EXPECT_EQ((std::pair<int, int>(first, second)), (std::pair(20, 50)));
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 5), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ((std::pair(int{on}, mode)), (std::pair(0, 5)));
    EXPECT_EQ(Requests(0), 1u) << "only the identification went to the camera";

    Open("25");  // in the camera: the working-mode bits
    unsigned short word = 0;
    Device().Pipeline().badPixelCorrectionOn = true;
    ASSERT_EQ(QCXSimSetWorkingMode(0, 0x0001), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 0), 1);
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), 1);
    EXPECT_EQ(word, 0x000D) << "on sets bit 2, mode 0 sets bit 3, other bits stay";
    EXPECT_FALSE(Device().Pipeline().badPixelCorrectionOn) << "the library's own filter is switched off";
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 0, 3), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionGet(0, &on, &mode), 1);
    EXPECT_EQ((std::pair(int{on}, mode)), (std::pair(0, 1)));
    EXPECT_EQ(QCX_BadPixelCorrectionGetThreshold(0, &first, &first), -3);
    ASSERT_EQ(QCXSimFailRequests(0, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_BadPixelCorrectionSet(0, 1, 1), -8) << "a failed working-mode read is returned";
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
};

TEST_F(ColourCorrectionTest, GreyWorldMeasuresAFrameAndReports) {
    EXPECT_EQ(QCX_ColorCorrectSet(0, 1, 0, 0, 0), 1);
    // Means: green 13 (162 / 12 truncated), red 22, blue 5.
    EXPECT_EQ((std::vector{report.calls, report.state, report.red, report.green, report.blue}),
              (std::vector{1, 1, -9, 0, 8}));
    EXPECT_EQ(report.context, &report);
    EXPECT_EQ(Device().Colour().redTable[100], 91);

    // A failed frame read is reported with the offsets reset, and makes no table.
    ASSERT_EQ(QCXSimEmptyFrames(0, 1), 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 2, 0, 0, 0), 1);
    EXPECT_EQ((std::vector{report.calls, report.state, report.red}), (std::vector{2, 1, 0}));
    EXPECT_EQ(Device().Colour().redTable[100], 100);
    EXPECT_EQ(Device().Colour().mode, 2);
}

TEST_F(ColourCorrectionTest, ANewCalibrationForgetsTheLoadedTable) {
    ASSERT_EQ(QCX_ColorCorrectSet(0, 2, 11, 12, 13), 1);
    ASSERT_EQ(QCX_ColorCorrectTableSave(0, file.c_str()), 1);
    ASSERT_EQ(QCX_ColorCorrectTableLoad(0, file.c_str()), 1);
    QCX_BOOL8 loaded = 7;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(QCX_ColorCorrectSet(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(0, &loaded), 1);
    EXPECT_EQ(loaded, 0) << "mode 0 forgets it";
}

}  // namespace
}  // namespace qcx::test

// The generic parameter interface, the Bayer modes and the bad-pixel
// correction through the C exports: how each identifier is bounded and routed
// on simulated cameras of each sensor family, with a recording sensor driver.
#include <gtest/gtest.h>

#include <string>

#include "camera/device/device.h"
#include "settings/recording_sensor.h"

namespace qcx::test {
namespace {

class ParametersTest : public SettingsTest {
protected:
    std::string opened;
    void OpenOnce(const char* cameras) {
        if (opened != cameras) Open(cameras);
        opened = cameras;
    }
};

TEST_F(ParametersTest, SetParamBoundsTheValueAndRoutesItByFamily) {
    const struct {
        const char* camera;
        int parameter, value, status;
        Calls calls;
    } cases[] = {
        {"21", QCX_EXPOSURE, -20, 1, {"exposure 1"}},  // below 1 ms asks for 1 ms
        {"21", QCX_RED, -5, 1, {"gain 0 0"}},  // a negative gain is 0
        {"21", QCX_MIRROR, -2, 1, {"mirror 1"}},  // flags reduce to 0 / 1
        {"21", QCX_CAPTURE_COLUMNSTART, 64, 1, {"window 0 68 2 16 4 0 0"}},  // the other five kept
        {"48", QCX_EXPOSURE_LINES, 0, 1, {"lines 1"}},
        {"48", QCX_BLUE, 400, -3, {}},  // no gain setters on a CCD
        {"0", QCX_MIRROR, 1, -3, {}},  // the 1280 family has no mirror ...
        {"0", QCX_FLIP, 1, 1, {"flip 1"}},  // ... but its flip is the sensor's
        {"3", QCX_COMPANDING, 1, -3, {}},
        {"8", QCX_CAPTURE_ROWSTART, 10, 1, {"window 0 4 12 15 3 0 0"}},  // count - 1 reported as counts
        {"22", QCX_SATURATION, 10, -3, {}},  // monochrome
        {"20", QCX_SATURATION, 10, 1, {}},  // a grey CCD, but not on the monochrome list
        {"20", QCX_FLIP, 7, 1, {}},  // a CCD flips the frames itself
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.camera) + " parameter " + std::to_string(c.parameter));
        const bool countMinusOne = std::string(c.camera) != "21";  // then a 16 x 4 window too
        record->width = countMinusOne ? 15 : 16;
        record->height = countMinusOne ? 3 : 4;
        OpenOnce(c.camera);
        record->calls.clear();
        EXPECT_EQ(QCX_SetParam(0, c.parameter, c.value), c.status);
        EXPECT_EQ(record->calls, c.calls);
    }
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 1) << "the CCD's own flag";
}

TEST_F(ParametersTest, GetParamAndRangeOnlyWhereTheFamilyHasTheValue) {
    const struct {
        const char* camera;
        int parameter, status, value, rangeStatus, minimum, maximum;
    } cases[] = {
        {"21", QCX_BIN, 1, 1, 1, 1, 1},  // fixed on
        {"21", QCX_EXPOSURE, 1, 50, 1, 0, 1000},  // the driver's 0.9 ... 1000.7, truncated
        {"21", QCX_PREVIEW_COLUMNSTART, 1, 0, 1, 0, 640 - 16 - 1},
        {"21", 25, -3, 0, -3, 0, 0},  // one past the last identifier
        {"0", QCX_MIRROR, -3, 0, 1, 0, 1},
        {"13", QCX_HORIZONTALBLANK, -3, 0, 1, 0, 0},  // a zero-width range still succeeds
        {"19", QCX_BLUE, 1, 30, 1, 300, 1023},  // of the CCDs only the ICX205 reads its gains
        {"48", QCX_BLUE, -3, 0, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.camera) + " parameter " + std::to_string(c.parameter));
        OpenOnce(c.camera);
        int value = 77, minimum = 77, maximum = 77;
        EXPECT_EQ(QCX_GetParam(0, c.parameter, &value), c.status);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(QCX_GetParamRange(0, c.parameter, &minimum, &maximum), c.rangeStatus);
        EXPECT_EQ(minimum, c.minimum);
        EXPECT_EQ(maximum, c.maximum);
    }
}

TEST_F(ParametersTest, ExposureReadsRoundHalfUpAndStoreTheTime) {
    Open("21");
    int value = 0;
    for (const auto& [stored, read] : {std::pair{12.5f, 13}, {12.4f, 12}}) {
        record->exposureMs = stored;
        EXPECT_EQ(QCX_GetParam(0, QCX_EXPOSURE, &value), 1);
        EXPECT_EQ(value, read);
        EXPECT_FLOAT_EQ(Device().ExposureMs(), stored);
    }
    EXPECT_EQ(QCX_ExposureTimeSet(0, 0.25f), 1);
    EXPECT_EQ(record->calls.back(), "exposure 0.25") << "the float export passes fractions through";
    record->result = -8;
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 5), -8) << "the driver's failure is returned as it stands";
}

TEST_F(ParametersTest, PipelineParametersUseTheExportsRules) {
    Open("21");
    int value = 0;
    EXPECT_EQ(QCX_SetParam(0, QCX_GAMMA, 12), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_GAMMA, &value), 1);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(QCX_SetParam(0, QCX_CONTRAST, 0), -8) << "contrast already neutral";
    EXPECT_EQ(QCX_SetParam(0, QCX_CONTRAST, -500), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_CONTRAST, &value), 1);
    EXPECT_EQ(value, -128);
    EXPECT_EQ(QCX_GammaOn(0, 256), 1);
    EXPECT_TRUE(Device().Pipeline().gammaOn) << "any non-zero int is on";
}

TEST_F(ParametersTest, ColourShiftsFollowTheOffsetRuleOfTheCurrentMode) {
    Open("21");
    int value = 9;
    // Mode 0: the shift is stored as 0 and the tables stay identity.
    EXPECT_EQ(QCX_SetParam(0, QCX_RED_SHIFT, 300), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_RED_SHIFT, &value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(Device().Colour().redTable[100], 100);

    Device().Colour().mode = 1;
    EXPECT_EQ(QCX_SetParam(0, QCX_RED_SHIFT, 300), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_BLUE_SHIFT, -20), 1);
    for (const auto& [parameter, shift] : {std::pair{QCX_RED_SHIFT, 255}, {QCX_BLUE_SHIFT, -20}, {QCX_GREEN_SHIFT, 0}}) {
        EXPECT_EQ(QCX_GetParam(0, parameter, &value), 1);
        EXPECT_EQ(value, shift) << parameter;
    }
    EXPECT_EQ(Device().Colour().blueTable[10], 0);
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

}  // namespace
}  // namespace qcx::test

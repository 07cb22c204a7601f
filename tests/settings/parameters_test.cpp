// The generic parameter interface through the C exports, on simulated
// cameras of each sensor family with a recording sensor driver.
#include <gtest/gtest.h>

#include <string>

#include "camera/device/device.h"
#include "settings/recording_sensor.h"
#include "support/temp_folder.h"

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

TEST_F(ParametersTest, SetParamStatusesAndWhatReachesTheDriver) {
    const struct {
        const char* camera;
        int parameter, value, status;
        Calls calls;
    } cases[] = {
        {"21", QCX_EXPOSURE, 0, 1, {"exposure 1"}},  // below 1 ms asks for 1 ms
        {"21", QCX_EXPOSURE, -20, 1, {"exposure 1"}},
        {"21", QCX_EXPOSURE, 33, 1, {"exposure 33"}},
        {"21", QCX_RED, -5, 1, {"gain 0 0"}},  // a negative gain is 0
        {"21", QCX_GREEN, 40, 1, {"gain 1 40"}},
        {"21", QCX_BLUE, 63, 1, {"gain 2 63"}},
        {"21", QCX_FLIP, 7, 1, {"flip 1"}},  // flags reduce to 0 / 1
        {"21", QCX_FLIP, 0, 1, {"flip 0"}},
        {"21", QCX_MIRROR, -2, 1, {"mirror 1"}},
        {"21", QCX_COMPANDING, 9, 1, {"companding 1"}},
        {"21", QCX_HORIZONTALBLANK, 200, 1, {"hblank 200"}},
        {"21", QCX_VERTICALBLANK, 300, 1, {"vblank 300"}},
        {"21", QCX_PREVIEW_COLUMNSTART, 64, 1, {"window 1 64 0 16 4 0 0"}},  // the other five kept
        {"21", QCX_BIN, 1, -3, {}},
        {"21", QCX_VGAGAIN, 10, -3, {}},
        {"21", QCX_CLAMPLEVEL, 10, -3, {}},
        {"21", QCX_CDSGAIN, 10, -3, {}},
        {"21", 25, 5, -3, {}},
        {"21", -1, 5, -3, {}},
        {"21", 1000, 5, -3, {}},
        {"48", QCX_EXPOSURE_LINES, 0, 1, {"lines 1"}},
        {"48", QCX_EXPOSURE_LINES, 5000, 1, {"lines 5000"}},
        {"48", QCX_BLUE, 400, -3, {}},  // no gain setters on a CCD
        {"48", QCX_HORIZONTALBLANK, 200, -3, {}},
        {"19", QCX_RED, 400, -3, {}},
        {"13", QCX_HORIZONTALBLANK, 200, -3, {}},
        {"0", QCX_MIRROR, 1, -3, {}},  // the 1280 family has no mirror ...
        {"0", QCX_FLIP, 1, 1, {"flip 1"}},  // ... but its flip is the sensor's
        {"3", QCX_COMPANDING, 1, -3, {}},
        {"8", QCX_CAPTURE_ROWSTART, 10, 1, {"window 0 0 10 16 4 0 0"}},  // count - 1 reported as counts
        {"20", QCX_FLIP, 7, 1, {}},  // a CCD flips the frames itself
        {"20", QCX_MIRROR, 1, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.camera) + " parameter " + std::to_string(c.parameter) + " = " +
                     std::to_string(c.value));
        const bool countMinusOne = std::string(c.camera) != "21";  // then a 16 x 4 window too
        record->width = countMinusOne ? 15 : 16;
        record->height = countMinusOne ? 3 : 4;
        OpenOnce(c.camera);
        record->calls.clear();
        EXPECT_EQ(QCX_SetParam(0, c.parameter, c.value), c.status);
        EXPECT_EQ(record->calls, c.calls);
    }
    EXPECT_TRUE(Device().FlipFlag());
    EXPECT_TRUE(Device().MirrorFlag());
}

TEST_F(ParametersTest, GetParamAndRangeStatusesAndValues) {
    const struct {
        const char* camera;
        int parameter, status, value, rangeStatus, minimum, maximum;
    } cases[] = {
        {"21", QCX_GREEN, 1, 20, 1, 0, 63},
        {"21", QCX_VERTICALBLANK, 1, 45, 1, 3, 32288},
        {"21", QCX_BIN, 1, 1, 1, 1, 1},  // fixed on
        {"21", QCX_CDSGAIN, -3, 0, -3, 0, 0},
        {"21", QCX_VGAGAIN, -3, 0, -3, 0, 0},
        {"21", QCX_CLAMPLEVEL, -3, 0, -3, 0, 0},
        {"21", QCX_EXPOSURE, 1, 50, 1, 0, 1000},  // the driver's 0.9 ... 1000.7, truncated
        {"21", QCX_PREVIEW_COLUMNSTART, 1, 0, 1, 0, 640 - 16 - 1},
        {"21", QCX_PREVIEW_ROWSTART, 1, 0, 1, 0, 480 - 4 - 1},
        {"21", 25, -3, 0, -3, 0, 0},
        {"21", -1, -3, 0, -3, 0, 0},
        {"0", QCX_GREEN, 1, 20, 1, 0, 71},
        {"0", QCX_MIRROR, -3, 0, 1, 0, 1},
        {"0", QCX_BIN, -3, 0, -3, 0, 0},
        {"0", QCX_EXPOSURE_LINES, 1, 100, 1, 1, 16383},
        {"3", QCX_BIN, 0, 0, 1, 0, 1},
        {"3", QCX_COMPANDING, -3, 0, -3, 0, 0},
        {"8", QCX_HORIZONTALBLANK, 1, 94, 1, 0, 4095},
        {"13", QCX_HORIZONTALBLANK, -3, 0, 1, 0, 0},  // a zero-width range still succeeds
        {"13", QCX_BIN, -3, 0, -3, 0, 0},
        {"19", QCX_BLUE, 1, 30, 1, 300, 1023},  // only the ICX205 reads its gains
        {"19", QCX_VERTICALBLANK, -3, 0, -3, 0, 0},
        {"19", QCX_CDSGAIN, 0, 0, 1, 0, 63},
        {"48", QCX_BLUE, -3, 0, 1, 0, 0},
        {"48", QCX_HORIZONTALBLANK, -3, 0, -3, 0, 0},
        {"48", QCX_CLAMPLEVEL, 0, 0, 1, 0, 1023},
        {"48", QCX_GREEN_SHIFT, 1, 0, 1, -255, 255},
        {"48", QCX_EXPOSURE_LINES, 1, 100, 1, 1, 5126940},
        {"49", QCX_SATURATION, 1, 0, 1, -128, 128},
        {"22", QCX_SATURATION, -3, 0, -3, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.camera) + " parameter " + std::to_string(c.parameter));
        OpenOnce(c.camera);
        int value = 77, minimum = 77, maximum = 77;
        if (c.status != 0) {
            EXPECT_EQ(QCX_GetParam(0, c.parameter, &value), c.status);
            EXPECT_EQ(value, c.value);
        }
        EXPECT_EQ(QCX_GetParamRange(0, c.parameter, &minimum, &maximum), c.rangeStatus);
        EXPECT_EQ(minimum, c.minimum);
        EXPECT_EQ(maximum, c.maximum);
    }
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_GAMMA, nullptr), -1);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_GAMMA, &value, nullptr), -1);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_GAMMA, nullptr, &value), -1);
}

TEST_F(ParametersTest, SetParamLogsTheIdentifierNameAndTheValueAsGiven) {
    TempFolder folder;
    ASSERT_EQ(QCX_LogSet(1, folder.Path().c_str()), 1);
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE_LINES, -4), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_SATURATION, 7), 1);
    EXPECT_EQ(QCX_SetParam(0, 25, 7), -3);
    const std::vector<std::string> files = FilesIn(folder.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::string log = ReadFile(folder.Path() + "/" + files[0]);
    EXPECT_NE(log.find(": ParamSet( QCX_EXPOSURE_LINES, -4 ) Enter.\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": ParamSet( QCX_SATURATION, 7 ) Enter.\n"), std::string::npos) << log;
    EXPECT_EQ(log.find(", 7 ) Enter."), log.rfind(", 7 ) Enter.")) << "nothing is logged for identifier 25";
}

TEST_F(ParametersTest, ExposureReadsRoundHalfUpAndStoreTheTime) {
    Open("21");
    int value = 0;
    float ms = 0.0f;
    for (const auto& [stored, read] : {std::pair{12.5f, 13}, {12.4f, 12}}) {
        record->exposureMs = stored;
        EXPECT_EQ(QCX_GetParam(0, QCX_EXPOSURE, &value), 1);
        EXPECT_EQ(value, read);
        EXPECT_FLOAT_EQ(Device().ExposureMs(), stored);
    }
    record->exposureMs = 7.25f;
    EXPECT_EQ(QCX_ExposureTimeGet(0, &ms), 1);
    EXPECT_FLOAT_EQ(ms, 7.25f);
    EXPECT_FLOAT_EQ(Device().ExposureMs(), 7.25f);
    EXPECT_EQ(QCX_ExposureTimeGet(0, nullptr), -1);
    EXPECT_EQ(QCX_ExposureTimeSet(0, 0.25f), 1);
    EXPECT_EQ(record->calls.back(), "exposure 0.25") << "the float export passes fractions through";
    record->result = -8;
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 5), -8) << "the driver's failure is returned as it stands";
}

TEST_F(ParametersTest, WindowStartsReadBackPerRecord) {
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_PREVIEW_COLUMNSTART, 64), 1);
    int w[6] = {};
    EXPECT_EQ(QCX_PreviewGetFieldOfView(0, &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]), 1);
    EXPECT_EQ(std::vector<int>(w, w + 6), (std::vector<int>{64, 0, 16, 4, 0, 0}));
    int value = 0, minimum = -1, maximum = -1;
    EXPECT_EQ(QCX_GetParam(0, QCX_PREVIEW_COLUMNSTART, &value), 1);
    EXPECT_EQ(value, 64);
    EXPECT_EQ(QCX_GetParam(0, QCX_CAPTURE_COLUMNSTART, &value), 1);
    EXPECT_EQ(value, 0) << "the capture window is another record";
    Device().State().fov[FVM_CAPTURE].height = 100;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_CAPTURE_ROWSTART, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 480 - 100 - 1) << "the bound uses the record's own height";

    Open("8");
    EXPECT_EQ(QCX_SetParam(0, QCX_CAPTURE_ROWSTART, 10), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_CAPTURE_ROWSTART, &value), 1);
    EXPECT_EQ(value, 10);
    record->result = -3;
    EXPECT_EQ(QCX_SetParam(0, QCX_CAPTURE_COLUMNSTART, 2), -3) << "the window setter's status is returned";
}

TEST_F(ParametersTest, FlagsReadBackAsZeroOrOne) {
    Open("21");
    int value = 0;
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 7), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 1);
    record->companding = true;
    EXPECT_EQ(QCX_GetParam(0, QCX_COMPANDING, &value), 1);
    EXPECT_EQ(value, 1);

    Open("20");  // a CCD keeps its own flags; the driver is never asked
    record->calls.clear();
    record->result = -8;
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 7), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, -1), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, 0), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_MIRROR, &value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(record->calls.empty());
}

TEST_F(ParametersTest, PipelineParametersUseTheExportsRules) {
    Open("21,22");
    int value = 0;
    EXPECT_EQ(QCX_SetParam(0, QCX_GAMMA, 12), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_GAMMA, &value), 1);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(QCX_SetParam(0, QCX_CONTRAST, 0), -8) << "contrast already neutral";
    EXPECT_EQ(QCX_SetParam(0, QCX_BRIGHTNESS, -20), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_BRIGHTNESS, &value), 1);
    EXPECT_EQ(value, -20);
    EXPECT_EQ(QCX_SetParam(1, QCX_SATURATION, 10), -3);
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

}  // namespace
}  // namespace qcx::test

// The generic parameter interface through the C exports, on simulated
// cameras of each sensor family with a recording sensor driver.
#include <gtest/gtest.h>

#include <string>

#include "camera/device/device.h"
#include "settings/recording_sensor.h"
#include "support/temp_folder.h"

namespace qcx::test {
namespace {

class ParametersTest : public SettingsTest {};

// ---- Identifiers and outputs ----

TEST_F(ParametersTest, IdentifiersOutsideTheEnumerationAreRefusedWithZeroedOutputs) {
    Open("21");
    for (int parameter : {25, -1, 1000}) {
        SCOPED_TRACE(parameter);
        EXPECT_EQ(QCX_SetParam(0, parameter, 5), -3);
        int value = 77;
        EXPECT_EQ(QCX_GetParam(0, parameter, &value), -3);
        EXPECT_EQ(value, 0);
        int minimum = 77, maximum = 77;
        EXPECT_EQ(QCX_GetParamRange(0, parameter, &minimum, &maximum), -3);
        EXPECT_EQ(minimum, 0);
        EXPECT_EQ(maximum, 0);
    }
    int minimum = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_GAMMA, nullptr), -1);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_GAMMA, &minimum, nullptr), -1);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_GAMMA, nullptr, &minimum), -1);
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
    EXPECT_EQ(log.find("ParamSet( (null)"), std::string::npos);
    EXPECT_EQ(log.find(", 7 ) Enter."), log.rfind(", 7 ) Enter.")) << "nothing is logged for identifier 25";
}

// ---- Exposure ----

TEST_F(ParametersTest, ExposureBelowOneMillisecondAsksForOne) {
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 0), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, -20), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 33), 1);
    EXPECT_EQ(record->exposureTimeSets, (std::vector<float>{1.0f, 1.0f, 33.0f}));
    record->result = -8;
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE, 5), -8) << "the driver's failure is returned as it stands";
}

TEST_F(ParametersTest, ExposureReadsRoundHalfUpStoreTheTimeAndTruncateTheRange) {
    Open("21");
    int value = 0;
    record->exposureMs = 12.5f;
    EXPECT_EQ(QCX_GetParam(0, QCX_EXPOSURE, &value), 1);
    EXPECT_EQ(value, 13);
    record->exposureMs = 12.4f;
    EXPECT_EQ(QCX_GetParam(0, QCX_EXPOSURE, &value), 1);
    EXPECT_EQ(value, 12);
    EXPECT_FLOAT_EQ(Device().ExposureMs(), 12.4f);

    float ms = 0.0f;
    record->exposureMs = 7.25f;
    EXPECT_EQ(QCX_ExposureTimeGet(0, &ms), 1);
    EXPECT_FLOAT_EQ(ms, 7.25f);
    EXPECT_FLOAT_EQ(Device().ExposureMs(), 7.25f);
    EXPECT_EQ(QCX_ExposureTimeGet(0, nullptr), -1);
    EXPECT_EQ(QCX_ExposureTimeSet(0, 0.25f), 1);
    EXPECT_EQ(record->exposureTimeSets.back(), 0.25f) << "the float export passes fractions through";

    int minimum = 0, maximum = 0;  // the driver's 0.9 ... 1000.7, truncated
    EXPECT_EQ(QCX_GetParamRange(0, QCX_EXPOSURE, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 1000);
}

TEST_F(ParametersTest, ExposureLinesAreRaisedToOneAndReadBack) {
    Open("48");
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE_LINES, 0), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_EXPOSURE_LINES, 5000), 1);
    EXPECT_EQ(record->exposureLineSets, (std::vector<std::uint32_t>{1, 5000}));
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_EXPOSURE_LINES, &value), 1);
    EXPECT_EQ(value, 5000);
    int minimum = 0, maximum = 0;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_EXPOSURE_LINES, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 1);
    EXPECT_EQ(maximum, 5126940);
}

// ---- Gains ----

TEST_F(ParametersTest, NegativeGainsBecomeZeroAndEachChannelReachesTheDriver) {
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_RED, -5), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_GREEN, 40), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_BLUE, 63), 1);
    ASSERT_EQ(record->gainSets.size(), 3u);
    EXPECT_EQ(record->gainSets[0], std::make_pair(GainChannel::Red, std::uint16_t{0}));
    EXPECT_EQ(record->gainSets[1], std::make_pair(GainChannel::Green, std::uint16_t{40}));
    EXPECT_EQ(record->gainSets[2], std::make_pair(GainChannel::Blue, std::uint16_t{63}));
    int value = -1;
    EXPECT_EQ(QCX_GetParam(0, QCX_GREEN, &value), 1);
    EXPECT_EQ(value, 40);
}

TEST_F(ParametersTest, CcdCamerasRefuseGainSettersAndOnlyTheIcx205ReadsThem) {
    Open("19,48");
    int value = -1;
    EXPECT_EQ(QCX_SetParam(0, QCX_RED, 400), -3);
    EXPECT_EQ(QCX_SetParam(1, QCX_BLUE, 400), -3);
    EXPECT_TRUE(record->gainSets.empty());
    EXPECT_EQ(QCX_GetParam(0, QCX_BLUE, &value), 1);
    EXPECT_EQ(value, 30);
    EXPECT_EQ(QCX_GetParam(1, QCX_BLUE, &value), -3);
    EXPECT_EQ(value, 0);
    int minimum = -1, maximum = -1;
    EXPECT_EQ(QCX_GetParamRange(1, QCX_RED, &minimum, &maximum), 1) << "0 ... 0 is a range, not a refusal";
    EXPECT_EQ(maximum, 0);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_RED, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 300);
    EXPECT_EQ(maximum, 1023);
}

// ---- Windows ----

TEST_F(ParametersTest, AWindowStartChangesAloneAndKeepsTheOtherFiveValues) {
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_PREVIEW_COLUMNSTART, 64), 1);
    ASSERT_EQ(record->windowSets.size(), 1u);
    EXPECT_EQ(record->windowSets[0].first, FVM_PREVIEW);
    const WindowRequest& asked = record->windowSets[0].second;
    EXPECT_EQ(asked.columnStart, 64);
    EXPECT_EQ(asked.rowStart, 0);
    EXPECT_EQ(asked.width, 16);
    EXPECT_EQ(asked.height, 4);

    int start[6] = {};
    EXPECT_EQ(QCX_PreviewGetFieldOfView(0, &start[0], &start[1], &start[2], &start[3], &start[4], &start[5]), 1);
    EXPECT_EQ(start[0], 64);
    EXPECT_EQ(start[1], 0);
    EXPECT_EQ(start[2], 16);
    EXPECT_EQ(start[3], 4);

    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_PREVIEW_COLUMNSTART, &value), 1);
    EXPECT_EQ(value, 64);
    EXPECT_EQ(QCX_GetParam(0, QCX_CAPTURE_COLUMNSTART, &value), 1);
    EXPECT_EQ(value, 0) << "the capture window is another record";
}

TEST_F(ParametersTest, CaptureRowStartOnACountMinusOneFamilyKeepsTheSizesAsReported) {
    record->width = 15;  // count - 1: a 16 x 4 window
    record->height = 3;
    Open("8");
    EXPECT_EQ(QCX_SetParam(0, QCX_CAPTURE_ROWSTART, 10), 1);
    ASSERT_EQ(record->windowSets.size(), 1u);
    EXPECT_EQ(record->windowSets[0].first, FVM_CAPTURE);
    EXPECT_EQ(record->windowSets[0].second.rowStart, 10);
    EXPECT_EQ(record->windowSets[0].second.width, 16);
    EXPECT_EQ(record->windowSets[0].second.height, 4);
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_CAPTURE_ROWSTART, &value), 1);
    EXPECT_EQ(value, 10);
    record->result = -3;
    EXPECT_EQ(QCX_SetParam(0, QCX_CAPTURE_COLUMNSTART, 2), -3) << "the window setter's status is returned";
}

TEST_F(ParametersTest, WindowStartRangesUseTheNativeSizeOfEachRecord) {
    Open("21");
    int minimum = -1, maximum = -1;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_PREVIEW_COLUMNSTART, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 640 - 16 - 1);
    Device().State().fov[FVM_CAPTURE].height = 100;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_CAPTURE_ROWSTART, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 480 - 100 - 1);
    EXPECT_EQ(QCX_GetParamRange(0, QCX_PREVIEW_ROWSTART, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 480 - 4 - 1);
}

// ---- Flags ----

TEST_F(ParametersTest, FlagsReduceAnyNonZeroValueToOne) {
    Open("21");
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 7), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, -2), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_COMPANDING, 9), 1);
    EXPECT_EQ(record->flipSets, std::vector<bool>{true});
    EXPECT_EQ(record->mirrorSets, std::vector<bool>{true});
    EXPECT_EQ(record->compandingSets, std::vector<bool>{true});
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 0), 1);
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 0);
}

TEST_F(ParametersTest, CcdFlipAndMirrorAreTheDevicesOwnFlags) {
    Open("20");
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 7), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, 1), 1);
    EXPECT_TRUE(record->flipSets.empty());
    EXPECT_TRUE(record->mirrorSets.empty());
    EXPECT_TRUE(Device().FlipFlag());
    EXPECT_TRUE(Device().MirrorFlag());
    record->result = -8;  // would show if the driver were asked
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, 0), 1);
    int value = 1;
    EXPECT_EQ(QCX_GetParam(0, QCX_MIRROR, &value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(QCX_GetParam(0, QCX_FLIP, &value), 1);
    EXPECT_EQ(value, 1);
}

TEST_F(ParametersTest, The1280FamilyHasNoMirror) {
    Open("0");
    int value = 5;
    EXPECT_EQ(QCX_SetParam(0, QCX_MIRROR, 1), -3);
    EXPECT_EQ(QCX_GetParam(0, QCX_MIRROR, &value), -3);
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(record->mirrorSets.empty());
    int minimum = -1, maximum = -1;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_MIRROR, &minimum, &maximum), 1);
    EXPECT_EQ(maximum, 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_FLIP, 1), 1) << "its flip is the sensor's";
    EXPECT_EQ(record->flipSets, std::vector<bool>{true});
}

TEST_F(ParametersTest, BinningOnTheMt9v032IsFixedOn) {
    Open("21,13");
    int minimum = -1, maximum = -1, value = 0;
    EXPECT_EQ(QCX_GetParamRange(0, QCX_BIN, &minimum, &maximum), 1);
    EXPECT_EQ(minimum, 1);
    EXPECT_EQ(maximum, 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_BIN, 1), -3);
    EXPECT_EQ(QCX_GetParam(0, QCX_BIN, &value), 1);
    EXPECT_EQ(value, 1);
    // The MT9J001 has none at all.
    EXPECT_EQ(QCX_GetParamRange(1, QCX_BIN, &minimum, &maximum), -3);
    EXPECT_EQ(maximum, 0);
    EXPECT_EQ(QCX_GetParam(1, QCX_BIN, &value), -3);
    EXPECT_EQ(value, 0);
}

// ---- Family tables ----

struct FamilyCase {
    const char* camera;
    int parameter;
    int status;
    int minimum;
    int maximum;
};

TEST_F(ParametersTest, RangesFollowEachFamilysRow) {
    // Cells where families differ, zero-width ranges that still succeed, and refusals.
    const FamilyCase cases[] = {
        {"0", QCX_GREEN, 1, 0, 71},              {"13", QCX_HORIZONTALBLANK, 1, 0, 0},
        {"8", QCX_HORIZONTALBLANK, 1, 0, 4095},  {"21", QCX_VERTICALBLANK, 1, 3, 32288},
        {"19", QCX_VERTICALBLANK, -3, 0, 0},     {"3", QCX_BIN, 1, 0, 1},
        {"0", QCX_BIN, -3, 0, 0},                {"48", QCX_CLAMPLEVEL, 1, 0, 1023},
        {"19", QCX_CDSGAIN, 1, 0, 63},           {"21", QCX_CDSGAIN, -3, 0, 0},
        {"3", QCX_COMPANDING, -3, 0, 0},         {"0", QCX_EXPOSURE_LINES, 1, 1, 16383},
        {"48", QCX_GREEN_SHIFT, 1, -255, 255},   {"49", QCX_SATURATION, 1, -128, 128},
    };
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(std::string(c.camera) + " parameter " + std::to_string(c.parameter));
        QCX_UnInit();
        Open(c.camera);
        int minimum = 99, maximum = 99;
        EXPECT_EQ(QCX_GetParamRange(0, c.parameter, &minimum, &maximum), c.status);
        EXPECT_EQ(minimum, c.minimum);
        EXPECT_EQ(maximum, c.maximum);
    }
}

TEST_F(ParametersTest, BlankingReachesOnlyTheFamiliesThatHaveIt) {
    Open("21,13,48");
    EXPECT_EQ(QCX_SetParam(0, QCX_HORIZONTALBLANK, 200), 1);
    EXPECT_EQ(QCX_SetParam(0, QCX_VERTICALBLANK, 300), 1);
    EXPECT_EQ(record->horizontalBlankSets, std::vector<std::uint16_t>{200});
    EXPECT_EQ(record->verticalBlankSets, std::vector<std::uint16_t>{300});
    int value = 0;
    EXPECT_EQ(QCX_GetParam(0, QCX_VERTICALBLANK, &value), 1);
    EXPECT_EQ(value, 45);
    for (int index : {1, 2}) {
        value = 7;
        EXPECT_EQ(QCX_SetParam(index, QCX_HORIZONTALBLANK, 200), -3);
        EXPECT_EQ(QCX_GetParam(index, QCX_HORIZONTALBLANK, &value), -3);
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(record->horizontalBlankSets.size(), 1u);
}

TEST_F(ParametersTest, FrontEndAndCompandingParametersAreRefusedElsewhere) {
    Open("21,3");
    int value = 7;
    for (int parameter : {QCX_VGAGAIN, QCX_CLAMPLEVEL, QCX_CDSGAIN}) {
        EXPECT_EQ(QCX_SetParam(0, parameter, 10), -3);
        EXPECT_EQ(QCX_GetParam(0, parameter, &value), -3);
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(QCX_SetParam(1, QCX_COMPANDING, 1), -3);
    EXPECT_EQ(QCX_GetParam(1, QCX_COMPANDING, &value), -3);
    EXPECT_TRUE(record->compandingSets.empty());
    record->companding = true;
    EXPECT_EQ(QCX_GetParam(0, QCX_COMPANDING, &value), 1);
    EXPECT_EQ(value, 1);
}

// ---- Colour pipeline and colour correction through the parameters ----

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
    value = 5;
    EXPECT_EQ(QCX_GetParam(1, QCX_SATURATION, &value), -3);
    EXPECT_EQ(value, 0);
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
    EXPECT_EQ(QCX_GetParam(0, QCX_RED_SHIFT, &value), 1);
    EXPECT_EQ(value, 255);
    EXPECT_EQ(QCX_GetParam(0, QCX_BLUE_SHIFT, &value), 1);
    EXPECT_EQ(value, -20);
    EXPECT_EQ(Device().Colour().blueTable[10], 0);
    EXPECT_EQ(QCX_GetParam(0, QCX_GREEN_SHIFT, &value), 1);
    EXPECT_EQ(value, 0);
}

}  // namespace
}  // namespace qcx::test

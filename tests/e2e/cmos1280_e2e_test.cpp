// Simulated 1280 x 1024 CMOS cameras through the shipped library: every type
// opens, frames are the scene's window (skipped, binned, flipped), and the
// chip's registers follow windows, gains, exposure and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/sim_session.h"

namespace {

int Ramp(int c, int r) { return (c + 2 * r) % 256; }

// The ramp as the chip reads output sample (x, y) of a window whose first
// site is (c0, r0): Bayer pairs every `step` pairs, `bin` sites of one colour
// (two apart) averaged on each axis.
int Expected(int x, int y, int c0, int r0, int step, int bin) {
    const int c = c0 + 2 * step * (x / 2) + x % 2, r = r0 + 2 * step * (y / 2) + y % 2;
    int sum = 0;
    for (int j = 0; j < bin; ++j)
        for (int i = 0; i < bin; ++i) sum += Ramp(c + 2 * i, r + 2 * j);
    return (sum + bin * bin / 2) / (bin * bin);
}

class Cmos1280E2E : public e2e::SimSession {
protected:
    std::vector<unsigned char> Raw() {
        int w = 0, h = 0;
        QCX_CaptureGetSize(camera, &w, &h);
        std::vector<unsigned char> frame(static_cast<std::size_t>(w) * h);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        return frame;
    }
    unsigned short Reg(unsigned short reg, int at = -1) {
        unsigned short value = 0xDEAD;
        QCXSimReadSensorReg(at < 0 ? node + camera : at, reg, &value);
        return value;
    }
    unsigned Requests() {
        unsigned count = 0;
        QCXSimGetRequestCount(node + camera, &count);
        return count;
    }
    double FrameMs() {
        double ms = 0;
        QCXSimGetFrameTime(node + camera, &ms);
        return ms;
    }
};

TEST_F(Cmos1280E2E, EveryTypeOpensWithTheFullWindowAndRefusesWhatItLacks) {
    const int types[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
    const std::vector<int> grey = {1, 5, 18, 34, 39}, flash = {4, 5, 17, 18, 38, 39};
    std::string list;
    for (const int type : types) list += (list.empty() ? "" : ",") + std::to_string(type);
    Start(list.c_str());
    for (camera = 0; camera < 10; ++camera) {
        const int type = types[camera];
        const bool isGrey = std::count(grey.begin(), grey.end(), type) > 0;
        std::vector<int> f(6, -1);
        ASSERT_EQ(QCX_CaptureGetFieldOfView(camera, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1) << type;
        EXPECT_EQ(f, (std::vector{0, 0, 1280, 1024, 0, 0})) << type;
        int bits = 0, bayer = -1;
        QCX_CaptureGetSizeEx(camera, nullptr, nullptr, &bits);
        QCX_BayerGetDefaultMode(camera, &bayer);
        EXPECT_EQ((std::vector{bits, bayer}), (std::vector{isGrey ? 8 : 24, 2})) << type;
        EXPECT_EQ(Reg(0x20) >> 15, isGrey ? 1 : 0) << type;

        const unsigned before = Requests();
        const bool hasFlash = std::count(flash.begin(), flash.end(), type) > 0;
        EXPECT_EQ(QCX_FlashControlSet(camera, 1, 0, 0), hasFlash ? 1 : QCX_STATUS_NOT_SUPPORTED) << type;
        EXPECT_EQ(Reg(0x1E) >> 9 & 1, hasFlash ? 1 : 0) << type;
        EXPECT_EQ(QCX_SetParam(camera, QCX_MIRROR, 1), QCX_STATUS_NOT_SUPPORTED);
        EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 640, 480, 2, 0), QCX_STATUS_NOT_SUPPORTED);
        EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 640, 480, 0, 2), QCX_STATUS_NOT_SUPPORTED);
        EXPECT_EQ(Requests(), before + (hasFlash ? 1 : 0)) << "only the flash write reaches the chip";
    }
}

TEST_F(Cmos1280E2E, RawFramesAreTheRampsWindowCroppedSkippedBinnedAndFlipped) {
    Start("0,1");
    std::vector<unsigned char> frame = Raw();
    ASSERT_EQ(frame.size(), 1280u * 1024u);
    // The last two columns and the last row are patched from their neighbours.
    for (int y = 0; y < 1023; y += 7)
        for (int x = 0; x < 1278; ++x) ASSERT_EQ(frame[y * 1280 + x], Ramp(16 + x, 8 + y)) << x << "," << y;

    const struct {
        int width, height, mode, step, bin;
    } windows[] = {{64, 16, 0, 1, 1}, {128, 32, 1, 2, 2}, {256, 64, 3, 4, 1}, {512, 128, 4, 8, 1}};
    for (const auto& k : windows) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 100, 60, k.width, k.height, k.mode, k.mode), 1);
        frame = Raw();
        ASSERT_EQ(frame.size(), 64u * 16u) << "mode " << k.mode;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 62; ++x)
                ASSERT_EQ(frame[y * 64 + x], Expected(x, y, 116, 68, k.step, k.bin)) << k.mode << ": " << x << "," << y;
    }
    // Mode 4 columns round a width up to 32 columns, 8 output samples.
    int width = 0;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 70, 64, 4, 0), 1);
    QCX_CaptureGetFieldOfView(camera, nullptr, nullptr, &width, nullptr, nullptr, nullptr);
    EXPECT_EQ(width, 96);
    // A window placed against the right edge and rounded up past it still
    // sends the frame the camera expects.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 1280 - 1190, 1024 - 343, 1190, 343, 3, 1), 1);
    EXPECT_EQ(Raw().size(), 300u * 172u);

    // The grey camera reads its rows top-down through the chip's row flip.
    camera = 1;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 10, 0, 0), 1);
    frame = Raw();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 62; ++x) ASSERT_EQ(frame[y * 64 + x], Ramp(16 + x, 8 + 9 - y)) << x << "," << y;
}

// The default Bayer mode matches the filter: the picture's red patch is red.
TEST_F(Cmos1280E2E, AColourCaptureOfTheRedPatchIsRed) {
    Start("0,38", "fast", "picture");
    for (camera = 0; camera < 2; ++camera) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 260, 60, 96, 64, 0, 0), 1);
        std::vector<unsigned char> image(96 * 64 * 3);
        ASSERT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
        EXPECT_TRUE(e2e::MostlyRed(image)) << "camera " << camera;
    }
}

TEST_F(Cmos1280E2E, GainsBlankingAndExposureLinesReachTheChip) {
    Start("4,5");
    // A blue code outside the gain table, there before the camera opens.
    ASSERT_EQ(QCXSimWriteSensorReg(node, 0x2C, 0x40), 1);
    int back = -1;
    EXPECT_EQ(QCX_GetParam(camera, QCX_BLUE, &back), QCX_STATUS_FAIL);
    for (const auto& [gain, code, readBack] : {std::tuple{0, 0x04, 4}, {3, 0x04, 4}, {64, 0x60, 64},
                                               {71, 0x67, 71}, {90, 0x67, 71}, {40, 40, 40}}) {
        ASSERT_EQ(QCX_SetParam(camera, QCX_GREEN, gain), 1);
        EXPECT_EQ(QCX_GetParam(camera, QCX_GREEN, &back), 1);
        EXPECT_EQ((std::vector{int{Reg(0x2B)}, int{Reg(0x2E)}, back}), (std::vector{code, code, readBack})) << gain;
    }
    ASSERT_EQ(QCX_SetParam(camera, QCX_RED, 20), 1);
    EXPECT_EQ((std::vector{int{Reg(0x2D)}, int{Reg(0x2B)}}), (std::vector{20, 40}));
    // The grey camera keeps one gain in all five registers.
    ASSERT_EQ(QCX_SetParam(1, QCX_BLUE, 66), 1);
    for (const unsigned short reg : {0x2B, 0x2C, 0x2D, 0x2E, 0x35}) EXPECT_EQ(Reg(reg, node + 1), 0x62) << reg;

    for (const auto& [param, value, reg, kept] :
         {std::tuple{QCX_HORIZONTALBLANK, 5, 0x05, 9}, {QCX_HORIZONTALBLANK, 3000, 0x05, 2047},
          {QCX_VERTICALBLANK, 1, 0x06, 25}, {QCX_EXPOSURE_LINES, 20000, 0x09, 16383},
          {QCX_EXPOSURE_LINES, 1234, 0x09, 1234}}) {
        ASSERT_EQ(QCX_SetParam(camera, param, value), 1);
        EXPECT_EQ(Reg(static_cast<unsigned short>(reg)), kept) << param << " " << value;
    }
    // A reconnected camera gets its colour gains back, not the global one.
    ASSERT_EQ(QCXSimUnplug(node), 1);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    std::vector<unsigned char> frame(1280 * 1024);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    EXPECT_EQ((std::vector{int{Reg(0x2D)}, int{Reg(0x2B)}}), (std::vector{20, 40}));
}

// The camera's exposure is the chip's: with a long exposure the sim's frame
// time is the exposure, for every column reduction.
TEST_F(Cmos1280E2E, TheExposureTheCameraComputesIsTheChipsAndAWindowChangeKeepsTheTimeAsked) {
    Start("0");
    // A shutter delay of the chip's own, there before the camera opens.
    ASSERT_EQ(QCXSimWriteSensorReg(node, 0x0C, 40), 1);
    for (const int mode : {0, 1, 3, 4}) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 1024, 512, mode, 0), 1);
        float exposure = 0;
        ASSERT_EQ(QCX_ExposureTimeSet(camera, 150.0f), 1);
        ASSERT_EQ(QCX_ExposureTimeGet(camera, &exposure), 1);
        EXPECT_NEAR(exposure, FrameMs(), 1e-4) << mode;
        EXPECT_NEAR(exposure, 150.0, 0.05) << mode;
    }
    // A time far from whole rows of the full width: re-applied to a narrow
    // window, it is the asked time that is matched, not the rounded one.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 1280, 1024, 0, 0), 1);
    float asked = 40.0f;
    ASSERT_EQ(QCX_ExposureTimeSet(camera, asked), 1);
    while (std::fabs(FrameMs() - asked) < 0.014) ASSERT_EQ(QCX_ExposureTimeSet(camera, asked += 0.001f), 1);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 1024, 0, 0), 1);
    EXPECT_NEAR(FrameMs(), asked, 0.007);
}

TEST_F(Cmos1280E2E, AFailedWindowChangeIsRepairedByTheNextAndTheSwitchWritesColumnsFirst) {
    Start("0");
    for (int skip = 0; skip < 9; ++skip) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 3, 3), 1);
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, skip % 2 ? QCXSIM_FAIL_REFUSE : QCXSIM_FAIL_STATUS), 1);
        QCX_CaptureSetFieldOfView(camera, 40, 40, 960, 640, 1, 1);
        QCXSimFailRequests(node, 0, 0);
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 40, 40, 960, 640, 1, 1), 1);
        const std::vector<unsigned char> frame = Raw();
        ASSERT_EQ(frame.size(), 480u * 320u) << skip;
        for (int y = 0; y < 319; y += 7)
            for (int x = 0; x < 478; ++x)
                ASSERT_EQ(frame[y * 480 + x], Expected(x, y, 56, 48, 2, 2)) << skip << ": " << x << "," << y;
    }
    // A preview switch binning both axes, cut after each request: the chip
    // never bins rows while its columns are still unbinned.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 800, 600, 1, 1), 1);
    bool columnsOnly = false;
    for (int skip = 0; skip < 12; ++skip) {
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, QCXSIM_FAIL_REFUSE), 1);
        QCX_PreviewStart(camera, 1);
        const int bins = Reg(0x20) >> 3 & 3;  // bit 0 columns, bit 1 rows
        EXPECT_NE(bins, 2) << skip;
        columnsOnly = columnsOnly || bins == 1;
        QCXSimFailRequests(node, 0, 0);
        QCX_PreviewStart(camera, 0);
        ASSERT_EQ(Raw().size(), 800u * 600u) << skip;
    }
    EXPECT_TRUE(columnsOnly);
}

}  // namespace

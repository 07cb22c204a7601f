// Simulated MT9P001 and MT9T001 cameras through the shipped library: every
// type opens, frames are the scene's window (skipped, binned, 16-bit), and
// the chip registers follow windows, gains, exposure and binning.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"

namespace {

// The ramp sample at absolute sensor column c and row r.
int Ramp(int c, int r) { return (c + 2 * r) % 256; }

struct Chip {
    const char* list;  // QCX_SIM entry
    int columnOffset, rowOffset, width, height;
};
constexpr Chip kP{"8", 16, 54, 2592, 1944};
constexpr Chip kT{"3", 32, 20, 2048, 1536};

class Mt9x001E2E : public e2e::SimSession {
protected:
    std::vector<unsigned char> Raw(int bytesPerSample = 1) {
        int w = 0, h = 0;
        QCX_CaptureGetSize(camera, &w, &h);
        std::vector<unsigned char> frame(static_cast<std::size_t>(w) * h * bytesPerSample);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        return frame;
    }
    unsigned short Reg(unsigned short reg) {
        unsigned short value = 0xDEAD;
        QCXSimReadSensorReg(node, reg, &value);
        return value;
    }
    unsigned Requests() {
        unsigned count = 0;
        QCXSimGetRequestCount(node, &count);
        return count;
    }
};

TEST_F(Mt9x001E2E, EveryTypeOpensWithTheFullArrayItsOutputModeAndItsDefaultBayerMode) {
    struct Case {
        const char* entry;
        int width, height, bits, bayer;
    };
    const Case cases[] = {
        {"8", 2592, 1944, 24, 1},        {"9", 2592, 1944, 8, 1},          {"10:0:0x0107", 2592, 1944, 24, 2},
        {"10:0:0x0108", 2592, 1944, 24, 1}, {"11:0:0x0009", 2592, 1944, 8, 2}, {"31", 2592, 1944, 24, 2},
        {"32", 2592, 1944, 8, 2},        {"41", 2592, 1944, 24, 2},        {"42", 2592, 1944, 8, 2},
        {"3:0:0x0105", 2048, 1536, 24, 1}, {"3:0:0x0106", 2048, 1536, 24, 2}, {"12:0:0x0009", 2048, 1536, 24, 1},
        {"7", 2048, 1536, 24, 2},        {"30", 2048, 1536, 24, 2},        {"35", 2048, 1536, 24, 2},
        {"40", 2048, 1536, 24, 2},
    };
    std::string list;
    for (const Case& k : cases) list += std::string(list.empty() ? "" : ",") + k.entry;
    Start(list.c_str());
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const Case& k = cases[i];
        std::vector<int> f(6, -1);
        ASSERT_EQ(QCX_CaptureGetFieldOfView(i, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1) << k.entry;
        EXPECT_EQ(f, (std::vector{0, 0, k.width, k.height, 0, 0})) << k.entry;
        int bits = 0, bayer = -1;
        EXPECT_EQ(QCX_CaptureGetSizeEx(i, nullptr, nullptr, &bits), 1);
        EXPECT_EQ(QCX_BayerGetDefaultMode(i, &bayer), 1);
        EXPECT_EQ((std::vector{bits, bayer}), (std::vector{k.bits, k.bayer})) << k.entry;
    }
}

// A colour capture of the picture's red patch comes out red: the default
// Bayer mode matches the filter the camera carries.
TEST_F(Mt9x001E2E, TheDefaultBayerModeGivesTheSceneItsColours) {
    Start("8,10:0:0x0108,10,31,3,3:0:0x0106,7", "fast", "picture");
    for (camera = 0; camera < 7; ++camera) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 480, 120, 96, 64, 0, 0), 1);
        std::vector<unsigned char> image(96 * 64 * 3);
        ASSERT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
        EXPECT_TRUE(e2e::MostlyRed(image)) << "camera " << camera;
    }
}

TEST_F(Mt9x001E2E, RawFramesAreTheScenesWindowFullSizeCroppedFlippedSkippedAndBinned) {
    for (const Chip& chip : {kP, kT}) {
        SCOPED_TRACE(chip.list);
        Start((std::string(chip.list) + ",9").c_str());
        std::vector<unsigned char> frame = Raw();
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(chip.width) * chip.height);
        // The last two columns and the last row are patched from their neighbours.
        for (int y = 0; y < chip.height - 1; y += 7)
            for (int x = 0; x < chip.width - 2; ++x)
                ASSERT_EQ(frame[y * chip.width + x], Ramp(chip.columnOffset + x, chip.rowOffset + y)) << x << "," << y;

        // Skipping by 2 keeps pairs of columns and rows; binning averages
        // each site with the same colour's neighbour two sites on.
        for (const bool binned : {false, true}) {
            ASSERT_EQ(QCX_SetParam(camera, QCX_BIN, binned), 1);
            ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 100, 60, 400, 200, 1, 1), 1);
            frame = Raw();
            ASSERT_EQ(frame.size(), 200u * 100u);
            for (int y = 0; y < 99; ++y) {
                for (int x = 0; x < 198; ++x) {
                    const int c = chip.columnOffset + 100 + 4 * (x / 2) + x % 2;
                    const int r = chip.rowOffset + 60 + 4 * (y / 2) + y % 2;
                    int expect = Ramp(c, r);
                    if (binned) {
                        const int sum = Ramp(c, r) + Ramp(c + 2, r) + Ramp(c, r + 2) + Ramp(c + 2, r + 2);
                        expect = (sum + 2) / 4;
                    }
                    ASSERT_EQ(frame[y * 200 + x], expect) << x << "," << y << " binned " << binned;
                }
            }
        }
        QCX_UnInit();
    }
    // The grey MT9P001 reads its rows bottom-up: the chip's row flip is on.
    Start("9");
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 10, 0, 0), 1);
    const std::vector<unsigned char> frame = Raw();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 62; ++x) ASSERT_EQ(frame[y * 64 + x], Ramp(16 + x, 54 + 9 - y)) << x << "," << y;
}

TEST_F(Mt9x001E2E, SixteenBitTransferCarriesTwelveBitSamplesOnTypes31And32Only) {
    Start("31,32,8");
    for (camera = 0; camera < 2; ++camera) {
        ASSERT_EQ(QCX_SetData16Bits(camera, 1), 1);
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 8, 0, 0), 1);
        int dataBits = 0;
        QCX_CaptureGetSizeExEx(camera, nullptr, nullptr, nullptr, &dataBits);
        EXPECT_EQ(dataBits, 16);
        const std::vector<unsigned char> frame = Raw(2);
        for (int i = 0; i < 64 * 8; ++i) {
            const int x = i % 64, y = i / 64;
            const int row = camera == 1 ? 54 + 7 - y : 54 + y;  // type 32 is grey: row flip
            ASSERT_EQ(frame[2 * i] | frame[2 * i + 1] << 8, Ramp(16 + x, row) * 16) << i;
        }
        // The colour capture demosaics the 16-bit samples into 16-bit channels.
        std::vector<unsigned char> image(64 * 8 * 6);
        EXPECT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
    }
    node += 2;
    ASSERT_EQ(QCX_DeviceGetInformation(2, nullptr, nullptr, nullptr), 1);
    const unsigned before = Requests();
    EXPECT_EQ(QCX_SetData16Bits(2, 1), QCX_STATUS_NOT_SUPPORTED);
    QCX_BOOL8 on = 1;
    EXPECT_EQ(QCX_GetData16Bits(2, &on), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Requests(), before) << "nothing reaches the type 8 camera";
}

TEST_F(Mt9x001E2E, WindowsGainsExposureAndBinningReachTheChip) {
    Start("8,3,9");
    const int p = 0, t = 1, grey = 2;
    const int base = node;  // the node of camera p; Reg() reads the camera at `node`
    // Cameras claim nodes in the order they are first used.
    ASSERT_EQ(QCX_DeviceGetInformation(p, nullptr, nullptr, nullptr), 1);
    // A blue gain code outside the table and skipping by 4 in the columns,
    // there before the camera opens.
    ASSERT_EQ(QCXSimWriteSensorReg(node + t, 0x2C, 0x40), 1);
    ASSERT_EQ(QCXSimWriteSensorReg(node + t, 0x23, 0x03), 1);
    int mode = -1, w = 0, h = 0;
    ASSERT_EQ(QCX_CaptureGetFieldOfView(t, nullptr, nullptr, nullptr, nullptr, &mode, nullptr), 1);
    QCX_CaptureGetSize(t, &w, &h);
    EXPECT_EQ((std::vector{mode, w, h}), (std::vector{3, 512, 1536})) << "the camera adopts the chip's window";
    // Full size is stored as count - 1; mode 4 divides by eight.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(p, 0, 0, 2592, 1944, 4, 4), 1);
    QCX_CaptureGetSize(p, &w, &h);
    EXPECT_EQ((std::vector{w, h, int{Reg(0x04)}, int{Reg(0x03)}}), (std::vector{324, 243, 2591, 1943}));
    // Binning rewrites both address modes at once, each chip its own way.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(p, 0, 0, 1000, 600, 2, 1), 1);
    ASSERT_EQ(QCX_SetParam(p, QCX_BIN, 1), 1);
    EXPECT_EQ((std::vector{Reg(0x23), Reg(0x22)}), (std::vector<unsigned short>{0x22, 0x11}));
    node = base + t;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(t, 0, 0, 1000, 600, 2, 3), 1);
    ASSERT_EQ(QCX_SetParam(t, QCX_BIN, 1), 1);
    EXPECT_EQ((std::vector{Reg(0x23), Reg(0x22)}), (std::vector<unsigned short>{0x12, 0x13}));
    // The exposure the camera computes for binned rows is the one the chip
    // makes: a long exposure sets the frame time.
    for (const int chip : {p, t}) {
        float exposure = 0;
        double frameMs = 0;
        ASSERT_EQ(QCX_ExposureTimeSet(chip, 300.0f), 1);
        ASSERT_EQ(QCX_ExposureTimeGet(chip, &exposure), 1);
        ASSERT_EQ(QCXSimGetFrameTime(base + chip, &frameMs), 1);
        EXPECT_NEAR(exposure, frameMs, 0.01) << chip;
    }

    // Gains: the top of the table, one run start, and past the top.
    for (const auto& [gain, code] : {std::pair{194, 0x1FFF}, {64, 0x5F}, {300, 0x1FFF}, {0, 0}}) {
        ASSERT_EQ(QCX_SetParam(t, QCX_RED, gain), 1);
        int back = -1;
        EXPECT_EQ(QCX_GetParam(t, QCX_RED, &back), 1);
        EXPECT_EQ((std::vector{int{Reg(0x2D)}, back}), (std::vector{code, gain > 194 ? 194 : gain}));
    }
    ASSERT_EQ(QCX_SetParam(t, QCX_GREEN, 20), 1);
    unsigned before = Requests();
    ASSERT_EQ(QCX_SetParam(t, QCX_GREEN, 20), 1);
    EXPECT_EQ(Requests(), before) << "an unchanged green is not sent";
    // Blanking is clamped into each chip's range.
    ASSERT_EQ(QCX_SetParam(t, QCX_VERTICALBLANK, 1), 1);
    EXPECT_EQ(Reg(0x06), 3);
    node = base + p;
    ASSERT_EQ(QCX_SetParam(p, QCX_HORIZONTALBLANK, 5000), 1);
    EXPECT_EQ(Reg(0x05), 4095);
    // The colour MT9P001 writes both greens.
    ASSERT_EQ(QCX_SetParam(p, QCX_RED, 5), 1);
    ASSERT_EQ(QCX_SetParam(p, QCX_BLUE, 100), 1);
    ASSERT_EQ(QCX_SetParam(p, QCX_GREEN, 64), 1);
    EXPECT_EQ((std::vector{int{Reg(0x2D)}, int{Reg(0x2C)}, int{Reg(0x2B)}, int{Reg(0x2E)}}),
              (std::vector{5, 0x1FB, 0x5F, 0x5F}));
    node = base + t;
    // A code outside the table cannot be read back as a gain.
    int back = 0;
    EXPECT_EQ(QCX_GetParam(t, QCX_BLUE, &back), QCX_STATUS_FAIL);
    // The grey MT9P001 has one gain for all three channels.
    node = base + grey;
    ASSERT_EQ(QCX_SetParam(grey, QCX_BLUE, 70), 1);
    EXPECT_EQ(Reg(0x35), 0x65);
    EXPECT_EQ(QCX_GetParam(grey, QCX_RED, &back), 1);
    EXPECT_EQ(back, 70);

    // Exposure lines clamp at both ends; a time comes back as whole rows.
    node = base;
    for (const auto& [lines, kept] : {std::pair{0, 1}, {70000, 65535}, {1234, 1234}}) {
        ASSERT_EQ(QCX_SetParam(p, QCX_EXPOSURE_LINES, lines), 1);
        EXPECT_EQ((std::vector{int{Reg(0x08)}, int{Reg(0x09)}}), (std::vector{0, kept}));
    }
    for (const int chip : {p, t}) {
        float got = 0;
        int minimum = -1, maximum = 0;
        ASSERT_EQ(QCX_ExposureTimeSet(chip, 40.0f), 1);
        ASSERT_EQ(QCX_ExposureTimeGet(chip, &got), 1);
        ASSERT_EQ(QCX_GetParamRange(chip, QCX_EXPOSURE, &minimum, &maximum), 1);
        EXPECT_NEAR(got, 40.0f, 0.2f) << chip;
        EXPECT_EQ(minimum, 0) << "one row is well under a millisecond";
        EXPECT_GT(maximum, 1000);
        // A second set of the time it reported keeps the rows.
        unsigned short rows = Reg(0x09);
        ASSERT_EQ(QCX_ExposureTimeSet(chip, got), 1);
        EXPECT_EQ(Reg(0x09), rows);
        // Another width and modes change the row time; the exposure keeps its time.
        ASSERT_EQ(QCX_CaptureSetFieldOfView(chip, 0, 0, 400, 300, 0, 0), 1);
        ASSERT_EQ(QCX_ExposureTimeGet(chip, &got), 1);
        EXPECT_NEAR(got, 40.0f, 0.2f) << chip;
        EXPECT_NE(Reg(0x09), rows);
        EXPECT_EQ((std::vector{int{Reg(0x23)}, int{Reg(0x22)}}), (std::vector{0, 0})) << "mode 0, binning on";
        node = base + t;
    }
}

TEST_F(Mt9x001E2E, AFailedRequestInAWindowChangeLeavesTheRecordEqualToTheChipAndTheNextSwitchMendsIt) {
    Start("8");
    const auto expectRecordOnChip = [&](int mode, const char* when) {
        int c = 0, r = 0, w = 0, h = 0;
        if (mode == 0) QCX_CaptureGetFieldOfView(camera, &c, &r, &w, &h, nullptr, nullptr);
        else QCX_PreviewGetFieldOfView(camera, &c, &r, &w, &h, nullptr, nullptr);
        EXPECT_EQ((std::vector{c + 16, r + 54, w - 1, h - 1}),
                  (std::vector{int{Reg(0x02)}, int{Reg(0x01)}, int{Reg(0x04)}, int{Reg(0x03)}}))
            << when;
    };
    // A window change that fails at its first, second, ... write.
    for (int skip = 0; skip < 6; ++skip) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 0, 0), 1);
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, skip % 2 ? QCXSIM_FAIL_REFUSE : QCXSIM_FAIL_STATUS), 1);
        EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 40, 40, 960, 640, 1, 1), QCX_STATUS_FAIL) << skip;
        expectRecordOnChip(0, "after a failed window change");
    }
    // A preview start whose switch fails part-way leaves the chip with parts
    // of both windows; the switch back to the capture window mends it.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 40, 40, 960, 640, 0, 0), 1);
    for (int skip = 0; skip < 6; ++skip) {
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, QCXSIM_FAIL_REFUSE), 1);
        QCX_PreviewStart(camera, 1);
        QCX_PreviewStart(camera, 0);
        EXPECT_EQ(Raw().size(), 800u * 600u);
        expectRecordOnChip(0, "after the switch back");
    }
}

TEST_F(Mt9x001E2E, UnpluggingDuringAFiveMegapixelFrameEndsTheReadAndReplugRestoresTheWindow) {
    Start("8", "realtime");
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 2000, 1500, 0, 0), 1);
    std::vector<unsigned char> frame(2592 * 1944);
    int status = 0;
    std::thread capture([&] { status = QCX_CaptureRawData(camera, frame.data()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // within the frame time
    ASSERT_EQ(QCXSimUnplug(node), 1);
    capture.join();
    EXPECT_TRUE(status == QCX_STATUS_FAIL || status == QCX_STATUS_RECOVERY_FAIL) << status;
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
    EXPECT_EQ((std::vector{int{Reg(0x04)}, int{Reg(0x03)}}), (std::vector{1999, 1499})) << "restored after replug";
}

TEST_F(Mt9x001E2E, ARecoveryWhileTheCameraIsUnpluggedDoesNotTakeTheNextCameraForIt) {
    Start("21,8");
    const int first = 0, second = 1;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(first, 0, 0, 400, 300, 0, 0), 1);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(second, 0, 0, 200, 100, 0, 0), 1);
    std::vector<unsigned char> frame(752 * 480);
    // The second camera moves down to the first one's node meanwhile.
    ASSERT_EQ(QCXSimUnplug(node + first), 1);
    EXPECT_NE(QCX_CaptureRawData(first, frame.data()), 1);
    EXPECT_EQ(QCX_CaptureRawData(second, frame.data()), 1) << "the second camera keeps its own window";
    EXPECT_EQ(Reg(0x04), 199);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_EQ(QCX_CaptureRawData(first, frame.data()), 1);
    EXPECT_EQ(QCX_CaptureRawData(second, frame.data()), 1);
}

}  // namespace

// Simulated MT9J001 cameras through the shipped library: every variant opens
// with its array, frames are the scene's window, windows land on the chip's
// address registers with the chip's steps, and a new exposure costs the
// capture frame it spoils.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"
#include "support/temp_folder.h"

namespace {

int Ramp(int c, int r) { return (c + 2 * r) % 256; }

constexpr unsigned short kXStart = 0x3004, kXEnd = 0x3008, kYStart = 0x3002, kYEnd = 0x3006;
constexpr unsigned short kCoarse = 0x3012, kReadMode = 0x3040;

class Mt9j001E2E : public e2e::SimSession {
protected:
    unsigned short Reg(unsigned short reg) { return e2e::SimSensorReg(node, reg); }
    unsigned Requests() { return e2e::SimRequests(node); }
    unsigned Delivered() {
        unsigned delivered = 0;
        QCXSimGetFrameCounts(node, &delivered, nullptr);
        return delivered;
    }
    std::vector<unsigned char> Raw() {
        int w = 0, h = 0;
        QCX_CaptureGetSize(camera, &w, &h);
        std::vector<unsigned char> frame(static_cast<std::size_t>(w) * h);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        return frame;
    }
};

TEST_F(Mt9j001E2E, EveryVariantOpensWithItsArrayAndBayerModeAndTypes15And16DoNot) {
    struct Case {
        const char* entry;
        int width, height, bayer;
    };
    const Case cases[] = {
        {"13", 3488, 2616, 1}, {"25", 3488, 2616, 2}, {"43", 3488, 2616, 2},
        {"14:0:0x0104", 3856, 2764, 1}, {"14:0:0x0105", 3856, 2764, 2}, {"14:0:0x0204", 3856, 2764, 2},
        {"26", 3856, 2764, 2}, {"44", 3856, 2764, 2}, {"27", 4608, 3288, 2}, {"45", 4608, 3288, 2},
    };
    std::string list;
    for (const Case& k : cases) list += std::string(list.empty() ? "" : ",") + k.entry;
    Start((list + ",15,16").c_str());
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const Case& k = cases[i];
        std::vector<int> f(6, -1);
        ASSERT_EQ(QCX_CaptureGetFieldOfView(i, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]), 1) << k.entry;
        EXPECT_EQ(f, (std::vector{0, 0, k.width, k.height, 0, 0})) << k.entry;
        int bits = 0, bayer = -1;
        EXPECT_EQ(QCX_CaptureGetSizeEx(i, nullptr, nullptr, &bits), 1);
        EXPECT_EQ(QCX_BayerGetDefaultMode(i, &bayer), 1);
        EXPECT_EQ((std::vector{bits, bayer}), (std::vector{24, k.bayer})) << k.entry;
    }
    for (const int index : {10, 11}) {
        int bayer = -1;
        EXPECT_EQ(QCX_BayerGetDefaultMode(index, &bayer), QCX_STATUS_NOT_INITIALIZED) << index;
        // The camera that did not open leaves its chip alone: no window
        // switch, no exposure, no frame.
        unsigned delivered = 7;
        QCXSimGetFrameCounts(node + index, &delivered, nullptr);
        EXPECT_EQ(delivered, 0u) << index;
    }
}

// Raw frames read the ramp at the window's absolute addresses; a colour
// capture of the picture's red patch is red on every colour order.
TEST_F(Mt9j001E2E, FramesAreTheScenesWindowAndTheDefaultBayerModeGivesItsColours) {
    Start("27,13");
    std::vector<unsigned char> frame = Raw();
    ASSERT_EQ(frame.size(), 4608u * 3288u);
    for (int y = 0; y < 3287; y += 97)
        for (int x = 0; x < 4606; ++x) ASSERT_EQ(frame[y * 4608 + x], Ramp(8 + x, 8 + y)) << x << "," << y;

    for (camera = 0; camera < 2; ++camera) {
        const int columnOffset = camera == 0 ? 8 : 0;
        // Every other pair of columns and every fourth pair of rows.
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 100, 60, 400, 200, 1, 3), 1);
        frame = Raw();
        ASSERT_EQ(frame.size(), 200u * 50u);
        for (int y = 0; y < 49; ++y)
            for (int x = 0; x < 198; ++x)
                ASSERT_EQ(frame[y * 200 + x],
                          Ramp(columnOffset + 100 + 4 * (x / 2) + x % 2, 8 + 60 + 8 * (y / 2) + y % 2))
                    << x << "," << y;
        ASSERT_EQ(QCX_SetParam(camera, QCX_FLIP, 1), 1);
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 8, 0, 0), 1);
        frame = Raw();
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 62; ++x) ASSERT_EQ(frame[y * 64 + x], Ramp(columnOffset + x, 8 + 7 - y));
    }

    QCX_UnInit();
    Start("27,13,14:0:0x0104", "fast", "picture");
    for (camera = 0; camera < 3; ++camera) {
        int width = 0, height = 0;
        QCX_CaptureGetSize(camera, &width, &height);
        // The red patch: second of the top row.
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, width * 22 / 100, height * 8 / 100, 200, 160, 0, 0), 1);
        std::vector<unsigned char> image(200 * 160 * 3);
        ASSERT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
        EXPECT_TRUE(e2e::MostlyRed(image)) << "camera " << camera;
    }
}

TEST_F(Mt9j001E2E, WindowsLandOnTheAddressRegistersWithTheChipsSteps) {
    Start("26,13");
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, nullptr, nullptr), 1);
    struct Case {
        int width, height, columnMode, rowMode;
        int xSpan, ySpan, outWidth, outHeight;  // end - start of the address pairs
    };
    const Case cases[] = {
        {1000, 100, 0, 0, 999, 99, 1000, 100},   // already a step of 4: count - 1
        {1001, 101, 0, 0, 1003, 101, 1004, 102},  // up to the step; an odd height stands for the next rows
        {1001, 101, 1, 1, 1007, 101, 504, 51},    // steps of 8 and 2
        {1001, 101, 3, 3, 1007, 103, 252, 26},    // steps of 16 and 4
        {3856, 2764, 3, 0, 3855, 2763, 964, 2764},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.width);
        ASSERT_EQ(QCX_CaptureSetFieldOfView(0, 10, 20, k.width, k.height, k.columnMode, k.rowMode), 1);
        int w = 0, h = 0;
        QCX_CaptureGetSize(0, &w, &h);
        const int xStart = Reg(kXStart), yStart = Reg(kYStart);
        EXPECT_EQ((std::vector{Reg(kXEnd) - xStart, Reg(kYEnd) - yStart, w, h}),
                  (std::vector{k.xSpan, k.ySpan, k.outWidth, k.outHeight}));
        if (k.width < 3856) {
            EXPECT_EQ((std::vector{xStart, yStart}), (std::vector{10 + 8, 20 + 8}));
        }
    }
    // Modes 2 and 4 are refused before anything reaches the camera.
    const unsigned before = Requests();
    EXPECT_EQ(QCX_CaptureSetFieldOfView(0, 0, 0, 640, 480, 2, 0), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_PreviewSetFieldOfView(0, 0, 0, 640, 480, 0, 4), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(Requests(), before);
    // Type 13 reads no fewer than 8 rows.
    int height = 0;
    ASSERT_EQ(QCX_CaptureSetFieldOfView(1, 0, 0, 64, 2, 0, 0), 1);
    QCX_CaptureGetSize(1, nullptr, &height);
    EXPECT_EQ(height, 8);
}

TEST_F(Mt9j001E2E, GainsExposureAndTheFlipsReachTheChip) {
    Start("27");
    ASSERT_EQ(QCX_SetParam(camera, QCX_GREEN, 200), 1);
    EXPECT_EQ((std::vector{Reg(0x302A), Reg(0x3030), Reg(0x302C)}), (std::vector<unsigned short>{194, 194, 8}));
    ASSERT_EQ(QCX_SetParam(camera, QCX_RED, 17), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_BLUE, 0), 1);
    int red = -1, blue = -1;
    QCX_GetParam(camera, QCX_RED, &red);
    QCX_GetParam(camera, QCX_BLUE, &blue);
    EXPECT_EQ((std::vector{red, blue, int{Reg(0x302E)}}), (std::vector{17, 0, 0}));
    ASSERT_EQ(QCX_SetParam(camera, QCX_MIRROR, 1), 1);
    EXPECT_EQ(Reg(kReadMode) & 0xC000, 0x4000);

    // The exposure the camera computes is the chip's: a long one sets the
    // frame time; the range ends where the lines do.
    float exposure = 0;
    double frameMs = 0;
    ASSERT_EQ(QCX_ExposureTimeSet(camera, 900.0f), 1);
    ASSERT_EQ(QCX_ExposureTimeGet(camera, &exposure), 1);
    ASSERT_EQ(QCXSimGetFrameTime(node, &frameMs), 1);
    EXPECT_NEAR(exposure, 900.0f, 1.0f);
    EXPECT_NEAR(exposure, frameMs, 0.01);
    int low = 0, high = 0;
    ASSERT_EQ(QCX_GetParamRange(camera, QCX_EXPOSURE_LINES, &low, &high), 1);
    EXPECT_EQ((std::vector{low, high}), (std::vector{1, 65535}));
    ASSERT_EQ(QCX_GetParamRange(camera, QCX_EXPOSURE, &low, &high), 1);
    ASSERT_EQ(QCX_ExposureTimeSet(camera, static_cast<float>(high) * 3), 1);
    EXPECT_EQ(Reg(kCoarse), 65535) << "past the range is the longest exposure, not its low bits";
    EXPECT_EQ(QCX_SetParam(camera, QCX_HORIZONTALBLANK, 100), QCX_STATUS_NOT_SUPPORTED);
}

// A changed exposure costs one capture frame, read after a flush, while the
// capture window is programmed; in preview the preview's frames go on alone.
TEST_F(Mt9j001E2E, ANewExposureDropsOneCaptureFrameAndSurvivesAFrameTimeOut) {
    Start("27");
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 640, 480, 0, 0), 1);
    unsigned flushes = 0, flushesAfter = 0;
    const unsigned delivered = Delivered();
    QCXSimGetFlushCount(node, &flushes);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE, 40), 1);
    QCXSimGetFlushCount(node, &flushesAfter);
    EXPECT_EQ((std::vector{Delivered() - delivered, flushesAfter - flushes}), (std::vector{1u, 1u}));
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE, 40), 1);
    EXPECT_EQ(Delivered() - delivered, 1u) << "the same exposure changes nothing";

    // The dropped frame times out: recovery restores the chip, the write stands.
    unsigned timedOut = 0;
    ASSERT_EQ(QCXSimDropFrames(node, 1), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE, 45), 1);
    QCXSimGetFrameCounts(node, nullptr, &timedOut);
    EXPECT_EQ(timedOut, 1u);
    EXPECT_EQ(Raw().size(), 640u * 480u);

    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    QCXSimGetFlushCount(node, &flushes);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE, 60), 1);
    QCXSimGetFlushCount(node, &flushesAfter);
    EXPECT_EQ(flushesAfter, flushes);
    ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
}

// The chip's own log lines: a window request as asked, each register write
// by name, the dropped frame, and a switch between the windows.
TEST_F(Mt9j001E2E, TheLogTellsWindowsRegisterWritesDroppedFramesAndSwitches) {
    qcx::test::TempFolder folder;
    Start("25");
    ASSERT_EQ(QCX_LogSet(1, folder.Path().c_str()), 1);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 10, 20, 1001, 101, 0, 0), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 300), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
    ASSERT_EQ(QCX_LogSet(0, nullptr), 1);
    std::string log;
    for (const auto& file : std::filesystem::directory_iterator(folder.Path())) {
        std::ifstream in(file.path());
        log.append(std::istreambuf_iterator<char>(in), {});
    }
    for (const char* line : {"MT9J001_CaptureSetFieldOfView ( 10, 20, 1001, 101 ) Enter.",
                             "====>WrSensorRegX( MT9J001REG_X_ADDR_END, 1013 ) ",
                             "MT9J001_CaptureSetFieldOfView Finished.",
                             "====>WrSensorRegX( MT9J001REG_COARSE_INTEGRATION_TIME, 300 ) ",
                             "Drap One Frame Enter.", "Drap One Frame Finished.",
                             "MT9J001_PreviewSetFieldOfView ( 0, 0, 320, 240 ) Enter.",
                             "MT9J001_SwitchFieldOfViewMode Enter, CAPTURE Mode to PREVIEW Mode.",
                             "MT9J001_SwitchFieldOfViewMode Enter, PREVIEW Mode to CAPTURE Mode.",
                             "MT9J001_SwitchFieldOfViewMode Finished."})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

// A request that fails between the two halves of an address pair, or
// anywhere else in a window change, leaves the record equal to the chip; a
// preview start that fails part-way is mended by the switch back.
TEST_F(Mt9j001E2E, AFailedWriteInAWindowChangeLeavesTheRecordOnTheChipAndTheNextSwitchMendsIt) {
    Start("25");
    const auto expectRecordOnChip = [&](const char* when) {
        int c = 0, r = 0, w = 0, h = 0;
        QCX_CaptureGetFieldOfView(camera, &c, &r, &w, &h, nullptr, nullptr);
        EXPECT_EQ((std::vector{c, r + 8, c + w - 1, r + 8 + h - 1}),
                  (std::vector{int{Reg(kXStart)}, int{Reg(kYStart)}, int{Reg(kXEnd)}, int{Reg(kYEnd)}}))
            << when;
    };
    for (int skip = 0; skip < 8; ++skip) {
        ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 0, 0), 1);
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, skip % 2 ? QCXSIM_FAIL_REFUSE : QCXSIM_FAIL_STATUS), 1);
        EXPECT_EQ(QCX_CaptureSetFieldOfView(camera, 40, 40, 960, 640, 1, 1), QCX_STATUS_FAIL) << skip;
        expectRecordOnChip("after a failed window change");
    }
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 800, 600, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 40, 40, 960, 640, 1, 0), 1);
    for (int skip = 0; skip < 7; ++skip) {  // the switch's six writes and its line-length read
        ASSERT_EQ(QCXSimFailRequestsAfter(node, skip, 1, QCXSIM_FAIL_REFUSE), 1);
        QCX_PreviewStart(camera, 1);
        QCX_PreviewStart(camera, 0);
        EXPECT_EQ(Raw().size(), 800u * 600u);
        expectRecordOnChip("after the switch back");
    }
}

// Pulling the cable in the middle of a 15-megapixel read ends the capture
// with a failure, and the camera works again once it is back.
TEST_F(Mt9j001E2E, UnplugDuringAFullFrameReadFailsTheCaptureAndTheCameraComesBack) {
    Start("27", "realtime");
    std::vector<unsigned char> frame(4608u * 3288u);
    int result = 1;
    std::thread capture([&] { result = QCX_CaptureRawData(camera, frame.data()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(QCXSimUnplug(node), 1);
    capture.join();
    EXPECT_NE(result, 1);
    ASSERT_EQ(QCXSimReplugAll(), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return QCX_CaptureRawData(camera, frame.data()) == 1; }));
}

}  // namespace

// The automatic exposure, white balance and focus loops and the colour
// calibration on the live preview of a simulated MT9V032, through the
// shipped library.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using e2e::WaitUntil;

struct Report {
    std::atomic<int> calls{0};
    std::atomic<int> success{-1};
    std::atomic<int> values[3] = {0, 0, 0};
};

int QCXAPI_CALL OnAwb(QCX_BOOL8 success, int red, int green, int blue, void* context) {
    auto* report = static_cast<Report*>(context);
    report->success = success;
    report->values[0] = red;
    report->values[1] = green;
    report->values[2] = blue;
    ++report->calls;
    return 0;
}

int QCXAPI_CALL OnAe(QCX_BOOL8 success, int exposureMs, void* context) {
    return OnAwb(success, exposureMs, 0, 0, context);
}

int QCXAPI_CALL OnCalibration(int state, int red, int green, int blue, void* context) {
    return OnAwb(static_cast<QCX_BOOL8>(state), red, green, blue, context);
}

// Values reported on any thread, with the thread that reported each.
struct ThreadLog {
    std::mutex lock;
    std::vector<int> values;
    std::vector<std::thread::id> threads;
    int Add(int value) {
        std::lock_guard<std::mutex> hold(lock);
        values.push_back(value);
        threads.push_back(std::this_thread::get_id());
        return 0;
    }
    std::size_t Size() {
        std::lock_guard<std::mutex> hold(lock);
        return values.size();
    }
};

int QCXAPI_CALL OnFocus(int value, void* context) { return static_cast<ThreadLog*>(context)->Add(value); }
int QCXAPI_CALL OnCorrection(int state, int, int, int, void* context) {
    return static_cast<ThreadLog*>(context)->Add(state);
}

class AutoControlE2E : public e2e::SimSession {
protected:
    // The mean of one grey capture of the whole window.
    double CaptureMean() {
        int w = 0, h = 0;
        QCX_CaptureGetSize(camera, &w, &h);
        std::vector<unsigned char> frame(static_cast<std::size_t>(w) * h);
        EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        double sum = 0;
        for (unsigned char v : frame) sum += v;
        return sum / static_cast<double>(frame.size());
    }
};

TEST_F(AutoControlE2E, ExposureConvergesFromADarkAndFromABrightStartAndRunsToTheEndsForTargetsOutOfReach) {
    Start("22", "fast", "picture");
    Report report;
    ASSERT_EQ(QCX_AESetCallback(camera, OnAe, &report), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    for (const int startLines : {40, 1500}) {
        SCOPED_TRACE(startLines);
        report.calls = 0;
        ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, startLines), 1);
        ASSERT_EQ(QCX_AEStart(camera, 1, 200, 100), 1);
        ASSERT_TRUE(WaitUntil([&] { return report.calls > 0; }));
        EXPECT_EQ(report.success, 1);
        int ms = -1;
        ASSERT_EQ(QCX_GetParam(camera, QCX_EXPOSURE, &ms), 1);
        EXPECT_EQ(report.values[0], ms) << "the callback reports the exposure time in force";
        ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
        EXPECT_NEAR(CaptureMean(), 100.0, 14.0);
        ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    }
    EXPECT_EQ(report.calls, 1) << "one report per run";

    // Targets at the ends of int: longer exposures until the count runs out,
    // or the floor at once.
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 1500), 1);
    int startMs = 0;
    ASSERT_EQ(QCX_GetParam(camera, QCX_EXPOSURE, &startMs), 1);
    for (const auto& [target, success] : {std::pair{INT_MAX, 0}, {INT_MIN, 1}}) {
        report.calls = 0;
        ASSERT_EQ(QCX_AEStart(camera, 1, 6, target), 1);
        ASSERT_TRUE(WaitUntil([&] { return report.calls > 0; }));
        EXPECT_EQ(report.success, success) << target;
        EXPECT_EQ(report.values[0] > startMs, target == INT_MAX) << target;
    }
}

TEST_F(AutoControlE2E, WhiteBalanceConvergesOnAGreySceneWithTheGlobalGain) {
    Start("21", "fast", "grey");
    // At 76 rows one gain step moves the grey level by about one.
    ASSERT_EQ(QCX_SetParam(camera, QCX_EXPOSURE_LINES, 76), 1);
    ASSERT_EQ(QCX_SetParam(camera, QCX_GREEN, 0), 1);
    Report report;
    ASSERT_EQ(QCX_AWBSetCallback(camera, OnAwb, &report), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCX_AWBStart(camera, 1, 60, 60, 60, 60), 1);
    ASSERT_TRUE(WaitUntil([&] { return report.calls > 0; }));
    EXPECT_EQ(report.success, 1);
    EXPECT_EQ(report.values[0], report.values[1]) << "one global gain serves all three";
    EXPECT_EQ(report.values[1], report.values[2]);
    EXPECT_GT(report.values[1], 40);
    EXPECT_LT(report.values[1], 50);
    ASSERT_EQ(QCX_AWBStart(camera, 0, 60, 60, 60, 60), 1);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(report.calls, 1) << "stopping by hand reports nothing";
}

TEST_F(AutoControlE2E, FocusValueRisesAsTheSceneSharpensAndIsZeroOutsideAShrunkWindow) {
    Start("22,21", "fast", "picture");
    EXPECT_EQ(QCX_AWBSetRegion(camera, 0, 0, 10, 10), -3) << "white balance refuses a grey camera";
    EXPECT_EQ(QCX_AWBSetCallback(camera, OnAwb, nullptr), -3);
    ASSERT_EQ(QCX_PreviewStart(1, 1), 1);
    EXPECT_EQ(QCX_AFStart(1, 1), -3) << "focus needs grey output, even on a running preview";
    ThreadLog log;
    // A few frames after a change the new focus shows.
    auto next = [&log] {
        const std::size_t seen = log.Size();
        EXPECT_TRUE(WaitUntil([&] { return log.Size() >= seen + 4; }));
        std::lock_guard<std::mutex> hold(log.lock);
        return log.values.back();
    };
    ASSERT_EQ(QCX_AFSetCallback(camera, OnFocus, &log), 1);
    ASSERT_EQ(QCX_AFSetRegion(camera, 100, 100, 400, 300), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCX_AFStart(camera, 1), 1);
    int previous = 0;
    for (const int radius : {12, 6, 2, 0}) {
        ASSERT_EQ(QCXSimSetBlur(node, radius), 1);
        const int value = next();
        EXPECT_LE(value, 10200);
        EXPECT_GT(value, previous) << "radius " << radius;
        previous = value;
    }
    // The region keeps its place when the window shrinks; the part of it
    // outside the frame is not read.
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 64, 48, 0, 0), 1);
    EXPECT_EQ(next(), 0);
    ASSERT_EQ(QCX_AFStart(camera, 0), 1);
}

TEST_F(AutoControlE2E, CalibrationOnThePreviewIsResetHereAndDoneOnThePreviewThread) {
    Start("21", "fast", "picture");
    ThreadLog log;
    ASSERT_EQ(QCX_ColorCorrectSetCallback(camera, OnCorrection, &log), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_EQ(QCX_ColorCorrectSet(camera, 1, 0, 0, 0), 1);
    ASSERT_TRUE(WaitUntil([&] { return log.Size() >= 2; }));
    std::lock_guard<std::mutex> hold(log.lock);
    EXPECT_EQ(log.values, (std::vector{0, 1})) << "a reset, then the calibration's report";
    EXPECT_EQ(log.threads[0], std::this_thread::get_id()) << "the reset is reported on the caller's thread";
    EXPECT_NE(log.threads[1], std::this_thread::get_id()) << "the calibration runs on the preview thread";
    int mode = -1;
    EXPECT_EQ(QCX_ColorCorrectGet(camera, &mode), 1);
    EXPECT_EQ(mode, 1);
}

TEST_F(AutoControlE2E, CalibrationOfAStoppedCameraMeasuresACaptureAndReportsBeforeItReturns) {
    Start("21", "fast", "picture");
    Report report;
    ASSERT_EQ(QCX_ColorCorrectSetCallback(camera, OnCalibration, &report), 1);
    ASSERT_EQ(QCX_AWBSetRegion(camera, 100, 100, 300, 200), 1);
    ASSERT_EQ(QCX_ColorCorrectSet(camera, 1, 0, 0, 0), 1);
    EXPECT_EQ(report.calls, 1);
    EXPECT_EQ(report.success, 1);
    EXPECT_EQ(report.values[1], 0) << "grey world: red and blue move onto green";
    EXPECT_NE(report.values[0], 0) << "the region of the picture is not grey";
    // A failed read is reported with the offsets reset.
    ASSERT_EQ(QCXSimEmptyFrames(node, 1), 1);
    ASSERT_EQ(QCX_ColorCorrectSet(camera, 2, 0, 0, 0), 1);
    EXPECT_EQ((std::vector<int>{report.calls, report.success, report.values[0], report.values[2]}),
              (std::vector{2, 1, 0, 0}));
    // A new calibration forgets a loaded table.
    qcx::test::TempFolder folder;
    const std::string file = folder.Path() + "/colour.qcxc";
    ASSERT_EQ(QCX_ColorCorrectTableSave(camera, file.c_str()), 1);
    ASSERT_EQ(QCX_ColorCorrectTableLoad(camera, file.c_str()), 1);
    QCX_BOOL8 loaded = 7;
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(camera, &loaded), 1);
    EXPECT_EQ(loaded, 1);
    ASSERT_EQ(QCX_ColorCorrectSet(camera, 0, 0, 0, 0), 1);
    EXPECT_EQ(QCX_IsColorCorrectTableLoad(camera, &loaded), 1);
    EXPECT_EQ(loaded, 0);
}

}  // namespace

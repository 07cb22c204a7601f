// MT9V032 windows: setting the programmed and the held record, switching
// between them, the preview restart and failures part-way.
#include <string>

#include "sensors/mt9v032_fixture.h"

namespace qcx {
namespace {

using test::Mt9v032Test;
using test::RegisterWrite;

class Mt9v032WindowTest : public Mt9v032Test {
protected:
    std::vector<std::uint16_t> WrittenRegisters() const {
        std::vector<std::uint16_t> regs;
        for (const RegisterWrite& write : host->writes) regs.push_back(write.reg);
        return regs;
    }
};

TEST_F(Mt9v032WindowTest, CaptureWindowIsProgrammedAndSized) {
    WindowRequest window{0, 0, 100, 75, 0, 0};
    ASSERT_EQ(driver->CaptureSetFieldOfView(window), 1);
    EXPECT_EQ(window.columnStart, 1);
    EXPECT_EQ(window.width, 104);
    EXPECT_EQ(Capture().columnStart, 1);
    EXPECT_EQ(Capture().rowStart, 4);
    EXPECT_EQ(Capture().width, 104);
    EXPECT_EQ(Capture().height, 76);
    EXPECT_EQ(Capture().outputWidth, 104);
    EXPECT_EQ(Capture().outputHeight, 76);
    EXPECT_EQ(Capture().pixelCount, 104 * 76);
    EXPECT_EQ(Capture().bufferBytes, 104 * 76);
    // Width then height; the new line length needs a new row count.
    EXPECT_EQ(WrittenRegisters(), (std::vector<std::uint16_t>{0x04, 0x03, 0x0B}));
    EXPECT_NEAR(driver->Shadow(0x0B), 6061, 1) << "50 ms at a line of 198 clocks";
    EXPECT_EQ(host->regionCalls, 1);
    EXPECT_EQ(Preview().width, 752) << "the other record is untouched";
}

TEST_F(Mt9v032WindowTest, BinnedCaptureWindow) {
    WindowRequest window{0, 0, 752, 480, 3, 0};
    ASSERT_EQ(driver->CaptureSetFieldOfView(window), 1);
    EXPECT_EQ(Capture().outputWidth, 188);
    EXPECT_EQ(Capture().columnMode, 3);
    EXPECT_EQ(host->chip[0x0D], 0x0308);
    EXPECT_EQ(host->frameSizes.size(), 1u);

    WindowRequest rows{0, 0, 752, 480, 3, 1};
    ASSERT_EQ(driver->CaptureSetFieldOfView(rows), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0309);
    EXPECT_EQ(Capture().outputHeight, 240);
}

TEST_F(Mt9v032WindowTest, RefusedModeWritesNothing) {
    WindowRequest window{0, 0, 100, 75, 2, 0};
    EXPECT_EQ(driver->CaptureSetFieldOfView(window), -3);
    WindowRequest preview{0, 0, 100, 75, 0, 4};
    EXPECT_EQ(driver->PreviewSetFieldOfView(preview), -3);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_EQ(Capture().width, 752);
    EXPECT_EQ(host->regionCalls, 0);
}

TEST_F(Mt9v032WindowTest, HeldRecordIsStoredWithoutTouchingTheChip) {
    WindowRequest preview{10, 20, 320, 240, 1, 1};
    ASSERT_EQ(driver->PreviewSetFieldOfView(preview), 1);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_EQ(Preview().columnStart, 11);
    EXPECT_EQ(Preview().rowStart, 24);
    EXPECT_EQ(Preview().outputWidth, 160);
    EXPECT_EQ(Preview().outputHeight, 120);
    EXPECT_GE(host->previewSizeCalls, 1);
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);

    State().fovMode = FVM_PREVIEW;
    WindowRequest capture{0, 0, 640, 480, 0, 0};
    ASSERT_EQ(driver->CaptureSetFieldOfView(capture), 1);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_EQ(Capture().width, 640);
    EXPECT_EQ(Capture().outputWidth, 640);
}

TEST_F(Mt9v032WindowTest, SwitchProgramsTheDifferencesInOrder) {
    WindowRequest preview{10, 20, 320, 240, 1, 3};
    ASSERT_EQ(driver->PreviewSetFieldOfView(preview), 1);
    ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), 1);
    EXPECT_EQ(WrittenRegisters(), (std::vector<std::uint16_t>{0x01, 0x02, 0x04, 0x03, 0x0D, 0x0D, 0x0B}));
    EXPECT_EQ(host->chip[0x01], 11);
    EXPECT_EQ(host->chip[0x02], 24);
    EXPECT_EQ(host->chip[0x0D], 0x0300 | 0x04 | 0x02);
    EXPECT_EQ(sleeps, std::vector<int>{100});
    EXPECT_EQ(State().fovMode, FVM_PREVIEW);

    host->ClearCounts();
    sleeps.clear();
    ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_CAPTURE), 1);
    EXPECT_EQ(host->chip[0x04], 752);
    EXPECT_EQ(host->chip[0x0D], 0x0300);
    EXPECT_EQ(sleeps, std::vector<int>{100});
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
}

TEST_F(Mt9v032WindowTest, SwitchToTheCurrentModeDoesNothing) {
    EXPECT_EQ(driver->SwitchFieldOfViewMode(FVM_CAPTURE), 1);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(Mt9v032WindowTest, SwitchWithoutNewHeightOrLineDoesNotWaitOrReexpose) {
    WindowRequest capture{0, 0, 640, 400, 0, 0};
    ASSERT_EQ(driver->CaptureSetFieldOfView(capture), 1);
    WindowRequest moved{64, 40, 640, 400, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(moved), 1);
    host->ClearCounts();
    ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), 1);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(WrittenRegisters(), (std::vector<std::uint16_t>{0x01, 0x02}));
}

TEST_F(Mt9v032WindowTest, SwitchFailureKeepsTheMode) {
    WindowRequest preview{10, 20, 320, 240, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(preview), 1);
    host->failWriteAfter = 2;
    EXPECT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), -8);
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(Mt9v032WindowTest, PreviewResizeWhileRunningStopsAndRestarts) {
    State().fovMode = FVM_PREVIEW;
    host->previewRunning = true;
    WindowRequest window{0, 0, 640, 480, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(window), 1);
    ASSERT_GE(host->events.size(), 3u);
    EXPECT_EQ(host->events.front(), "stop");
    EXPECT_EQ(host->events[1], "write " + std::to_string(0x04));
    EXPECT_EQ(host->events.back(), "start");
    EXPECT_EQ(Preview().outputWidth, 640);
    EXPECT_GE(host->previewSizeCalls, 1);
    EXPECT_EQ(host->regionCalls, 1);
}

TEST_F(Mt9v032WindowTest, PreviewMoveWhileRunningKeepsItRunning) {
    State().fovMode = FVM_PREVIEW;
    host->previewRunning = true;
    WindowRequest window{0, 0, 640, 480, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(window), 1);
    host->ClearCounts();
    WindowRequest moved{64, 0, 640, 480, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(moved), 1);
    EXPECT_EQ(host->stopCalls, 0);
    EXPECT_EQ(host->startCalls, 0);
    EXPECT_EQ(host->chip[0x01], 65);
}

TEST_F(Mt9v032WindowTest, PreviewResizeWhileStoppedDoesNotStart) {
    State().fovMode = FVM_PREVIEW;
    WindowRequest window{0, 0, 640, 480, 0, 0};
    ASSERT_EQ(driver->PreviewSetFieldOfView(window), 1);
    EXPECT_EQ(host->stopCalls, 0);
    EXPECT_EQ(host->startCalls, 0);
}

TEST_F(Mt9v032WindowTest, FailurePartWayKeepsWhatWasWritten) {
    host->failWriteAfter = 1;
    WindowRequest window{100, 100, 320, 240, 0, 0};
    EXPECT_EQ(driver->CaptureSetFieldOfView(window), -8);
    EXPECT_EQ(Capture().columnStart, 101) << "written before the failure";
    EXPECT_EQ(Capture().rowStart, 4);
    EXPECT_EQ(Capture().width, 752);
    EXPECT_EQ(Capture().outputWidth, 752) << "sizes are not recomputed";
    EXPECT_EQ(host->regionCalls, 0);
    EXPECT_EQ(driver->Shadow(0x01), 101);
}

TEST_F(Mt9v032WindowTest, PreviewFailureLeavesThePreviewStopped) {
    State().fovMode = FVM_PREVIEW;
    host->previewRunning = true;
    host->failWriteAfter = 0;
    WindowRequest window{0, 0, 640, 480, 0, 0};
    EXPECT_EQ(driver->PreviewSetFieldOfView(window), -8);
    EXPECT_EQ(host->stopCalls, 1);
    EXPECT_EQ(host->startCalls, 0);
}

}  // namespace
}  // namespace qcx

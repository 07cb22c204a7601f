// MT9V032 windows: setting the programmed and the held record, switching
// between them, the preview restart and failures part-way.
#include <string>

#include "sensors/fake_sensor_host.h"

namespace qcx {
namespace {

using Regs = std::vector<std::uint16_t>;

class Mt9v032WindowTest : public test::Mt9v032Test {
protected:
    Regs WrittenRegisters() const {
        Regs regs;
        for (const test::RegisterWrite& write : host->writes) regs.push_back(write.reg);
        return regs;
    }
    int Set(int mode, WindowRequest window) {
        return mode == FVM_CAPTURE ? driver->CaptureSetFieldOfView(window) : driver->PreviewSetFieldOfView(window);
    }
    void RunningPreview() {
        State().fovMode = FVM_PREVIEW;
        host->previewRunning = true;
    }
};

TEST_F(Mt9v032WindowTest, CaptureWindowIsProgrammedAndSized) {
    WindowRequest window{0, 0, 100, 75, 0, 0};
    ASSERT_EQ(driver->CaptureSetFieldOfView(window), 1);
    EXPECT_EQ(window.columnStart, 1) << "the request comes back clamped";
    EXPECT_EQ(window.width, 104);
    EXPECT_EQ(test::Fields(Capture()), (std::array{1, 4, 104, 76, 0, 0, 104, 76, 104 * 76, 104 * 76}));
    // Width then height; the new line length needs a new row count.
    EXPECT_EQ(WrittenRegisters(), (Regs{0x04, 0x03, 0x0B}));
    EXPECT_NEAR(driver->Shadow(0x0B), 6061, 1) << "50 ms at a line of 198 clocks";
    EXPECT_EQ(host->Count("regions"), 1);
    EXPECT_EQ(Preview().width, 752) << "the other record is untouched";
}

TEST_F(Mt9v032WindowTest, BinnedCaptureWindow) {
    ASSERT_EQ(Set(FVM_CAPTURE, {0, 0, 752, 480, 3, 0}), 1);
    EXPECT_EQ(Capture().outputWidth, 188);
    EXPECT_EQ(Capture().columnMode, 3);
    EXPECT_EQ(host->chip[0x0D], 0x0308);
    EXPECT_EQ(host->frameSizes.size(), 1u);
    ASSERT_EQ(Set(FVM_CAPTURE, {0, 0, 752, 480, 3, 1}), 1);
    EXPECT_EQ(host->chip[0x0D], 0x0309);
    EXPECT_EQ(Capture().outputHeight, 240);
}

TEST_F(Mt9v032WindowTest, RefusedModeWritesNothing) {
    EXPECT_EQ(Set(FVM_CAPTURE, {0, 0, 100, 75, 2, 0}), -3);
    EXPECT_EQ(Set(FVM_PREVIEW, {0, 0, 100, 75, 0, 4}), -3);
    EXPECT_TRUE(host->writes.empty());
    EXPECT_EQ(Capture().width, 752);
    EXPECT_EQ(host->Count("regions"), 0);
}

TEST_F(Mt9v032WindowTest, HeldRecordIsStoredWithoutTouchingTheChip) {
    ASSERT_EQ(Set(FVM_PREVIEW, {10, 20, 320, 240, 1, 1}), 1);
    EXPECT_EQ(test::Fields(Preview()), (std::array{11, 24, 320, 240, 1, 1, 160, 120, 160 * 120, 160 * 120}));
    EXPECT_GE(host->Count("size"), 1);
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
    State().fovMode = FVM_PREVIEW;
    ASSERT_EQ(Set(FVM_CAPTURE, {0, 0, 640, 480, 0, 0}), 1);
    EXPECT_EQ(Capture().width, 640);
    EXPECT_EQ(Capture().outputWidth, 640);
    EXPECT_TRUE(host->writes.empty());
}

TEST_F(Mt9v032WindowTest, SwitchProgramsTheDifferencesInOrder) {
    EXPECT_EQ(driver->SwitchFieldOfViewMode(FVM_CAPTURE), 1) << "the current mode: nothing to do";
    EXPECT_TRUE(host->writes.empty());
    ASSERT_EQ(Set(FVM_PREVIEW, {10, 20, 320, 240, 1, 3}), 1);
    ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), 1);
    EXPECT_EQ(WrittenRegisters(), (Regs{0x01, 0x02, 0x04, 0x03, 0x0D, 0x0D, 0x0B}));
    EXPECT_EQ(host->chip[0x01], 11);
    EXPECT_EQ(host->chip[0x02], 24);
    EXPECT_EQ(host->chip[0x0D], 0x0300 | 0x04 | 0x02);
    EXPECT_EQ(sleeps, std::vector<int>{100});
    EXPECT_EQ(State().fovMode, FVM_PREVIEW);

    sleeps.clear();
    ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_CAPTURE), 1);
    EXPECT_EQ(host->chip[0x04], 752);
    EXPECT_EQ(host->chip[0x0D], 0x0300);
    EXPECT_EQ(sleeps, std::vector<int>{100});
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
}

TEST_F(Mt9v032WindowTest, SwitchWaitsOnlyForANewHeightAndReexposesOnlyForANewLine) {
    const struct {
        WindowRequest capture, preview;
        Regs written;
        std::vector<int> sleeps;
    } cases[] = {
        {{0, 0, 640, 400, 0, 0}, {64, 40, 640, 400, 0, 0}, {0x01, 0x02}, {}},
        {{0, 0, 640, 400, 0, 0}, {0, 0, 320, 400, 0, 0}, {0x04, 0x0B}, {}},
        {{0, 0, 640, 400, 0, 0}, {0, 0, 640, 200, 0, 0}, {0x03}, {100}},
    };
    for (const auto& c : cases) {
        MakeDriver(21);
        sleeps.clear();
        ASSERT_EQ(Set(FVM_CAPTURE, c.capture), 1);
        ASSERT_EQ(Set(FVM_PREVIEW, c.preview), 1);
        host->ClearCounts();
        ASSERT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), 1);
        EXPECT_EQ(WrittenRegisters(), c.written);
        EXPECT_EQ(sleeps, c.sleeps);
    }
}

TEST_F(Mt9v032WindowTest, SwitchFailureKeepsTheMode) {
    ASSERT_EQ(Set(FVM_PREVIEW, {10, 20, 320, 240, 0, 0}), 1);
    host->failWriteAfter = 2;
    EXPECT_EQ(driver->SwitchFieldOfViewMode(FVM_PREVIEW), -8);
    EXPECT_EQ(State().fovMode, FVM_CAPTURE);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(Mt9v032WindowTest, PreviewRestartsOnlyForANewSizeWhileRunning) {
    RunningPreview();
    ASSERT_EQ(Set(FVM_PREVIEW, {0, 0, 640, 480, 0, 0}), 1);
    ASSERT_GE(host->events.size(), 3u);
    EXPECT_EQ(host->events.front(), "stop");
    EXPECT_EQ(host->events[1], "write 4");
    EXPECT_EQ(host->events.back(), "start");
    EXPECT_EQ(Preview().outputWidth, 640);
    EXPECT_GE(host->Count("size"), 1);
    EXPECT_EQ(host->Count("regions"), 1);

    host->ClearCounts();
    ASSERT_EQ(Set(FVM_PREVIEW, {64, 0, 640, 480, 0, 0}), 1);
    EXPECT_EQ(host->Count("stop") + host->Count("start"), 0) << "a move keeps the preview running";
    EXPECT_EQ(host->chip[0x01], 65);

    host->ClearCounts();
    host->previewRunning = false;
    ASSERT_EQ(Set(FVM_PREVIEW, {0, 0, 320, 480, 0, 0}), 1);
    EXPECT_EQ(host->Count("stop") + host->Count("start"), 0) << "a stopped preview is not started";
}

TEST_F(Mt9v032WindowTest, FailurePartWayKeepsWhatWasWritten) {
    host->failWriteAfter = 1;
    EXPECT_EQ(Set(FVM_CAPTURE, {100, 100, 320, 240, 0, 0}), -8);
    EXPECT_EQ(Capture().columnStart, 101) << "written before the failure";
    EXPECT_EQ(Capture().rowStart, 4);
    EXPECT_EQ(Capture().width, 752);
    EXPECT_EQ(Capture().outputWidth, 752) << "sizes are not recomputed";
    EXPECT_EQ(host->Count("regions"), 0);
    EXPECT_EQ(driver->Shadow(0x01), 101);

    RunningPreview();
    host->ClearCounts();
    host->failWriteAfter = 0;
    EXPECT_EQ(Set(FVM_PREVIEW, {0, 0, 640, 480, 0, 0}), -8);
    EXPECT_EQ(host->Count("stop"), 1);
    EXPECT_EQ(host->Count("start"), 0) << "a failed resize leaves the preview stopped";
}

}  // namespace
}  // namespace qcx

// The camera's I/O lines through the shipped library against simulated
// cameras: ports, lamps and the snap button on the controller's pins, the
// working-mode bits, the trigger and strobe requests, and an external
// trigger that really holds the frame.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "e2e/sim_session.h"

namespace {

using namespace std::chrono_literals;

constexpr unsigned char kIod = 0xB0, kIoe = 0xB1, kOed = 0xB5, kOee = 0xB6;

class IoLinesE2E : public e2e::SimSession {
protected:
    // Cameras claim nodes in the order they are first used.
    void TouchAll(int count) {
        for (int i = 0; i < count; ++i) ASSERT_EQ(QCX_DeviceGetInformation(i, nullptr, nullptr, nullptr), 1);
    }
    unsigned char Sfr(int camera, unsigned char address) {
        unsigned char value = 0;
        QCXSimReadSfr(node + camera, address, &value);
        return value;
    }
    unsigned short Word(int camera) {
        unsigned short word = 0;
        QCXSimGetWorkingMode(node + camera, &word);
        return word;
    }
    unsigned Requests(int camera) { return e2e::SimRequests(node + camera); }
};

// Type 4 has its lines on port E, 33 on port D, 17 on port D from pin 2.
TEST_F(IoLinesE2E, GpioLinesLandOnTheirPortAndReadBackTheWires) {
    Start("4,33,17");
    TouchAll(3);
    struct Case {
        unsigned char directionRegister, dataRegister;
        unsigned char directions, levels;   // as set through the library
        unsigned char directionPins, dataPins;  // what the port registers hold
    };
    const Case cases[] = {{kOee, kIoe, 0x0F, 0x05, 0x0F, 0x05},
                          {kOed, kIod, 0xF0, 0xA0, 0xF0, 0xA0},
                          {kOed, kIod, 0x3F, 0x15, 0xFC, 0x54}};
    for (int camera = 0; camera < 3; ++camera) {
        const Case& k = cases[camera];
        ASSERT_EQ(QCX_GpioSetDirection(camera, k.directions), 1);
        ASSERT_EQ(QCX_GpioSetStatus(camera, k.levels), 1);
        EXPECT_EQ((std::vector{Sfr(camera, k.directionRegister), Sfr(camera, k.dataRegister)}),
                  (std::vector{k.directionPins, k.dataPins}))
            << camera;
        // Inputs read what drives them from outside; outputs what they drive.
        ASSERT_EQ(QCXSimSetGpioInputs(node + camera, 0x00), 1);
        QCX_BYTE direction = 0, levels = 0, wires = 0;
        EXPECT_EQ(QCX_GpioGetDirection(camera, &direction), 1);
        EXPECT_EQ(QCX_GpioGetStatus(camera, &levels), 1);
        QCXSimGetGpioLevels(node + camera, &wires);
        EXPECT_EQ((std::vector<int>{direction, levels, wires}),
                  (std::vector<int>{k.directions, k.levels & k.directions, k.levels & k.directions}))
            << camera;
        EXPECT_EQ(QCX_GpioGetStatus(camera, nullptr), QCX_STATUS_PARAMETER_ERROR);
    }
    // The snap button pulls its pin low while pressed; the others lack one.
    int pressed = -1;
    ASSERT_EQ(QCX_SnapButtonStatus(0, &pressed), 1);
    EXPECT_EQ(pressed, 0);
    ASSERT_EQ(QCXSimSetSnapButton(node, 1), 1);
    ASSERT_EQ(QCX_SnapButtonStatus(0, &pressed), 1);
    EXPECT_EQ(pressed, 1);
    const unsigned before = Requests(1);
    EXPECT_EQ(QCX_SnapButtonStatus(1, &pressed), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(QCX_LedSetStatus(1, 0, 1), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(Requests(1), before);
}

TEST_F(IoLinesE2E, LampsTakeTwoLinesEachAndTheLampCameraSwitchesItsSensitivityOnPortC) {
    Start("12");
    TouchAll(1);
    ASSERT_EQ(QCX_LedSetStatus(camera, 1, 1), 1);
    EXPECT_EQ(Sfr(0, kIoe) & 0x3F, 0x0C) << "lamp 1 is lines 2 and 3";
    ASSERT_EQ(QCX_LedSetStatus(camera, 2, 1), 1);
    ASSERT_EQ(QCX_LedSetStatus(camera, 1, 0), 1);
    unsigned char lamps = 0;
    QCXSimGetLamps(node, &lamps);
    EXPECT_EQ(lamps, 0x04);
    int on = -1;
    ASSERT_EQ(QCX_LedGetStatus(camera, 2, &on), 1);
    EXPECT_EQ(on, 1);
    // A lamp whose two lines disagree is an error.
    ASSERT_EQ(QCXSimWriteSfr(node, kIoe, 0x10), 1);
    EXPECT_EQ(QCX_LedGetStatus(camera, 2, &on), QCX_STATUS_FAIL);
    const unsigned before = Requests(0);
    for (const auto& [led, state] : {std::pair{3, 1}, {-1, 0}, {0, 2}, {0, -1}})
        EXPECT_EQ(QCX_LedSetStatus(camera, led, state), QCX_STATUS_PARAMETER_ERROR) << led << " " << state;
    EXPECT_EQ(QCX_LedGetStatus(camera, 3, &on), QCX_STATUS_PARAMETER_ERROR);
    EXPECT_EQ(QCX_SensitivitySetMode(camera, 3), QCX_STATUS_PARAMETER_ERROR);
    EXPECT_EQ(Requests(0), before);

    int mode = -1;
    for (const int m : {2, 1, 0}) {
        ASSERT_EQ(QCX_SensitivitySetMode(camera, m), 1);
        ASSERT_EQ(QCX_SensitivityGetMode(camera, &mode), 1);
        EXPECT_EQ(mode, m);
    }
}

// The working-mode bits: read, change, write the whole word; clearing a bit
// keeps only the low byte.
TEST_F(IoLinesE2E, TriggerSensorModeAndSensitivityChangeTheirWorkingModeBits) {
    Start("17,28,31,19");
    TouchAll(4);
    struct Case {
        int camera;
        unsigned short before;
        int (*change)(int index);
        unsigned short after;
    };
    const Case cases[] = {
        {0, 0x0135, [](int i) { return QCX_TriggerModeSet(i, 0); }, 0x0034},
        {0, 0x0034, [](int i) { return QCX_TriggerModeSet(i, 1); }, 0x0035},
        {1, 0x1202, [](int i) { return QCX_SensorModeSet(i, 1); }, 0x0000},
        {1, 0x1200, [](int i) { return QCX_SensorModeSet(i, 0); }, 0x1202},
        {2, 0x0001, [](int i) { return QCX_SensitivitySetMode(i, 3); }, 0x0061},
        {2, 0x01FF, [](int i) { return QCX_SensitivitySetMode(i, 0); }, 0x001F},
    };
    for (const Case& k : cases) {
        ASSERT_EQ(QCXSimSetWorkingMode(node + k.camera, k.before), 1);
        ASSERT_EQ(k.change(k.camera), 1);
        EXPECT_EQ(Word(k.camera), k.after) << std::hex << k.before;
    }
    int value = -1;
    ASSERT_EQ(QCXSimSetWorkingMode(node + 1, 0x0001), 1);
    ASSERT_EQ(QCX_SensorModeGet(1, &value), 1);
    EXPECT_EQ(value, 1) << "bit 1 clear is sensor mode 1";
    ASSERT_EQ(QCXSimSetWorkingMode(node + 2, 0x00A0), 1);
    ASSERT_EQ(QCX_SensitivityGetMode(2, &value), 1);
    EXPECT_EQ(value, 5);
    // Sensitivity only in 8-bit transfer, and three bits of it.
    EXPECT_EQ(QCX_SensitivitySetMode(2, 8), QCX_STATUS_PARAMETER_ERROR);
    ASSERT_EQ(QCX_SetData16Bits(2, 1), 1);
    EXPECT_EQ(QCX_SensitivitySetMode(2, 1), QCX_STATUS_NOT_SUPPORTED);
    // A failed write leaves the camera's word and the bit as they were.
    ASSERT_EQ(QCXSimSetWorkingMode(node, 0x0000), 1);
    ASSERT_EQ(QCXSimFailRequestsAfter(node, 1, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_TriggerModeSet(0, 1), QCX_STATUS_FAIL);
    ASSERT_EQ(QCX_TriggerModeGet(0, &value), 1);
    EXPECT_EQ(value, 0);
    // The CCD switches its sensitivity with a request; the pins show it.
    ASSERT_EQ(QCX_SensitivitySetMode(3, 2), 1);
    ASSERT_EQ(QCX_SensitivityGetMode(3, &value), 1);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(QCX_TriggerModeGet(3, &value), QCX_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(value, 0);
}

TEST_F(IoLinesE2E, DelaysAreKeptOnlyWhenTheCameraTakesThemAndTheTriggerStatusLatches) {
    Start("38");
    TouchAll(1);
    QCX_WORD delay = 7, low = 7, high = 7;
    ASSERT_EQ(QCX_TriggerDelayGet(camera, &delay), 1);
    EXPECT_EQ(delay, 0) << "nothing set yet";
    ASSERT_EQ(QCX_TriggerDelaySet(camera, 500), 1);
    ASSERT_EQ(QCX_StrobeDelaySet(camera, 65535), 1);
    ASSERT_EQ(QCXSimFailRequests(node, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_TriggerDelaySet(camera, 900), QCX_STATUS_FAIL);
    QCX_WORD strobe = 0;
    QCX_TriggerDelayGet(camera, &delay);
    QCX_StrobeDelayGet(camera, &strobe);
    EXPECT_EQ((std::vector<int>{delay, strobe}), (std::vector<int>{500, 65535}));
    ASSERT_EQ(QCX_StrobeDelayGetRange(camera, &low, &high), 1);
    EXPECT_EQ((std::vector<int>{low, high}), (std::vector<int>{0, 65535}));
    // A recovery sends the delays the camera took again, the strobe delay last.
    ASSERT_EQ(QCX_StrobeDelaySet(camera, 1234), 1);
    ASSERT_EQ(QCXSimDropFrames(node, 1), 1);
    std::vector<unsigned char> frame(1280 * 1024);
    ASSERT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    unsigned char record[QCXSIM_RECORD_SIZE] = {};
    ASSERT_EQ(QCXSimGetLastRequest(node, record, nullptr, nullptr), 1);
    EXPECT_EQ((std::vector<int>{record[16], record[4] | record[5] << 8}), (std::vector<int>{0xD7, 1234}));

    int status = -1;
    ASSERT_EQ(QCX_TriggerStatusGet(camera, &status), 1);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(QCXSimTrigger(node), 1);
    ASSERT_EQ(QCX_TriggerStatusGet(camera, &status), 1);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(QCXSimFailRequests(node, 1, QCXSIM_FAIL_STATUS), 1);
    EXPECT_EQ(QCX_TriggerStatusGet(camera, &status), QCX_STATUS_FAIL);
}

// In external trigger mode the frame comes only for a trigger: a capture
// without one times out, one fired while the capture waits delivers it, and
// a delay set meanwhile waits for the frame in flight.
TEST_F(IoLinesE2E, AnExternalTriggerCaptureGetsItsFrameOnlyWhenTheTriggerFires) {
    Start("17");
    TouchAll(1);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_TriggerModeSet(camera, 1), 1);
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 100), 1);
    std::vector<unsigned char> frame(320 * 240);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);

    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 5000), 1);
    std::atomic<int> result{0};
    std::thread capture([&] { result = QCX_CaptureRawDataAfterEmptyFrameBuffer(camera, frame.data()); });
    std::this_thread::sleep_for(50ms);
    std::thread delay([&] { EXPECT_EQ(QCX_TriggerDelaySet(camera, 100), 1); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(result, 0) << "no frame before the trigger";
    ASSERT_EQ(QCXSimTrigger(node), 1);
    capture.join();
    delay.join();
    EXPECT_EQ(result, 1);
    unsigned flushes = 7;
    QCXSimGetFlushCount(node, &flushes);
    EXPECT_EQ(flushes, 0u) << "a capture in trigger mode keeps the frame the trigger made";

    // Back in free run the frames come without a trigger.
    ASSERT_EQ(QCX_TriggerModeSet(camera, 0), 1);
    EXPECT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
}

TEST_F(IoLinesE2E, TheStrobePulsesWithEveryFrameWhileTheSensorsFlashIsOn) {
    Start("4");
    TouchAll(1);
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 64, 64, 0, 0), 1);
    std::vector<unsigned char> frame(64 * 64);
    unsigned pulses = 7;
    for (const int enable : {1, 0}) {
        ASSERT_EQ(QCX_FlashControlSet(camera, enable, 0, 0), 1);
        QCXSimGetStrobeCount(node, &pulses);
        const unsigned before = pulses;
        for (int i = 0; i < 3; ++i) ASSERT_EQ(QCX_CaptureRawData(camera, frame.data()), 1);
        QCXSimGetStrobeCount(node, &pulses);
        EXPECT_EQ(pulses - before, enable ? 3u : 0u);
    }
}

}  // namespace

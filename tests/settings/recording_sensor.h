// A sensor driver for the settings tests: it keeps the values a real sensor
// would hold, records every exposure, gain, blanking, switch and window call,
// and lays out a small sensor (640 x 480 at column 4, row 2) so windows and
// frames have sizes. A library fixture that opens cameras with it.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "camera/api/library.h"
#include "camera/sensors/sensor_driver.h"
#include "support/library_fixture.h"

namespace qcx::test {

struct SensorRecord {
    // What the sensor holds (read back by the getters).
    float exposureMs = 50.0f;
    float rangeLowMs = 0.9f;
    float rangeHighMs = 1000.7f;
    std::uint32_t exposureLines = 100;
    std::uint16_t gain[3] = {10, 20, 30};
    std::uint16_t horizontalBlank = 94;
    std::uint16_t verticalBlank = 45;
    bool flip = false;
    bool mirror = false;
    bool companding = false;
    int defaultBayerMode = 2;
    int result = 1;  // answer of every setter

    // Frame layout of both windows at start: native width and height.
    int width = 16;
    int height = 4;

    // Calls.
    std::vector<float> exposureTimeSets;
    std::vector<std::uint32_t> exposureLineSets;
    std::vector<std::pair<GainChannel, std::uint16_t>> gainSets;
    std::vector<std::uint16_t> horizontalBlankSets;
    std::vector<std::uint16_t> verticalBlankSets;
    std::vector<bool> flipSets;
    std::vector<bool> mirrorSets;
    std::vector<bool> compandingSets;
    std::vector<std::pair<int, WindowRequest>> windowSets;
};

class RecordingSensorDriver : public SensorDriver {
public:
    RecordingSensorDriver(SensorHost& host, SensorFamily family, std::shared_ptr<SensorRecord> record)
        : SensorDriver(host), record_(std::move(record)), countMinusOne_(family != SensorFamily::MT9V032) {}

    int InitializeSensor() override {
        SensorState& state = host_.State();
        state.geometry = SensorGeometry{4, 2, 1, 1, 640, 480};
        for (FieldOfView& fov : state.fov) {
            fov = FieldOfView{};
            fov.columnStart = 4;
            fov.rowStart = 2;
            fov.width = record_->width;
            fov.height = record_->height;
            ComputeOutputSize(fov, countMinusOne_, host_.Transfer16Bit());
        }
        return 1;
    }
    int RestoreRegisters() override { return 1; }
    int SwitchFieldOfViewMode(int mode) override { host_.State().fovMode = mode; return 1; }
    int CaptureSetFieldOfView(WindowRequest& window) override { return SetWindow(FVM_CAPTURE, window); }
    int PreviewSetFieldOfView(WindowRequest& window) override { return SetWindow(FVM_PREVIEW, window); }

    int ExposureLinesSet(std::uint32_t lines) override {
        record_->exposureLineSets.push_back(lines);
        if (record_->result == 1) record_->exposureLines = lines;
        return record_->result;
    }
    int ExposureLinesGet(std::uint32_t* lines) override { *lines = record_->exposureLines; return 1; }
    int ExposureTimeSet(float ms) override {
        record_->exposureTimeSets.push_back(ms);
        if (record_->result == 1) host_.State().exposureMs = record_->exposureMs = ms;
        return record_->result;
    }
    int ExposureTimeGet(float* ms) override { *ms = record_->exposureMs; return 1; }
    int ExposureTimeGetRange(float* minimum, float* maximum) override {
        *minimum = record_->rangeLowMs;
        *maximum = record_->rangeHighMs;
        return 1;
    }
    int GainSet(GainChannel channel, std::uint16_t gain) override {
        record_->gainSets.emplace_back(channel, gain);
        record_->gain[static_cast<int>(channel)] = gain;
        return record_->result;
    }
    int GainGet(GainChannel channel, std::uint16_t* gain) override {
        *gain = record_->gain[static_cast<int>(channel)];
        return 1;
    }
    int HorizontalBlankSet(std::uint16_t value) override { return Note(record_->horizontalBlankSets, value); }
    int HorizontalBlankGet(std::uint16_t* value) override { *value = record_->horizontalBlank; return 1; }
    int VerticalBlankSet(std::uint16_t value) override { return Note(record_->verticalBlankSets, value); }
    int VerticalBlankGet(std::uint16_t* value) override { *value = record_->verticalBlank; return 1; }
    int FlipSet(bool on) override { return Note(record_->flipSets, record_->flip = on); }
    int FlipGet(bool* on) override { *on = record_->flip; return 1; }
    int MirrorSet(bool on) override { return Note(record_->mirrorSets, record_->mirror = on); }
    int MirrorGet(bool* on) override { *on = record_->mirror; return 1; }
    int CompandingSet(bool on) override { return Note(record_->compandingSets, record_->companding = on); }
    int CompandingGet(bool* on) override { *on = record_->companding; return 1; }
    int BayerGetDefaultMode(int* mode) override { *mode = record_->defaultBayerMode; return 1; }

private:
    template <typename T>
    int Note(std::vector<T>& calls, T value) {
        calls.push_back(value);
        return record_->result;
    }
    // Takes the request as it comes (no clamping) so a test sees what was asked.
    int SetWindow(int mode, WindowRequest& window) {
        record_->windowSets.emplace_back(mode, window);
        FieldOfView& fov = host_.State().fov[mode];
        const int extra = countMinusOne_ ? 1 : 0;
        fov.columnStart = window.columnStart + host_.State().geometry.columnOffset;
        fov.rowStart = window.rowStart + host_.State().geometry.rowOffset;
        fov.width = window.width - extra;
        fov.height = window.height - extra;
        fov.columnMode = window.columnMode;
        fov.rowMode = window.rowMode;
        ComputeOutputSize(fov, countMinusOne_, host_.Transfer16Bit());
        return record_->result;
    }

    std::shared_ptr<SensorRecord> record_;
    bool countMinusOne_;
};

// Opens simulated cameras whose sensors are RecordingSensorDrivers.
class SettingsTest : public LibraryTest {
protected:
    std::shared_ptr<SensorRecord> record = std::make_shared<SensorRecord>();

    void SetUp() override {
        LibraryTest::SetUp();
        std::shared_ptr<SensorRecord> shared = record;
        qcx::testing::SetSensorDriverFactory(
            [shared](SensorFamily family, SensorHost& host) -> std::unique_ptr<SensorDriver> {
                return std::make_unique<RecordingSensorDriver>(host, family, shared);
            });
    }

    // Simulated cameras of the given types, initialised; camera 0 opened.
    void Open(const char* cameras) {
        UseCameras(cameras);
        ASSERT_EQ(QCX_Init(), 1);
        int mode = 0;
        ASSERT_EQ(QCX_FilterGetMode(0, &mode), 1) << "camera " << cameras << " does not open";
    }

    static CDevice& Device(int index = 0) { return *Library().manager->GetDevice(index); }
};

}  // namespace qcx::test

// A sensor driver that notes every setter call as text ("gain 1 40"), answers
// its getters from set values and lays out a 640 x 480 sensor at column 4,
// row 2; and a library fixture that opens cameras with it.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "camera/api/library.h"
#include "camera/sensors/sensor_driver.h"
#include "support/library_fixture.h"

namespace qcx::test {

using Calls = std::vector<std::string>;

struct SensorRecord {
    float exposureMs = 50.0f;  // what the getters read back
    float rangeLowMs = 0.9f, rangeHighMs = 1000.7f;
    std::uint16_t gain[3] = {10, 20, 30};
    int defaultBayerMode = 2;
    int result = 1;              // answer of every setter
    int width = 16, height = 4;  // native size of both windows at start
    Calls calls;
};

class RecordingSensorDriver : public SensorDriver {
public:
    RecordingSensorDriver(SensorHost& host, SensorFamily family, std::shared_ptr<SensorRecord> record)
        : SensorDriver(host), r_(std::move(record)), countMinusOne_(family != SensorFamily::MT9V032) {}

    int InitializeSensor() override {
        SensorState& state = host_.State();
        state.geometry = SensorGeometry{4, 2, 1, 1, 640, 480};
        for (FieldOfView& fov : state.fov) {
            fov = FieldOfView{4, 2, r_->width, r_->height};
            ComputeOutputSize(fov, countMinusOne_, host_.Transfer16Bit());
        }
        return 1;
    }
    int RestoreRegisters() override { return 1; }
    int SwitchFieldOfViewMode(int mode) override { return host_.State().fovMode = mode, 1; }
    // Takes the request as it comes (no clamping) so a test sees what was
    // asked, in the record's form: absolute starts, count - 1 where the family
    // keeps that.
    int ClampWindow(WindowRequest& w) const override {
        const SensorGeometry& geometry = host_.State().geometry;
        const int extra = countMinusOne_ ? 1 : 0;
        w = {w.columnStart + geometry.columnOffset, w.rowStart + geometry.rowOffset, w.width - extra,
             w.height - extra, w.columnMode, w.rowMode};
        return 1;
    }
    int ApplyRecord(int index, const WindowRequest& w) override {
        Note("window", index, w.columnStart, w.rowStart, w.width, w.height, w.columnMode, w.rowMode);
        if (r_->result != 1) return r_->result;
        host_.State().fov[index] = FieldOfView{w.columnStart, w.rowStart, w.width, w.height, w.columnMode, w.rowMode};
        host_.State().fovMode = index;
        return 1;
    }

    int ExposureLinesSet(std::uint32_t lines) override { return Note("lines", lines); }
    int ExposureTimeSet(float ms) override {
        if (r_->result == 1) host_.State().exposureMs = r_->exposureMs = ms;
        return Note("exposure", ms);
    }
    int ExposureTimeGet(float* ms) override { return *ms = r_->exposureMs, 1; }
    int ExposureTimeGetRange(float* minimum, float* maximum) override {
        return *minimum = r_->rangeLowMs, *maximum = r_->rangeHighMs, 1;
    }
    int GainSet(GainChannel channel, std::uint16_t gain) override { return Note("gain", static_cast<int>(channel), gain); }
    int GainGet(GainChannel channel, std::uint16_t* gain) override {
        return *gain = r_->gain[static_cast<int>(channel)], 1;
    }
    int FlipSet(bool on) override { return Note("flip", on); }
    int MirrorSet(bool on) override { return Note("mirror", on); }
    int BayerGetDefaultMode(int* mode) override { return *mode = r_->defaultBayerMode, 1; }

private:
    template <typename... Values>
    int Note(const char* what, Values... values) {
        std::ostringstream text;
        text << what;
        ((text << ' ' << +values), ...);
        r_->calls.push_back(text.str());
        return r_->result;
    }

    std::shared_ptr<SensorRecord> r_;
    bool countMinusOne_;
};

// Opens simulated cameras whose sensors are RecordingSensorDrivers.
class SettingsTest : public LibraryTest {
protected:
    std::shared_ptr<SensorRecord> record = std::make_shared<SensorRecord>();

    void SetUp() override {
        LibraryTest::SetUp();
        qcx::testing::SetSensorDriverFactory(
            [shared = record](SensorFamily family, SensorHost& host) -> std::unique_ptr<SensorDriver> {
                return std::make_unique<RecordingSensorDriver>(host, family, shared);
            });
    }
    // Simulated cameras of the given types, initialised; camera 0 opened.
    void Open(const char* cameras) {
        QCX_UnInit();  // whatever was open before
        UseCameras(cameras);
        ASSERT_EQ(QCX_Init(), 1);
        int mode = 0;
        ASSERT_EQ(QCX_FilterGetMode(0, &mode), 1) << "camera " << cameras << " does not open";
    }
    static CDevice& Device(int index = 0) { return *Library().manager->GetDevice(index); }
};

}  // namespace qcx::test

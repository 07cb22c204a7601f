// A camera for sensor-driver tests: a register file that starts with the
// values of a freshly reset MT9V032, records what the driver asks of it and
// can be told to fail a register transfer. Mt9v032Test puts an initialised
// MT9V032 driver on it, with its sleeps recorded instead of waited.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/mt9v032.h"
#include "camera/sensors/sensor_host.h"
#include "support/temp_folder.h"

namespace qcx::test {

struct RegisterWrite {
    std::uint16_t reg;
    std::uint16_t value;
    bool operator==(const RegisterWrite&) const = default;
};
using Writes = std::vector<RegisterWrite>;

// The ten values of a record, for comparing a record at once.
inline std::array<int, 10> Fields(const FieldOfView& r) {
    return {r.columnStart, r.rowStart, r.width, r.height, r.columnMode, r.rowMode,
            r.outputWidth, r.outputHeight, r.pixelCount, r.bufferBytes};
}

class FakeSensorHost : public SensorHost {
public:
    explicit FakeSensorHost(DeviceType type) : type_(type) {}

    // Power-on values: the full 752 x 480 array at column 1, row 4.
    std::map<std::uint16_t, std::uint16_t> chip{{0x01, 1},  {0x02, 4},      {0x03, 480}, {0x04, 752}, {0x05, 94},
                                                {0x06, 45}, {0x0B, 480},    {0x0D, 0x0300}, {0x1B, 0},
                                                {0x1C, 2},  {0x35, 16},     {0x36, 64},  {0xAF, 3},   {0xBD, 480},
                                                {0xBA, 33}, {0xBB, 211}};
    Writes writes;
    std::vector<std::uint16_t> reads;
    std::vector<std::pair<int, int>> frameSizes;
    std::vector<int> outputModes;
    // In order: "write 4", "frame", "stop", "start", "resend", "size" (preview
    // size changed), "regions", "working mode".
    std::vector<std::string> events;
    SensorState state;
    bool transfer16 = false;
    bool previewRunning = false;
    int failWriteAfter = -1;  // this many more writes succeed, then every write fails
    std::uint16_t failReadOf = 0xFFFF;
    int frameResult = status::kSuccess;

    void ClearCounts() {
        writes.clear();
        reads.clear();
        frameSizes.clear();
        outputModes.clear();
        events.clear();
    }
    int Count(const std::string& event) const { return static_cast<int>(std::count(events.begin(), events.end(), event)); }

    // Opens a log in a folder of its own; LogLines gives the messages
    // without the "YYYY-MM-DD hh-mm-ss: " that starts every line.
    void OpenLog() {
        folder_ = std::make_unique<TempFolder>();
        log_ = std::make_unique<CLogFile>(folder_->Path() + "/sensor.log");
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream text(ReadFile(log_->Path()));
        for (std::string line; std::getline(text, line);) lines.push_back(line.size() > 21 ? line.substr(21) : "");
        return lines;
    }

    DeviceType SensorDeviceType() const override { return type_; }
    CLogFile* SensorLog() override { return log_.get(); }
    SensorState& State() override { return state; }
    bool Transfer16Bit() const override { return transfer16; }
    int ReadSensorRegister(std::uint16_t reg, std::uint16_t* value) override {
        reads.push_back(reg);
        if (reg == failReadOf) return status::kFail;
        *value = chip[reg];
        return status::kSuccess;
    }
    int WriteSensorRegister(std::uint16_t reg, std::uint16_t value) override {
        if (failWriteAfter == 0) return status::kFail;
        if (failWriteAfter > 0) --failWriteAfter;
        writes.push_back({reg, value});
        events.push_back("write " + std::to_string(reg));
        chip[reg] = value;
        return status::kSuccess;
    }
    int ReadWorkingModeIntoDevice() override { return Note("working mode"), status::kSuccess; }
    void ResendWorkingModeAndDelays() override { Note("resend"); }
    int ReadRawFrame(std::uint8_t* buffer, int width, int height) override {
        frameSizes.emplace_back(width, height);
        Note("frame");
        if (buffer != nullptr && width > 0 && height > 0) {
            buffer[0] = 1;  // the driver's buffer must hold the whole frame
            buffer[static_cast<std::size_t>(width) * height * (transfer16 ? 2 : 1) - 1] = 1;
        }
        return frameResult;
    }
    bool PreviewRunning() const override { return previewRunning; }
    int StopPreview() override { return previewRunning = false, Note("stop"), status::kSuccess; }
    int StartPreview() override { return previewRunning = true, Note("start"), status::kSuccess; }
    void SetOutputMode(int mode) override { outputModes.push_back(state.outputMode = mode); }
    void PreviewSizeChanged() override { Note("size"); }
    void RecomputeRegions() override { Note("regions"); }

private:
    void Note(const char* event) { events.emplace_back(event); }

    DeviceType type_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<CLogFile> log_;
};

class Mt9v032Test : public ::testing::Test {
protected:
    std::unique_ptr<FakeSensorHost> host;
    std::unique_ptr<MT9V032Driver> driver;
    std::vector<int> sleeps;

    void SetUp() override { MakeDriver(21); }

    // A driver on a fresh chip; `chip` changes the power-on values first.
    void MakeDriver(DeviceType type, std::map<std::uint16_t, std::uint16_t> chip = {}, bool initialize = true) {
        driver.reset();
        host = std::make_unique<FakeSensorHost>(type);
        for (const auto& [reg, value] : chip) host->chip[reg] = value;
        driver = std::make_unique<MT9V032Driver>(*host);
        driver->SetSleep([this](int ms) { sleeps.push_back(ms); });
        if (initialize) {
            ASSERT_EQ(driver->InitializeSensor(), 1);
            host->ClearCounts();
        }
    }

    SensorState& State() { return host->state; }
    const FieldOfView& Capture() { return host->state.fov[FVM_CAPTURE]; }
    const FieldOfView& Preview() { return host->state.fov[FVM_PREVIEW]; }
};

}  // namespace qcx::test

// A camera for sensor-driver tests: a register file that starts with the
// values of a freshly reset MT9V032, counts what the driver asks of it and
// can be told to fail a register transfer.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/sensor_host.h"
#include "support/temp_folder.h"

namespace qcx::test {

struct RegisterWrite {
    std::uint16_t reg;
    std::uint16_t value;
    bool operator==(const RegisterWrite&) const = default;
};

class FakeSensorHost : public SensorHost {
public:
    explicit FakeSensorHost(DeviceType type = 21) : type_(type) {
        // Power-on values: the full 752 x 480 array at column 1, row 4.
        chip = {{0x01, 1},   {0x02, 4},   {0x03, 480}, {0x04, 752}, {0x05, 94},    {0x06, 45},  {0x0B, 480},
                {0x0D, 0x0300}, {0x1B, 0}, {0x1C, 2},   {0x35, 16},  {0x36, 64},   {0xAF, 3},   {0xBD, 480},
                {0xBA, 33},  {0xBB, 211}};
    }

    // ---- what the tests set and read ----
    std::map<std::uint16_t, std::uint16_t> chip;
    std::vector<RegisterWrite> writes;
    std::vector<std::uint16_t> reads;
    SensorState state;
    bool transfer16 = false;
    bool previewRunning = false;
    int failWriteAfter = -1;  // this many more writes succeed, then every write fails
    std::uint16_t failReadOf = 0xFFFF;
    int frameResult = status::kSuccess;
    std::vector<std::pair<int, int>> frameSizes;
    int stopCalls = 0, startCalls = 0, previewSizeCalls = 0, regionCalls = 0;
    int workingModeReads = 0, resendCalls = 0;
    std::vector<int> outputModes;
    std::vector<std::string> events;  // "stop", "start", "write 0x04" ... in order

    void ClearCounts() {
        writes.clear();
        reads.clear();
        events.clear();
        frameSizes.clear();
        stopCalls = startCalls = previewSizeCalls = regionCalls = 0;
        workingModeReads = resendCalls = 0;
        outputModes.clear();
    }

    // Opens a log in a folder of its own; LogLines gives the messages.
    void OpenLog() {
        folder_ = std::make_unique<TempFolder>();
        log_ = std::make_unique<CLogFile>(folder_->Path() + "/sensor.log");
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        if (!log_) return lines;
        std::istringstream text(ReadFile(log_->Path()));
        std::string line;
        // "YYYY-MM-DD hh-mm-ss: " comes first on every line.
        while (std::getline(text, line)) lines.push_back(line.size() > 21 ? line.substr(21) : std::string());
        return lines;
    }

    // ---- SensorHost ----
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
    int ReadWorkingModeIntoDevice() override {
        ++workingModeReads;
        return status::kSuccess;
    }
    void ResendWorkingModeAndDelays() override {
        ++resendCalls;
        events.push_back("resend");
    }
    int ReadRawFrame(std::uint8_t* buffer, int width, int height) override {
        frameSizes.emplace_back(width, height);
        events.push_back("frame");
        if (buffer != nullptr && width > 0 && height > 0) {
            buffer[0] = 1;  // the driver's buffer must hold the whole frame
            buffer[static_cast<std::size_t>(width) * height * (transfer16 ? 2 : 1) - 1] = 1;
        }
        return frameResult;
    }
    bool PreviewRunning() const override { return previewRunning; }
    int StopPreview() override {
        ++stopCalls;
        previewRunning = false;
        events.push_back("stop");
        return status::kSuccess;
    }
    int StartPreview() override {
        ++startCalls;
        previewRunning = true;
        events.push_back("start");
        return status::kSuccess;
    }
    void SetOutputMode(int mode) override {
        state.outputMode = mode;
        outputModes.push_back(mode);
    }
    void PreviewSizeChanged() override { ++previewSizeCalls; }
    void RecomputeRegions() override { ++regionCalls; }

    int WritesTo(std::uint16_t reg) const {
        int count = 0;
        for (const RegisterWrite& write : writes) count += write.reg == reg ? 1 : 0;
        return count;
    }

private:
    DeviceType type_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<CLogFile> log_;
};

}  // namespace qcx::test

// A sensor driver for tests: counts its calls and answers with set results,
// so the camera lifecycle can be checked without a real family.
#pragma once

#include <memory>
#include <vector>

#include "camera/sensors/sensor_driver.h"

namespace qcx::test {

struct FakeSensorLog {
    int initializeCalls = 0;
    int restoreCalls = 0;
    std::vector<int> fieldOfViewModes;
    int initializeResult = 1;
    int restoreResult = 1;
};

class FakeSensorDriver : public SensorDriver {
public:
    FakeSensorDriver(SensorHost& host, std::shared_ptr<FakeSensorLog> log) : SensorDriver(host), log_(std::move(log)) {}
    int InitializeSensor() override {
        ++log_->initializeCalls;
        return log_->initializeResult;
    }
    int RestoreRegisters() override {
        ++log_->restoreCalls;
        return log_->restoreResult;
    }
    int SwitchFieldOfViewMode(int mode) override {
        log_->fieldOfViewModes.push_back(mode);
        return 1;
    }
    int BayerGetDefaultMode(int* mode) override {
        *mode = 0;
        return 1;
    }

private:
    std::shared_ptr<FakeSensorLog> log_;
};

// A factory that makes fake drivers for every family, all reporting into `log`.
inline SensorDriverFactory FakeSensorFactory(std::shared_ptr<FakeSensorLog> log) {
    return [log](SensorFamily, SensorHost& host) -> std::unique_ptr<SensorDriver> {
        return std::make_unique<FakeSensorDriver>(host, log);
    };
}

}  // namespace qcx::test

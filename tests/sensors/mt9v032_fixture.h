// An MT9V032 driver on a fake camera, initialised, with its sleeps recorded
// instead of waited and the counts cleared.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "camera/sensors/mt9v032.h"
#include "sensors/fake_sensor_host.h"

namespace qcx::test {

class Mt9v032Test : public ::testing::Test {
protected:
    std::unique_ptr<FakeSensorHost> host;
    std::unique_ptr<MT9V032Driver> driver;
    std::vector<int> sleeps;

    void SetUp() override { MakeDriver(21); }

    void MakeDriver(DeviceType type, bool initialize = true) {
        driver.reset();
        host = std::make_unique<FakeSensorHost>(type);
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

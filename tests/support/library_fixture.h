// A fixture for tests of the C exports: simulated cameras only (no USB),
// fake sensor drivers, and a library left uninitialised afterwards.
#pragma once

#include <gtest/gtest.h>

#include "camera/api/library.h"
#include "qcxapi.h"
#include "qcxsim.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/sim_environment.h"

namespace qcx::test {

class LibraryTest : public ::testing::Test {
protected:
    NodeDirectory simulatedOnly{{&SimNodeProvider::Instance()}};
    std::shared_ptr<FakeSensorLog> sensor = std::make_shared<FakeSensorLog>();
    std::unique_ptr<ScopedSimCameras> sims;

    void UseCameras(const char* list) {
        sims.reset();  // the old scope unsets QCX_SIM as it ends
        sims = std::make_unique<ScopedSimCameras>(list);
    }

    void SetUp() override {
        qcx::testing::SetNodeDirectory(&simulatedOnly);
        qcx::testing::SetSensorDriverFactory(FakeSensorFactory(sensor));
        UseCameras(nullptr);
    }
    void TearDown() override {
        QCX_UnInit();
        QCX_LogSet(0, "");
        qcx::testing::SetNodeDirectory(nullptr);
        qcx::testing::SetSensorDriverFactory(nullptr);
        SetLogClock(nullptr);
        sims.reset();
    }
    static unsigned Requests(int node) {
        unsigned count = 0;
        QCXSimGetRequestCount(node, &count);
        return count;
    }
};

}  // namespace qcx::test

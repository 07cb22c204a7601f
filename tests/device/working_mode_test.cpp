// The working-mode word and the frame-buffer flush, seen from the camera's
// side (the simulated firmware).
#include <gtest/gtest.h>

#include "camera/device/device.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

class WorkingModeTest : public ::testing::Test {
protected:
    NodeDirectory nodes{{&SimNodeProvider::Instance()}};

    std::unique_ptr<CDevice> OpenCamera(const char* simList) {
        sims_ = std::make_unique<test::ScopedSimCameras>(simList);
        DeviceEnvironment environment;
        environment.nodes = &nodes;
        environment.makeSensorDriver = test::FakeSensorFactory(std::make_shared<test::FakeSensorLog>());
        int status = 0;
        auto device = std::make_unique<CDevice>(0, environment, &status);
        EXPECT_EQ(status, 1);
        return device;
    }
    std::shared_ptr<SimCamera> Sim() { return SimNodeProvider::Instance().CameraAtNode(0); }
    void TearDown() override { sims_.reset(); }

private:
    std::unique_ptr<test::ScopedSimCameras> sims_;
};

TEST_F(WorkingModeTest, FlushSetsBit8AndTheCameraClearsIt) {
    auto device = OpenCamera("28");
    Sim()->SetWorkingMode(0x0013);
    ASSERT_EQ(device->EmptyFrameBuffer(), 1);
    EXPECT_EQ(Sim()->FlushCount(), 1u);
    EXPECT_EQ(Sim()->WorkingMode(), 0x0013) << "the firmware cleared the flush bit itself";
    EXPECT_EQ(device->WorkingModeCopy(), 0x0013);
    // The last word on the wire carried bit 8: the library never ends a flush itself.
    const RequestRecord record = RequestRecord::Decode(Sim()->LastRequest().record.data());
    EXPECT_EQ(record.bRequest, vendor::kSetWorkingMode);
    EXPECT_EQ(record.wValue, 0x0113u);
}

TEST_F(WorkingModeTest, CamerasWithoutTheWordRefuseWithoutUsbTraffic) {
    auto device = OpenCamera("21");
    const std::uint32_t before = Sim()->RequestCount();
    std::uint16_t word = 0x5555;
    EXPECT_EQ(device->EmptyFrameBuffer(), -3);
    EXPECT_EQ(device->GetWorkingMode(&word), -3);
    EXPECT_EQ(device->SetWorkingMode(1), -3);
    EXPECT_EQ(Sim()->RequestCount(), before);
    EXPECT_EQ(word, 0x5555);
}

TEST_F(WorkingModeTest, FailuresAreReportedAndStopTheFlush) {
    auto device = OpenCamera("48");
    std::uint16_t word = 0x7777;
    Sim()->FailNextRequests(1, SimFaultMode::Status);
    EXPECT_EQ(device->GetWorkingMode(&word), -8);
    EXPECT_EQ(word, 0x7777);
    Sim()->FailNextRequests(1, SimFaultMode::Refuse);
    EXPECT_EQ(device->SetWorkingMode(0x10), -8);

    // A failed read of the word ends the flush before anything is written.
    Sim()->FailNextRequests(1, SimFaultMode::Refuse);
    EXPECT_EQ(device->EmptyFrameBuffer(), -8);
    EXPECT_EQ(Sim()->FlushCount(), 0u);

    // A flush that fails keeps the copy of the last good one.
    Sim()->SetWorkingMode(0x0001);
    ASSERT_EQ(device->EmptyFrameBuffer(), 1);
    Sim()->SetWorkingMode(0x0004);
    Sim()->FailNextRequests(1, SimFaultMode::Status);
    EXPECT_EQ(device->EmptyFrameBuffer(), -8);
    EXPECT_EQ(device->WorkingModeCopy(), 0x0001);
}

}  // namespace
}  // namespace qcx

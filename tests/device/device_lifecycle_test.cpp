// Opening, recovering and closing a camera object against simulated cameras.
#include <gtest/gtest.h>

#include "camera/common/log_file.h"
#include "camera/device/device.h"
#include "camera/platform/node_claim.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/sim_environment.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using test::FakeSensorLog;

class DeviceLifecycleTest : public ::testing::Test {
protected:
    NodeDirectory nodes{{&SimNodeProvider::Instance()}};
    std::shared_ptr<FakeSensorLog> sensor = std::make_shared<FakeSensorLog>();

    DeviceEnvironment Environment() {
        DeviceEnvironment environment;
        environment.nodes = &nodes;
        environment.makeSensorDriver = test::FakeSensorFactory(sensor);
        return environment;
    }
    std::unique_ptr<CDevice> Open(int* status) { return std::make_unique<CDevice>(0, Environment(), status); }
    static std::shared_ptr<SimCamera> Sim(int node) { return SimNodeProvider::Instance().CameraAtNode(node); }
};

TEST_F(DeviceLifecycleTest, ConstructionClaimsIdentifiesAndInitialisesTheSensor) {
    test::ScopedSimCameras sims("28:5:0x0203");
    int status = 0;
    auto device = Open(&status);
    ASSERT_EQ(status, 1);
    EXPECT_EQ(device->Type(), 28u);
    EXPECT_EQ(device->Number(), 5u);
    EXPECT_EQ(device->FirmwareVersion(), 0x0203);
    EXPECT_EQ(device->Channel().NodeNumber(), 0);
    EXPECT_EQ(sensor->initializeCalls, 1);
    EXPECT_EQ(device->CaptureTimeoutMs(), 8000u);
    EXPECT_FLOAT_EQ(device->ExposureMs(), 50.0f);

    // A newly built display header: size 40, planes 1, a grey palette.
    const std::uint8_t* header = device->DisplayHeader();
    EXPECT_EQ(header[0], 40);
    EXPECT_EQ(header[12], 1);
    EXPECT_EQ(header[4], 0) << "width 0 until the preview window is known";
    EXPECT_EQ(header[40 + 4 * 200], 200);
    EXPECT_EQ(header[40 + 4 * 200 + 3], 0);

    const PipelineSettings& pipeline = device->Pipeline();
    EXPECT_EQ(pipeline.contrast, 128);
    EXPECT_EQ(pipeline.mapTable[4095], 255);
    EXPECT_EQ(pipeline.mapTable[17], 1);
    EXPECT_EQ(pipeline.gammaTable[77], 77);
}

TEST_F(DeviceLifecycleTest, ConstructionStopsAtEveryFailureAndReleasesTheNode) {
    test::ScopedSimCameras sims("21,6");
    int status = 1;
    {
        // Identification fails: the sensor is never touched.
        Sim(0)->FailNextRequests(1, SimFaultMode::Status);
        auto device = Open(&status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(sensor->initializeCalls, 0);
    }
    {
        sensor->initializeResult = -8;
        auto device = Open(&status);
        EXPECT_EQ(status, 0) << "a failed sensor initialisation fails the camera";
        sensor->initializeResult = 1;
    }
    // Every failed attempt let go of node 0, so it is taken again now.
    auto first = Open(&status);
    ASSERT_EQ(status, 1);
    EXPECT_EQ(first->Channel().NodeNumber(), 0);
    {
        // The next free node is a type 6 camera, which no sensor family drives.
        auto device = Open(&status);
        EXPECT_EQ(status, 0);
    }
    first.reset();
    auto again = Open(&status);
    EXPECT_EQ(status, 1);
    auto none = Open(&status);
    EXPECT_EQ(status, 0) << "node 1 is a type 6 camera again";
}

TEST_F(DeviceLifecycleTest, WithoutTheFamilysDriverTheCameraDoesNotOpen) {
    test::ScopedSimCameras sims("8");  // MT9P001: the library has no driver for it
    DeviceEnvironment environment = Environment();
    environment.makeSensorDriver = [](SensorFamily family, SensorHost& host) { return CreateSensorDriver(family, host); };
    int status = 1;
    CDevice device(0, environment, &status);
    EXPECT_EQ(status, 0);
}

TEST_F(DeviceLifecycleTest, RecoveryReopensTheFirstFreeNodeAndRestoresTheSensor) {
    test::ScopedSimCameras sims("21,21");
    int status = 0;
    auto holder = Open(&status);  // takes node 0
    auto device = Open(&status);  // takes node 1
    ASSERT_EQ(device->Channel().NodeNumber(), 1);

    holder.reset();
    EXPECT_EQ(device->Recover(), -10);
    EXPECT_EQ(device->Channel().NodeNumber(), 0) << "recovery takes the lowest free node";
    EXPECT_EQ(sensor->restoreCalls, 1);

    sensor->restoreResult = -8;
    EXPECT_EQ(device->Recover(), -8) << "the sensor's failure comes back unchanged";

    // Both cameras gone: no node to reopen.
    SimNodeProvider::Instance().CameraAtNode(1)->Unplug();
    SimNodeProvider::Instance().CameraAtNode(0)->Unplug();
    EXPECT_EQ(device->Recover(), -8);
    EXPECT_FALSE(device->Channel().IsOpen());
    std::uint8_t value = 0;
    EXPECT_EQ(device->RdFx2Reg(0, &value), -5) << "requests on a lost channel";
}

TEST_F(DeviceLifecycleTest, DestructionLeavesCaptureModeReleasesTheNodeAndLogsLast) {
    test::ScopedSimCameras sims("21:3:0x0102");
    test::TempFolder folder;
    DeviceEnvironment environment = Environment();
    environment.logEnabled = true;
    environment.logFolder = folder.Path();
    int status = 0;
    auto device = std::make_unique<CDevice>(0, environment, &status);
    ASSERT_EQ(status, 1);
    device.reset();

    EXPECT_EQ(sensor->fieldOfViewModes, std::vector<int>{FVM_CAPTURE});
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr) << "the claim is released";
    const std::vector<std::string> files = test::FilesIn(folder.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::string text = test::ReadFile(folder.Path() + "/" + files[0]);
    EXPECT_NE(text.find(": Initialized Successful.\n"), std::string::npos);
    const std::string tail = ": UnInitialized Finished.\n\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "its own line break leaves an empty line";
}

}  // namespace
}  // namespace qcx

// Opening, recovering and closing a camera object against simulated cameras.
#include <gtest/gtest.h>

#include "camera/device/device.h"
#include "camera/platform/node_claim.h"
#include "sim/sim_node.h"
#include "sim/sim_node_provider.h"
#include "support/fake_sensor_driver.h"
#include "support/recording_node.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

using test::FakeSensorLog;

class DeviceLifecycleTest : public ::testing::Test {
protected:
    NodeDirectory nodes{{&SimNodeProvider::Instance()}};
    std::shared_ptr<FakeSensorLog> sensor = std::make_shared<FakeSensorLog>();

    std::unique_ptr<CDevice> Open(int* status, NodeDirectory* directory = nullptr) {
        DeviceEnvironment environment;
        environment.nodes = directory != nullptr ? directory : &nodes;
        environment.makeSensorDriver = test::FakeSensorFactory(sensor);
        return std::make_unique<CDevice>(0, environment, status);
    }
    static std::shared_ptr<SimCamera> Sim(int node) { return SimNodeProvider::Instance().CameraAtNode(node); }
};

TEST_F(DeviceLifecycleTest, ConstructionStopsAtEveryFailureAndReleasesTheNode) {
    test::ScopedSimCameras sims("21:5:0x0203");
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
    EXPECT_EQ((std::tuple(first->Type(), first->Number(), first->FirmwareVersion())), (std::tuple(21u, 5u, 0x0203)));
    EXPECT_EQ(first->CaptureTimeoutMs(), 8000u);
    EXPECT_EQ(NodeClaim::TryClaim(0), nullptr);
    sensor->fieldOfViewModes.clear();
    first.reset();
    EXPECT_EQ(sensor->fieldOfViewModes, std::vector<int>{FVM_CAPTURE}) << "closing leaves the capture window";
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr) << "and releases the node";
}

TEST_F(DeviceLifecycleTest, RecoveryReopensItsOwnCameraOnTheFirstFreeNodeItIsOnAndRestoresTheSensor) {
    test::ScopedSimCameras sims("21,21");
    int status = 0;
    auto holder = Open(&status);  // takes node 0
    auto device = Open(&status);  // takes node 1
    ASSERT_EQ(device->Channel().NodeNumber(), 1);

    holder.reset();
    EXPECT_EQ(device->Recover(), -10);
    EXPECT_EQ(device->Channel().NodeNumber(), 1) << "the free node 0 holds the other camera";
    const std::shared_ptr<SimCamera> other = Sim(0);
    other->Unplug();  // the device's camera moves down to node 0
    EXPECT_EQ(device->Recover(), -10);
    EXPECT_EQ(device->Channel().NodeNumber(), 0) << "recovery follows the camera to its new node";
    other->Replug();
    EXPECT_EQ(sensor->restoreCalls, 2);

    sensor->restoreResult = -8;
    EXPECT_EQ(device->Recover(), -8) << "the sensor's failure comes back unchanged";

    // Both cameras gone: no node to reopen.
    Sim(1)->Unplug();
    Sim(0)->Unplug();
    EXPECT_EQ(device->Recover(), -8);
    EXPECT_FALSE(device->Channel().IsOpen());
    std::uint8_t value = 0;
    EXPECT_EQ(device->RdFx2Reg(0, &value), -5) << "requests on a lost channel";
}

TEST_F(DeviceLifecycleTest, DevicesThatDoNotIdentifyAsACameraOfAKnownFamilyAreOnlyAskedWhatTheyAre) {
    test::ScopedSimCameras sims("21");
    // Before the camera: a device that refuses every request, and one that
    // answers as a device of no known family.
    test::RecordingProvider generic(2);
    generic.states[0]->refuse = true;
    const std::uint8_t unknownType = 0xEE;
    ASSERT_EQ(FindSensorFamilyTraits(unknownType), nullptr);
    generic.states[1]->answers.assign(4, {0, unknownType, 1, 0, 1});
    NodeDirectory withGeneric({&generic, &SimNodeProvider::Instance()});
    int status = 0;
    auto device = Open(&status, &withGeneric);
    ASSERT_EQ(status, 1);
    EXPECT_EQ(device->Channel().NodeNumber(), 2);
    EXPECT_EQ(device->Recover(), -10);
    device.reset();
    for (const auto& node : generic.states) {
        EXPECT_FALSE(node->requests.empty());
        for (const test::RecordedRequest& request : node->requests) {
            EXPECT_EQ(RequestRecord::Decode(request.record.data()).bRequest, vendor::kDeviceInformation);
        }
    }
}

// The simulated cameras on nodes that know, as USB nodes do, when their
// camera was unplugged.
struct GoneAwareSims : NodeProvider {
    struct Node : DriverNode {
        explicit Node(std::unique_ptr<DriverNode> opened)
            : sim(std::move(opened)), camera(static_cast<SimNode&>(*sim).Camera()), connection(camera->Connection()) {}
        bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data, std::uint32_t size) override {
            return sim->IoControl(code, record, data, size);
        }
        FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override {
            return sim->ReadFrame(buffer, size, timeoutMs);
        }
        bool IsGone() const override { return !camera->IsPlugged() || camera->Connection() != connection; }
        std::unique_ptr<DriverNode> sim;
        std::shared_ptr<SimCamera> camera;
        std::uint32_t connection;
    };
    int CountNodes() override { return SimNodeProvider::Instance().CountNodes(); }
    std::unique_ptr<DriverNode> OpenNode(int i) override {
        std::unique_ptr<DriverNode> sim = SimNodeProvider::Instance().OpenNode(i);
        return sim ? std::make_unique<Node>(std::move(sim)) : nullptr;
    }
    void SetFirstNodeNumber(int first) override { SimNodeProvider::Instance().SetFirstNodeNumber(first); }
};

TEST_F(DeviceLifecycleTest, ARequestThatFindsTheCameraUnpluggedLetsItGoAndTheFirstRequestAfterTheReplugBringsItBack) {
    test::ScopedSimCameras sims("21");
    GoneAwareSims provider;
    NodeDirectory goneAware({&provider});
    int status = 0;
    auto device = Open(&status, &goneAware);
    ASSERT_EQ(status, 1);
    const std::shared_ptr<SimCamera> camera = Sim(0);
    std::uint8_t value = 0;
    camera->Unplug();
    EXPECT_EQ(device->RdFx2Reg(0, &value), -8);
    EXPECT_FALSE(device->Channel().IsOpen());
    camera->Replug();
    EXPECT_EQ(device->RdFx2Reg(0, &value), 1);
    EXPECT_EQ(device->Channel().NodeNumber(), 0);
    EXPECT_EQ(sensor->restoreCalls, 1) << "the camera is restored before the request";
}

}  // namespace
}  // namespace qcx

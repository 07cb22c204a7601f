#include "tests/usb/usb_bus_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "sim/sim_node_provider.h"

namespace qcx {
namespace {

std::unique_ptr<UmockdevCameraBus> bus;

class UsbBusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!UmockdevCameraBus::Available()) GTEST_SKIP() << "not started under umockdev-wrapper";
        bus = std::make_unique<UmockdevCameraBus>();
        SimNodeProvider::Instance().SetUsbBus(bus.get());
        setenv("QCX_E2E_OVER_USB", "1", 1);
    }
    void TearDown() override {
        SimNodeProvider::Instance().SetUsbBus(nullptr);
        bus.reset();
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new UsbBusEnvironment);

}  // namespace

UmockdevCameraBus* TestUsbBus() { return bus.get(); }

}  // namespace qcx

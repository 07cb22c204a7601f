#include "tests/usb/usb_bus_environment.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_node_provider.h"

namespace qcx {
namespace {

std::unique_ptr<UmockdevCameraBus> bus;

// umockdev works through a library preloaded into the process, which a test
// runner does not know to add: the program starts itself again with it
// (listing its tests needs no bus). The sanitizer runtimes then no longer
// come first among the libraries, which AddressSanitizer accepts when told.
bool RelaunchUnderUmockdev() {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "umockdev-preload") != nullptr) return false;
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = all.find('\0', start);
        args.push_back(all.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (const std::string& arg : args) {
        if (arg.rfind("--gtest_list_tests", 0) == 0) return false;
    }
    // Every variable the tests change is in the environment from the start:
    // setenv replaces a value in place, but adding a variable may move the
    // environment under libusb's and umockdev's threads, which read it.
    for (const char* name : {"QCX_SIM", "QCX_SIM_SCENE", "QCX_SIM_TIMING", "QCX_USB_ENDPOINT", "QCX_E2E_OVER_USB"})
        setenv(name, "", 0);
    setenv("QCX_E2E_OVER_USB", "1", 1);
    unsetenv("DISPLAY");
    std::string libraries = "libumockdev-preload.so.0";
    if (preload != nullptr && preload[0] != '\0') libraries += std::string(":") + preload;
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    return false;  // not relaunched: the environment skips every test
}

[[maybe_unused]] const bool relaunched = RelaunchUnderUmockdev();

class UsbBusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!UmockdevCameraBus::Available()) GTEST_SKIP() << "umockdev's preloaded library is missing";
        bus = std::make_unique<UmockdevCameraBus>();
        SimNodeProvider::Instance().SetUsbBus(bus.get());
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

// ThreadSanitizer reads these when the program starts. libudev, which both
// umockdev (announcing devices) and libusb (hearing of them) use, seeds its
// hash tables from a global without a lock; GLib, under umockdev, locks with
// futexes of its own that ThreadSanitizer does not see. libusb hands a
// synchronous transfer that another thread's event handling finished back to
// its waiter through a plain flag, so the waiter's free of the transfer shows
// as racing with the other thread's last touch of it.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libudev.so.1\nrace:libumockdev.so.0\nrace:libglib-2.0.so.0\nrace:libgobject-2.0.so.0\n"
           "race:libusb-1.0.so.0\n";
}

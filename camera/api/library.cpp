#include "camera/api/library.h"

#include "sim/sim_node_provider.h"
#if defined(_WIN32)
#include "camera/platform/win32/win32_node_provider.h"
#elif QCX_WITH_USB
#include "camera/platform/libusb/usb_node_provider.h"
#endif

namespace qcx {

namespace {
SensorDriverFactory g_sensorOverride;
NodeDirectory* g_nodesOverride = nullptr;
}  // namespace

LibraryState& Library() {
    static LibraryState state;
    return state;
}

NodeDirectory& LibraryNodes() {
    if (g_nodesOverride != nullptr) return *g_nodesOverride;
#if defined(_WIN32)
    static Win32NodeProvider driver;
    static NodeDirectory directory({&driver, &SimNodeProvider::Instance()});
#elif QCX_WITH_USB
    static UsbNodeProvider usb;
    static NodeDirectory directory({&usb, &SimNodeProvider::Instance()});
#else
    static NodeDirectory directory({&SimNodeProvider::Instance()});
#endif
    return directory;
}

SensorDriverFactory LibrarySensorDrivers() {
    if (g_sensorOverride) return g_sensorOverride;
    return [](SensorFamily family, SensorHost& host) { return CreateSensorDriver(family, host); };
}

namespace testing {
void SetSensorDriverFactory(SensorDriverFactory factory) { g_sensorOverride = std::move(factory); }
void SetNodeDirectory(NodeDirectory* directory) { g_nodesOverride = directory; }
}  // namespace testing

}  // namespace qcx

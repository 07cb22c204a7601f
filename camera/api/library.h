// The process-wide state behind the exports: the device manager, the log
// settings, and the driver nodes the library looks at.
#pragma once

#include <mutex>
#include <new>

#include "camera/api/device_manager.h"
#include "camera/common/status.h"

namespace qcx {

struct LibraryState {
    // Null until QCX_Init and again after QCX_UnInit. Deliberately not owned
    // by a static object: cameras are released by QCX_UnInit, never by
    // process exit.
    CDeviceManager* manager = nullptr;
    LogSettings log;
};

LibraryState& Library();

// Real USB cameras first, then the simulated cameras of QCX_SIM.
NodeDirectory& LibraryNodes();
SensorDriverFactory LibrarySensorDrivers();

// Reaches the camera of a device export: -5 without a manager, for an
// invalid index or a camera that cannot be opened; otherwise `operation`'s
// status. No exception crosses the C interface.
template <typename Operation>
int WithDevice(int index, Operation&& operation) {
    CDeviceManager* manager = Library().manager;
    if (manager == nullptr) return status::kNotInitialized;
    try {
        CDevice* device = manager->GetDevice(index);
        if (device == nullptr) return status::kNotInitialized;
        return operation(*device);
    } catch (const std::bad_alloc&) {
        return status::kNoMemory;
    } catch (...) {
        return status::kFail;
    }
}

// WithDevice for the exports that change what the preview worker reads on
// every frame (image settings, output mode, automatic loops): the camera's
// I/O lock is held around `operation`, so a frame in flight never sees a
// half-made change.
template <typename Operation>
int WithDeviceSettings(int index, Operation&& operation) {
    return WithDevice(index, [&](CDevice& device) {
        std::lock_guard<IoMutex> io(device.Channel().IoLock());
        return operation(device);
    });
}

namespace testing {
// Replace the sensor drivers and the node directory of managers created
// from now on (null / empty restores the library's own).
void SetSensorDriverFactory(SensorDriverFactory factory);
void SetNodeDirectory(NodeDirectory* directory);
}  // namespace testing

}  // namespace qcx

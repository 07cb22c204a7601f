// CDeviceManager: the process's one owner of opened cameras, 32 slots by
// device index, each filled on the first call that names its index.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "camera/device/device.h"

namespace qcx {

// The process-wide log switch and folder that cameras open their logs with.
struct LogSettings {
    std::uint8_t enabled = 0;  // the byte as the caller gave it; not 0 is on
    std::string folder;  // at most 259 characters; empty: the default folder
};

inline constexpr int kDeviceSlots = 32;

class CDeviceManager {
public:
    // Counts the driver nodes that open now; the count is fixed for the
    // manager's life. The directory and log settings are borrowed.
    CDeviceManager(NodeDirectory& nodes, SensorDriverFactory makeSensorDriver, const LogSettings& log);
    virtual ~CDeviceManager();  // destroys the cameras from slot 0 to 31
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    int DeviceCount() const { return deviceCount_; }

    // The camera of `index`, opened now if its slot is empty; null for an
    // invalid index or a camera that cannot be opened (a later call tries again).
    CDevice* GetDevice(int index);

    // The camera of slot `index` if it is open, else null; opens nothing.
    CDevice* OpenedDevice(int index) const;

private:
    NodeDirectory& nodes_;
    SensorDriverFactory makeSensorDriver_;
    const LogSettings& log_;
    int deviceCount_ = 0;
    std::array<std::unique_ptr<CDevice>, kDeviceSlots> slots_;
};

}  // namespace qcx

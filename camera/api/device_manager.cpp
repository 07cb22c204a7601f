#include "camera/api/device_manager.h"

#include <algorithm>
#include <new>

#include "camera/common/status.h"

namespace qcx {

CDeviceManager::CDeviceManager(NodeDirectory& nodes, SensorDriverFactory makeSensorDriver, const LogSettings& log)
    : nodes_(nodes), makeSensorDriver_(std::move(makeSensorDriver)), log_(log) {
    deviceCount_ = std::min(nodes_.CountNodes(), kDeviceSlots);
}

CDeviceManager::~CDeviceManager() {
    for (std::unique_ptr<CDevice>& slot : slots_) slot.reset();
}

CDevice* CDeviceManager::GetDevice(int index) {
    if (index < 0 || index >= deviceCount_) return nullptr;
    std::unique_ptr<CDevice>& slot = slots_[static_cast<std::size_t>(index)];
    if (slot) return slot.get();

    DeviceEnvironment environment;
    environment.nodes = &nodes_;
    environment.makeSensorDriver = makeSensorDriver_;
    environment.logEnabled = log_.enabled != 0;
    environment.logFolder = log_.folder;
    int constructed = 0;
    std::unique_ptr<CDevice> device;
    try {
        device.reset(new CDevice(index, environment, &constructed));
    } catch (const std::bad_alloc&) {
        return nullptr;  // no memory to open the camera reads as "not initialised" too
    }
    if (constructed != status::kSuccess) return nullptr;  // the half-made camera is destroyed here
    slot = std::move(device);
    return slot.get();
}

CDevice* CDeviceManager::OpenedDevice(int index) const {
    if (index < 0 || index >= kDeviceSlots) return nullptr;
    return slots_[static_cast<std::size_t>(index)].get();
}

}  // namespace qcx

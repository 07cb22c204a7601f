#include "sim/sim_node_provider.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "camera/platform/environment.h"
#include "sim/sim_camera_list.h"
#include "sim/sim_node.h"

namespace qcx {

SimNodeProvider& SimNodeProvider::Instance() {
    static SimNodeProvider provider;
    return provider;
}

void SimNodeProvider::RefreshLocked() {
    const std::string text = EnvironmentValue("QCX_SIM");
    if (listed_ && text == listedText_) return;

    const SimCameraList list = ParseSimCameraList(text);
    // The list is re-read on every count; one warning per text is enough.
    if (!list.warnings.empty() && warnedTexts_.insert(text).second) {
        for (const auto& warning : list.warnings) std::fprintf(stderr, "%s\n", warning.c_str());
    }

    std::vector<std::shared_ptr<SimCamera>> cameras;
    cameras.reserve(list.cameras.size());
    for (std::size_t i = 0; i < list.cameras.size(); ++i) {
        if (i < cameras_.size() && cameras_[i]->Identity() == list.cameras[i]) {
            cameras.push_back(cameras_[i]);
        } else {
            cameras.push_back(std::make_shared<SimCamera>(list.cameras[i]));
        }
    }
    // Cameras that left the list are gone from the bus for anyone still holding them.
    for (std::size_t i = 0; i < cameras_.size(); ++i) {
        if (i >= cameras.size() || cameras[i] != cameras_[i]) cameras_[i]->Unplug();
    }
    cameras_ = std::move(cameras);
    listedText_ = text;
    listed_ = true;
    for (const auto& camera : cameras_) {
        if (!usbBus_ && camera->Identity().onUsb && warnedTexts_.insert(text + "\n usb").second)
            std::fprintf(stderr, "qcxapi: QCX_SIM usb: entries need a simulated USB bus; none in this process\n");
    }
    SyncUsbBusLocked();
}

void SimNodeProvider::TryRefreshLocked() {
    try {
        RefreshLocked();
    } catch (const std::bad_alloc&) {
        // Keep the cameras we had; the next call tries again.
    }
}

void SimNodeProvider::SyncUsbBusLocked() {
    if (!usbBus_) return;
    std::vector<std::shared_ptr<SimCamera>> onUsb;
    for (const auto& camera : cameras_) {
        if (camera->Identity().onUsb) onUsb.push_back(camera);
    }
    usbBus_->Sync(onUsb);
}

void SimNodeProvider::SetUsbBus(SimUsbBus* bus) {
    std::lock_guard lock(mutex_);
    if (usbBus_ && usbBus_ != bus) usbBus_->Sync({});
    usbBus_ = bus;
    SyncUsbBusLocked();
}

std::shared_ptr<SimCamera> SimNodeProvider::PluggedAtLocked(int localIndex) const {
    if (localIndex < 0) return nullptr;
    for (const auto& camera : cameras_) {
        if (!camera->IsPlugged() || !IsSimNode(*camera)) continue;
        if (localIndex-- == 0) return camera;
    }
    return nullptr;
}

int SimNodeProvider::CountNodes() {
    std::lock_guard lock(mutex_);
    TryRefreshLocked();
    return static_cast<int>(std::count_if(cameras_.begin(), cameras_.end(), [](const auto& camera) {
        return camera->IsPlugged() && IsSimNode(*camera);
    }));
}

int SimNodeProvider::CountPlugged() {
    std::lock_guard lock(mutex_);
    TryRefreshLocked();
    return static_cast<int>(std::count_if(cameras_.begin(), cameras_.end(), [this](const auto& camera) {
        return camera->IsPlugged() && (IsSimNode(*camera) || usbBus_ != nullptr);
    }));
}

std::unique_ptr<DriverNode> SimNodeProvider::OpenNode(int localIndex) {
    std::lock_guard lock(mutex_);
    try {
        RefreshLocked();
        if (auto camera = PluggedAtLocked(localIndex)) return std::make_unique<SimNode>(std::move(camera));
    } catch (const std::bad_alloc&) {
        // An open that cannot allocate is an open that failed.
    }
    return nullptr;
}

void SimNodeProvider::SetFirstNodeNumber(int first) {
    std::lock_guard lock(mutex_);
    firstNodeNumber_ = first;
}

int SimNodeProvider::FirstNodeNumber() const {
    std::lock_guard lock(mutex_);
    return firstNodeNumber_;
}

std::shared_ptr<SimCamera> SimNodeProvider::CameraAtNode(int nodeNumber) {
    std::lock_guard lock(mutex_);
    TryRefreshLocked();
    if (nodeNumber < 0) return nullptr;
    if (!usbBus_) return nodeNumber >= firstNodeNumber_ ? PluggedAtLocked(nodeNumber - firstNodeNumber_) : nullptr;
    // The USB nodes come first, those of the simulated bus as the USB
    // provider numbers them (no real camera is expected beside them), then
    // the simulated nodes. The bus is asked afresh: the library may not have
    // counted its nodes since a camera came or went.
    const auto onBus = usbBus_->InNodeOrder();
    const auto n = static_cast<std::size_t>(nodeNumber);
    return n < onBus.size() ? onBus[n] : PluggedAtLocked(nodeNumber - static_cast<int>(onBus.size()));
}

bool SimNodeProvider::Unplug(int nodeNumber) {
    const auto camera = CameraAtNode(nodeNumber);
    if (!camera) return false;
    std::lock_guard lock(mutex_);
    camera->Unplug();
    SyncUsbBusLocked();
    return true;
}

void SimNodeProvider::ReplugAll() {
    std::lock_guard lock(mutex_);
    TryRefreshLocked();
    for (const auto& camera : cameras_) camera->Replug();
    SyncUsbBusLocked();
}

void SimNodeProvider::Reset() {
    std::lock_guard lock(mutex_);
    for (const auto& camera : cameras_) camera->Unplug();
    cameras_.clear();
    SyncUsbBusLocked();
    warnedTexts_.clear();
    listedText_.clear();
    listed_ = false;
    firstNodeNumber_ = 0;
}

}  // namespace qcx

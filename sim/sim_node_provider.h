// The simulated cameras of this process as driver nodes, named by QCX_SIM.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "camera/platform/driver_node.h"
#include "sim/sim_camera.h"
#include "sim/sim_usb_bus.h"

namespace qcx {

// QCX_SIM is read afresh on every call, so a test or tool can add and remove
// cameras by changing the environment. A camera keeps its state (EEPROM,
// registers, counters) as long as the entry at its position in the list
// stays the same; a changed or removed entry replaces the camera, and the old
// one behaves as unplugged for the nodes still open on it.
//
// Only plugged cameras are counted and opened, so while a camera is unplugged
// the node numbers of the cameras after it shift down by one, as they do on a
// real bus.
class SimNodeProvider final : public NodeProvider {
public:
    static SimNodeProvider& Instance();

    int CountNodes() override;
    // Does not refuse a node that is open already: claims are the library's
    // business, through its lock files.
    std::unique_ptr<DriverNode> OpenNode(int localIndex) override;

    // The library's number of this provider's first node (real USB cameras
    // come first); set whenever the library numbers its providers.
    void SetFirstNodeNumber(int first) override;
    int FirstNodeNumber() const;

    // The plugged camera at a node number as the library counts nodes; null
    // when that node is not a simulated camera.
    std::shared_ptr<SimCamera> CameraAtNode(int nodeNumber);

    // Plugs every unplugged camera of the list back in.
    void ReplugAll();
    // Unplugs the camera at a node number; false when there is none.
    bool Unplug(int nodeNumber);

    // The bus that carries the `usb:` cameras of QCX_SIM (borrowed; null
    // removes it). Without one those cameras are left out with a warning.
    void SetUsbBus(SimUsbBus* bus);
    // Simulated cameras plugged in now, those on the USB bus included.
    int CountPlugged();

    // Forgets every camera and warning, as in a new process.
    void Reset();

private:
    SimNodeProvider() = default;

    void RefreshLocked();
    // RefreshLocked, keeping the cameras it has when memory runs out.
    void TryRefreshLocked();
    void SyncUsbBusLocked();
    // A camera of the list that is a simulated node (not on the USB bus).
    static bool IsSimNode(const SimCamera& camera) { return !camera.Identity().onUsb; }
    std::shared_ptr<SimCamera> PluggedAtLocked(int localIndex) const;

    mutable std::mutex mutex_;
    int firstNodeNumber_ = 0;
    bool listed_ = false;
    std::string listedText_;
    std::vector<std::shared_ptr<SimCamera>> cameras_;  // by position in the list
    std::set<std::string> warnedTexts_;
    SimUsbBus* usbBus_ = nullptr;
};

}  // namespace qcx

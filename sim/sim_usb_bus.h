// Simulated cameras that the library reaches over real USB: a harness
// presents them to libusb as USB devices (the tests do it with umockdev), so
// the USB node provider, not the simulated one, opens them.
#pragma once

#include <memory>
#include <vector>

#include "sim/sim_camera.h"

namespace qcx {

class SimUsbBus {
public:
    virtual ~SimUsbBus() = default;

    // Brings the bus in line with `cameras`, the `usb:` entries of QCX_SIM in
    // list order: a plugged camera that is not on the bus is attached (one
    // replugged since it was attached comes back at a new address), one that
    // is unplugged or left the list is detached.
    virtual void Sync(const std::vector<std::shared_ptr<SimCamera>>& cameras) = 0;

    // The cameras on the bus in the order the library numbers USB nodes.
    virtual std::vector<std::shared_ptr<SimCamera>> InNodeOrder() const = 0;
};

}  // namespace qcx

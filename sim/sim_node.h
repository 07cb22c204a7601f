// An opened driver node of a simulated camera.
#pragma once

#include <memory>

#include "camera/platform/driver_node.h"
#include "sim/sim_camera.h"

namespace qcx {

class SimNode final : public DriverNode {
public:
    // Bound to the camera's connection at the time of opening: after an
    // unplug the node stays dead even if the camera comes back.
    explicit SimNode(std::shared_ptr<SimCamera> camera);

    // Only the vendor request code reaches the camera; the driver refuses any
    // other code itself.
    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                   std::uint32_t dataSize) override;
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override;
    bool RendersOnReader() const override { return true; }

    const std::shared_ptr<SimCamera>& Camera() const { return camera_; }

private:
    std::shared_ptr<SimCamera> camera_;
    std::uint32_t connection_;
};

}  // namespace qcx

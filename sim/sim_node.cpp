#include "sim/sim_node.h"

#include <utility>

namespace qcx {

SimNode::SimNode(std::shared_ptr<SimCamera> camera)
    : camera_(std::move(camera)), connection_(camera_->Connection()) {}

bool SimNode::IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                        std::uint32_t dataSize) {
    if (code != kVendorIoControlCode) return false;
    return camera_->HandleRequest(record, static_cast<std::uint8_t*>(data), dataSize, connection_);
}

FrameReadResult SimNode::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    return camera_->ReadFrame(buffer, size, timeoutMs, connection_);
}

}  // namespace qcx

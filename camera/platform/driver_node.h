// The seam between the driver channel and whatever carries its traffic: a
// USB camera through libusb, a simulated camera in process, or (later) the
// Windows kernel driver. Everything above this header is OS-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/platform/node_claim.h"
#include "camera/platform/request_record.h"

namespace qcx {

// Outcome of one bounded frame read.
struct FrameReadResult {
    enum class Kind {
        Completed,  // the read finished; `bytesRead` may be short or 0
        TimedOut,   // nothing finished within the time-out
        Failed,     // the transfer failed; `errorCode` tells why
    };
    Kind kind = Kind::Failed;
    std::uint32_t bytesRead = 0;
    std::uint32_t errorCode = 0;
    const char* detail = nullptr;  // the transport's name of the error, when it has one
};

// One opened driver device node.
class DriverNode {
public:
    virtual ~DriverNode() = default;

    // The driver's I/O control request. `record` is the 19-byte request record;
    // `data` is the caller's buffer of `dataSize` bytes (the output buffer of
    // the request: filled for device-to-host requests, sent for host-to-device
    // ones). Returns true only when the request completed; false when the
    // driver refused it or the camera is gone.
    virtual bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                           std::uint32_t dataSize) = 0;

    // Reads one frame of at most `size` bytes into `buffer`, waiting at most
    // `timeoutMs` milliseconds.
    virtual FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) = 0;

    // True for a camera that makes its frames on the reading thread's own
    // time (the simulator): a reader at raised priority would then take the
    // processor from everything else instead of waiting for the camera.
    virtual bool RendersOnReader() const { return false; }

    // The name of the cross-process claim of this node, opened as node
    // `nodeNumber`. The claim must follow the camera, not its number: a USB
    // camera's number moves when a camera before it is unplugged, so a USB
    // node names its claim by its place on the bus. A node that keeps its
    // number is claimed by the number.
    virtual std::string ClaimName(int nodeNumber) const { return NodeClaim::NumberedName(nodeNumber); }

    // True once the node learned that its device was unplugged (a transfer
    // found no device). Such a node never works again; the camera comes back
    // only on a node opened after it is plugged in again.
    virtual bool IsGone() const { return false; }

    // What the camera's log says of the node when the camera opens it
    // (empty: nothing, as for a simulated node).
    virtual std::string Description() const { return {}; }
};

// A source of driver nodes (real USB cameras, simulated cameras). Nodes of a
// provider are numbered from 0 within the provider; the node directory puts
// the providers one after the other.
class NodeProvider {
public:
    virtual ~NodeProvider() = default;

    // How many nodes this provider has now (counted afresh on each call).
    virtual int CountNodes() = 0;

    // Opens node `localIndex` (0 ... CountNodes()-1). Null when it cannot be
    // opened (gone, refused, out of range).
    virtual std::unique_ptr<DriverNode> OpenNode(int localIndex) = 0;

    // Tells the provider the driver node number of its first node, each time
    // the node directory numbers the providers (real USB first, then the
    // simulated cameras), so tools can address nodes by their real number.
    virtual void SetFirstNodeNumber(int /*firstNodeNumber*/) {}
};

}  // namespace qcx

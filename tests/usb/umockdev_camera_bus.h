// Simulated cameras as USB devices that the real libusb finds, opens and
// reads: umockdev presents a device record per camera and hands the usbfs
// requests on its device node to this bus, which answers them from the
// simulated firmware (vendor requests on endpoint 0, frames on the bulk
// endpoint). Needs a process started under umockdev-wrapper.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/sim_usb_bus.h"

namespace qcx {

// How the next camera attached to the bus presents itself.
struct UsbDeviceLook {
    int speedMbps = 480;    // 12 is full speed
    bool camera = true;     // false: a generic controller that stalls every vendor request
    bool accessDenied = false;  // its device node cannot be opened
};

// Faults of one camera's frame endpoint, each used up when it happens.
struct UsbFrameFaults {
    bool stallNext = false;         // the next frame transfer stalls; the endpoint stays halted until cleared
    std::uint32_t cutNextAfter = 0;  // the next frame stops after this many bytes (whole packets) for good
    bool padLastPacket = false;     // frames end in a full packet, padded (stays on)
};

class UmockdevCameraBus final : public SimUsbBus {
public:
    // True in a process started under umockdev-wrapper.
    static bool Available();

    UmockdevCameraBus();
    ~UmockdevCameraBus() override;
    UmockdevCameraBus(const UmockdevCameraBus&) = delete;
    UmockdevCameraBus& operator=(const UmockdevCameraBus&) = delete;

    void Sync(const std::vector<std::shared_ptr<SimCamera>>& cameras) override;
    std::vector<std::shared_ptr<SimCamera>> InNodeOrder() const override;

    // The looks of the next cameras attached, in order; the ones after them
    // look like cameras again.
    void SetLooks(std::vector<UsbDeviceLook> looks);
    // Vendor requests a camera's device received, answered or not.
    int VendorRequests(const std::shared_ptr<SimCamera>& camera) const;
    // Faults of a camera's frame endpoint (false when it is not on the bus).
    bool SetFrameFaults(const std::shared_ptr<SimCamera>& camera, const UsbFrameFaults& faults);
    // Bytes all cameras may have in submitted transfers at once, as the
    // kernel's usbfs_memory_mb bounds them (0: no bound).
    void SetTransferMemoryLimit(std::uint64_t bytes);
    // The alternate setting the host chose last, and the endpoint of its
    // last bulk transfer (0 before any). Each of these gives -1 for a camera
    // that is not on the bus.
    int AlternateSetting(const std::shared_ptr<SimCamera>& camera) const;
    int FrameEndpoint(const std::shared_ptr<SimCamera>& camera) const;
    // Halts of the frame endpoint the host has cleared.
    int ClearedHalts(const std::shared_ptr<SimCamera>& camera) const;
    // The camera's address on the bus, which is also its port on the root hub.
    int Address(const std::shared_ptr<SimCamera>& camera) const;

    struct Device;
    struct Shared;

private:
    std::shared_ptr<Device> FindLocked(const std::shared_ptr<SimCamera>& camera) const;
    // `read` of the camera's device under its lock; -1 when it is not on the bus.
    template <typename Read>
    int AskDevice(const std::shared_ptr<SimCamera>& camera, Read read) const;
    void AttachLocked(const std::shared_ptr<SimCamera>& camera);
    void DetachLocked(Device& device);

    std::shared_ptr<Shared> shared_;
    mutable std::mutex mutex_;  // the devices and the look; taken before any device's lock
    std::vector<std::shared_ptr<Device>> attached_;
    std::vector<std::shared_ptr<Device>> detached_;  // their device nodes may still be open
    std::vector<UsbDeviceLook> looks_;
    int nextAddress_ = 2;
};

}  // namespace qcx

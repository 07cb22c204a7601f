// Real cameras on Linux through libusb-1.0: each matching USB device is a
// driver node; a request record becomes a control transfer on endpoint 0 and
// a frame read becomes a bulk read from the camera's bulk IN endpoint.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/platform/driver_node.h"
#include "camera/platform/usb_device_ids.h"

struct libusb_context;
struct libusb_device_handle;

namespace qcx {

// Owns one libusb context.
class UsbContext {
public:
    // Null when libusb cannot start (no USB on this machine, no permission).
    static std::shared_ptr<UsbContext> Create();
    ~UsbContext();
    UsbContext(const UsbContext&) = delete;
    UsbContext& operator=(const UsbContext&) = delete;

    libusb_context* get() const { return context_; }

private:
    explicit UsbContext(libusb_context* context) : context_(context) {}
    libusb_context* context_;
};

// One bulk transfer as libusb_bulk_transfer does it: returns 0 or a libusb
// error code and stores the bytes moved (also on a time-out) in `transferred`.
using BulkTransferFn =
    std::function<int(std::uint8_t* data, int length, int* transferred, unsigned int timeoutMs)>;
using SteadyNowFn = std::function<std::chrono::steady_clock::time_point()>;

// Largest single bulk request of a frame read; a multiple of every bulk packet size.
inline constexpr std::uint32_t kBulkChunkBytes = 4u << 20;

// Reads up to `size` bytes into `buffer` with as many `transfer` calls as it
// takes, all within `timeoutMs` in total. Ends at the full count, at a short
// packet or at the deadline; see FrameReadResult for the outcomes. `now`
// defaults to the steady clock.
FrameReadResult ReadBulkFrame(const BulkTransferFn& transfer, void* buffer, std::uint32_t size,
                              std::uint32_t timeoutMs, std::uint32_t chunkBytes = kBulkChunkBytes,
                              const SteadyNowFn& now = {});

// An opened camera with interface 0 claimed. Releases and closes on destruction.
class UsbNode : public DriverNode {
public:
    UsbNode(std::shared_ptr<UsbContext> context, libusb_device_handle* handle,
            std::uint8_t bulkInEndpoint);
    ~UsbNode() override;
    UsbNode(const UsbNode&) = delete;
    UsbNode& operator=(const UsbNode&) = delete;

    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                   std::uint32_t dataSize) override;
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override;

private:
    std::shared_ptr<UsbContext> context_;  // outlives the handle
    libusb_device_handle* handle_;
    std::uint8_t bulkInEndpoint_;
};

// The USB cameras attached now, in bus order.
class UsbNodeProvider : public NodeProvider {
public:
    // Cameras are the devices with the default id or an id from QCX_USB_IDS.
    UsbNodeProvider();
    explicit UsbNodeProvider(std::vector<UsbDeviceId> ids);
    ~UsbNodeProvider() override;

    int CountNodes() override;
    std::unique_ptr<DriverNode> OpenNode(int localIndex) override;

private:
    std::shared_ptr<UsbContext> ContextLocked();

    std::mutex mutex_;
    std::vector<UsbDeviceId> ids_;
    std::shared_ptr<UsbContext> context_;
};

}  // namespace qcx

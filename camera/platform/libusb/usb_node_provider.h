// Real cameras on Linux through libusb-1.0: each matching USB device is a
// driver node; a request record becomes a control transfer on endpoint 0 and
// a frame read becomes bulk transfers from the camera's frame endpoint.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "camera/platform/driver_node.h"
#include "camera/platform/libusb/usb_device_ids.h"
#include "camera/platform/libusb/usb_endpoint_choice.h"
#include "camera/platform/libusb/usb_frame_reader.h"

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

// An opened camera with interface 0 claimed and its frame endpoint's
// alternate setting chosen. Releases and closes on destruction.
class UsbNode : public DriverNode {
public:
    UsbNode(std::shared_ptr<UsbContext> context, libusb_device_handle* handle, const BulkInEndpoint& endpoint,
            std::string claimName);
    ~UsbNode() override;
    UsbNode(const UsbNode&) = delete;
    UsbNode& operator=(const UsbNode&) = delete;

    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                   std::uint32_t dataSize) override;
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override;
    std::string ClaimName(int nodeNumber) const override;
    bool IsGone() const override;
    std::string Description() const override;

private:
    std::shared_ptr<UsbContext> context_;  // outlives the handle
    libusb_device_handle* handle_;
    BulkInEndpoint endpoint_;
    std::string claimName_;
    std::unique_ptr<UsbFrameReader> reader_;
    std::atomic<bool> gone_{false};
};

// The USB cameras attached now, in bus order.
class UsbNodeProvider : public NodeProvider {
public:
    // Cameras are the devices with the default id or an id from QCX_USB_IDS;
    // QCX_USB_ENDPOINT=0x86[,ALT] names their frame endpoint.
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

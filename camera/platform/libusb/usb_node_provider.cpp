#include "camera/platform/libusb/usb_node_provider.h"

#include <libusb.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "camera/platform/libusb/usb_control_transfer.h"

namespace qcx {

namespace {

// The kernel driver bounds every vendor request the same way.
constexpr unsigned int kControlTimeoutMs = 5000;
constexpr int kCameraInterface = 0;

struct HandleCloser {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using HandlePtr = std::unique_ptr<libusb_device_handle, HandleCloser>;

struct DeviceListFreer {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceListPtr = std::unique_ptr<libusb_device*, DeviceListFreer>;

struct ConfigFreer {
    void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};
using ConfigPtr = std::unique_ptr<libusb_config_descriptor, ConfigFreer>;

// "1.4.2": the ports from the root hub down, which stay when the camera is
// plugged into the same socket again.
std::string PortPath(libusb_device* device) {
    std::uint8_t ports[8] = {};
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    std::string path;
    for (int i = 0; i < depth; ++i) {
        if (i > 0) path += '.';
        path += std::to_string(ports[i]);
    }
    return path.empty() ? "?" : path;
}

// What a user must know about a camera, once per process and camera: without
// it a camera the library cannot use is simply not counted.
void ReportOnce(libusb_device* device, const std::string& what) {
    static std::mutex lock;
    static std::set<std::string> reported;
    libusb_device_descriptor desc{};
    libusb_get_device_descriptor(device, &desc);
    char text[320];
    std::snprintf(text, sizeof text, "camera %04x:%04x on bus %u port path %s: %s", desc.idVendor, desc.idProduct,
                  libusb_get_bus_number(device), PortPath(device).c_str(), what.c_str());
    std::lock_guard<std::mutex> hold(lock);
    if (reported.insert(text).second) std::fprintf(stderr, "qcxapi: %s\n", text);
}

void ReportOpenFailure(libusb_device* device, int rc) {
    switch (rc) {
        case LIBUSB_ERROR_ACCESS:
            ReportOnce(device, "no permission; install udev/60-qcxapi.rules");
            break;
        case LIBUSB_ERROR_NO_DEVICE:
            break;  // unplugged since the list was made
        default:
            ReportOnce(device, std::string("cannot be opened (") + libusb_error_name(rc) + ")");
    }
}

// QCX_USB_ENDPOINT as it is now; a value that does not parse is reported
// once and ignored.
std::optional<EndpointOverride> EndpointOverrideFromEnvironment() {
    static std::mutex lock;
    static std::set<std::string> reported;
    std::string warning;
    const std::optional<EndpointOverride> parsed = ParseEndpointOverride(std::getenv("QCX_USB_ENDPOINT"), &warning);
    std::lock_guard<std::mutex> hold(lock);
    if (!warning.empty() && reported.insert(warning).second) std::fprintf(stderr, "%s\n", warning.c_str());
    return parsed;
}

// The claim names of the USB nodes open in this process.
std::mutex heldLock;
std::multiset<std::string> held;

bool HeldHere(const std::string& claimName) {
    std::lock_guard<std::mutex> hold(heldLock);
    return held.count(claimName) != 0;
}

bool IsCamera(libusb_device* device, const std::vector<UsbDeviceId>& ids) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(device, &desc) != 0) return false;
    return std::find(ids.begin(), ids.end(), UsbDeviceId{desc.idVendor, desc.idProduct}) != ids.end();
}

// The claim of the camera at this place on the bus.
std::string ClaimNameOf(libusb_device* device) {
    return "qxCamera-usb" + std::to_string(libusb_get_bus_number(device)) + "-" + PortPath(device);
}

// Visits the cameras that open, in bus order, each with a fresh handle, or
// with none for a camera this process holds already: it is not opened a
// second time beside the node that reads it. The visitor takes the handle to
// keep it and stop; a handle left to it is closed.
template <typename Visitor>
void ForEachOpenableCamera(libusb_context* context, const std::vector<UsbDeviceId>& ids,
                           Visitor&& visit) {
    libusb_device** raw = nullptr;
    const ssize_t count = libusb_get_device_list(context, &raw);
    if (count < 0) return;
    DeviceListPtr list(raw);

    std::vector<libusb_device*> cameras;
    for (ssize_t i = 0; i < count; ++i) {
        if (IsCamera(raw[i], ids)) cameras.push_back(raw[i]);
    }
    // libusb lists devices in no promised order; bus and address give the
    // order in which the buses enumerated them, the same on every call.
    std::sort(cameras.begin(), cameras.end(), [](libusb_device* a, libusb_device* b) {
        return std::pair(libusb_get_bus_number(a), libusb_get_device_address(a)) <
               std::pair(libusb_get_bus_number(b), libusb_get_device_address(b));
    });

    for (libusb_device* device : cameras) {
        if (HeldHere(ClaimNameOf(device))) {
            HandlePtr none;
            if (visit(none)) return;
            continue;
        }
        libusb_device_handle* opened = nullptr;
        const int rc = libusb_open(device, &opened);
        if (rc != 0) {
            ReportOpenFailure(device, rc);
            continue;
        }
        HandlePtr handle(opened);
        if (visit(handle)) return;
    }
}

// Every bulk IN endpoint of the camera's interface, in all its alternate settings.
std::vector<BulkInEndpoint> BulkInEndpoints(libusb_device* device) {
    std::vector<BulkInEndpoint> found;
    libusb_config_descriptor* raw = nullptr;
    if (libusb_get_active_config_descriptor(device, &raw) != 0) return found;
    ConfigPtr config(raw);
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& iface = config->interface[i];
        for (int a = 0; a < iface.num_altsetting; ++a) {
            const libusb_interface_descriptor& setting = iface.altsetting[a];
            if (setting.bInterfaceNumber != kCameraInterface) continue;
            for (int e = 0; e < setting.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = setting.endpoint[e];
                const bool bulk = (ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
                const bool in = (ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
                if (bulk && in) {
                    found.push_back({ep.bEndpointAddress, setting.bAlternateSetting,
                                     static_cast<std::uint16_t>(ep.wMaxPacketSize & 0x7FF)});
                }
            }
        }
    }
    return found;
}

// Claims the camera's interface. Kernel drivers are detached where the
// platform can; where it cannot say (ENOTTY from an emulated or older usbfs)
// the plain claim is tried.
int ClaimCameraInterface(libusb_device_handle* handle) {
    libusb_set_auto_detach_kernel_driver(handle, 1);
    int rc = libusb_claim_interface(handle, kCameraInterface);
    if (rc == LIBUSB_ERROR_NOT_SUPPORTED || rc == LIBUSB_ERROR_OTHER) {
        libusb_set_auto_detach_kernel_driver(handle, 0);
        rc = libusb_claim_interface(handle, kCameraInterface);
    }
    return rc;
}

}  // namespace

std::shared_ptr<UsbContext> UsbContext::Create() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return nullptr;
    return std::shared_ptr<UsbContext>(new UsbContext(context));
}

UsbContext::~UsbContext() { libusb_exit(context_); }

UsbNode::UsbNode(std::shared_ptr<UsbContext> context, libusb_device_handle* handle, const BulkInEndpoint& endpoint,
                 std::string claimName)
    : context_(std::move(context)), handle_(handle), endpoint_(endpoint), claimName_(std::move(claimName)),
      reader_(std::make_unique<UsbFrameReader>(context_->get(), handle, endpoint.address, endpoint.maxPacketSize)) {
    std::lock_guard<std::mutex> hold(heldLock);
    held.insert(claimName_);
}

UsbNode::~UsbNode() {
    {
        std::lock_guard<std::mutex> hold(heldLock);
        const auto it = held.find(claimName_);
        if (it != held.end()) held.erase(it);
    }
    reader_.reset();
    libusb_release_interface(handle_, kCameraInterface);
    libusb_close(handle_);
}

bool UsbNode::IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                        std::uint32_t dataSize) {
    if (code != kVendorIoControlCode) return false;
    const std::optional<ControlTransfer> t = ControlTransferFromRecord(record, dataSize);
    if (!t) return false;
    if (t->wLength > 0 && data == nullptr) return false;
    // A short device-to-host answer still completes the request, as it does in
    // the kernel driver; the caller judges the status byte.
    const int rc = libusb_control_transfer(handle_, t->bmRequestType, t->bRequest, t->wValue, t->wIndex,
                                           static_cast<unsigned char*>(data), t->wLength,
                                           kControlTimeoutMs);
    if (rc == LIBUSB_ERROR_NO_DEVICE) gone_ = true;
    return rc >= 0;
}

FrameReadResult UsbNode::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    FrameReadResult result = reader_->Read(buffer, size, timeoutMs);
    if (reader_->SawNoDevice()) gone_ = true;
    return result;
}

std::string UsbNode::ClaimName(int /*nodeNumber*/) const { return claimName_; }

bool UsbNode::IsGone() const { return gone_; }

std::string UsbNode::Description() const {
    char text[128];
    std::snprintf(text, sizeof text, "USB camera %s: frames from endpoint 0x%02x, alternate setting %u, %u-byte packets.",
                  claimName_.c_str(), endpoint_.address, endpoint_.altSetting, endpoint_.maxPacketSize);
    return text;
}

UsbNodeProvider::UsbNodeProvider() : UsbNodeProvider(UsbDeviceIdsFromEnvironment()) {}

UsbNodeProvider::UsbNodeProvider(std::vector<UsbDeviceId> ids) : ids_(std::move(ids)) {}

UsbNodeProvider::~UsbNodeProvider() = default;

std::shared_ptr<UsbContext> UsbNodeProvider::ContextLocked() {
    // Retried on every use while it fails, so a USB stack that comes up late is found.
    if (!context_) context_ = UsbContext::Create();
    return context_;
}

int UsbNodeProvider::CountNodes() {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::shared_ptr<UsbContext> context = ContextLocked();
    if (!context) return 0;
    int count = 0;
    ForEachOpenableCamera(context->get(), ids_, [&count](HandlePtr&) {
        ++count;
        return false;
    });
    return count;
}

std::unique_ptr<DriverNode> UsbNodeProvider::OpenNode(int localIndex) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (localIndex < 0) return nullptr;
    const std::shared_ptr<UsbContext> context = ContextLocked();
    if (!context) return nullptr;

    HandlePtr handle;
    int index = 0;
    ForEachOpenableCamera(context->get(), ids_, [&](HandlePtr& opened) {
        if (index++ != localIndex) return false;
        handle = std::move(opened);  // none for a camera held here: not for a second camera object
        return true;
    });
    if (!handle) return nullptr;

    libusb_device* device = libusb_get_device(handle.get());
    const std::string claimName = ClaimNameOf(device);
    const int claimed = ClaimCameraInterface(handle.get());
    if (claimed != 0) {
        if (claimed == LIBUSB_ERROR_BUSY) {
            ReportOnce(device, "in use by another program (LIBUSB_ERROR_BUSY)");
        } else {
            ReportOpenFailure(device, claimed);
        }
        return nullptr;
    }
    const std::optional<EndpointOverride> endpointOverride = EndpointOverrideFromEnvironment();
    const std::optional<BulkInEndpoint> endpoint = ChooseFrameEndpoint(BulkInEndpoints(device), endpointOverride);
    int rc = endpoint ? libusb_set_interface_alt_setting(handle.get(), kCameraInterface, endpoint->altSetting)
                      : LIBUSB_ERROR_NOT_FOUND;
    if (rc != 0) {
        ReportOnce(device, endpoint ? std::string("cannot select alternate setting ") +
                                          std::to_string(endpoint->altSetting) + " (" + libusb_error_name(rc) + ")"
                                    : std::string(endpointOverride ? "has no endpoint QCX_USB_ENDPOINT names"
                                                                    : "has no bulk IN endpoint for frames"));
        libusb_release_interface(handle.get(), kCameraInterface);
        return nullptr;
    }
    char choice[96];
    std::snprintf(choice, sizeof choice, "frames from endpoint 0x%02x, alternate setting %u, %u-byte packets",
                  endpoint->address, endpoint->altSetting, endpoint->maxPacketSize);
    if (std::getenv("QCX_USB_VERBOSE") != nullptr || endpointOverride) ReportOnce(device, choice);
    if (libusb_get_device_speed(device) == LIBUSB_SPEED_FULL || libusb_get_device_speed(device) == LIBUSB_SPEED_LOW) {
        ReportOnce(device, "runs at full speed (12 Mbit/s), far too slow for frames; plug it into a USB 2.0 port");
    }
    auto node = std::make_unique<UsbNode>(context, handle.get(), *endpoint, claimName);
    handle.release();
    return node;
}

}  // namespace qcx

#include "camera/platform/usb_node_provider.h"

#include <libusb.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "camera/platform/usb_control_transfer.h"

namespace qcx {

namespace {

// The kernel driver bounds every vendor request the same way.
constexpr unsigned int kControlTimeoutMs = 5000;
constexpr unsigned int kDescriptorRequestTimeoutMs = 1000;
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
    for (int i = 0; i < depth; ++i) path += (i == 0 ? "" : ".") + std::to_string(ports[i]);
    return path.empty() ? "?" : path;
}

// A camera the user may not open is named once per process, with the cure:
// without it the camera is simply not counted.
void ReportNoPermission(libusb_device* device) {
    static std::mutex lock;
    static std::set<std::string> reported;
    libusb_device_descriptor desc{};
    libusb_get_device_descriptor(device, &desc);
    char text[160];
    std::snprintf(text, sizeof text, "camera %04x:%04x on bus %u port path %s: no permission; install udev/60-qcxapi.rules",
                  desc.idVendor, desc.idProduct, libusb_get_bus_number(device), PortPath(device).c_str());
    std::lock_guard<std::mutex> hold(lock);
    if (reported.insert(text).second) std::fprintf(stderr, "qcxapi: %s\n", text);
}

bool IsCamera(libusb_device* device, const std::vector<UsbDeviceId>& ids) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(device, &desc) != 0) return false;
    return std::find(ids.begin(), ids.end(), UsbDeviceId{desc.idVendor, desc.idProduct}) != ids.end();
}

// Visits the cameras that open, in bus order, each with a fresh handle. The
// visitor takes the handle to keep it and stop; a handle left to it is closed.
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
        libusb_device_handle* opened = nullptr;
        const int rc = libusb_open(device, &opened);
        if (rc == LIBUSB_ERROR_ACCESS) ReportNoPermission(device);
        if (rc != 0) continue;
        HandlePtr handle(opened);
        if (visit(handle)) return;
    }
}

// The interface's alternate setting as the device reports it; 0 (the setting
// after configuration) when it will not say.
std::uint8_t CurrentAlternateSetting(libusb_device_handle* handle) {
    constexpr auto kType = static_cast<std::uint8_t>(static_cast<int>(LIBUSB_ENDPOINT_IN) |
                                                     static_cast<int>(LIBUSB_REQUEST_TYPE_STANDARD) |
                                                     static_cast<int>(LIBUSB_RECIPIENT_INTERFACE));
    unsigned char alt = 0;
    const int rc = libusb_control_transfer(handle, kType, LIBUSB_REQUEST_GET_INTERFACE, 0, kCameraInterface,
                                           &alt, 1, kDescriptorRequestTimeoutMs);
    return rc == 1 ? alt : 0;
}

std::optional<std::uint8_t> FindBulkInEndpoint(libusb_device_handle* handle) {
    libusb_config_descriptor* raw = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(handle), &raw) != 0) return std::nullopt;
    ConfigPtr config(raw);
    const std::uint8_t alt = CurrentAlternateSetting(handle);

    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& iface = config->interface[i];
        for (int a = 0; a < iface.num_altsetting; ++a) {
            const libusb_interface_descriptor& setting = iface.altsetting[a];
            if (setting.bInterfaceNumber != kCameraInterface || setting.bAlternateSetting != alt) continue;
            for (int e = 0; e < setting.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = setting.endpoint[e];
                const bool bulk = (ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
                const bool in = (ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
                if (bulk && in) return ep.bEndpointAddress;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::shared_ptr<UsbContext> UsbContext::Create() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return nullptr;
    return std::shared_ptr<UsbContext>(new UsbContext(context));
}

UsbContext::~UsbContext() { libusb_exit(context_); }

FrameReadResult ReadBulkFrame(const BulkTransferFn& transfer, void* buffer, std::uint32_t size,
                              std::uint32_t timeoutMs, std::uint32_t chunkBytes,
                              const SteadyNowFn& now) {
    using Kind = FrameReadResult::Kind;
    const SteadyNowFn clock = now ? now : SteadyNowFn(&std::chrono::steady_clock::now);
    FrameReadResult result;

    // libusb takes a time-out of 0 as "wait forever"; ours means "do not wait".
    if (timeoutMs == 0) {
        result.kind = Kind::TimedOut;
        return result;
    }
    if (chunkBytes == 0 || chunkBytes > static_cast<std::uint32_t>(INT_MAX)) chunkBytes = kBulkChunkBytes;

    const auto deadline = clock() + std::chrono::milliseconds(timeoutMs);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t total = 0;
    bool timedOut = false;
    while (total < size) {
        const auto left = deadline - clock();
        if (left <= left.zero()) {
            timedOut = true;
            break;
        }
        // Rounded up: a fraction of a millisecond left must not become 0.
        const auto ms = static_cast<unsigned int>(
            std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        const int length = static_cast<int>(std::min(size - total, chunkBytes));
        int transferred = 0;
        const int rc = transfer(out + total, length, &transferred, ms);
        total += static_cast<std::uint32_t>(std::clamp(transferred, 0, length));

        if (rc == LIBUSB_ERROR_TIMEOUT) {
            timedOut = true;
            break;
        }
        if (rc != LIBUSB_SUCCESS) {
            result.kind = Kind::Failed;
            result.bytesRead = total;
            result.errorCode = static_cast<std::uint32_t>(rc < 0 ? -rc : rc);
            return result;
        }
        if (transferred < length) break;  // a short packet ends the transfer
    }

    // Bytes that arrived before the deadline are a (short) frame, not a time-out.
    result.bytesRead = total;
    result.kind = timedOut && total == 0 ? Kind::TimedOut : Kind::Completed;
    return result;
}

UsbNode::UsbNode(std::shared_ptr<UsbContext> context, libusb_device_handle* handle,
                 std::uint8_t bulkInEndpoint)
    : context_(std::move(context)), handle_(handle), bulkInEndpoint_(bulkInEndpoint) {}

UsbNode::~UsbNode() {
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
    return rc >= 0;
}

FrameReadResult UsbNode::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    libusb_device_handle* handle = handle_;
    const unsigned char endpoint = bulkInEndpoint_;
    return ReadBulkFrame(
        [handle, endpoint](std::uint8_t* data, int length, int* transferred, unsigned int ms) {
            return libusb_bulk_transfer(handle, endpoint, data, length, transferred, ms);
        },
        buffer, size, timeoutMs);
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
        handle = std::move(opened);
        return true;
    });
    if (!handle) return nullptr;

    // Not every platform can detach a kernel driver; the claim below tells.
    libusb_set_auto_detach_kernel_driver(handle.get(), 1);
    if (libusb_claim_interface(handle.get(), kCameraInterface) != 0) return nullptr;
    const std::optional<std::uint8_t> endpoint = FindBulkInEndpoint(handle.get());
    if (!endpoint) {
        libusb_release_interface(handle.get(), kCameraInterface);
        return nullptr;
    }
    return std::make_unique<UsbNode>(context, handle.release(), *endpoint);
}

}  // namespace qcx

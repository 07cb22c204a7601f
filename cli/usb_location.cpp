#include "cli/usb_location.h"

#if defined(QCX_WITH_USB)
#include <libusb.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>
#endif

namespace qcxcli {

#if defined(QCX_WITH_USB)

namespace {

// The camera's controller with its bulk firmware, and the vendor:product
// pairs QCX_USB_IDS adds ("04b4:1004,1234:5678").
std::vector<std::pair<int, int>> CameraIds() {
    std::vector<std::pair<int, int>> ids{{0x04B4, 0x1004}};
    const char* text = std::getenv("QCX_USB_IDS");
    for (const char* p = text; p != nullptr && *p != '\0';) {
        char* end = nullptr;
        const long vendor = std::strtol(p, &end, 16);
        if (end != nullptr && *end == ':') {
            const long product = std::strtol(end + 1, &end, 16);
            ids.emplace_back(static_cast<int>(vendor), static_cast<int>(product));
        }
        while (end != nullptr && *end != '\0' && *end != ',') ++end;
        p = (end != nullptr && *end == ',') ? end + 1 : nullptr;
    }
    return ids;
}

}  // namespace

bool FindUsbLocation(int usbNode, UsbLocation* location) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    std::vector<libusb_device*> cameras;
    const std::vector<std::pair<int, int>> ids = CameraIds();
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
        if (std::find(ids.begin(), ids.end(), std::pair<int, int>(desc.idVendor, desc.idProduct)) != ids.end())
            cameras.push_back(list[i]);
    }
    // The library numbers its USB nodes by bus, then device address.
    std::sort(cameras.begin(), cameras.end(), [](libusb_device* a, libusb_device* b) {
        return std::pair(libusb_get_bus_number(a), libusb_get_device_address(a)) <
               std::pair(libusb_get_bus_number(b), libusb_get_device_address(b));
    });
    bool found = false;
    if (usbNode >= 0 && static_cast<std::size_t>(usbNode) < cameras.size()) {
        libusb_device* device = cameras[static_cast<std::size_t>(usbNode)];
        std::uint8_t ports[8] = {};
        const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
        location->bus = libusb_get_bus_number(device);
        location->portPath.clear();
        for (int i = 0; i < depth; ++i) location->portPath += (i > 0 ? "." : "") + std::to_string(ports[i]);
        found = true;
    }
    if (list != nullptr) libusb_free_device_list(list, 1);
    libusb_exit(context);
    return found;
}

#else

bool FindUsbLocation(int, UsbLocation*) { return false; }

#endif

}  // namespace qcxcli

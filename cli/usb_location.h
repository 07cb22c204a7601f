// Where a camera on USB sits: bus number and port path ("1.4.2"), found with
// libusb in the order in which the library numbers its USB nodes.
#pragma once

#include <string>

namespace qcxcli {

struct UsbLocation {
    int bus = 0;
    std::string portPath;
};

// The location of the `usbNode`-th camera on USB; false where it cannot be
// told (no libusb in this build, or the camera left the bus).
bool FindUsbLocation(int usbNode, UsbLocation* location);

}  // namespace qcxcli

// The one simulated USB bus of the USB test program: it carries the `usb:`
// cameras of QCX_SIM, and the end-to-end suites of this program put all their
// cameras on it.
#pragma once

#include "tests/usb/umockdev_camera_bus.h"

namespace qcx {

// The bus of this process; null outside the test program's run.
UmockdevCameraBus* TestUsbBus();

}  // namespace qcx

#include <new>

#include "camera/sensors/mt9v032.h"
#include "camera/sensors/sensor_driver.h"

namespace qcx {

std::unique_ptr<SensorDriver> CreateSensorDriver(SensorFamily family, SensorHost& host) {
    switch (family) {
        case SensorFamily::MT9V032:
            return std::unique_ptr<SensorDriver>(new (std::nothrow) MT9V032Driver(host));
        // No driver for these families: their cameras do not open.
        case SensorFamily::Cmos1280x1024:
        case SensorFamily::MT9T001:
        case SensorFamily::MT9P001:
        case SensorFamily::MT9J001:
        case SensorFamily::ICX205:
        case SensorFamily::Ccd1628x1236:
            break;
    }
    return nullptr;
}

}  // namespace qcx

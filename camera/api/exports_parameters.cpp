// Exports of the generic parameter interface and the exposure time.
#include "camera/api/library.h"
#include "camera/device/parameters.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_SetParam(int index, int parameter, int value) {
    return WithDevice(index, [&](CDevice& device) {
        // The window lock comes before the I/O lock of the settings.
        std::unique_lock<std::recursive_mutex> windows;
        if (ParamChangesWindow(parameter)) {
            windows = device.LockWindows();
            if (!windows.owns_lock()) return status::kFail;
        }
        std::lock_guard<IoMutex> io(device.Channel().IoLock());
        return SetParam(device, parameter, value);
    });
}

int QCXAPI_CALL QCX_GetParam(int index, int parameter, int* value) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GetParam(device, parameter, value); });
}

int QCXAPI_CALL QCX_GetParamRange(int index, int parameter, int* minimum, int* maximum) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GetParamRange(device, parameter, minimum, maximum); });
}

int QCXAPI_CALL QCX_ExposureTimeSet(int index, float milliseconds) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ExposureTimeSet(device, milliseconds); });
}

int QCXAPI_CALL QCX_ExposureTimeGet(int index, float* milliseconds) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ExposureTimeGet(device, milliseconds); });
}

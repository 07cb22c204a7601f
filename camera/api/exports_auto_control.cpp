// Exports of the software automatic exposure, white balance and focus loops.
#include "camera/api/library.h"
#include "camera/device/auto_control_dispatch.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_AESetRegion(int index, int x, int y, int width, int height) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AESetRegion(device, x, y, width, height); });
}

int QCXAPI_CALL QCX_AEStart(int index, QCX_BOOL8 start, int maximumCount, int target) {
    return WithDeviceSettings(index,
                              [&](CDevice& device) { return AEStart(device, start != 0, maximumCount, target); });
}

int QCXAPI_CALL QCX_AESetCallback(int index, QCX_AE_CALLBACK callback, void* context) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AESetCallback(device, callback, context); });
}

int QCXAPI_CALL QCX_AWBSetRegion(int index, int x, int y, int width, int height) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AWBSetRegion(device, x, y, width, height); });
}

int QCXAPI_CALL QCX_AWBStart(int index, QCX_BOOL8 start, int maximumCount, int redTarget, int greenTarget,
                             int blueTarget) {
    return WithDeviceSettings(index, [&](CDevice& device) {
        return AWBStart(device, start != 0, maximumCount, redTarget, greenTarget, blueTarget);
    });
}

int QCXAPI_CALL QCX_AWBSetCallback(int index, QCX_AWB_CALLBACK callback, void* context) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AWBSetCallback(device, callback, context); });
}

int QCXAPI_CALL QCX_AFSetRegion(int index, int x, int y, int width, int height) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AFSetRegion(device, x, y, width, height); });
}

int QCXAPI_CALL QCX_AFStart(int index, QCX_BOOL8 start) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AFStart(device, start != 0); });
}

int QCXAPI_CALL QCX_AFSetCallback(int index, QCX_AF_CALLBACK callback, void* context) {
    return WithDeviceSettings(index, [&](CDevice& device) { return AFSetCallback(device, callback, context); });
}

// Exports of the live preview.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_PreviewStart(int index, QCX_BOOL8 start) {
    return WithDevice(index, [&](CDevice& device) {
        return start != 0 ? device.PreviewStartSequence() : device.PreviewStopAndSwitch();
    });
}

int QCXAPI_CALL QCX_PreviewPause(int index, QCX_BOOL8 pause) {
    return WithDevice(index, [&](CDevice& device) { return device.PreviewPause(pause != 0); });
}

int QCXAPI_CALL QCX_PreviewGetStatus(int index, int* status) {
    return WithDevice(index, [&](CDevice& device) {
        if (status == nullptr) return status::kParameterError;
        *status = device.PreviewState();
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_PreviewSetPos(int index, QCX_WINDOW window, int x, int y, int width, int height) {
    return WithDevice(index, [&](CDevice& device) {
        device.SetPreviewPosition(PreviewPosition{window, x, y, width, height});
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_PreviewGetPos(int index, int* x, int* y, int* width, int* height) {
    return WithDevice(index, [&](CDevice& device) {
        if (x == nullptr || y == nullptr || width == nullptr || height == nullptr) return status::kParameterError;
        const PreviewPosition position = device.GetPreviewPosition();
        *x = position.x;
        *y = position.y;
        *width = position.width;
        *height = position.height;
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_PreviewGetPausedData(int index, QCX_BYTE* buffer) {
    return WithDevice(index,
                      [&](CDevice& device) { return device.PreviewGetPausedData(buffer, nullptr, nullptr, nullptr); });
}

int QCXAPI_CALL QCX_PreviewGetPausedDataEx(int index, QCX_BYTE* buffer, int* width, int* height, int* bitCount) {
    return WithDevice(index,
                      [&](CDevice& device) { return device.PreviewGetPausedData(buffer, width, height, bitCount); });
}

int QCXAPI_CALL QCX_PreviewGetFrameRate(int index, float* rate) {
    return WithDevice(index, [&](CDevice& device) { return device.PreviewGetFrameRate(rate); });
}

int QCXAPI_CALL QCX_PreviewSetCallback(int index, QCX_PREVIEW_CALLBACK callback, void* context) {
    return WithDevice(index, [&](CDevice& device) {
        device.SetPreviewCallback(callback, context);
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_PreviewSetCallbackEx(int index, QCX_PREVIEW_CALLBACK_EX callback, void* context) {
    return WithDevice(index, [&](CDevice& device) {
        device.SetPreviewCallbackEx(callback, context);
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_PreviewSetMode(int index, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return device.PreviewSetMode(mode); });
}

int QCXAPI_CALL QCX_PreviewGetMode(int index, int* mode) {
    return WithDevice(index, [&](CDevice& device) {
        if (mode == nullptr) return status::kParameterError;
        *mode = device.OutputMode();
        return status::kSuccess;
    });
}

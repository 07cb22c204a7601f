// Exports of frame transfer and still capture: transfer width, read time-out
// and the six capture functions.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_SetData16Bits(int index, QCX_BOOL8 enable) {
    return WithDevice(index, [&](CDevice& device) { return device.SetData16Bits(enable != 0); });
}

int QCXAPI_CALL QCX_GetData16Bits(int index, QCX_BOOL8* enabled) {
    return WithDevice(index, [&](CDevice& device) {
        if (enabled == nullptr) return status::kParameterError;
        bool on = false;
        const int result = device.GetData16Bits(&on);
        *enabled = on ? 1 : 0;
        return result;
    });
}

int QCXAPI_CALL QCX_CaptureSetTimeOut(int index, QCX_DWORD milliseconds) {
    return WithDevice(index, [&](CDevice& device) {
        device.SetCaptureTimeoutMs(milliseconds);
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_CaptureGetTimeOut(int index, QCX_DWORD* milliseconds) {
    return WithDevice(index, [&](CDevice& device) {
        if (milliseconds == nullptr) return status::kParameterError;
        *milliseconds = device.CaptureTimeoutMs();
        return status::kSuccess;
    });
}

int QCXAPI_CALL QCX_CaptureRawData(int index, QCX_BYTE* buffer) {
    return WithDevice(index, [&](CDevice& device) { return device.CaptureRawData(buffer); });
}

int QCXAPI_CALL QCX_CaptureRgbData(int index, QCX_BYTE* buffer) {
    return WithDevice(index, [&](CDevice& device) { return device.CaptureRgbData(buffer); });
}

int QCXAPI_CALL QCX_CaptureRgbDataEx(int index, QCX_BYTE* buffer, int* width, int* height, int* bitCount) {
    return WithDevice(index, [&](CDevice& device) { return device.CaptureRgbDataEx(buffer, width, height, bitCount); });
}

int QCXAPI_CALL QCX_CaptureRawDataAfterEmptyFrameBuffer(int index, QCX_BYTE* buffer) {
    return WithDevice(index, [&](CDevice& device) { return device.CaptureRawDataAfterEmptyFrameBuffer(buffer); });
}

int QCXAPI_CALL QCX_CaptureRgbDataAfterEmptyFrameBuffer(int index, QCX_BYTE* buffer) {
    return WithDevice(index, [&](CDevice& device) { return device.CaptureRgbDataAfterEmptyFrameBuffer(buffer); });
}

int QCXAPI_CALL QCX_CaptureRgbDataExAfterEmptyFrameBuffer(int index, QCX_BYTE* buffer, int* width, int* height,
                                                          int* bitCount) {
    return WithDevice(index, [&](CDevice& device) {
        return device.CaptureRgbDataExAfterEmptyFrameBuffer(buffer, width, height, bitCount);
    });
}

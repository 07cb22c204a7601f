// Exports of the two windows and the frame sizes that follow from them.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

namespace {

int SetWindow(int index, int mode, int columnStart, int rowStart, int width, int height, int columnMode,
              int rowMode) {
    return WithDevice(index, [&](CDevice& device) {
        return device.SetFieldOfView(mode, WindowRequest{columnStart, rowStart, width, height, columnMode, rowMode});
    });
}

// The records change under the I/O lock, so a reader never sees half a window.
int GetWindow(int index, int mode, int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
              int* rowMode) {
    return WithDeviceSettings(index, [&](CDevice& device) {
        device.GetFieldOfView(mode, columnStart, rowStart, width, height, columnMode, rowMode);
        return status::kSuccess;
    });
}

int GetDefaultWindow(int index, int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
                     int* rowMode) {
    return WithDevice(index, [&](CDevice& device) {
        device.GetDefaultFieldOfView(columnStart, rowStart, width, height, columnMode, rowMode);
        return status::kSuccess;
    });
}

int GetSize(int index, int mode, int* width, int* height, int* bitCount, int* dataBits) {
    return WithDeviceSettings(index, [&](CDevice& device) {
        device.GetOutputSize(mode, width, height);
        if (bitCount != nullptr) *bitCount = device.OutputBitCount();
        if (dataBits != nullptr) *dataBits = device.Transfer16Bit() ? 16 : 8;
        return status::kSuccess;
    });
}

}  // namespace

int QCXAPI_CALL QCX_CaptureSetFieldOfView(int index, int columnStart, int rowStart, int width, int height,
                                          int columnMode, int rowMode) {
    return SetWindow(index, FVM_CAPTURE, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_PreviewSetFieldOfView(int index, int columnStart, int rowStart, int width, int height,
                                          int columnMode, int rowMode) {
    return SetWindow(index, FVM_PREVIEW, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_CaptureGetFieldOfView(int index, int* columnStart, int* rowStart, int* width, int* height,
                                          int* columnMode, int* rowMode) {
    return GetWindow(index, FVM_CAPTURE, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_PreviewGetFieldOfView(int index, int* columnStart, int* rowStart, int* width, int* height,
                                          int* columnMode, int* rowMode) {
    return GetWindow(index, FVM_PREVIEW, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_CaptureGetDefaultFieldOfView(int index, int* columnStart, int* rowStart, int* width, int* height,
                                                 int* columnMode, int* rowMode) {
    return GetDefaultWindow(index, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_PreviewGetDefaultFieldOfView(int index, int* columnStart, int* rowStart, int* width, int* height,
                                                 int* columnMode, int* rowMode) {
    return GetDefaultWindow(index, columnStart, rowStart, width, height, columnMode, rowMode);
}

int QCXAPI_CALL QCX_CaptureGetSize(int index, int* width, int* height) {
    return GetSize(index, FVM_CAPTURE, width, height, nullptr, nullptr);
}

int QCXAPI_CALL QCX_CaptureGetSizeEx(int index, int* width, int* height, int* bitCount) {
    return GetSize(index, FVM_CAPTURE, width, height, bitCount, nullptr);
}

int QCXAPI_CALL QCX_CaptureGetSizeExEx(int index, int* width, int* height, int* bitCount, int* dataBits) {
    return GetSize(index, FVM_CAPTURE, width, height, bitCount, dataBits);
}

int QCXAPI_CALL QCX_PreviewGetSize(int index, int* width, int* height) {
    return GetSize(index, FVM_PREVIEW, width, height, nullptr, nullptr);
}

int QCXAPI_CALL QCX_PreviewGetSizeEx(int index, int* width, int* height, int* bitCount) {
    return GetSize(index, FVM_PREVIEW, width, height, bitCount, nullptr);
}

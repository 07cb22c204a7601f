// Exports of the recording of the live preview.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_RecordStart(int index, QCX_BOOL8 start, float frameRate, const char* file) {
    return WithDevice(index, [&](CDevice& device) {
        return device.RecordStart(start != 0, frameRate, file, false, true);
    });
}

int QCXAPI_CALL QCX_RecordStartEx(int index, QCX_BOOL8 start, float frameRate, const char* file,
                                  QCX_BOOL8 showDialog) {
    return WithDevice(index, [&](CDevice& device) {
        return device.RecordStart(start != 0, frameRate, file, showDialog == 0, false);
    });
}

int QCXAPI_CALL QCX_RecordStatusGet(int index, QCX_BOOL8* recording) {
    return WithDevice(index, [&](CDevice& device) {
        if (recording == nullptr) return status::kParameterError;
        *recording = device.Recording() ? 1 : 0;
        return status::kSuccess;
    });
}

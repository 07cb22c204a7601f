// Exports of the Bayer filter, the colour pipeline and colour correction.
// The preview worker reads these settings on every frame, so they change
// under the camera's I/O lock; QCX_ColorCorrectSet takes it itself, since it
// calls the application back outside the lock.
#include "camera/api/library.h"
#include "camera/device/image_settings.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_BayerSetMode(int index, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BayerSetMode(device, mode); });
}

int QCXAPI_CALL QCX_BayerGetMode(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BayerGetMode(device, mode); });
}

int QCXAPI_CALL QCX_BayerGetDefaultMode(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BayerGetDefaultMode(device, mode); });
}

int QCXAPI_CALL QCX_FilterSetMode(int index, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return FilterSetMode(device, mode); });
}

int QCXAPI_CALL QCX_FilterGetMode(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return FilterGetMode(device, mode); });
}

int QCXAPI_CALL QCX_GammaSetValue(int index, int gamma) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GammaSetValue(device, gamma); });
}

int QCXAPI_CALL QCX_GammaOn(int index, int on) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GammaOn(device, on != 0); });
}

int QCXAPI_CALL QCX_ProcessContrastSet(int index, int contrast) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessContrastSet(device, contrast); });
}

int QCXAPI_CALL QCX_ProcessContrastGet(int index, int* contrast) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessContrastGet(device, contrast); });
}

// Contrast and brightness share one range; the two names are two thin
// entry points into the same operation.
int QCXAPI_CALL QCX_ProcessContrastGetRange(int index, int* minimum, int* maximum) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessAdjustmentGetRange(device, minimum, maximum); });
}

int QCXAPI_CALL QCX_ProcessBrightnessGetRange(int index, int* minimum, int* maximum) {
    return QCX_ProcessContrastGetRange(index, minimum, maximum);
}

int QCXAPI_CALL QCX_ProcessBrightnessSet(int index, int brightness) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessBrightnessSet(device, brightness); });
}

int QCXAPI_CALL QCX_ProcessBrightnessGet(int index, int* brightness) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessBrightnessGet(device, brightness); });
}

int QCXAPI_CALL QCX_ProcessSaturationSet(int index, int saturation) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessSaturationSet(device, saturation); });
}

int QCXAPI_CALL QCX_ProcessSaturationGet(int index, int* saturation) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessSaturationGet(device, saturation); });
}

int QCXAPI_CALL QCX_ProcessSaturationGetRange(int index, int* minimum, int* maximum) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ProcessSaturationGetRange(device, minimum, maximum); });
}

int QCXAPI_CALL QCX_BadPixelCorrectionSetThreshold(int index, QCX_BYTE first, QCX_BYTE second) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BadPixelCorrectionSetThreshold(device, first, second); });
}

int QCXAPI_CALL QCX_BadPixelCorrectionGetThreshold(int index, QCX_BYTE* first, QCX_BYTE* second) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BadPixelCorrectionGetThreshold(device, first, second); });
}

int QCXAPI_CALL QCX_BadPixelCorrectionSet(int index, QCX_BOOL8 enable, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return BadPixelCorrectionSet(device, enable != 0, mode); });
}

int QCXAPI_CALL QCX_BadPixelCorrectionGet(int index, QCX_BOOL8* enabled, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) {
        bool on = false;
        const int result = BadPixelCorrectionGet(device, enabled != nullptr ? &on : nullptr, mode);
        if (result == 1 && enabled != nullptr) *enabled = on ? 1 : 0;
        return result;
    });
}

int QCXAPI_CALL QCX_LoadMapTableFile(int index, QCX_BOOL8 enable, const char* file) {
    return WithDeviceSettings(index, [&](CDevice& device) { return LoadMapTableFile(device, enable != 0, file); });
}

int QCXAPI_CALL QCX_ColorCorrectSet(int index, int mode, int value1, int value2, int value3) {
    return WithDevice(index, [&](CDevice& device) { return ColorCorrectSet(device, mode, value1, value2, value3); });
}

int QCXAPI_CALL QCX_ColorCorrectGet(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ColorCorrectGet(device, mode); });
}

int QCXAPI_CALL QCX_ColorCorrectSetCallback(int index, QCX_COLOR_CORRECT_CALLBACK callback, void* context) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ColorCorrectSetCallback(device, callback, context); });
}

int QCXAPI_CALL QCX_ColorCorrectTableSave(int index, const char* file) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ColorCorrectTableSave(device, file); });
}

int QCXAPI_CALL QCX_ColorCorrectTableLoad(int index, const char* file) {
    return WithDeviceSettings(index, [&](CDevice& device) { return ColorCorrectTableLoad(device, file); });
}

// The flag is decided here, so that every failure (an unknown camera
// included) reads as "not loaded".
int QCXAPI_CALL QCX_IsColorCorrectTableLoad(int index, QCX_BOOL8* loaded) {
    int value = 0;
    const int result = WithDevice(index, [&](CDevice& device) {
        return loaded == nullptr ? status::kParameterError : IsColorCorrectTableLoad(device, &value);
    });
    if (loaded != nullptr) *loaded = (result == status::kSuccess && value == 1) ? 1 : 0;
    return result;
}

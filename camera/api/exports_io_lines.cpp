// Exports of the camera's I/O lines. Each runs under the camera's I/O lock:
// the lamps and the working-mode bits are read, changed and written back,
// and no other request of the camera may come in between.
#include "camera/api/library.h"
#include "camera/device/io_lines.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_SnapButtonStatus(int index, int* pressed) {
    return WithDeviceSettings(index, [&](CDevice& device) { return SnapButtonStatus(device, pressed); });
}

int QCXAPI_CALL QCX_GpioSetDirection(int index, QCX_BYTE directions) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GpioSetDirection(device, directions); });
}

int QCXAPI_CALL QCX_GpioGetDirection(int index, QCX_BYTE* directions) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GpioGetDirection(device, directions); });
}

int QCXAPI_CALL QCX_GpioSetStatus(int index, QCX_BYTE levels) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GpioSetStatus(device, levels); });
}

int QCXAPI_CALL QCX_GpioGetStatus(int index, QCX_BYTE* levels) {
    return WithDeviceSettings(index, [&](CDevice& device) { return GpioGetStatus(device, levels); });
}

int QCXAPI_CALL QCX_LedSetStatus(int index, int led, int on) {
    return WithDeviceSettings(index, [&](CDevice& device) { return LedSetStatus(device, led, on); });
}

int QCXAPI_CALL QCX_LedGetStatus(int index, int led, int* on) {
    return WithDeviceSettings(index, [&](CDevice& device) { return LedGetStatus(device, led, on); });
}

int QCXAPI_CALL QCX_TriggerModeSet(int index, QCX_BOOL8 external) {
    return WithDeviceSettings(index, [&](CDevice& device) { return TriggerModeSet(device, external != 0); });
}

int QCXAPI_CALL QCX_TriggerModeGet(int index, int* external) {
    return WithDeviceSettings(index, [&](CDevice& device) { return TriggerModeGet(device, external); });
}

int QCXAPI_CALL QCX_SensorModeSet(int index, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return SensorModeSet(device, mode); });
}

int QCXAPI_CALL QCX_SensorModeGet(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return SensorModeGet(device, mode); });
}

int QCXAPI_CALL QCX_TriggerStatusGet(int index, int* status) {
    return WithDeviceSettings(index, [&](CDevice& device) { return TriggerStatusGet(device, status); });
}

int QCXAPI_CALL QCX_TriggerDelaySet(int index, QCX_WORD delay) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelaySet(device, Delay::Trigger, delay); });
}

int QCXAPI_CALL QCX_TriggerDelayGet(int index, QCX_WORD* delay) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelayGet(device, Delay::Trigger, delay); });
}

int QCXAPI_CALL QCX_StrobeDelaySet(int index, QCX_WORD delay) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelaySet(device, Delay::Strobe, delay); });
}

int QCXAPI_CALL QCX_StrobeDelayGet(int index, QCX_WORD* delay) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelayGet(device, Delay::Strobe, delay); });
}

int QCXAPI_CALL QCX_TriggerDelayGetRange(int index, QCX_WORD* minimum, QCX_WORD* maximum) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelayGetRange(device, minimum, maximum); });
}

int QCXAPI_CALL QCX_StrobeDelayGetRange(int index, QCX_WORD* minimum, QCX_WORD* maximum) {
    return WithDeviceSettings(index, [&](CDevice& device) { return DelayGetRange(device, minimum, maximum); });
}

int QCXAPI_CALL QCX_SensitivitySetMode(int index, int mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return SensitivitySetMode(device, mode); });
}

int QCXAPI_CALL QCX_SensitivityGetMode(int index, int* mode) {
    return WithDeviceSettings(index, [&](CDevice& device) { return SensitivityGetMode(device, mode); });
}

// Exports of the device transport: controller and sensor registers, EEPROM,
// raw vendor requests, identification and the frame-buffer flush.
#include "camera/api/library.h"
#include "qcxapi.h"

using namespace qcx;

int QCXAPI_CALL QCX_WrFx2Reg(int index, QCX_WORD address, QCX_BYTE value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrFx2Reg(address, value); });
}

int QCXAPI_CALL QCX_RdFx2Reg(int index, QCX_WORD address, QCX_BYTE* value) {
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdFx2Reg(address, value);
    });
}

int QCXAPI_CALL QCX_WrFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrFx2Sfr(sfr, value); });
}

int QCXAPI_CALL QCX_RdFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE* value) {
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdFx2Sfr(sfr, value);
    });
}

int QCXAPI_CALL QCX_WrEEPROM(int index, QCX_WORD address, QCX_BYTE value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrEEPROM(address, value); });
}

int QCXAPI_CALL QCX_RdEEPROM(int index, QCX_WORD address, QCX_BYTE* value) {
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdEEPROM(address, value);
    });
}

int QCXAPI_CALL QCX_WrEEPROMEx(int index, QCX_DWORD address, QCX_BYTE value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrEEPROMEx(address, value); });
}

int QCXAPI_CALL QCX_RdEEPROMEx(int index, QCX_DWORD address, QCX_BYTE* value) {
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdEEPROMEx(address, value);
    });
}

int QCXAPI_CALL QCX_WrSensorReg(int index, QCX_BYTE reg, QCX_WORD value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrSensorReg(reg, value); });
}

int QCXAPI_CALL QCX_RdSensorReg(int index, QCX_BYTE reg, QCX_WORD* value) {
    // The null test comes before the camera is asked, even when its node is gone.
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdSensorReg(reg, value);
    });
}

int QCXAPI_CALL QCX_WrSensorRegX(int index, QCX_WORD reg, QCX_WORD value) {
    return WithDevice(index, [&](CDevice& device) { return device.WrSensorReg(reg, value); });
}

int QCXAPI_CALL QCX_RdSensorRegX(int index, QCX_WORD reg, QCX_WORD* value) {
    return WithDevice(index, [&](CDevice& device) {
        return value == nullptr ? status::kParameterError : device.RdSensorReg(reg, value);
    });
}

int QCXAPI_CALL QCX_VendorCmd(int index, const QCX_BYTE* setup, void* data) {
    return WithDevice(index, [&](CDevice& device) {
        if (setup == nullptr) return status::kParameterError;
        const SetupPacket packet = SetupPacket::FromBytes(setup);
        if (data == nullptr && packet.wLength != 0) return status::kParameterError;
        return device.VendorCmd(packet, data);
    });
}

int QCXAPI_CALL QCX_DeviceGetInformation(int index, int* deviceType, int* deviceNumber, QCX_WORD* firmwareVersion) {
    return WithDevice(index, [&](CDevice& device) {
        return device.DeviceGetInformation(deviceType, deviceNumber, firmwareVersion);
    });
}

int QCXAPI_CALL QCX_EmptyFrameBuffer(int index) {
    return WithDevice(index, [&](CDevice& device) { return device.EmptyFrameBuffer(); });
}

// CDevice: one opened camera. This unit holds its lifecycle (construction,
// recovery, destruction), its identity and its log; the other subjects of
// the camera live in their own units.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "camera/common/log_file.h"
#include "camera/imaging/pipeline_settings.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/transport/driver_channel.h"

namespace qcx {

// What a camera object needs from the library around it.
struct DeviceEnvironment {
    NodeDirectory* nodes = nullptr;
    SensorDriverFactory makeSensorDriver;
    bool logEnabled = false;
    std::string logFolder;  // empty: the default folder beside the library
};

inline constexpr std::size_t kDisplayHeaderSize = 40 + 256 * 4;

class CDevice {
public:
    // Opens the camera: claims a node, identifies the camera, opens its log
    // when logging is on and initialises its sensor. `*status` is 1 only when
    // all of that succeeded; otherwise the caller destroys the object.
    CDevice(int index, const DeviceEnvironment& environment, int* status);
    virtual ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    int Index() const { return index_; }
    DeviceType Type() const { return deviceType_; }
    std::uint32_t Number() const { return deviceNumber_; }
    std::uint16_t FirmwareVersion() const { return firmwareVersion_; }

    DriverChannel& Channel() { return channel_; }
    CLogFile* Log() { return log_.get(); }
    PipelineSettings& Pipeline() { return pipeline_; }
    const std::uint8_t* DisplayHeader() const { return displayHeader_.get(); }

    // Opens a new log file (enable) in `folder` (null or empty: the default
    // folder beside the library), or closes the log: 1, or -8 when the folder
    // or the log object cannot be made.
    int ApplyLogSettings(bool enable, const char* folder);

    // Closes and reopens the channel and restores the sensor: -10 when the
    // camera is back, -8 without a free node, -11 when the node is still
    // missing, or the sensor's own failure.
    int Recover();
    int ReinitializeSensor();

    // Controller registers, EEPROM and sensor registers, straight to the
    // vendor requests.
    int WrFx2Reg(std::uint16_t address, std::uint8_t value) { return channel_.WriteFx2Reg(address, value); }
    int RdFx2Reg(std::uint16_t address, std::uint8_t* value) { return channel_.ReadFx2Reg(address, value); }
    int WrFx2Sfr(std::uint16_t sfr, std::uint8_t value) { return channel_.WriteSfr(sfr, value); }
    int RdFx2Sfr(std::uint16_t sfr, std::uint8_t* value) { return channel_.ReadSfr(sfr, value); }
    int WrEEPROM(std::uint16_t address, std::uint8_t value) { return channel_.WriteEeprom(address, value); }
    int RdEEPROM(std::uint16_t address, std::uint8_t* value) { return channel_.ReadEeprom(address, value); }
    int WrEEPROMEx(std::uint32_t address, std::uint8_t value) { return channel_.WriteEeprom32(address, value); }
    int RdEEPROMEx(std::uint32_t address, std::uint8_t* value) { return channel_.ReadEeprom32(address, value); }
    int WrSensorReg(std::uint16_t reg, std::uint16_t value) { return channel_.WriteSensorReg(reg, value); }
    int RdSensorReg(std::uint16_t reg, std::uint16_t* value) { return channel_.ReadSensorReg(reg, value); }
    int VendorCmd(const SetupPacket& setup, void* data) { return channel_.VendorCmd(setup, data); }
    int DeviceGetInformation(int* deviceType, int* deviceNumber, std::uint16_t* firmwareVersion);

    // The camera firmware's working-mode word (only cameras that have one).
    int GetWorkingMode(std::uint16_t* word);
    int SetWorkingMode(std::uint16_t word);
    // Makes the camera discard the frames it holds.
    int EmptyFrameBuffer();
    std::uint16_t WorkingModeCopy() const { return workingModeCopy_; }

    std::uint32_t CaptureTimeoutMs() const { return captureTimeoutMs_; }
    float ExposureMs() const { return exposureMs_; }

private:
    int InitializeSensor();

    // Identity.
    int index_;
    DeviceType deviceType_ = 0;
    std::uint32_t deviceNumber_ = 0;
    std::uint16_t firmwareVersion_ = 0;

    // Channel state.
    DriverChannel channel_;
    std::uint16_t workingModeCopy_ = 0;
    bool frameReleasePending_ = false;
    bool transfer16Bit_ = false;
    std::uint32_t captureTimeoutMs_ = 8000;

    // The four other critical sections besides the channel's I/O lock; their
    // users (preview, capture) join with those subjects.
    std::recursive_mutex previewCallbackLock_;
    std::recursive_mutex previewCallbackExLock_;
    std::recursive_mutex pausedDataLock_;
    std::recursive_mutex captureLock_;

    std::unique_ptr<std::uint8_t[]> displayHeader_;
    float frameRate_ = 0.0f;
    float exposureMs_ = 50.0f;
    std::uint16_t triggerDelay_ = 0;
    std::uint16_t strobeDelay_ = 0;
    PipelineSettings pipeline_;

    SensorDriverFactory makeSensorDriver_;
    std::unique_ptr<SensorDriver> sensor_;
    std::unique_ptr<CLogFile> log_;
};

}  // namespace qcx

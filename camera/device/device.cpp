#include "camera/device/device.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "camera/common/status.h"
#include "camera/platform/file_system.h"
#include "camera/platform/video_file.h"

namespace qcx {

namespace {

// A 40-byte bitmap header (size 40, planes 1, everything else 0 until the
// preview window is known) followed by a palette of 256 greys.
std::unique_ptr<std::uint8_t[]> NewDisplayHeader() {
    std::unique_ptr<std::uint8_t[]> header(new (std::nothrow) std::uint8_t[kDisplayHeaderSize]);
    if (!header) return nullptr;
    std::memset(header.get(), 0, kDisplayHeaderSize);
    header[0] = 40;  // biSize, little-endian
    header[12] = 1;  // biPlanes
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = header.get() + 40 + 4 * i;
        entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
    }
    return header;
}

// The folder of the library's own file followed by "QCXLogFolder".
std::string DefaultLogFolder() {
    const std::filesystem::path library(LibraryFilePath());
    if (!library.has_parent_path()) return (std::filesystem::path(".") / "QCXLogFolder").string();
    return (library.parent_path() / "QCXLogFolder").string();
}

}  // namespace

CDevice::CDevice(int index, const DeviceEnvironment& environment, int* status)
    : index_(index), channel_(*environment.nodes), makeSensorDriver_(environment.makeSensorDriver) {
    *status = 0;
    displayHeader_ = NewDisplayHeader();
    if (!displayHeader_) return;
    // Other devices answer to the cameras' vendor and product id, so a node
    // is taken only when its device answers the device-information request
    // as a camera of a known sensor family; a device that does not is sent
    // nothing else, least of all sensor register writes.
    DeviceInformation info;
    const int opened = channel_.Open([this, &info] {
        return channel_.GetDeviceInformation(&info) == status::kSuccess &&
               FindSensorFamilyTraits(info.deviceType) != nullptr;
    });
    if (opened != status::kSuccess) return;
    deviceType_ = info.deviceType;
    family_ = FindSensorFamilyTraits(deviceType_);
    deviceNumber_ = info.deviceNumber;
    firmwareVersion_ = info.firmwareVersion;
    // A camera that holds each frame until released may still hold one
    // that an earlier session read and never released: it would send no
    // frame before a release. The first read releases it.
    frameReleasePending_ = IsInGroup(kFrameReleaseTypes, deviceType_);

    // A camera whose log cannot be opened still works.
    if (environment.logEnabled) ApplyLogSettings(true, environment.logFolder.c_str());
    const std::string node = channel_.NodeDescription();
    if (!node.empty()) LogPrintf(log_.get(), "%s", node.c_str());

    if (InitializeSensor() != status::kSuccess) return;
    sensorReady_ = true;
    // Armed only now: a recovery restores what the initialisation set up, and
    // must not run into a sensor driver that is still initialising.
    channel_.SetRecovery([this] { return Recover(); });
    LogPrintf(log_.get(), "Initialized Successful.");
    *status = status::kSuccess;
}

CDevice::~CDevice() {
    // A camera on its way out is not brought back.
    channel_.SetRecovery(nullptr);
    // The preview, with the automatic loops and the recording that hang on
    // it, stops first: un-paused, stopped, then the capture window.
    if (previewState_ == kPreviewPaused) previewState_ = kPreviewRunning;
    PreviewStopSequence();
    RecordStop();
    JoinStrayWorkers();
    // A driver whose initialisation failed holds no window to go back to.
    if (sensor_ && sensorReady_ && channel_.IsOpen()) {
        std::lock_guard<IoMutex> io(channel_.IoLock());
        sensor_->SwitchFieldOfViewMode(FVM_CAPTURE);
    }
    displayHeader_.reset();
    channel_.Close();
    LogPrintf(log_.get(), "UnInitialized Finished.\n");
    log_.reset();
}

int CDevice::InitializeSensor() {
    const SensorFamilyTraits* family = FamilyTraits();
    if (family == nullptr || !makeSensorDriver_) return status::kNotSupported;
    sensor_ = makeSensorDriver_(family->family, *this);
    if (!sensor_) return status::kNotSupported;
    // The driver adopts the chip: geometry, register copies and the windows
    // of both records. What follows from them is the same for every family.
    const int initialized = sensor_->InitializeSensor();
    if (initialized != status::kSuccess) return initialized;
    for (FieldOfView& record : sensorState_.fov) ComputeOutputSize(record, RecordsHoldCountMinusOne(), transfer16Bit_);
    PreviewSizeChanged();
    sensorState_.defaultBayerMode =
        family->defaultBayerMode(deviceType_, firmwareVersion_ >> 8, firmwareVersion_ & 0xFF);
    sensorState_.bayerMode = sensorState_.defaultBayerMode;
    // Grey variants deliver raw frames. The grey CCDs, which have no sensor
    // flip, start with their rows flipped as the frames arrive, as the grey
    // CMOS chips flip theirs in the sensor.
    const bool grey = IsInGroup(family->monochromeTypes, deviceType_);
    SetOutputMode(grey ? 0 : 1);
    if (grey && family->frameMirror) flipOn_ = true;
    return status::kSuccess;
}

int CDevice::ReinitializeSensor() {
    if (!sensor_) return status::kNotSupported;
    const int restored = sensor_->RestoreRegisters();
    if (restored != status::kSuccess) return restored;
    ResendWorkingModeAndDelays();
    return status::kSuccess;
}

int CDevice::Recover() {
    // Close, reopen and restore are one step for every other thread.
    std::lock_guard<IoMutex> io(channel_.IoLock());
    // Node numbers move when a camera goes away, so the first free node may
    // hold another camera now; only this camera's own identity is taken.
    const int opened = channel_.Reopen([this] {
        DeviceInformation info;
        return channel_.GetDeviceInformation(&info) == status::kSuccess && info.deviceType == deviceType_ &&
               info.deviceNumber == deviceNumber_ && info.firmwareVersion == firmwareVersion_;
    });
    if (opened != status::kSuccess) return opened;
    if (!channel_.IsOpen()) return status::kRecoveryFail;
    // The read that timed out may have met a frame the camera still holds.
    frameReleasePending_ = IsInGroup(kFrameReleaseTypes, deviceType_);
    const int restored = ReinitializeSensor();
    return restored == status::kSuccess ? status::kRecoverySuccessful : restored;
}

int CDevice::ApplyLogSettings(bool enable, const char* folder) {
    log_.reset();  // every switch-on starts a new file
    if (!enable) return status::kSuccess;

    const std::string directory =
        (folder != nullptr && folder[0] != '\0') ? std::string(folder) : DefaultLogFolder();
    if (!CreateFolderTree(directory)) return status::kFail;
    const std::string name = LogFileName(deviceType_, deviceNumber_, firmwareVersion_, LogClockNow());
    const std::string path = (std::filesystem::path(directory) / name).string();

    log_.reset(new (std::nothrow) CLogFile(path));
    if (!log_) return status::kFail;
    return status::kSuccess;
}

int CDevice::SendVendorRequest(std::uint8_t request, const std::uint8_t* data, std::uint16_t length) {
    SetupPacket setup;
    setup.bmRequestType = vendor::kTypeOut;
    setup.bRequest = request;
    setup.wLength = length;
    std::vector<std::uint8_t> copy(data, data + length);
    return channel_.VendorCmd(setup, copy.data());
}

int CDevice::DeviceGetInformation(int* deviceType, int* deviceNumber, std::uint16_t* firmwareVersion) {
    DeviceInformation info;
    const int result = channel_.GetDeviceInformation(&info);
    if (result != status::kSuccess) return result;
    if (deviceType != nullptr) *deviceType = info.deviceType;
    if (deviceNumber != nullptr) *deviceNumber = info.deviceNumber;
    if (firmwareVersion != nullptr) *firmwareVersion = info.firmwareVersion;
    return result;
}

}  // namespace qcx

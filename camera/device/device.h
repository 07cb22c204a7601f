// CDevice: one opened camera. This unit holds its lifecycle (construction,
// recovery, destruction), its identity and its log; the other subjects of
// the camera live in their own units.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "camera/common/log_file.h"
#include "camera/common/periodic_timer.h"
#include "camera/common/stop_event.h"
#include "camera/device/auto_control.h"
#include "camera/imaging/colour_correction.h"
#include "camera/imaging/pipeline_settings.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/sensor_host.h"
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

// Preview states.
inline constexpr int kPreviewStopped = 0;
inline constexpr int kPreviewRunning = 1;
inline constexpr int kPreviewPaused = 2;

class Display;
class VideoFile;

// The buffers of one preview run. The worker holds them too, so a worker
// that outlives its stop never writes into freed memory.
struct PreviewBuffers {
    std::unique_ptr<std::uint8_t[]> raw;      // one 8-bit raw frame
    std::size_t rawBytes = 0;                 // pixel count rounded up to 1024
    std::unique_ptr<std::uint8_t[]> display;  // the processed image, 4 x rawBytes
    std::vector<std::uint8_t> surface;        // the extended callback's drawing surface
};

struct PreviewPosition {
    QCX_WINDOW window = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

class CDevice : public SensorHost {
public:
    // Opens the camera: claims the first free node whose device identifies
    // itself as a camera of a known sensor family, opens its log when logging
    // is on and initialises its sensor. `*status` is 1 only when
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
    // missing, or the sensor's own failure. Also the channel's recovery, run
    // before the next request once the camera was found unplugged.
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

    // ---- Sensor (the family's driver; null when the family has none) ----
    SensorDriver* Sensor() { return sensor_.get(); }
    std::optional<SensorFamily> Family() const {
        return family_ != nullptr ? std::optional<SensorFamily>(family_->family) : std::nullopt;
    }
    // The record of the camera's sensor family; null for a type of no family.
    const SensorFamilyTraits* FamilyTraits() const { return family_; }
    // Whether the window records hold count - 1 (the size registers' form).
    bool RecordsHoldCountMinusOne() const;
    bool IsMonochrome() const { return IsInGroup(kMonochromeTypes, deviceType_); }
    float ExposureMs() const { return sensorState_.exposureMs; }

    // ---- Frame transfer ----
    // Still-capture read of width x height pixels (twice the bytes in 16-bit
    // transfer) with time-out, recovery and the raw corrections.
    int GetRawData16or8Bits(std::uint8_t* buffer, int width, int height);
    // Preview-path read of `byteCount` bytes; 16-bit frames are reduced to
    // 8-bit pixels; the table corrections cover `correctionCount` pixels.
    int GetRawDataEx(std::uint8_t* buffer, int width, int height, int byteCount, int correctionCount);
    // Frame release of the cameras that hold a frame until told (48, 49).
    int FrameRelease();
    int SetData16Bits(bool enable);
    int GetData16Bits(bool* enabled);
    std::uint32_t CaptureTimeoutMs() const { return captureTimeoutMs_; }
    void SetCaptureTimeoutMs(std::uint32_t ms) { captureTimeoutMs_ = ms; }
    bool FrameReleasePending() const { return frameReleasePending_; }

    // ---- Fields of view and sizes ----
    // Sets the window of `mode` (FVM_CAPTURE or FVM_PREVIEW); -3 for a family
    // without windowing.
    int SetFieldOfView(int mode, WindowRequest window);
    // The stored window as callers see it (starts relative, counts); null
    // outputs are skipped.
    void GetFieldOfView(int mode, int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
                        int* rowMode) const;
    void GetDefaultFieldOfView(int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
                               int* rowMode) const;
    // Output width and height of a record.
    void GetOutputSize(int mode, int* width, int* height) const;
    // Bits per pixel of a processed image: 8 in output mode 0, else by Bayer mode.
    int OutputBitCount() const;
    int SwitchFieldOfViewMode(int mode);
    const FieldOfView& Record(int mode) const { return sensorState_.fov[mode]; }
    // Holds windowLock_ (see there) for the caller's operation. On a preview
    // worker thread it is only tried: the lock is then not owned, and the
    // caller returns -8.
    std::unique_lock<std::recursive_mutex> LockWindows();

    // ---- Still capture ----
    int CaptureRawData(std::uint8_t* buffer);
    int CaptureRgbData(std::uint8_t* buffer);
    int CaptureRgbDataEx(std::uint8_t* buffer, int* width, int* height, int* bitCount);
    int CaptureRawDataAfterEmptyFrameBuffer(std::uint8_t* buffer);
    int CaptureRgbDataAfterEmptyFrameBuffer(std::uint8_t* buffer);
    int CaptureRgbDataExAfterEmptyFrameBuffer(std::uint8_t* buffer, int* width, int* height, int* bitCount);

    // ---- Image settings the pipeline reads on every frame ----
    int BayerMode() const { return sensorState_.bayerMode; }
    void SetBayerMode(int mode) { sensorState_.bayerMode = mode; }
    int OutputMode() const { return sensorState_.outputMode; }
    int FilterMode() const { return filterMode_; }
    void SetFilterMode(int mode) { filterMode_ = mode; }
    ColourCorrection& Colour() { return colour_; }
    MeasuringRegion& WhiteBalanceRegion() { return awb_.effective; }
    bool MirrorFlag() const { return mirrorOn_; }
    bool FlipFlag() const { return flipOn_; }
    void SetMirrorFlag(bool on) { mirrorOn_ = on; }
    void SetFlipFlag(bool on) { flipOn_ = on; }
    int SensitivityMode() const { return sensitivityMode_; }

    // ---- I/O lines: the copies the camera object keeps (io_lines.cpp) ----
    std::uint16_t TriggerDelay() const { return triggerDelay_; }
    std::uint16_t StrobeDelay() const { return strobeDelay_; }
    void KeepTriggerDelay(std::uint16_t delay) { triggerDelay_ = delay; }
    void KeepStrobeDelay(std::uint16_t delay) { strobeDelay_ = delay; }
    void KeepSensitivityMode(int mode) { sensitivityMode_ = mode; }

    // ---- Preview ----
    int PreviewState() const { return previewState_; }
    // The start and stop sequences: 1, or -8 when refused (see the exports).
    int PreviewStartSequence();
    int PreviewStopSequence();
    // QCX_PreviewStart(0): the stop, then the switch to the capture window,
    // whose status is returned.
    int PreviewStopAndSwitch();
    int PreviewPause(bool pause);
    int PreviewGetPausedData(std::uint8_t* buffer, int* width, int* height, int* bitCount);
    int PreviewGetFrameRate(float* rate) const;
    void SetPreviewPosition(const PreviewPosition& position);
    PreviewPosition GetPreviewPosition();
    void SetPreviewCallback(QCX_PREVIEW_CALLBACK callback, void* context);
    void SetPreviewCallbackEx(QCX_PREVIEW_CALLBACK_EX callback, void* context);
    // Stores the output mode and follows it with the header and the regions:
    // the header's status.
    int PreviewSetMode(int mode);

    // ---- Recording of the preview into an AVI file (recording.cpp) ----
    // start: -6 while recording or unless the preview runs, -8 for a frame
    // rate of 0.01 or less and for a file, stream, choice or format that
    // cannot be had (the file is deleted when `deleteFileOnFailure`), -3 when
    // the video services are too old. `useStoredOptions`: the compressor
    // options stored by an earlier recording, without the dialog, when they
    // exist. start 0: stops a recording; always 1.
    int RecordStart(bool start, float frameRate, const char* file, bool useStoredOptions,
                    bool deleteFileOnFailure);
    int RecordStop();
    bool Recording() const { return recording_; }

    // ---- Automatic exposure, white balance and focus (callers hold the
    // I/O lock, which also guards these loops against the preview thread) ----
    AeLoop& Ae() { return ae_; }
    AwbLoop& Awb() { return awb_; }
    AfLoop& Af() { return af_; }
    RegionFrame CurrentRegionFrame() const;
    // Rewrites the display bitmap header from the preview record, the output
    // bit count and the Bayer mode: 1, or -3 for a Bayer mode outside 0 ... 23
    // in colour output (the header then keeps its old bit count).
    int RebuildDisplayHeader();

    // ---- SensorHost ----
    DeviceType SensorDeviceType() const override { return deviceType_; }
    CLogFile* SensorLog() override { return log_.get(); }
    SensorState& State() override { return sensorState_; }
    bool Transfer16Bit() const override { return transfer16Bit_; }
    int ReadSensorRegister(std::uint16_t reg, std::uint16_t* value) override { return channel_.ReadSensorReg(reg, value); }
    int WriteSensorRegister(std::uint16_t reg, std::uint16_t value) override { return channel_.WriteSensorReg(reg, value); }
    int SendVendorRequest(std::uint8_t request, const std::uint8_t* data, std::uint16_t length) override;
    int ReadWorkingModeIntoDevice() override;
    // Sends the copies of working mode, trigger delay and strobe delay again
    // after a reconnection; results are not looked at.
    void ResendWorkingModeAndDelays();
    int ReadRawFrame(std::uint8_t* buffer, int width, int height) override {
        return GetRawData16or8Bits(buffer, width, height);
    }
    // The raw capture after a flush for a driver: the caller holds the I/O
    // lock and the capture window is programmed, so neither the windows nor
    // the preview are touched.
    int ReadCaptureFrameAfterFlush(std::uint8_t* buffer) override;
    bool PreviewRunning() const override { return previewState_ == kPreviewRunning; }
    int StopPreview();
    int StartPreview();
    void SetOutputMode(int mode) override;
    void PreviewSizeChanged() override;
    void RecomputeRegions() override;

private:
    int InitializeSensor();
    // The per-frame corrections of a complete 8-bit frame, in their order.
    void ApplyRawCorrections(std::uint8_t* frame, int width, int height, int correctionCount);
    // Stops a running preview that holds the preview window for a capture;
    // true when it was stopped and must be started again.
    bool StopPreviewForCapture();
    void RestartPreviewAfterCapture(bool wasStopped);
    // Reads one capture frame into a buffer of its own and delivers it into
    // `image`: converted in colour output, copied as read in grey output.
    // `*bitCount` is set only when the read succeeded.
    int ReadCaptureImage(std::uint8_t* image, int* bitCount);
    // Flushes the frames the camera holds before a capture, unless the camera
    // waits for an external trigger or has no working-mode word.
    void FlushBeforeCapture(int flushes);

    // The preview worker: its thread, one pass of its loop, and the parts of
    // a pass (preview_loop.cpp).
    void PreviewThreadMain(std::shared_ptr<StopEvent> stop, std::shared_ptr<StopEvent> finished,
                           std::shared_ptr<PreviewBuffers> buffers);
    bool IsPreviewWorkerThread() const;
    // True on the preview worker of any camera.
    static bool OnPreviewWorkerThread();
    void PreviewPass(const StopEvent& stop, PreviewBuffers& buffers, Display& display);
    bool ReadPreviewFrame(const StopEvent& stop, PreviewBuffers& buffers, int* width, int* height);
    int ConvertPreviewFrame(PreviewBuffers& buffers, int width, int height);
    void ShowPreviewFrame(PreviewBuffers& buffers, int width, int height, Display& display);
    // The automatic steps on a raw preview frame, with their callbacks.
    void RunAutoSteps(std::uint8_t* raw, int width, int height);
    void MeasureFrameRate();
    // Joins the workers that did not end in time at an earlier stop.
    void JoinStrayWorkers();
    // Appends the drawn display buffer to the recording, if one is open
    // (preview thread, under the paused-data lock).
    void WriteRecordingFrame(const std::uint8_t* image, std::size_t bytes);

    // Identity.
    int index_;
    DeviceType deviceType_ = 0;
    std::uint32_t deviceNumber_ = 0;
    std::uint16_t firmwareVersion_ = 0;
    // Looked up once from the device type: the frame path asks for it.
    const SensorFamilyTraits* family_ = nullptr;

    // Channel state.
    DriverChannel channel_;
    std::uint16_t workingModeCopy_ = 0;
    bool frameReleasePending_ = false;
    bool transfer16Bit_ = false;
    // Read by the preview worker's frame reads while any thread may set it.
    std::atomic<std::uint32_t> captureTimeoutMs_{8000};

    // The critical sections besides the channel's I/O lock (which also
    // guards the per-frame image settings and the automatic loops against the
    // preview worker). Lock order: windows, capture, paused data, I/O, record;
    // a callback lock is never held while waiting for another thread.
    // windowLock_: the two window records, the FOV mode and the chip's window
    //   registers change as one, or a capture reads a window that is half
    //   programmed and the chip stays out of step with the records. Held by
    //   the window setters (with the QCX_SetParam window starts, flip and
    //   mirror: the read mode also holds the binning), the 16-bit switch (the
    //   byte counts), preview start and stop (they switch the FOV mode) and
    //   each still capture from stopping the preview to restarting it. Its
    //   holder may wait for the preview worker to stop, and the worker holds
    //   the I/O lock around its automatic steps, so a preview worker (a
    //   callback calling in) never waits for it: see LockWindows.
    // previewCallbackLock_ / previewCallbackExLock_: setting a callback
    //   against the worker calling it.
    // pausedDataLock_: the worker's processing, drawing and recording of the
    //   display buffer against QCX_PreviewGetPausedData.
    // captureLock_: the still captures that flush first.
    // recordLock_: the open recording file against its frame writes; taken
    //   last, and held only around a frame write and the release of the file.
    std::recursive_mutex windowLock_;
    std::recursive_mutex previewCallbackLock_;
    std::recursive_mutex previewCallbackExLock_;
    std::recursive_mutex pausedDataLock_;
    std::recursive_mutex captureLock_;
    std::mutex recordLock_;

    std::unique_ptr<std::uint8_t[]> displayHeader_;
    std::uint16_t triggerDelay_ = 0;
    std::uint16_t strobeDelay_ = 0;

    // Sensor, windows and image settings.
    SensorState sensorState_;
    int filterMode_ = 1;
    bool mirrorOn_ = false;
    bool flipOn_ = false;
    int sensitivityMode_ = 0;
    PipelineSettings pipeline_;
    ColourCorrection colour_;

    // Preview. The state and the frame counter are read by the worker and
    // the frame-rate timer without a lock, hence atomic. The buffers, the
    // stop event and the worker thread change only in the start and stop
    // sequences on the application's thread.
    std::atomic<int> previewState_{kPreviewStopped};
    std::shared_ptr<PreviewBuffers> previewBuffers_;
    std::shared_ptr<StopEvent> previewStop_;
    std::shared_ptr<StopEvent> previewFinished_;  // set by the worker as it leaves
    std::thread previewThread_;
    std::vector<std::thread> strayWorkers_;
    PeriodicTimer frameRateTimer_;
    std::atomic<std::uint32_t> frameCounter_{0};
    std::atomic<float> frameRate_{0.0f};
    std::uint32_t lastMeasurementMs_ = 0;  // the timer's own, once it runs
    std::mutex positionLock_;               // guards position_ alone, never held across a call
    PreviewPosition position_;
    QCX_PREVIEW_CALLBACK previewCallback_ = nullptr;  // with its context, under previewCallbackLock_
    void* previewContext_ = nullptr;
    QCX_PREVIEW_CALLBACK_EX previewCallbackEx_ = nullptr;  // under previewCallbackExLock_
    void* previewContextEx_ = nullptr;

    // Recording. The flag is set only after the file is complete and cleared
    // before it goes; the file and the frame index are under recordLock_.
    std::atomic<bool> recording_{false};
    std::unique_ptr<VideoFile> recordFile_;
    std::uint32_t recordFrameIndex_ = 0;

    // Automatic loops, under the channel's I/O lock.
    AeLoop ae_;
    AwbLoop awb_;
    AfLoop af_;

    SensorDriverFactory makeSensorDriver_;
    std::unique_ptr<SensorDriver> sensor_;
    bool sensorReady_ = false;  // the driver adopted the chip at construction
    std::unique_ptr<CLogFile> log_;
};

}  // namespace qcx

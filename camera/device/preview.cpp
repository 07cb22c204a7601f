// Live preview control: the start, stop and pause sequences, the frame-rate
// timer, the paused frame, the drawing position and the callbacks. The
// worker's loop is in preview_loop.cpp.
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "camera/common/status.h"
#include "camera/device/device.h"

namespace qcx {

namespace {

constexpr auto kStopWait = std::chrono::milliseconds(5000);
constexpr auto kFrameRatePeriod = std::chrono::milliseconds(2000);

// The system's millisecond time; only differences are used, taken as
// unsigned 32-bit so the wrap-around does no harm.
std::uint32_t MillisecondsNow() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The raw buffer holds the preview pixel count rounded up to 1024 bytes; the
// display buffer four times that, room for 32 bits per pixel.
std::shared_ptr<PreviewBuffers> AllocatePreviewBuffers(int pixelCount) {
    auto buffers = std::make_shared<PreviewBuffers>();
    const std::size_t pixels = pixelCount > 0 ? static_cast<std::size_t>(pixelCount) : 0;
    buffers->rawBytes = (pixels + 1023) / 1024 * 1024;
    const std::size_t rawBytes = buffers->rawBytes > 0 ? buffers->rawBytes : 1024;
    buffers->raw.reset(new (std::nothrow) std::uint8_t[rawBytes]());
    buffers->display.reset(new (std::nothrow) std::uint8_t[4 * rawBytes]());
    if (!buffers->raw || !buffers->display) return nullptr;
    buffers->surface.reserve(4 * rawBytes);
    return buffers;
}

}  // namespace

int CDevice::PreviewStartSequence() {
    // The buffers are sized from the preview record the switch programs.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    if (!displayHeader_ || previewStop_ || previewThread_.joinable() || previewState_ != kPreviewStopped)
        return status::kFail;
    LogPrintf(log_.get(), "Preview Start Enter.");

    previewBuffers_.reset();
    const FieldOfView& preview = sensorState_.fov[FVM_PREVIEW];
    previewBuffers_ = AllocatePreviewBuffers(preview.pixelCount);
    if (!previewBuffers_) return status::kNoMemory;

    if (SwitchFieldOfViewMode(FVM_PREVIEW) == status::kBadFrame) {
        // The first frame after the switch is spoilt: read it and drop it.
        GetRawDataEx(previewBuffers_->raw.get(), preview.outputWidth, preview.outputHeight, preview.bufferBytes,
                     preview.pixelCount);
    }

    auto stop = std::make_shared<StopEvent>();
    auto finished = std::make_shared<StopEvent>();
    try {
        previewThread_ = std::thread(&CDevice::PreviewThreadMain, this, stop, finished, previewBuffers_);
    } catch (const std::system_error&) {
        return status::kFail;
    }
    previewStop_ = std::move(stop);
    previewFinished_ = std::move(finished);

    frameRate_ = 0.0f;
    lastMeasurementMs_ = MillisecondsNow();
    frameCounter_ = 0;
    frameRateTimer_.Start(kFrameRatePeriod, [this] { MeasureFrameRate(); });
    previewState_ = kPreviewRunning;
    LogPrintf(log_.get(), "Preview Start Finished.");
    return status::kSuccess;
}

int CDevice::PreviewStopSequence() {
    if (previewState_ != kPreviewRunning) return status::kFail;
    // A callback that stops its own preview would wait for itself.
    if (IsPreviewWorkerThread()) return status::kFail;
    // One stop at a time: a window change or a capture on another thread may
    // be stopping the same worker.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    if (previewState_ != kPreviewRunning) return status::kFail;
    LogPrintf(log_.get(), "Preview Stop Enter.");
    RecordStop();

    frameRateTimer_.Stop();
    frameRate_ = 0.0f;
    frameCounter_ = 0;

    previewStop_->Set();
    if (previewFinished_->WaitFor(kStopWait)) {
        previewThread_.join();
    } else {
        // C++ cannot end a thread from outside. The worker still holds its
        // own buffers and leaves its loop as soon as its read returns; the
        // camera joins it before it goes away.
        LogPrintf(log_.get(), "Preview Stop: the preview thread did not end within 5000 ms.");
        strayWorkers_.push_back(std::move(previewThread_));
    }
    previewStop_.reset();
    previewFinished_.reset();
    previewBuffers_.reset();

    previewState_ = kPreviewStopped;
    LogPrintf(log_.get(), "Preview Stop Finished.");
    return status::kSuccess;
}

int CDevice::PreviewStopAndSwitch() {
    // A paused preview is refused by the stop, yet the sensor goes back
    // to the capture window all the same.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    (void)PreviewStopSequence();
    return SwitchFieldOfViewMode(FVM_CAPTURE);
}

void CDevice::JoinStrayWorkers() {
    for (std::thread& worker : strayWorkers_) {
        if (worker.joinable()) worker.join();
    }
    strayWorkers_.clear();
}

int CDevice::StopPreview() { return PreviewStopSequence(); }

int CDevice::StartPreview() { return PreviewStartSequence(); }

int CDevice::PreviewPause(bool pause) {
    const int state = previewState_;
    if (state == kPreviewStopped) return status::kFail;
    if (state == kPreviewRunning && pause) previewState_ = kPreviewPaused;
    if (state == kPreviewPaused && !pause) previewState_ = kPreviewRunning;
    return status::kSuccess;
}

int CDevice::PreviewGetPausedData(std::uint8_t* buffer, int* width, int* height, int* bitCount) {
    if (previewState_ != kPreviewPaused) return status::kFail;
    if (buffer == nullptr) return status::kParameterError;
    if (!previewBuffers_ || !previewBuffers_->display) return status::kFail;
    const FieldOfView& preview = sensorState_.fov[FVM_PREVIEW];
    const int bits = OutputBitCount();
    std::size_t bytes = static_cast<std::size_t>(bits / 8) * static_cast<std::size_t>(preview.pixelCount);
    // Never more than the display buffer holds.
    bytes = std::min(bytes, 4 * previewBuffers_->rawBytes);
    {
        std::lock_guard<std::recursive_mutex> hold(pausedDataLock_);
        std::memcpy(buffer, previewBuffers_->display.get(), bytes);
    }
    if (width != nullptr) *width = preview.outputWidth;
    if (height != nullptr) *height = preview.outputHeight;
    if (bitCount != nullptr) *bitCount = bits;
    return status::kSuccess;
}

int CDevice::PreviewGetFrameRate(float* rate) const {
    if (rate == nullptr) return status::kParameterError;
    if (previewState_ != kPreviewRunning) {
        *rate = 0.0f;
        return status::kNotSupported;
    }
    *rate = frameRate_;
    return status::kSuccess;
}

void CDevice::MeasureFrameRate() {
    // Runs on the timer's thread; the counter is the worker's.
    const std::uint32_t now = MillisecondsNow();
    const std::uint32_t elapsed = now - lastMeasurementMs_;
    const std::uint32_t frames = frameCounter_.exchange(0);
    frameRate_ = elapsed == 0 ? 0.0f : static_cast<float>(frames) * 1000.0f / static_cast<float>(elapsed);
    lastMeasurementMs_ = now;
}

void CDevice::SetPreviewPosition(const PreviewPosition& position) {
    std::lock_guard<std::mutex> hold(positionLock_);
    position_ = position;
}

PreviewPosition CDevice::GetPreviewPosition() {
    std::lock_guard<std::mutex> hold(positionLock_);
    return position_;
}

void CDevice::SetPreviewCallback(QCX_PREVIEW_CALLBACK callback, void* context) {
    std::lock_guard<std::recursive_mutex> hold(previewCallbackLock_);
    previewCallback_ = callback;
    previewContext_ = context;
}

void CDevice::SetPreviewCallbackEx(QCX_PREVIEW_CALLBACK_EX callback, void* context) {
    std::lock_guard<std::recursive_mutex> hold(previewCallbackExLock_);
    previewCallbackEx_ = callback;
    previewContextEx_ = context;
}

int CDevice::PreviewSetMode(int mode) {
    sensorState_.outputMode = mode;
    const int result = RebuildDisplayHeader();
    RecomputeRegions();
    return result;
}

}  // namespace qcx

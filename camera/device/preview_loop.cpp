// The preview worker: read a frame of the preview window, run the automatic
// steps and the calibration hook on it, convert it, hand it to the callbacks,
// draw it, append it to the recording, and go round again until told to stop.
// While paused it redraws (and records) the last frame every 100 ms.
#include <chrono>
#include <cstring>

#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/colour_correction.h"
#include "camera/imaging/saturation.h"
#include "camera/platform/display.h"
#include "camera/platform/thread_priority.h"

namespace qcx {

namespace {

constexpr auto kPausedRedraw = std::chrono::milliseconds(100);
// After a read that found no camera (unplugged, recovery failed), the next
// attempt waits this long so the loop does not spin a core.
constexpr auto kMissingCameraPause = std::chrono::milliseconds(100);

// The camera whose preview worker runs on this thread, if any.
thread_local const CDevice* tlsPreviewOwner = nullptr;

}  // namespace

bool CDevice::IsPreviewWorkerThread() const { return tlsPreviewOwner == this; }

bool CDevice::OnPreviewWorkerThread() { return tlsPreviewOwner != nullptr; }

void CDevice::PreviewThreadMain(std::shared_ptr<StopEvent> stop, std::shared_ptr<StopEvent> finished,
                                std::shared_ptr<PreviewBuffers> buffers) {
    tlsPreviewOwner = this;
    if (!stop->IsSet()) {
        // Failing to raise the priority is not an error. A simulated camera
        // renders on this thread and is not waited for, so it stays at the
        // normal priority.
        bool simulated = false;
        {
            std::lock_guard<IoMutex> io(channel_.IoLock());
            simulated = channel_.RendersOnReader();
        }
        if (!simulated) (void)RaiseCurrentThreadPriority();
        const std::unique_ptr<Display> display = OpenDisplay();
        while (!stop->IsSet()) PreviewPass(*stop, *buffers, *display);
    }
    tlsPreviewOwner = nullptr;
    finished->Set();
}

void CDevice::PreviewPass(const StopEvent& stop, PreviewBuffers& buffers, Display& display) {
    int width = 0;
    int height = 0;
    if (previewState_ != kPreviewPaused) {
        if (!ReadPreviewFrame(stop, buffers, &width, &height)) return;
    } else {
        if (stop.WaitFor(kPausedRedraw)) return;
        // The raw buffer keeps the last frame; the window keeps its size
        // while paused, since a resize stops the preview.
        std::lock_guard<IoMutex> io(channel_.IoLock());
        width = sensorState_.fov[FVM_PREVIEW].outputWidth;
        height = sensorState_.fov[FVM_PREVIEW].outputHeight;
    }
    ShowPreviewFrame(buffers, width, height, display);
}

bool CDevice::ReadPreviewFrame(const StopEvent& stop, PreviewBuffers& buffers, int* width, int* height) {
    int result = status::kFail;
    bool cameraMissing = false;
    {
        // The I/O lock also keeps the automatic loops and the calibration
        // request steady while this frame is measured.
        std::lock_guard<IoMutex> io(channel_.IoLock());
        const FieldOfView& preview = sensorState_.fov[FVM_PREVIEW];
        *width = preview.outputWidth;
        *height = preview.outputHeight;
        if (preview.pixelCount > 0 && static_cast<std::size_t>(preview.pixelCount) <= buffers.rawBytes) {
            result = GetRawDataEx(buffers.raw.get(), preview.outputWidth, preview.outputHeight,
                                  preview.bufferBytes, preview.pixelCount);
        }
        if (result == status::kSuccess && !stop.IsSet()) {
            ++frameCounter_;
            RunAutoSteps(buffers.raw.get(), preview.outputWidth, preview.outputHeight);
            RunRawCalibrationIfRequested(colour_, buffers.raw.get(), preview.outputWidth, preview.outputHeight,
                                         awb_.effective, sensorState_.bayerMode);
        }
        cameraMissing = !channel_.IsOpen() || result == status::kRecoveryFail;
    }
    if (stop.IsSet()) return false;
    if (result != status::kSuccess) {
        // Failed frames are skipped; only a camera that is gone slows the
        // loop down.
        if (cameraMissing) stop.WaitFor(kMissingCameraPause);
        return false;
    }
    return true;
}

int CDevice::ConvertPreviewFrame(PreviewBuffers& buffers, int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (sensorState_.outputMode == 0) {
        std::memcpy(buffers.display.get(), buffers.raw.get(), pixels);
        return 8;
    }
    const int bitCount = OutputBitCount();
    static const CQCXBayerFilter filter;
    filter.ConvertRawToImage(buffers.raw.get(), width, height, buffers.display.get(), false,
                             sensorState_.bayerMode, filterMode_);
    RunImageCalibrationIfRequested(colour_, buffers.display.get(), width, height, bitCount);
    AdjustSaturation(buffers.display.get(), width, height, bitCount, pipeline_);
    ApplyColorCorrection(colour_, buffers.display.get(), width, height, bitCount);
    return bitCount;
}

void CDevice::ShowPreviewFrame(PreviewBuffers& buffers, int width, int height, Display& display) {
    if (width <= 0 || height <= 0 || static_cast<std::size_t>(width) * static_cast<std::size_t>(height) >
                                          buffers.rawBytes)
        return;
    std::lock_guard<std::recursive_mutex> paused(pausedDataLock_);
    int bitCount = 8;
    {
        std::lock_guard<IoMutex> io(channel_.IoLock());
        bitCount = ConvertPreviewFrame(buffers, width, height);
    }
    std::uint8_t* image = buffers.display.get();
    const std::size_t imageBytes =
        static_cast<std::size_t>(bitCount / 8) * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    {
        std::lock_guard<std::recursive_mutex> hold(previewCallbackLock_);
        if (previewCallback_ != nullptr) previewCallback_(image, width, height, bitCount, previewContext_);
    }
    bool halftone = false;
    {
        std::lock_guard<std::recursive_mutex> hold(previewCallbackExLock_);
        if (previewCallbackEx_ != nullptr) {
            // The callback draws on a copy; what it drew becomes the frame.
            halftone = true;
            display.CallOnCopy(GetPreviewPosition().window, previewCallbackEx_, previewContextEx_, image, width,
                               height, bitCount, buffers.surface);
        }
    }

    const PreviewPosition position = GetPreviewPosition();
    if (position.width > 0 && position.height > 0) {
        display.Stretch(position.window, DisplayRect{position.x, position.y, position.width, position.height},
                        DisplayImage{image, width, height, bitCount},
                        halftone ? StretchMode::Halftone : StretchMode::ColourOnColour);
    }
    WriteRecordingFrame(image, imageBytes);
}

}  // namespace qcx

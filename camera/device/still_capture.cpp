// Still capture: one frame of the capture window, raw or as a colour image,
// with a running preview stopped around it.
#include <cstring>
#include <memory>
#include <new>

#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/saturation.h"

namespace qcx {

namespace {

template <typename T>
void Store(T* target, T value) {
    if (target != nullptr) *target = value;
}

}  // namespace

bool CDevice::StopPreviewForCapture() {
    // Only a preview that holds the preview window is in the way; a paused
    // preview reads nothing and is left alone.
    if (sensorState_.fovMode != FVM_PREVIEW || previewState_ != kPreviewRunning) return false;
    PreviewStopAndSwitch();
    return true;
}

void CDevice::RestartPreviewAfterCapture(bool wasStopped) {
    if (wasStopped) StartPreview();
}

int CDevice::ReadCaptureImage(std::uint8_t* image, int* bitCount) {
    // The colour steps read the image settings and share the saturation
    // cache with the preview thread; both change only under the I/O lock.
    std::lock_guard<IoMutex> io(channel_.IoLock());
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    const int width = capture.outputWidth;
    const int height = capture.outputHeight;
    const std::size_t rawBytes =
        static_cast<std::size_t>(width > 0 ? width : 0) * static_cast<std::size_t>(height > 0 ? height : 0) *
        (transfer16Bit_ ? 2 : 1);
    std::unique_ptr<std::uint8_t[]> raw(new (std::nothrow) std::uint8_t[rawBytes == 0 ? 1 : rawBytes]);
    // Without a buffer the read refuses the null pointer with -3.
    const int result = GetRawData16or8Bits(raw.get(), width, height);
    if (result != status::kSuccess) return result;

    if (sensorState_.outputMode == 0) {
        std::memcpy(image, raw.get(), rawBytes);
        *bitCount = 8;
        return result;
    }
    const int outputBits = OutputBitCount();
    static const CQCXBayerFilter filter;
    filter.ConvertRawToImage(raw.get(), width, height, image, transfer16Bit_, sensorState_.bayerMode, filterMode_);
    if (!transfer16Bit_) {
        AdjustSaturation(image, width, height, outputBits, pipeline_);
        ApplyColorCorrection(colour_, image, width, height, outputBits);
    }
    *bitCount = outputBits;
    return result;
}

void CDevice::FlushBeforeCapture(int flushes) {
    // A frame that an external trigger already started must not be lost,
    // and cameras without the word cannot flush.
    std::uint16_t word = 0;
    if (GetWorkingMode(&word) != status::kSuccess) return;
    if ((word & working_mode::kExternalTrigger) != 0) return;
    for (int i = 0; i < flushes; ++i) EmptyFrameBuffer();  // a failed flush is not reported
}

int CDevice::CaptureRawData(std::uint8_t* buffer) {
    LogPrintf(log_.get(), "CaptureRawData Enter.");
    if (buffer == nullptr) return status::kParameterError;
    // From the stop of the preview to its restart the capture window must
    // stay what the chip holds and what the read expects.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    const bool stopped = StopPreviewForCapture();
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    const int result = GetRawData16or8Bits(buffer, capture.outputWidth, capture.outputHeight);
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRawData Finished.");
    return result;
}

int CDevice::CaptureRgbData(std::uint8_t* buffer) {
    LogPrintf(log_.get(), "CaptureRgbData Enter.");
    if (buffer == nullptr) return status::kParameterError;
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    if (sensorState_.outputMode == 0) return CaptureRawData(buffer);
    const bool stopped = StopPreviewForCapture();
    int bitCount = 0;
    const int result = ReadCaptureImage(buffer, &bitCount);
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRgbData Finished.");
    return result;
}

int CDevice::CaptureRgbDataEx(std::uint8_t* buffer, int* width, int* height, int* bitCount) {
    if (buffer == nullptr) return status::kParameterError;
    LogPrintf(log_.get(), "CaptureRgbDataEx Enter.");
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    if (sensorState_.outputMode == 0) {
        const int result = CaptureRawData(buffer);
        Store(bitCount, 8);
        Store(width, static_cast<int>(capture.outputWidth));
        Store(height, static_cast<int>(capture.outputHeight));
        return result;
    }
    const bool stopped = StopPreviewForCapture();
    int bits = 0;
    const int result = ReadCaptureImage(buffer, &bits);
    Store(width, static_cast<int>(capture.outputWidth));
    Store(height, static_cast<int>(capture.outputHeight));
    Store(bitCount, OutputBitCount());
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRgbDataEx Finished.");
    return result;
}

int CDevice::CaptureRawDataAfterEmptyFrameBuffer(std::uint8_t* buffer) {
    if (buffer == nullptr) return status::kParameterError;
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    std::lock_guard<std::recursive_mutex> hold(captureLock_);
    LogPrintf(log_.get(), "CaptureRawDataAfterEmptyFrameBuffer Enter.");
    const bool stopped = StopPreviewForCapture();
    if (!stopped) FlushBeforeCapture(1);
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    const int result = GetRawData16or8Bits(buffer, capture.outputWidth, capture.outputHeight);
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRawDataAfterEmptyFrameBuffer Finished.");
    return result;
}

int CDevice::ReadCaptureFrameAfterFlush(std::uint8_t* buffer) {
    LogPrintf(log_.get(), "CaptureRawDataAfterEmptyFrameBuffer Enter.");
    FlushBeforeCapture(1);
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    const int result = GetRawData16or8Bits(buffer, capture.outputWidth, capture.outputHeight);
    LogPrintf(log_.get(), "CaptureRawDataAfterEmptyFrameBuffer Finished.");
    return result;
}

int CDevice::CaptureRgbDataAfterEmptyFrameBuffer(std::uint8_t* buffer) {
    if (buffer == nullptr) return status::kParameterError;
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    std::lock_guard<std::recursive_mutex> hold(captureLock_);
    LogPrintf(log_.get(), "CaptureRgbDataAfterEmptyFrameBuffer Enter.");
    const bool stopped = StopPreviewForCapture();
    if (!stopped) FlushBeforeCapture(2);
    int bitCount = 0;
    const int result = ReadCaptureImage(buffer, &bitCount);
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRgbDataAfterEmptyFrameBuffer Finished.");
    return result;
}

int CDevice::CaptureRgbDataExAfterEmptyFrameBuffer(std::uint8_t* buffer, int* width, int* height, int* bitCount) {
    if (buffer == nullptr) return status::kParameterError;
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    std::lock_guard<std::recursive_mutex> hold(captureLock_);
    LogPrintf(log_.get(), "CaptureRgbDataExAfterEmptyFrameBuffer Enter.");
    const bool stopped = StopPreviewForCapture();
    if (!stopped) FlushBeforeCapture(1);
    int bits = 0;
    const int result = ReadCaptureImage(buffer, &bits);
    if (result == status::kSuccess) Store(bitCount, bits);
    const FieldOfView& capture = sensorState_.fov[FVM_CAPTURE];
    Store(width, static_cast<int>(capture.outputWidth));
    Store(height, static_cast<int>(capture.outputHeight));
    RestartPreviewAfterCapture(stopped);
    LogPrintf(log_.get(), "CaptureRgbDataExAfterEmptyFrameBuffer Finished.");
    return result;
}

}  // namespace qcx
